#pragma once

// The gallery window's two halves: the page titles on the left, each a row that shows its page,
// picked by a click or by Up, Down, Home and End; and the page area beside it. Both scroll when
// the window is too small for them, so every page and every part of a page stays within reach.

#include "gallery/GalleryPage.h"

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

class PageList : public kit::View {
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

private:
    std::vector<GalleryPage> pages_;
    kit::Weak<kit::View> container_;
    int selected_ = -1;
};

// The list and the page area side by side in `content`, the first page shown; answers the list.
kit::Ref<PageList> addPageListAndArea(kit::View* content, double listWidth, kit::Size pageSize, std::vector<GalleryPage> pages);
