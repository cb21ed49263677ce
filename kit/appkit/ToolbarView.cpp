#include "kit/appkit/ToolbarView.h"

#include "kit/appkit/Application.h"
#include "kit/appkit/Event.h"
#include "kit/appkit/KeyCodes.h"
#include "kit/appkit/Toolbar.h"
#include "kit/appkit/Window.h"
#include "kit/foundation/RunLoop.h"
#include "kit/graphics/BezierPath.h"
#include "kit/graphics/Color.h"
#include "kit/graphics/Font.h"
#include "kit/graphics/GraphicsContext.h"
#include "kit/graphics/Image.h"
#include "kit/graphics/StringDrawing.h"

#include <algorithm>
#include <cmath>

namespace kit {

namespace {

constexpr double ImageSide = 32;
constexpr double ImageTop = 4;
constexpr double LabelTop = ImageTop + ImageSide + 2;
constexpr double Margin = 8;
constexpr double MinimumButtonWidth = 48;
constexpr double SeparatorWidth = 12;
constexpr double SpaceWidth = 32;

StringAttributes labelAttributes(bool enabled)
{
    StringAttributes a;
    a.font = Font::systemFontOfSize(11);
    a.foregroundColor = enabled ? Color::controlTextColor() : Color::disabledControlTextColor();
    return a;
}

bool isButton(const ToolbarItem& item)
{
    const QString id = item.itemIdentifier();
    return !item.view() && id != ToolbarSeparatorItemIdentifier && id != ToolbarSpaceItemIdentifier
        && id != ToolbarFlexibleSpaceItemIdentifier;
}

} // namespace

ToolbarView::ToolbarView(Toolbar* toolbar)
    : View(MakeRect(0, 0, 0, Toolbar::Height))
    , toolbar_(toolbar)
{
    setAutoresizesSubviews(false);
}

void ToolbarView::setFrameSize(Size size)
{
    const bool widthChanged = size.width != frame().width();
    View::setFrameSize(size);
    if (widthChanged)
        layoutItems();
}

void ToolbarView::itemsChanged()
{
    layoutItems();
    setNeedsDisplay(true);
    accessibilityChildrenChanged();
}

void ToolbarView::layoutItems()
{
    const Ref<Toolbar> toolbar = toolbar_.lock();
    slots_.clear();
    if (!toolbar)
        return;
    const std::vector<Ref<ToolbarItem>>& items = toolbar->items_;
    std::vector<double> widths;
    double fixed = Margin * 2;
    int flexible = 0;
    for (const Ref<ToolbarItem>& item : items) {
        double w = 0;
        const QString id = item->itemIdentifier();
        if (id == ToolbarSeparatorItemIdentifier)
            w = SeparatorWidth;
        else if (id == ToolbarSpaceItemIdentifier)
            w = SpaceWidth;
        else if (id == ToolbarFlexibleSpaceItemIdentifier)
            ++flexible;
        else if (const Ref<View> v = item->view())
            w = std::max(item->minSize().width, v->frame().width());
        else
            w = std::max(
                MinimumButtonWidth, std::ceil(StringDrawing::sizeWithAttributes(item->label(), labelAttributes(true)).width) + Margin);
        widths.push_back(w);
        fixed += w;
    }
    removeAllToolTips();
    const double share = flexible ? std::max(0.0, bounds().width() - fixed) / flexible : 0;
    double x = Margin;
    for (std::size_t i = 0; i < items.size(); ++i) {
        const ToolbarItem& item = *items[i];
        const double w = item.itemIdentifier() == ToolbarFlexibleSpaceItemIdentifier ? share : widths[i];
        const Rect slot = MakeRect(x, 0, w, Toolbar::Height);
        slots_.push_back(slot);
        x += w;
        // The index travels as the user data; the text is read when the tip shows.
        addToolTipRectOwnerUserData(slot, this, reinterpret_cast<void*>(i));
        if (const Ref<View> v = item.view()) {
            // The view keeps its height and sits in the middle of its slot.
            const Size s = v->frame().size;
            v->setFrame(MakeRect(slot.minX(), std::floor((Toolbar::Height - s.height) / 2), w, s.height));
            if (v->superview().get() != this)
                addSubview(v.get());
        }
    }
}

QString ToolbarView::viewStringForToolTipPointUserData(View*, std::int64_t, Point, void* userData)
{
    const Ref<Toolbar> toolbar = toolbar_.lock();
    const auto index = reinterpret_cast<std::size_t>(userData);
    if (!toolbar || index >= toolbar->items_.size() || toolbar->items_[index]->toolTip().isEmpty())
        return QString();
    return toolbar->items_[index]->toolTip();
}

Rect ToolbarView::rectOfItemAtIndex(std::size_t index) const { return index < slots_.size() ? slots_[index] : ZeroRect; }

Rect ToolbarView::rectOfItem(const ToolbarItem* item) const
{
    const Ref<Toolbar> toolbar = toolbar_.lock();
    if (!toolbar)
        return ZeroRect;
    const auto& items = toolbar->items_;
    const auto at = std::find_if(items.begin(), items.end(), [item](const Ref<ToolbarItem>& i) { return i.get() == item; });
    return at == items.end() ? ZeroRect : rectOfItemAtIndex(std::size_t(at - items.begin()));
}

std::ptrdiff_t ToolbarView::buttonIndexAtPoint(Point p) const
{
    const Ref<Toolbar> toolbar = toolbar_.lock();
    if (!toolbar)
        return -1;
    for (std::size_t i = 0; i < slots_.size() && i < toolbar->items_.size(); ++i)
        if (isButton(*toolbar->items_[i]) && mouseInRect(p, slots_[i]))
            return std::ptrdiff_t(i);
    return -1;
}

void ToolbarView::drawRect(Rect dirtyRect)
{
    // Opaque: a content view taller than its place must not show through the strip.
    Color::windowBackgroundColor()->setFill();
    RectFill(dirtyRect);
    const Ref<Toolbar> toolbar = toolbar_.lock();
    if (!toolbar)
        return;
    const std::vector<Ref<ToolbarItem>> items = toolbar->items_;
    for (std::size_t i = 0; i < items.size() && i < slots_.size(); ++i) {
        const ToolbarItem& item = *items[i];
        const Rect slot = slots_[i];
        if (!needsToDrawRect(slot))
            continue;
        if (item.itemIdentifier() == ToolbarSeparatorItemIdentifier) {
            Color::grayColor()->setStroke();
            BezierPath::strokeLineFromPointToPoint(MakePoint(slot.midX(), 8), MakePoint(slot.midX(), slot.maxY() - 8));
            continue;
        }
        if (!isButton(item))
            continue;
        const bool selected = !item.itemIdentifier().isEmpty() && item.itemIdentifier() == toolbar->selectedItemIdentifier();
        if (selected || pressed_ == std::ptrdiff_t(i)) {
            Color::colorWithCalibratedWhiteAlpha(0, pressed_ == std::ptrdiff_t(i) ? 0.22 : 0.12)->setFill();
            BezierPath::bezierPathWithRoundedRectXRadiusYRadius(MakeRect(slot.minX() + 1, 1, slot.width() - 2, slot.height() - 2), 4, 4)
                ->fill();
        }
        if (const Ref<Image> image = item.image())
            image->drawInRectFromRectOperationFractionRespectFlippedHints(
                MakeRect(std::floor(slot.midX() - ImageSide / 2), ImageTop, ImageSide, ImageSide), ZeroRect, CompositeSourceOver,
                item.isEnabled() ? 1.0 : 0.5, true);
        const StringAttributes attributes = labelAttributes(item.isEnabled());
        const double w = StringDrawing::sizeWithAttributes(item.label(), attributes).width;
        StringDrawing::drawAtPointWithAttributes(item.label(), MakePoint(std::floor(slot.midX() - w / 2), LabelTop), attributes);
    }
    if (const Ref<ToolbarItem> current = currentItem(); current && showsKeyboardFocusRing()) {
        const Rect slot = rectOfItem(current.get());
        DrawFocusRingAroundRoundedRect(MakeRect(slot.minX() + 3, 3, slot.width() - 6, slot.height() - 6), 4, 4);
    }
    if (toolbar->showsBaselineSeparator()) {
        Color::grayColor()->setStroke();
        BezierPath::strokeLineFromPointToPoint(MakePoint(0, bounds().maxY() - 0.5), MakePoint(bounds().maxX(), bounds().maxY() - 0.5));
    }
}

void ToolbarView::mouseDown(const Event& event)
{
    const Ref<Toolbar> toolbar = toolbar_.lock();
    const std::ptrdiff_t index = buttonIndexAtPoint(convertPointFromView(event.locationInWindow(), nullptr));
    if (!toolbar || index < 0 || !toolbar->items_[std::size_t(index)]->isEnabled()) {
        View::mouseDown(event);
        return;
    }
    const Ref<ToolbarItem> item = toolbar->items_[std::size_t(index)];
    const Rect slot = slots_[std::size_t(index)];
    const Ref<Window> w = window();
    bool inside = true;
    pressed_ = index;
    setNeedsDisplayInRect(slot);
    while (w) {
        const Ref<Event> e = w->nextEventMatchingMaskUntilDateInModeDequeue(
            LeftMouseUpMask | LeftMouseDraggedMask, Date::distantFuture(), EventTrackingRunLoopMode, true);
        if (!e) {
            inside = false;
            break;
        }
        inside = mouseInRect(convertPointFromView(e->locationInWindow(), nullptr), slot);
        pressed_ = inside ? index : -1;
        setNeedsDisplayInRect(slot);
        if (e->type() == LeftMouseUp)
            break;
    }
    pressed_ = -1;
    setNeedsDisplayInRect(slot);
    if (inside)
        pressItem(item.get());
}

void ToolbarView::pressItem(ToolbarItem* item)
{
    const Ref<Toolbar> toolbar = toolbar_.lock();
    if (!toolbar || !item || !item->isEnabled() || item->toolbar() != toolbar)
        return;
    const Ref<ToolbarItem> keep(item);
    if (toolbar->isSelectable(item->itemIdentifier()))
        toolbar->setSelectedItemIdentifier(item->itemIdentifier());
    item->sendAction();
}

// The keyboard ----------------------------------------------------------------------------------

std::vector<Ref<ToolbarItem>> ToolbarView::buttons() const
{
    std::vector<Ref<ToolbarItem>> out;
    if (const Ref<Toolbar> toolbar = toolbar_.lock())
        for (const Ref<ToolbarItem>& item : toolbar->items_)
            if (isButton(*item))
                out.push_back(item);
    return out;
}

Ref<ToolbarItem> ToolbarView::currentItem() const
{
    const std::vector<Ref<ToolbarItem>> all = buttons();
    if (const Ref<ToolbarItem> chosen = current_.lock(); chosen && std::find(all.begin(), all.end(), chosen) != all.end())
        return chosen;
    return all.empty() ? nullptr : all.front();
}

bool ToolbarView::hasKeyboardFocus() const
{
    const Ref<Window> w = window();
    return w && w->firstResponder().get() == this;
}

bool ToolbarView::acceptsFirstResponder() const
{
    if (buttons().empty())
        return false;
    const Ref<Event> event = Application::sharedApplication()->currentEvent();
    const bool press = event && (event->type() == LeftMouseDown || event->type() == RightMouseDown || event->type() == OtherMouseDown);
    return !press;
}

bool ToolbarView::becomeFirstResponder()
{
    // Tabbed into, the focus starts on the selected item; asked for an item, it stays there.
    const Ref<Window> w = window();
    const Ref<Toolbar> toolbar = toolbar_.lock();
    if (w && toolbar && w->keyViewSelectionDirection() != DirectSelection)
        for (const Ref<ToolbarItem>& b : buttons())
            if (b->itemIdentifier() == toolbar->selectedItemIdentifier())
                current_ = b;
    invalidateCurrent();
    return true;
}

bool ToolbarView::resignFirstResponder()
{
    invalidateCurrent();
    return true;
}

void ToolbarView::invalidateCurrent()
{
    if (const Ref<ToolbarItem> current = currentItem())
        setNeedsDisplayInRect(rectOfItem(current.get()));
}

void ToolbarView::focusItem(ToolbarItem* item)
{
    invalidateCurrent();
    current_ = item;
    invalidateCurrent();
    if (const Ref<Window> w = window(); w && w->firstResponder().get() != this)
        w->makeFirstResponder(this);
    else
        accessibilityFocusedUIElementChanged();
}

void ToolbarView::moveCurrent(int step)
{
    const std::vector<Ref<ToolbarItem>> all = buttons();
    const auto at = std::find(all.begin(), all.end(), currentItem());
    if (at == all.end())
        return;
    const std::ptrdiff_t index = std::clamp<std::ptrdiff_t>((at - all.begin()) + step, 0, std::ptrdiff_t(all.size()) - 1);
    if (all[std::size_t(index)] != *at)
        focusItem(all[std::size_t(index)].get());
}

void ToolbarView::keyDown(const Event& event)
{
    // Keys an item's view passed up go on to the window.
    if (!hasKeyboardFocus() || (event.modifierFlags() & (CommandKeyMask | ControlKeyMask | AlternateKeyMask))) {
        View::keyDown(event);
        return;
    }
    switch (event.keyCode()) {
    case KeyCodeLeftArrow:
        return moveCurrent(-1);
    case KeyCodeRightArrow:
        return moveCurrent(1);
    case KeyCodeHome:
        return moveCurrent(-int(buttons().size()));
    case KeyCodeEnd:
        return moveCurrent(int(buttons().size()));
    case KeyCodeSpace:
    case KeyCodeReturn:
    case KeyCodeKeypadEnter:
        return pressItem(currentItem().get());
    default:
        View::keyDown(event);
    }
}

std::vector<Ref<View>> ToolbarView::keyViewsInside() const
{
    std::vector<Ref<View>> found;
    std::vector<Ref<View>> pending;
    if (const Ref<Toolbar> toolbar = toolbar_.lock())
        for (const Ref<ToolbarItem>& item : toolbar->items_)
            if (const Ref<View> v = item->view(); v && v->superview().get() == this)
                pending.push_back(v);
    // Depth first, in item order.
    std::reverse(pending.begin(), pending.end());
    while (!pending.empty()) {
        const Ref<View> v = pending.back();
        pending.pop_back();
        if (v->canBecomeKeyView()) {
            found.push_back(v);
            continue;
        }
        const auto& subs = v->subviews();
        pending.insert(pending.end(), subs.rbegin(), subs.rend());
    }
    return found;
}

// Accessibility ---------------------------------------------------------------------------------

QStringList ToolbarView::accessibilityAttributeNames() const
{
    QStringList names = ViewAccessibilityAttributeNames();
    names << AccessibilityTitleAttribute;
    return names;
}

Value ToolbarView::accessibilityAttributeValue(const QString& attribute) const
{
    if (attribute == AccessibilityRoleAttribute)
        return Value(AccessibilityGroupRole);
    if (attribute == AccessibilityRoleDescriptionAttribute)
        return Value(AccessibilityRoleDescription(AccessibilityGroupRole));
    if (attribute == AccessibilityTitleAttribute)
        return Value(QStringLiteral("Toolbar"));
    if (attribute == AccessibilityChildrenAttribute) {
        Array elements;
        if (const Ref<Toolbar> toolbar = toolbar_.lock())
            for (const Ref<ToolbarItem>& item : toolbar->items_) {
                if (isButton(*item))
                    elements.addObject(Value(Ref<Object>(item)));
                else if (const Ref<View> v = item->view(); v && v->superview().get() == this)
                    elements.addObjectsFromArray(AccessibilityUnignoredChildren(Array { Value(v) }));
            }
        return Value(elements);
    }
    // The current button reads focused instead of the strip.
    if (attribute == AccessibilityFocusedAttribute)
        return Value(ViewAccessibilityAttributeValue(*this, attribute).boolValue() && !currentItem());
    return ViewAccessibilityAttributeValue(*this, attribute);
}

Value ToolbarView::accessibilityHitTest(Point point) const
{
    const Value children = accessibilityAttributeValue(AccessibilityChildrenAttribute);
    for (const Value& element : children.array())
        if (AccessibilityElementContainsPoint(element, point))
            return AccessibilityHitTest(element, point);
    return self();
}

Value ToolbarView::accessibilityFocusedUIElement() const
{
    const Ref<ToolbarItem> current = currentItem();
    return current ? Value(Ref<Object>(current)) : self();
}

} // namespace kit
