#pragma once

// A clip view with optional scrollers. The scroll view tiles them whenever its size, the
// document's frame or the scroll position changes, so scroller visibility is right as soon as the
// document view's frame is set; the wheel scrolls by line amounts.

#include "kit/appkit/ClipView.h"
#include "kit/appkit/Scroller.h"

namespace kit {

class ScrollView : public View {
    KIT_CLASS(ScrollView)

    ScrollView();
    explicit ScrollView(Rect frame);

    // kit::Coding (ScrollViewCoding.cpp): the clip view and the scroller settings; the scrollers
    // themselves are made anew.
    void encodeWithCoder(Coder& coder) const override;
    void initWithCoder(Coder& coder) override;

    Ref<ClipView> contentView() const { return clip_; }
    void setContentView(ClipView* clip);
    Ref<View> documentView() const { return clip_->documentView(); }
    void setDocumentView(View* view) { clip_->setDocumentView(view); }
    Rect documentVisibleRect() const { return clip_->documentVisibleRect(); }
    Size contentSize() const { return clip_->frame().size; }

    bool hasVerticalScroller() const { return hasVertical_; }
    void setHasVerticalScroller(bool flag);
    bool hasHorizontalScroller() const { return hasHorizontal_; }
    void setHasHorizontalScroller(bool flag);
    // A scroller hides while the document fits in that direction.
    bool autohidesScrollers() const { return autohides_; }
    void setAutohidesScrollers(bool flag);
    Ref<Scroller> verticalScroller() const { return vertical_; }
    Ref<Scroller> horizontalScroller() const { return horizontal_; }
    bool drawsBackground() const { return clip_->drawsBackground(); }
    void setDrawsBackground(bool flag) { clip_->setDrawsBackground(flag); }

    double lineScroll() const { return verticalLine_; }
    void setLineScroll(double amount) { verticalLine_ = horizontalLine_ = amount; }
    double verticalLineScroll() const { return verticalLine_; }
    void setVerticalLineScroll(double amount) { verticalLine_ = amount; }
    double horizontalLineScroll() const { return horizontalLine_; }
    void setHorizontalLineScroll(double amount) { horizontalLine_ = amount; }
    double pageScroll() const { return verticalPage_; }
    void setPageScroll(double amount) { verticalPage_ = horizontalPage_ = amount; }
    double verticalPageScroll() const { return verticalPage_; }
    void setVerticalPageScroll(double amount) { verticalPage_ = amount; }

    // Brings the scrollers up to date with the clip view's position and the document's size.
    virtual void reflectScrolledClipView(ClipView* clip);
    // Lays out the clip view and the scrollers.
    virtual void tile();

    // Scroller actions.
    void scrollerAction(Object* sender);

    // kit::View:
    void setFrameSize(Size size) override;
    void scrollWheel(const Event& event) override;
    void resizeSubviewsWithOldSize(Size) override { tile(); }

private:
    void scrollBy(Scroller& scroller, bool vertical);

    Ref<ClipView> clip_;
    Ref<Scroller> vertical_;
    Ref<Scroller> horizontal_;
    bool hasVertical_ = false;
    bool hasHorizontal_ = false;
    bool autohides_ = false;
    bool tiling_ = false;
    double verticalLine_ = 10, horizontalLine_ = 10;
    double verticalPage_ = 10, horizontalPage_ = 10;
};

} // namespace kit
