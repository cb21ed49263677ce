#include "kit/controls/PopUpButtonCell.h"

#include "kit/appkit/View.h"
#include "kit/appkit/Window.h"
#include "kit/controls/CellDrawing.h"
#include "kit/controls/Control.h"
#include "kit/controls/PopUpButton.h"

#include <QApplication>
#include <QStyle>
#include <QStyleOptionComboBox>

#include <cmath>

namespace kit {

KIT_REGISTER_CLASS(PopUpButtonCell, ButtonCell) { c.copyable(); }

namespace {

constexpr double PopUpImageTitleGap = 4;
constexpr double ArrowWidth = 12;


} // namespace

PopUpButtonCell::PopUpButtonCell()
    : PopUpButtonCell(QString(), false)
{ }

PopUpButtonCell::PopUpButtonCell(const QString& title, bool pullsDown)
    : ButtonCell(QString())
{
    p_.pullsDown = pullsDown;
    p_.menu = make<Menu>();
    p_.menu->setPopUpOwner(this);
    setAlignment(LeftTextAlignment);
    // A title wider than the button ends in "…" rather than being cut off.
    setLineBreakMode(LineBreakByTruncatingTail);
    setImagePosition(ImageLeft);
    if (!title.isEmpty())
        setTitle(title);
}

void PopUpButtonCell::copyTo(Object& copy) const
{
    ButtonCell::copyTo(copy);
    auto& c = static_cast<PopUpButtonCell&>(copy);
    c.p_ = p_;
    // Selecting in a copy must not move the original's check marks: the copy gets its own items.
    if (p_.menu) {
        c.p_.menu = static_pointer_cast<Menu>(p_.menu->copy());
        c.p_.menu->setPopUpOwner(&c);
        c.p_.selected = c.p_.menu->itemAtIndex(indexOfSelectedItem());
    }
    if (p_.faceItem)
        c.p_.faceItem = static_pointer_cast<MenuItem>(p_.faceItem->copy());
}

void PopUpButtonCell::setPullsDown(bool flag)
{
    p_.pullsDown = flag;
    changed();
}

void PopUpButtonCell::setMenu(Ref<Menu> menu)
{
    if (p_.menu && p_.menu->popUpOwner().get() == this)
        p_.menu->setPopUpOwner(nullptr);
    p_.menu = std::move(menu);
    if (p_.menu)
        p_.menu->setPopUpOwner(this);
    p_.selected = nullptr;
    if (!p_.pullsDown && p_.menu && p_.menu->numberOfItems() > 0)
        selectItemAtIndex(0);
    changed();
}

void PopUpButtonCell::setAutoenablesItems(bool flag)
{
    if (p_.menu)
        p_.menu->setAutoenablesItems(flag);
}

const std::vector<Ref<MenuItem>>& PopUpButtonCell::itemArray() const
{
    static const std::vector<Ref<MenuItem>> none;
    return p_.menu ? p_.menu->itemArray() : none;
}

QStringList PopUpButtonCell::itemTitles() const
{
    QStringList titles;
    for (const Ref<MenuItem>& item : itemArray())
        titles << item->title();
    return titles;
}

QString PopUpButtonCell::itemTitleAtIndex(std::int64_t index) const
{
    const Ref<MenuItem> item = itemAtIndex(index);
    return item ? item->title() : QString();
}

std::int64_t PopUpButtonCell::indexOfItemWithRepresentedObject(const Value& object) const
{
    return p_.menu ? p_.menu->indexOfItemWithRepresentedObject(object) : -1;
}

void PopUpButtonCell::addItemWithTitle(const QString& title) { insertItemWithTitleAtIndex(title, numberOfItems()); }

void PopUpButtonCell::addItemsWithTitles(const QStringList& titles)
{
    for (const QString& t : titles)
        addItemWithTitle(t);
}

void PopUpButtonCell::insertItemWithTitleAtIndex(const QString& title, std::int64_t index)
{
    if (!p_.menu)
        setMenu(make<Menu>());
    if (const std::int64_t existing = indexOfItemWithTitle(title); existing >= 0) {
        p_.menu->removeItemAtIndex(existing);
        if (existing < index)
            --index;
    }
    const bool wasEmpty = numberOfItems() == 0;
    p_.menu->insertItemWithTitleActionKeyEquivalentAtIndex(title, {}, {}, std::clamp<std::int64_t>(index, 0, numberOfItems()));
    // A pop-up always shows something once it has items.
    if (wasEmpty && !p_.pullsDown)
        selectItemAtIndex(0);
    changed();
}

void PopUpButtonCell::removeItemWithTitle(const QString& title)
{
    if (const std::int64_t index = indexOfItemWithTitle(title); index >= 0)
        removeItemAtIndex(index);
}

void PopUpButtonCell::removeItemAtIndex(std::int64_t index)
{
    if (!p_.menu || index < 0 || index >= numberOfItems())
        return;
    const bool wasSelected = itemAtIndex(index) == selectedItem();
    p_.menu->removeItemAtIndex(index);
    if (wasSelected) {
        p_.selected = nullptr;
        if (!p_.pullsDown && numberOfItems() > 0)
            selectItemAtIndex(0);
    }
    changed();
}

void PopUpButtonCell::removeAllItems()
{
    if (p_.menu)
        p_.menu->removeAllItems();
    p_.selected = nullptr;
    changed();
}

void PopUpButtonCell::selectItemAtIndex(std::int64_t index)
{
    const Ref<MenuItem> previous = selectedItem();
    const Ref<MenuItem> item = itemAtIndex(index);
    if (p_.altersState && !p_.pullsDown) {
        if (previous && previous != item)
            previous->setState(OffState);
        if (item)
            item->setState(OnState);
    }
    p_.selected = item;
    changed();
    // A reader hears the new choice.
    if (item != previous)
        accessibilityValueChanged();
}

bool PopUpButtonCell::selectItemWithTitle(const QString& title)
{
    const std::int64_t index = indexOfItemWithTitle(title);
    selectItemAtIndex(index);
    return index >= 0;
}

bool PopUpButtonCell::selectItemWithTag(std::int64_t tag)
{
    const std::int64_t index = indexOfItemWithTag(tag);
    selectItemAtIndex(index);
    return index >= 0;
}

Ref<MenuItem> PopUpButtonCell::selectedItem() const
{
    const Ref<MenuItem> item = p_.selected.lock();
    return item && item->menu() == p_.menu ? item : nullptr;
}

std::int64_t PopUpButtonCell::indexOfSelectedItem() const
{
    const Ref<MenuItem> item = selectedItem();
    return item ? indexOfItem(item.get()) : -1;
}

QString PopUpButtonCell::titleOfSelectedItem() const
{
    const Ref<MenuItem> item = selectedItem();
    return item ? item->title() : QString();
}

void PopUpButtonCell::setUsesItemFromMenu(bool flag)
{
    p_.usesItemFromMenu = flag;
    changed();
}

void PopUpButtonCell::setMenuItem(Ref<MenuItem> item)
{
    p_.faceItem = std::move(item);
    changed();
}

void PopUpButtonCell::setArrowPosition(PopUpArrowPosition position)
{
    p_.arrowPosition = position;
    changed();
}

Ref<MenuItem> PopUpButtonCell::faceItem() const
{
    if (!p_.usesItemFromMenu)
        return p_.faceItem;
    return p_.pullsDown ? itemAtIndex(0) : selectedItem();
}

QString PopUpButtonCell::title() const
{
    const Ref<MenuItem> item = faceItem();
    return item ? item->title() : QString();
}

void PopUpButtonCell::setTitle(const QString& title)
{
    if (p_.pullsDown) {
        if (!p_.usesItemFromMenu) {
            if (!p_.faceItem)
                p_.faceItem = make<MenuItem>();
            p_.faceItem->setTitle(title);
        } else if (const Ref<MenuItem> first = itemAtIndex(0)) {
            first->setTitle(title);
        } else {
            if (!p_.menu)
                setMenu(make<Menu>());
            p_.menu->insertItemWithTitleActionKeyEquivalentAtIndex(title, {}, {}, 0);
        }
        changed();
        return;
    }
    std::int64_t index = indexOfItemWithTitle(title);
    if (index < 0) {
        addItemWithTitle(title);
        index = numberOfItems() - 1;
    }
    selectItemAtIndex(index);
}

// Sessions ----------------------------------------------------------------------------------------

void PopUpButtonCell::performClick(Object*)
{
    const Ref<View> view = controlView();
    performClickWithFrameInView(view ? view->bounds() : ZeroRect, view.get());
}

void PopUpButtonCell::performClickWithFrameInView(Rect frame, View* view)
{
    if (!isEnabled() || !p_.menu)
        return;
    const Ref<PopUpButtonCell> keep(this);
    const Ref<View> keepView(view);
    MenuPresentation where;
    where.view = view;
    where.rect = frame;
    where.location = frame.origin;
    where.preferredEdge = p_.preferredEdge;
    where.minimumWidth = frame.width();
    where.font = font();
    const Ref<MenuItem> selected = selectedItem();
    if (p_.pullsDown)
        where.firstShownIndex = 1;
    else
        where.positionedItem = selected.get();
    // Highlighted while the menu is open.
    setHighlighted(true);
    const Ref<MenuItem> chosen = p_.menu->runSession(where, false);
    setHighlighted(false);
    if (chosen)
        choose(chosen);
}

void PopUpButtonCell::choose(const Ref<MenuItem>& item)
{
    const std::int64_t index = indexOfItem(item.get());
    if (index >= 0) {
        selectItemAtIndex(index);
        if (const Ref<PopUpButton> button = dynamic_pointer_cast<PopUpButton>(owningControl()))
            button->userChangedSelection();
    }
    if (!item->action().isNull())
        Menu::sendItemAction(*item);
    else
        sendActionFromCell();
}

// Geometry and drawing ----------------------------------------------------------------------------

bool PopUpButtonCell::drawsArrow() const { return p_.arrowPosition != PopUpNoArrow; }

Size PopUpButtonCell::cellSizeForBounds(Rect) const
{
    // Wide enough for every item, so choosing one never truncates it.
    Size content = TextSize(QString(), font());
    // A face of its own shows too, so it needs room like the items.
    std::vector<Ref<MenuItem>> shown = itemArray();
    if (!p_.usesItemFromMenu && p_.faceItem)
        shown.push_back(p_.faceItem);
    for (const Ref<MenuItem>& item : shown) {
        const Size t = TextSize(item->title(), font());
        const Size i = item->image() ? item->image()->size() : ZeroSize;
        content.width = std::max(content.width, i.width + (i.width > 0 && t.width > 0 ? PopUpImageTitleGap : 0) + t.width);
        content.height = std::max({ content.height, t.height, i.height });
    }
    const double arrow = drawsArrow() ? ArrowWidth : 0;
    if (!isBordered())
        return { content.width + arrow, content.height };
    if (look() == Look::ToolPanel)
        return ToolPanelSizeForContent(controlView().get(), { content.width + arrow, content.height });
    QStyleOptionComboBox option;
    InitStyleOption(option, controlView().get(), QRectF(0, 0, content.width, content.height), isEnabled(), false);
    option.frame = true;
    const QSize s
        = QApplication::style()->sizeFromContents(QStyle::CT_ComboBox, &option, QSize(int(std::ceil(content.width)), int(std::ceil(content.height))));
    // The edit field of a box that size must hold the content.
    option.rect = QRect(QPoint(), s);
    const QRect field = QApplication::style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField);
    return { double(s.width() + std::max(0, int(std::ceil(content.width)) - field.width())),
        double(s.height() + std::max(0, int(std::ceil(content.height)) - field.height())) };
}

Rect PopUpButtonCell::drawingRectForBounds(Rect bounds) const
{
    const View* view = controlView().get();
    const bool flipped = view && view->isFlipped();
    if (!isBordered()) {
        Rect r = bounds;
        if (drawsArrow())
            r.size.width = std::max(0.0, r.width() - ArrowWidth);
        return r;
    }
    if (look() == Look::ToolPanel) {
        Rect r = ToolPanelContentRect(controlView().get(), bounds);
        if (drawsArrow())
            r.size.width = std::max(0.0, r.width() - ArrowWidth);
        return r;
    }
    QStyleOptionComboBox option;
    InitStyleOption(option, controlView().get(), VisualRect(bounds, bounds, flipped), isEnabled(), false);
    option.frame = true;
    return ViewRect(QRectF(QApplication::style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField)), bounds, flipped);
}

Rect PopUpButtonCell::imageRectForBounds(Rect bounds) const
{
    const Ref<MenuItem> item = faceItem();
    if (!item || !item->image())
        return ZeroRect;
    const Rect content = drawingRectForBounds(bounds);
    const Size fit = ImageFitSize(item->image()->size(), content.size, ImageScaleProportionallyDown);
    return MakeRect(content.minX(), content.midY() - fit.height / 2, fit.width, fit.height);
}

Rect PopUpButtonCell::titleRectForBounds(Rect bounds) const
{
    const Rect content = drawingRectForBounds(bounds);
    const Rect image = imageRectForBounds(bounds);
    if (IsEmptyRect(image))
        return content;
    const double x = image.maxX() + PopUpImageTitleGap;
    return MakeRect(x, content.minY(), std::max(0.0, content.maxX() - x), content.height());
}

void PopUpButtonCell::drawBezelWithFrameInView(Rect frame, View* view)
{
    QPainter* painter = View::currentPainter();
    if (!painter)
        return;
    if (look() == Look::ToolPanel) {
        ButtonCell::drawBezelWithFrameInView(frame, view);
        return;
    }
    UprightPainter up(painter, frame, view && view->isFlipped());
    QStyleOptionComboBox option;
    InitStyleOption(option, view, up.map(frame), isEnabled(), focusRingType() != FocusRingTypeNone);
    option.frame = true;
    option.subControls = QStyle::SC_ComboBoxFrame | (drawsArrow() ? QStyle::SC_ComboBoxArrow : QStyle::SC_None);
    if (isHighlighted()) {
        option.state |= QStyle::State_On | QStyle::State_Sunken;
        option.activeSubControls = QStyle::SC_ComboBoxArrow;
    }
    QApplication::style()->drawComplexControl(QStyle::CC_ComboBox, &option, painter);
}

void PopUpButtonCell::drawInteriorWithFrameInView(Rect cellFrame, View* view)
{
    // The combo-box bezel draws its own arrow; plain and tool-panel pop-ups draw it here.
    if (drawsArrow() && (!isBordered() || look() == Look::ToolPanel)) {
        if (QPainter* painter = View::currentPainter()) {
            UprightPainter up(painter, cellFrame, view && view->isFlipped());
            QStyleOption option;
            const Rect box = isBordered() ? ToolPanelContentRect(view, cellFrame) : cellFrame;
            const Rect arrow = MakeRect(box.maxX() - ArrowWidth, box.minY(), ArrowWidth, box.height());
            InitStyleOption(option, view, up.map(arrow), isEnabled(), false);
            QApplication::style()->drawPrimitive(QStyle::PE_IndicatorArrowDown, &option, painter);
        }
    }
    const Rect imageRect = imageRectForBounds(cellFrame);
    if (!IsEmptyRect(imageRect))
        drawImageWithFrameInView(imageRect, view);
    const AttributedString shown = attributedTitle();
    if (shown.length() > 0)
        drawTitleWithFrameInView(shown, titleRectForBounds(cellFrame), view);
}

void PopUpButtonCell::drawImageWithFrameInView(Rect frame, View* view)
{
    const Ref<MenuItem> item = faceItem();
    if (item && item->image())
        ButtonCell::drawImageWithFrameInView(item->image().get(), frame, view);
}

} // namespace kit
