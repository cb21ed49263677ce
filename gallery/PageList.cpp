#include "gallery/PageList.h"

#include "kit/appkit/AccessibilityBridge.h"
#include "kit/appkit/Event.h"
#include "kit/appkit/KeyCodes.h"
#include "kit/appkit/Window.h"

#include <QApplication>
#include <QPainter>
#include <QPalette>

#include <algorithm>

namespace {

// Where the page sits: flipped, so that a page taller than the room shows its top first.
class PageContainer : public kit::View {
public:
    using View::View;
    bool isFlipped() const override { return true; }
};

} // namespace

GalleryScrollView::GalleryScrollView(kit::Rect frame, kit::Size minimumDocumentSize)
    : ScrollView(frame)
    , minimum_(minimumDocumentSize)
{
    setHasVerticalScroller(true);
    setHasHorizontalScroller(true);
    setAutohidesScrollers(true);
    // What lies in it paints itself, or shows the window's background as it would without a scroll view.
    setDrawsBackground(false);
}

void GalleryScrollView::tile()
{
    if (const kit::Ref<kit::View> document = documentView()) {
        // Settle both scrollers first: one narrows the room for the other.
        const kit::Size room = bounds().size;
        const double w = kit::Scroller::scrollerWidth();
        bool vertical = false, horizontal = false;
        for (int pass = 0; pass < 2; ++pass) {
            vertical = room.height - (horizontal ? w : 0) < minimum_.height;
            horizontal = room.width - (vertical ? w : 0) < minimum_.width;
        }
        const kit::Size size = kit::MakeSize(std::max(minimum_.width, room.width - (vertical ? w : 0)),
            std::max(minimum_.height, room.height - (horizontal ? w : 0)));
        if (document->frame().size != size)
            document->setFrameSize(size); // tiles again, with the size settled
    }
    ScrollView::tile();
}

PageList::PageList(kit::Rect frame, std::vector<GalleryPage> pages, kit::View* container)
    : View(frame)
    , pages_(std::move(pages))
    , container_(container)
{
    selectRow(0);
}

kit::Rect PageList::rectOfRow(int row) const { return kit::MakeRect(0, row * RowHeight, bounds().width(), RowHeight); }

void PageList::selectRow(int row)
{
    row = std::clamp(row, 0, int(pages_.size()) - 1);
    scrollRectToVisible(rectOfRow(row));
    if (row == selected_)
        return;
    const int before = selected_;
    selected_ = row;
    const kit::Ref<kit::View> container = container_.lock();
    const kit::Ref<kit::Window> w = window();
    const auto* focused = w ? dynamic_cast<const kit::View*>(w->firstResponder().get()) : nullptr;
    const bool focusLeaves = focused && focused->isDescendantOf(container.get());
    for (const kit::Ref<kit::View>& old : std::vector<kit::Ref<kit::View>>(container->subviews()))
        old->removeFromSuperview();
    // The focus goes back to the list rather than to nobody (keys and screen readers follow it).
    if (focusLeaves)
        w->makeFirstResponder(this);
    container->addSubview(pages_[std::size_t(row)].create(container->bounds()).get());
    setNeedsDisplay(true);
    announceRowChange(before, focusLeaves);
}

void PageList::announceRowChange(int before, bool focusAnnounced)
{
    for (const int changed : { before, selected_ })
        if (changed >= 0 && changed < int(rows_.size()) && rows_[std::size_t(changed)])
            rows_[std::size_t(changed)]->accessibilitySelectionChanged();
    accessibilitySelectionChanged();
    // The new row is the focused element: a reader that never asked about it hears it too.
    if (hasFocus() && !focusAnnounced)
        kit::AccessibilityBridge::focusChanged(window().get());
}

bool PageList::hasFocus() const
{
    const kit::Ref<kit::Window> w = window();
    return w && w->firstResponder().get() == this;
}

// Accessibility -----------------------------------------------------------------------------------

kit::Ref<PageRow> PageList::rowElement(int row) const
{
    if (rows_.size() < pages_.size())
        rows_.resize(pages_.size());
    kit::Ref<PageRow>& element = rows_[std::size_t(row)];
    if (!element)
        element = kit::make<PageRow>(const_cast<PageList*>(this), row);
    return element;
}

QStringList PageList::accessibilityAttributeNames() const
{
    return kit::ViewAccessibilityAttributeNames() << kit::AccessibilityTitleAttribute << kit::AccessibilitySelectedChildrenAttribute;
}

kit::Value PageList::accessibilityAttributeValue(const QString& attribute) const
{
    if (attribute == kit::AccessibilityTitleAttribute)
        return kit::Value(QStringLiteral("Pages"));
    if (attribute == kit::AccessibilityRoleAttribute)
        return kit::Value(kit::AccessibilityListRole);
    if (attribute == kit::AccessibilityRoleDescriptionAttribute)
        return kit::Value(kit::AccessibilityRoleDescription(kit::AccessibilityListRole));
    if (attribute == kit::AccessibilityChildrenAttribute) {
        kit::Array rows;
        for (int i = 0; i < int(pages_.size()); ++i)
            rows.addObject(kit::Value(rowElement(i)));
        return kit::Value(rows);
    }
    if (attribute == kit::AccessibilitySelectedChildrenAttribute)
        return kit::Value(selected_ >= 0 ? kit::Array { kit::Value(rowElement(selected_)) } : kit::Array {});
    return kit::ViewAccessibilityAttributeValue(*this, attribute);
}

kit::Value PageList::accessibilityHitTest(kit::Point point) const
{
    const kit::Point inWindow = window() ? window()->convertScreenToBase(point) : point;
    const int row = int(convertPointFromView(inWindow, nullptr).y / RowHeight);
    return row >= 0 && row < int(pages_.size()) ? kit::Value(rowElement(row)) : self();
}

kit::Value PageList::accessibilityFocusedUIElement() const { return selected_ >= 0 ? kit::Value(rowElement(selected_)) : self(); }

QStringList PageRow::accessibilityAttributeNames() const
{
    return { kit::AccessibilityRoleAttribute, kit::AccessibilityRoleDescriptionAttribute, kit::AccessibilityParentAttribute,
        kit::AccessibilityWindowAttribute, kit::AccessibilityTitleAttribute, kit::AccessibilityPositionAttribute, kit::AccessibilitySizeAttribute,
        kit::AccessibilitySelectedAttribute, kit::AccessibilityFocusedAttribute, kit::AccessibilityEnabledAttribute };
}

kit::Value PageRow::accessibilityAttributeValue(const QString& attribute) const
{
    const kit::Ref<PageList> list = list_.lock();
    if (!list)
        return {};
    if (attribute == kit::AccessibilityRoleAttribute)
        return kit::Value(kit::AccessibilityListItemRole);
    if (attribute == kit::AccessibilityRoleDescriptionAttribute)
        return kit::Value(kit::AccessibilityRoleDescription(kit::AccessibilityListItemRole));
    if (attribute == kit::AccessibilityParentAttribute)
        return kit::Value(list);
    if (attribute == kit::AccessibilityWindowAttribute)
        return kit::Value(list->window());
    if (attribute == kit::AccessibilityTitleAttribute)
        return kit::Value(list->titleOfRow(row_));
    if (attribute == kit::AccessibilityPositionAttribute || attribute == kit::AccessibilitySizeAttribute) {
        const kit::Rect box = kit::AccessibilityScreenRectOfRectInView(*list, list->rectOfRow(row_));
        return attribute == kit::AccessibilitySizeAttribute ? kit::Value(box.size) : kit::Value(box.origin);
    }
    if (attribute == kit::AccessibilitySelectedAttribute)
        return kit::Value(list->selectedRow() == row_);
    if (attribute == kit::AccessibilityFocusedAttribute)
        return kit::Value(list->selectedRow() == row_ && list->hasFocus());
    if (attribute == kit::AccessibilityEnabledAttribute)
        return kit::Value(true);
    return {};
}

void PageRow::accessibilitySetValueForAttribute(const kit::Value& value, const QString& attribute)
{
    if (!accessibilityIsAttributeSettable(attribute) || !value.boolValue())
        return;
    const kit::Ref<PageList> list = list_.lock();
    if (!list)
        return;
    // The row first, so that the focus coming to the list announces this row only.
    list->selectRow(row_);
    if (attribute == kit::AccessibilityFocusedAttribute)
        if (const kit::Ref<kit::Window> w = list->window())
            w->makeFirstResponder(list.get());
}

void PageList::drawRect(kit::Rect)
{
    QPainter* p = currentPainter();
    const QPalette palette = QApplication::palette();
    p->fillRect(QRectF(0, 0, bounds().width(), bounds().height()), palette.color(QPalette::Base));
    QFont font = QApplication::font();
    font.setPixelSize(13);
    p->setFont(font);
    for (std::size_t i = 0; i < pages_.size(); ++i) {
        const QRectF row(0, double(i) * RowHeight, bounds().width(), RowHeight);
        const bool selected = int(i) == selected_;
        if (selected)
            p->fillRect(row, palette.color(QPalette::Highlight));
        p->setPen(palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
        p->drawText(row.adjusted(10, 0, -10, 0), Qt::AlignVCenter | Qt::AlignLeft, pages_[i].title);
    }
}

void PageList::mouseDown(const kit::Event& event)
{
    if (const kit::Ref<kit::Window> w = window())
        w->makeFirstResponder(this);
    const kit::Point p = convertPointFromView(event.locationInWindow(), nullptr);
    const int row = int(p.y / RowHeight);
    if (p.y >= 0 && row < int(pages_.size()))
        selectRow(row);
}

void PageList::keyDown(const kit::Event& event)
{
    switch (event.keyCode()) {
    case kit::KeyCodeUpArrow:
        return selectRow(selected_ - 1);
    case kit::KeyCodeDownArrow:
        return selectRow(selected_ + 1);
    case kit::KeyCodeHome:
        return selectRow(0);
    case kit::KeyCodeEnd:
        return selectRow(int(pages_.size()) - 1);
    default:
        View::keyDown(event);
    }
}

kit::Ref<PageList> addPageListAndArea(kit::View* content, double listWidth, kit::Size pageSize, std::vector<GalleryPage> pages)
{
    const double height = content->bounds().height();
    auto area = kit::make<GalleryScrollView>(kit::MakeRect(listWidth, 0, content->bounds().width() - listWidth, height), pageSize);
    area->setAutoresizingMask(kit::ViewWidthSizable | kit::ViewHeightSizable);
    auto container = kit::make<PageContainer>(kit::MakeRect(0, 0, pageSize.width, pageSize.height));
    area->setDocumentView(container.get());
    area->tile();
    content->addSubview(area.get());

    const double rows = double(pages.size()) * PageList::RowHeight;
    auto listArea = kit::make<GalleryScrollView>(kit::MakeRect(0, 0, listWidth, height), kit::MakeSize(0, rows));
    listArea->setAutoresizingMask(kit::ViewHeightSizable);
    auto list = kit::make<PageList>(kit::MakeRect(0, 0, listWidth, rows), std::move(pages), container.get());
    listArea->setDocumentView(list.get());
    listArea->tile();
    content->addSubview(listArea.get());
    return list;
}
