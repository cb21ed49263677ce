#include "JVLAppKit/JVLPreferenceWindowController/JVLPrefPaneIconView.h"

#include "JVLAppKit/JVLPreferenceWindowController/JVLPreferenceWindowController.h"

#include "AppKitExtensions/JVLNSImage_Extension.h"
#include "kit/appkit/Event.h"
#include "kit/appkit/KeyCodes.h"
#include "kit/appkit/Pasteboard.h"
#include "kit/appkit/Window.h"
#include "kit/graphics/BezierPath.h"
#include "kit/graphics/Color.h"
#include "kit/graphics/Font.h"
#include "kit/graphics/GraphicsContext.h"

#include <algorithm>
#include <cmath>

using namespace kit;

KIT_REGISTER_CLASS(JVLPrefPaneIconView, kit::View)
{
    c.bundle("JVLAppKit");
    c.property("columns", &JVLPrefPaneIconView::columns, &JVLPrefPaneIconView::setColumns);
    c.property("sortByCategory", &JVLPrefPaneIconView::sortByCategory, &JVLPrefPaneIconView::setSortByCategory);
    c.optionalOperations({ "draggingSourceOperationMaskForLocal", "ignoreModifierKeysWhileDragging" });
}

JVLPrefPaneIconView::JVLPrefPaneIconView()
    : JVLPrefPaneIconView(nullptr, {}, 7)
{ }

JVLPrefPaneIconView::JVLPrefPaneIconView(JVLPreferenceWindowController* controller, const IconList& icons, int columns)
    : View(Rect {})
    , prefsController_(controller)
    , icons_(icons)
    , columns_(std::max(1, columns))
{
    labelAttributes_.font = Font::systemFontOfSize(Font::smallSystemFontSize());
    captionAttributes_.font = Font::boldSystemFontOfSize(Font::systemFontSize());
}

Ref<JVLPreferenceWindowController> JVLPrefPaneIconView::prefsController() const { return prefsController_.lock(); }

void JVLPrefPaneIconView::setPrefsController(JVLPreferenceWindowController* controller) { prefsController_ = controller; }

void JVLPrefPaneIconView::setIcons(const IconList& icons)
{
    icons_ = icons;
    markChanged();
}

void JVLPrefPaneIconView::addIcon(JVLPrefPaneIcon* icon)
{
    icons_.emplace_back(icon);
    markChanged();
}

void JVLPrefPaneIconView::removeAllIcons()
{
    icons_.clear();
    markChanged();
}

void JVLPrefPaneIconView::setColumns(int columns)
{
    columns = std::max(1, columns);
    if (columns == columns_)
        return;
    columns_ = columns;
    markChanged();
}

void JVLPrefPaneIconView::setSortByCategory(bool flag)
{
    if (flag == sortByCategory_)
        return;
    sortByCategory_ = flag;
    markChanged();
}

void JVLPrefPaneIconView::setCategorySortOrder(const QStringList& order)
{
    categorySortOrder_ = order;
    hasCategorySortOrder_ = !order.isEmpty();
    markChanged();
}

void JVLPrefPaneIconView::rebuildIfNeeded() const
{
    if (dataChanged_)
        const_cast<JVLPrefPaneIconView*>(this)->rebuild();
}

Rect JVLPrefPaneIconView::frame() const
{
    rebuildIfNeeded();
    return View::frame();
}

Rect JVLPrefPaneIconView::bounds() const
{
    rebuildIfNeeded();
    return View::bounds();
}

void JVLPrefPaneIconView::rebuild()
{
    dataChanged_ = false;
    iconListList_.clear();
    // The elements of icons that went go with them.
    std::erase_if(accessibilityElements_,
        [&](const auto& entry) { return std::none_of(icons_.begin(), icons_.end(), [&](const auto& i) { return i.get() == entry.first; }); });
    const auto byTitle = [](const Ref<JVLPrefPaneIcon>& a, const Ref<JVLPrefPaneIcon>& b) { return a->caseInsensitiveCompare(*b) < 0; };
    if (!sortByCategory_) {
        IconList all = icons_;
        std::stable_sort(all.begin(), all.end(), byTitle);
        iconListList_.push_back(std::move(all));
    } else {
        // Groups in order of their first icon; a null category is a key of its own.
        std::vector<QString> keys;
        for (const Ref<JVLPrefPaneIcon>& icon : icons_) {
            const QString key = icon->category();
            std::size_t g = 0;
            while (g < keys.size() && !(keys[g].isNull() == key.isNull() && keys[g] == key))
                ++g;
            if (g == keys.size()) {
                keys.push_back(key);
                iconListList_.emplace_back();
            }
            iconListList_[g].push_back(icon);
        }
        for (IconList& group : iconListList_)
            std::stable_sort(group.begin(), group.end(), byTitle);
        sortCategories();
    }
    calculateGeometry();
}

void JVLPrefPaneIconView::sortCategories()
{
    if (!hasCategorySortOrder_) {
        const Ref<JVLPreferenceWindowController> controller = prefsController();
        const auto displayName = [&](const IconList& group) {
            if (group.empty())
                return QString();
            return controller ? controller->categoryDisplayNameForIdentifier(group.front()->itemIdentifier()) : group.front()->category();
        };
        std::stable_sort(iconListList_.begin(), iconListList_.end(),
            [&](const IconList& a, const IconList& b) { return QString::compare(displayName(a), displayName(b), Qt::CaseInsensitive) < 0; });
        return;
    }
    std::vector<IconList> ordered;
    std::vector<bool> taken(iconListList_.size(), false);
    for (const QString& name : categorySortOrder_) {
        for (std::size_t g = 0; g < iconListList_.size(); ++g) {
            if (!taken[g] && !iconListList_[g].empty() && iconListList_[g].front()->category() == name) {
                taken[g] = true;
                ordered.push_back(iconListList_[g]);
                break;
            }
        }
    }
    for (std::size_t g = 0; g < iconListList_.size(); ++g)
        if (!taken[g])
            ordered.push_back(iconListList_[g]);
    iconListList_ = std::move(ordered);
}

void JVLPrefPaneIconView::calculateGeometry()
{
    horizontalPadding_ = 12;
    iconSpacing_ = 32;
    for (const IconList& group : iconListList_) {
        double previousWidth = 0;
        int column = 0;
        for (const Ref<JVLPrefPaneIcon>& icon : group) {
            column = column % columns_ + 1;
            const Size size = StringDrawing::sizeWithAttributes(icon->title(), labelAttributes_);
            const double cellWidth = std::ceil(std::max(size.width, 32.0));
            iconHeight_ = std::max(iconHeight_, size.height + 32 + 14);
            if (column >= 2)
                iconSpacing_ = std::max(iconSpacing_, (previousWidth + cellWidth) / 2);
            else
                horizontalPadding_ = std::max(horizontalPadding_, (size.width - iconSpacing_) / 2 + 12);
            previousWidth = cellWidth;
        }
    }
    iconSpacing_ += 4;
    const double width = std::ceil(columns_ * iconSpacing_ + horizontalPadding_);
    captionHeight_ = sortByCategory_ ? std::ceil(1.2 * Font::systemFontSize()) : 0;
    // The bottom of the last group's frame, so that no row is cut off.
    double height = 0;
    if (!iconListList_.empty()) {
        const Rect last = frameForCategoryWithIndex(int(iconListList_.size()) - 1);
        height = last.origin.y + last.size.height;
    }
    setFrame(MakeRect(0, 0, width, height));
}

int JVLPrefPaneIconView::rowsOfGroup(int group) const
{
    const IconList& icons = iconListList_[std::size_t(group)];
    return icons.empty() ? 1 : int((icons.size() - 1) / std::size_t(columns_)) + 1;
}

Rect JVLPrefPaneIconView::frameForCategoryWithIndex(int group)
{
    double y = 0;
    for (int g = 0; g < group; ++g)
        y += rowsOfGroup(g) * iconHeight_;
    y += group * (captionHeight_ + 9);
    double height = rowsOfGroup(group) * iconHeight_ + captionHeight_ + 9;
    // The first group is 2 taller, later groups start 2 lower, and the last is 6 taller.
    if (group == 0)
        height += 2;
    else
        y += 2;
    if (group == int(iconListList_.size()) - 1)
        height += 6;
    return MakeRect(0, y, View::frame().size.width, height);
}

Point JVLPrefPaneIconView::positionForIconInCategoryWithIndexAtIndex(int group, int index)
{
    const Rect f = frameForCategoryWithIndex(group);
    const int column = index % columns_;
    const int row = index / columns_;
    const double centre = f.origin.x + (horizontalPadding_ + iconSpacing_) / 2 + column * iconSpacing_;
    // Where the icon is drawn: one place for drawing, hit-testing and dragging.
    const double top = f.origin.y + captionHeight_ + (group == 0 ? 16 : 14) + row * iconHeight_;
    return MakePoint(centre, top);
}

Rect JVLPrefPaneIconView::imageFrameForIconInCategoryWithIndexAtIndex(int group, int index)
{
    const Point p = positionForIconInCategoryWithIndexAtIndex(group, index);
    return MakeRect(p.x - 16, p.y, 32, 32);
}

Rect JVLPrefPaneIconView::labelFrameForIconInCategoryWithIndexAtIndex(int group, int index)
{
    const Point p = positionForIconInCategoryWithIndexAtIndex(group, index);
    const Size size = StringDrawing::sizeWithAttributes(iconListList_[std::size_t(group)][std::size_t(index)]->title(), labelAttributes_);
    return MakeRect(p.x - size.width / 2, p.y + 33, size.width, size.height);
}

Ref<JVLPrefPaneIcon> JVLPrefPaneIconView::iconAtCategoryIndexIconIndex(Point point, int* group, int* index)
{
    rebuildIfNeeded();
    for (int g = 0; g < int(iconListList_.size()); ++g) {
        if (!PointInRect(point, frameForCategoryWithIndex(g)))
            continue;
        const IconList& icons = iconListList_[std::size_t(g)];
        for (int i = 0; i < int(icons.size()); ++i) {
            if (PointInRect(point, imageFrameForIconInCategoryWithIndexAtIndex(g, i))
                || PointInRect(point, labelFrameForIconInCategoryWithIndexAtIndex(g, i))) {
                if (group)
                    *group = g;
                if (index)
                    *index = i;
                return icons[std::size_t(i)];
            }
        }
        return nullptr; // later groups are not tried
    }
    return nullptr;
}

void JVLPrefPaneIconView::drawRect(Rect)
{
    rebuildIfNeeded();
    for (int g = 0; g < int(iconListList_.size()); ++g) {
        drawBackgroundForCategoryWithIndex(g);
        const IconList& icons = iconListList_[std::size_t(g)];
        for (int i = 0; i < int(icons.size()); ++i)
            drawIconAtPositionHighlighted(icons[std::size_t(i)].get(), positionForIconInCategoryWithIndexAtIndex(g, i),
                icons[std::size_t(i)] == selectedIcon_, g);
    }
    // The ring shows where the keys act, not where a click went.
    if (const Ref<JVLPrefPaneIcon> current = currentIcon(); current && showsKeyboardFocusRing())
        DrawFocusRingAroundRoundedRect(InsetRect(drawnFrameOfIcon(current.get()), -3, -2), 4, 4);
}

void JVLPrefPaneIconView::drawBackgroundForCategoryWithIndex(int group)
{
    const Rect f = frameForCategoryWithIndex(group);
    if (group % 2 == 1) {
        Color::colorWithCalibratedWhiteAlpha(0.97, 0.99)->setFill();
        RectFillUsingOperation(f, CompositePlusDarker);
    }
    if (!sortByCategory_)
        return;
    if (group >= 1) {
        Color::colorWithCalibratedWhiteAlpha(0.84, 1.0)->setFill();
        RectFill(MakeRect(f.origin.x, f.origin.y, f.size.width, 1));
    }
    const IconList& icons = iconListList_[std::size_t(group)];
    if (icons.empty())
        return;
    const Ref<JVLPreferenceWindowController> controller = prefsController();
    const QString caption = controller ? controller->categoryDisplayNameForIdentifier(icons.front()->itemIdentifier()) : icons.front()->category();
    StringDrawing::drawAtPointWithAttributes(caption, MakePoint(12, f.origin.y + (group == 0 ? 5 : 3)), captionAttributes_);
}

void JVLPrefPaneIconView::drawIconAtPositionHighlighted(JVLPrefPaneIcon* icon, Point position, bool highlighted, int)
{
    if (Ref<Image> image = icon->image()) {
        if (highlighted)
            if (Ref<Image> dark = JVLNSImage_Extension::darkenedImageWithColor(*image, *Color::colorWithCalibratedWhiteAlpha(0.7, 1.0)))
                image = dark;
        // Kit images draw upright in a flipped view.
        image->drawInRectFromRectOperationFraction(MakeRect(position.x - 16, position.y, 32, 32), ZeroRect, CompositeSourceAtop, 1.0);
    }
    const Size size = StringDrawing::sizeWithAttributes(icon->title(), labelAttributes_);
    StringDrawing::drawInRectWithAttributes(
        icon->title(), MakeRect(position.x - size.width / 2, position.y + 33, size.width, size.height), labelAttributes_);
}

void JVLPrefPaneIconView::mouseDown(const Event& event)
{
    mouseDownPoint_ = convertPointFromView(event.locationInWindow(), nullptr);
    int g = -1;
    int i = -1;
    if (Ref<JVLPrefPaneIcon> hit = iconAtCategoryIndexIconIndex(mouseDownPoint_, &g, &i)) {
        selectedIconCategory_ = g;
        selectedIconIndex_ = i;
        selectedIcon_ = hit;
        makeIconCurrent(hit.get());
        setNeedsDisplay(true);
    }
}

void JVLPrefPaneIconView::mouseUp(const Event& event)
{
    const Point p = convertPointFromView(event.locationInWindow(), nullptr);
    const Ref<JVLPrefPaneIcon> hit = iconAtCategoryIndexIconIndex(p);
    const Ref<JVLPrefPaneIcon> pressed = std::exchange(selectedIcon_, nullptr);
    setNeedsDisplay(true);
    if (hit && hit == pressed)
        openIcon(hit.get());
}

void JVLPrefPaneIconView::openIcon(JVLPrefPaneIcon* icon)
{
    if (!icon)
        return;
    const Ref<JVLPrefPaneIcon> keep(icon);
    if (const Ref<Object> target = icon->target(); target && !icon->selector().isNull())
        target->performSelectorWithObject(icon->selector(), Value(Ref<Object>(keep)));
}

// -- The keyboard

JVLPrefPaneIconView::IconList JVLPrefPaneIconView::shownIcons() const
{
    rebuildIfNeeded();
    IconList all;
    for (const IconList& group : iconListList_)
        all.insert(all.end(), group.begin(), group.end());
    return all;
}

bool JVLPrefPaneIconView::placeOfIcon(const JVLPrefPaneIcon* icon, int* group, int* index) const
{
    rebuildIfNeeded();
    for (std::size_t g = 0; g < iconListList_.size(); ++g)
        for (std::size_t i = 0; i < iconListList_[g].size(); ++i)
            if (iconListList_[g][i].get() == icon) {
                *group = int(g);
                *index = int(i);
                return true;
            }
    return false;
}

Rect JVLPrefPaneIconView::drawnFrameOfIcon(const JVLPrefPaneIcon* icon)
{
    int g = 0;
    int i = 0;
    if (!placeOfIcon(icon, &g, &i))
        return ZeroRect;
    return UnionRect(imageFrameForIconInCategoryWithIndexAtIndex(g, i), labelFrameForIconInCategoryWithIndexAtIndex(g, i));
}

Ref<JVLPrefPaneIcon> JVLPrefPaneIconView::currentIcon() const
{
    const IconList all = shownIcons();
    if (const Ref<JVLPrefPaneIcon> chosen = currentIcon_.lock(); chosen && std::find(all.begin(), all.end(), chosen) != all.end())
        return chosen;
    return all.empty() ? nullptr : all.front();
}

bool JVLPrefPaneIconView::hasKeyboardFocus() const
{
    const Ref<Window> w = window();
    return w && w->firstResponder().get() == this;
}

void JVLPrefPaneIconView::makeIconCurrent(JVLPrefPaneIcon* icon)
{
    const Ref<JVLPrefPaneIcon> before = currentIcon();
    if (!icon || icon == before.get())
        return;
    currentIcon_ = icon;
    setNeedsDisplay(true);
    for (const JVLPrefPaneIcon* changed : { static_cast<const JVLPrefPaneIcon*>(before.get()), static_cast<const JVLPrefPaneIcon*>(icon) })
        if (auto* element = dynamic_cast<Accessibility*>(accessibilityElementForIcon(changed).object().get()))
            element->accessibilitySelectionChanged();
    accessibilitySelectionChanged();
    accessibilityFocusedUIElementChanged();
}

void JVLPrefPaneIconView::focusIcon(JVLPrefPaneIcon* icon)
{
    makeIconCurrent(icon);
    if (const Ref<Window> w = window(); w && w->firstResponder().get() != this)
        w->makeFirstResponder(this);
}

Ref<JVLPrefPaneIcon> JVLPrefPaneIconView::iconForKey(std::uint16_t keyCode) const
{
    const Ref<JVLPrefPaneIcon> current = currentIcon();
    int g = 0;
    int i = 0;
    if (!current || !placeOfIcon(current.get(), &g, &i))
        return nullptr;
    const IconList all = shownIcons();
    const auto flat = std::ptrdiff_t(std::find(all.begin(), all.end(), current) - all.begin());
    const auto at = [&](int group, int index) { return iconListList_[std::size_t(group)][std::size_t(index)]; };
    const auto size = [&](int group) { return int(iconListList_[std::size_t(group)].size()); };
    // The nearest group before (step -1) or after (+1) that shows icons, or -1.
    const auto groupFrom = [&](int step) {
        for (int k = g + step; k >= 0 && k < int(iconListList_.size()); k += step)
            if (size(k) > 0)
                return k;
        return -1;
    };
    const int column = i % columns_;
    switch (keyCode) {
    case KeyCodeLeftArrow:
        return flat > 0 ? all[std::size_t(flat - 1)] : nullptr;
    case KeyCodeRightArrow:
        return flat + 1 < std::ptrdiff_t(all.size()) ? all[std::size_t(flat + 1)] : nullptr;
    case KeyCodeHome:
        return all.front();
    case KeyCodeEnd:
        return all.back();
    case KeyCodeUpArrow: {
        if (i >= columns_)
            return at(g, i - columns_);
        // Into the last row of the group above, in the same column or its last icon.
        const int k = groupFrom(-1);
        return k < 0 ? nullptr : at(k, std::min((size(k) - 1) / columns_ * columns_ + column, size(k) - 1));
    }
    case KeyCodeDownArrow: {
        if (i + columns_ < size(g))
            return at(g, i + columns_);
        // A shorter last row below: its last icon.
        if (i / columns_ < (size(g) - 1) / columns_)
            return at(g, size(g) - 1);
        const int k = groupFrom(1);
        return k < 0 ? nullptr : at(k, std::min(column, size(k) - 1));
    }
    default:
        return nullptr;
    }
}

void JVLPrefPaneIconView::keyDown(const Event& event)
{
    if (event.modifierFlags() & (CommandKeyMask | ControlKeyMask | AlternateKeyMask)) {
        View::keyDown(event);
        return;
    }
    const Ref<JVLPrefPaneIconView> keep(this);
    switch (event.keyCode()) {
    case KeyCodeReturn:
    case KeyCodeKeypadEnter:
    case KeyCodeSpace:
        openIcon(currentIcon().get());
        return;
    case KeyCodeLeftArrow:
    case KeyCodeRightArrow:
    case KeyCodeUpArrow:
    case KeyCodeDownArrow:
    case KeyCodeHome:
    case KeyCodeEnd:
        // At an end the key moves nothing.
        makeIconCurrent(iconForKey(event.keyCode()).get());
        return;
    default:
        View::keyDown(event);
    }
}

bool JVLPrefPaneIconView::becomeFirstResponder()
{
    setNeedsDisplay(true);
    return true;
}

bool JVLPrefPaneIconView::resignFirstResponder()
{
    setNeedsDisplay(true);
    return true;
}

Ref<Image> JVLPrefPaneIconView::dragImageForSelectedIcon(Size* size)
{
    const Rect imageFrame = imageFrameForIconInCategoryWithIndexAtIndex(selectedIconCategory_, selectedIconIndex_);
    const Rect labelFrame = labelFrameForIconInCategoryWithIndexAtIndex(selectedIconCategory_, selectedIconIndex_);
    const double w = std::max(labelFrame.size.width, imageFrame.size.width);
    const double h = imageFrame.size.height + labelFrame.size.height + 1;
    auto label = make<Image>(labelFrame.size);
    label->lockFocus();
    StringDrawing::drawAtPointWithAttributes(selectedIcon_->title(), MakePoint(0, 0), labelAttributes_);
    label->unlockFocus();
    auto drag = make<Image>(MakeSize(w, h));
    drag->lockFocus();
    label->drawInRectFromRectOperationFraction(MakeRect(0, 0, labelFrame.size.width, labelFrame.size.height), ZeroRect, CompositeSourceOver, 0.7);
    if (const Ref<Image> image = selectedIcon_->image())
        image->drawInRectFromRectOperationFraction(MakeRect((w - 32) / 2, labelFrame.size.height + 1, 32, 32), ZeroRect, CompositeSourceOver, 0.7);
    drag->unlockFocus();
    *size = MakeSize(w, h);
    return drag;
}

void JVLPrefPaneIconView::mouseDragged(const Event& event)
{
    if (!selectedIcon_)
        return;
    Size size;
    const Ref<Image> image = dragImageForSelectedIcon(&size);
    const Ref<Pasteboard> pasteboard = Pasteboard::pasteboardWithName(DragPboard);
    // The identifier's type is declared too: writes of undeclared types are refused.
    pasteboard->declareTypesOwner({ JVLToolbarIndividualItemDragType, JVLToolbarItemIdentifierPboardType }, nullptr);
    pasteboard->setStringForType(selectedIcon_->itemIdentifier(), JVLToolbarItemIdentifierPboardType);
    const Point top = positionForIconInCategoryWithIndexAtIndex(selectedIconCategory_, selectedIconIndex_);
    selectedIcon_ = nullptr;
    setNeedsDisplay(true);
    displayIfNeeded();
    const Point current = convertPointFromView(event.locationInWindow(), nullptr);
    // The image's bottom-left corner in this flipped view.
    const Point at = MakePoint(top.x - size.width / 2, top.y + size.height);
    dragImageAtOffsetEventPasteboardSourceSlideBack(image.get(), at,
        MakeSize(current.x - mouseDownPoint_.x, current.y - mouseDownPoint_.y), event, pasteboard.get(), this, true);
}

std::uint64_t JVLPrefPaneIconView::draggingSourceOperationMaskForLocal(bool local) { return local ? DragOperationEvery : DragOperationNone; }
