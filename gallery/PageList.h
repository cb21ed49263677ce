#pragma once

// The gallery window's two halves: the page titles on the left, each a row that shows its page,
// picked by a click or by Up, Down, Home and End; and the page area beside it. Both scroll when
// the window is too small for them, so every page and every part of a page stays within reach.

#include "gallery/GalleryPage.h"

#include "kit/appkit/Accessibility.h"
#include "kit/appkit/ScrollView.h"

#include <vector>

// A scroll view whose document fills the room it has, but never gets smaller than a minimum:
// below that it scrolls.
class GalleryScrollView : public kit::ScrollView {
public:
    GalleryScrollView(kit::Rect frame, kit::Size minimumDocumentSize);

    // kit::ScrollView:
    void tile() override;

private:
    kit::Size minimum_;
};

class PageRow;

class PageList : public kit::View, public kit::Accessibility {
public:
    static constexpr double RowHeight = 24;

    PageList(kit::Rect frame, std::vector<GalleryPage> pages, kit::View* container);

    int selectedRow() const { return selected_; }
    void selectRow(int row);
    kit::Rect rectOfRow(int row) const;

    // kit::View:
    bool isFlipped() const override { return true; }
    bool acceptsFirstResponder() const override { return true; }
    void drawRect(kit::Rect) override;
    void mouseDown(const kit::Event& event) override;
    void keyDown(const kit::Event& event) override;

    // kit::Accessibility: a list named "Pages" of one item per page, made when first asked for;
    // the current row is the focused element while the list has the focus.
    QStringList accessibilityAttributeNames() const override;
    kit::Value accessibilityAttributeValue(const QString& attribute) const override;
    kit::Value accessibilityHitTest(kit::Point point) const override;
    kit::Value accessibilityFocusedUIElement() const override;
    QString titleOfRow(int row) const { return pages_[std::size_t(row)].title; }
    bool hasFocus() const;

private:
    kit::Ref<PageRow> rowElement(int row) const;
    // A screen reader hears the current row move, as a list's focused item (unless the focus
    // coming back to the list announced it already).
    void announceRowChange(int before, bool focusAnnounced);

    std::vector<GalleryPage> pages_;
    kit::Weak<kit::View> container_;
    int selected_ = -1;
    mutable std::vector<kit::Ref<PageRow>> rows_;
};

// One row of the page list as a screen reader sees it: a list item named by its page, selected
// when its page shows, focused while it is also the list's current row with the list focused;
// selecting or focusing it shows the page.
class PageRow : public kit::Object, public kit::Accessibility {
public:
    PageRow(PageList* list, int row)
        : list_(list)
        , row_(row)
    { }
    QStringList accessibilityAttributeNames() const override;
    kit::Value accessibilityAttributeValue(const QString& attribute) const override;
    bool accessibilityIsAttributeSettable(const QString& attribute) const override
    {
        return attribute == kit::AccessibilitySelectedAttribute || attribute == kit::AccessibilityFocusedAttribute;
    }
    void accessibilitySetValueForAttribute(const kit::Value& value, const QString& attribute) override;

private:
    kit::Weak<PageList> list_;
    int row_;
};

// The list and the page area side by side in `content`, the first page shown; answers the list.
kit::Ref<PageList> addPageListAndArea(kit::View* content, double listWidth, kit::Size pageSize, std::vector<GalleryPage> pages);
