#pragma once

// One pane of a split view: its limits along the split axis, its collapsed state, the sub-pixel
// carry the split view keeps for it between layouts, and an animated collapse and expand. A
// split view is itself a pane, so split views nest. Main thread only.

#include "kit/appkit/View.h"
#include "kit/appkit/Window.h" // View.h alone leaves Ref<Window> incomplete
#include "kit/core/Class.h"
#include "kit/foundation/Coder.h"

#include <QString>

#include <cstdint>
#include <optional>

class ZQSplitView;
class ZQSplitSubview;

// Divider indexes are unsigned; "none" has the platform's not-found value.
inline constexpr std::uint64_t ZQNotFound = std::uint64_t(kit::NotFound);

// The split view's per-pane record of one layout.
struct ZQSubviewCache {
    kit::Rect rect; // the pane's frame, then its new frame
    double fraction = 0; // the pane's carry
    kit::Ref<ZQSplitSubview> pane;
    double size = 0; // visible size along the axis, then the new size; 0 means collapsed
    bool constrain = false; // size fixed for the rest of this pass
};

class ZQSplitSubview : public kit::View {
    KIT_CLASS(ZQSplitSubview)

    ZQSplitSubview();
    explicit ZQSplitSubview(kit::Rect frame);
    ~ZQSplitSubview() override;

    // YES while some pane animates. At most one does, process-wide.
    static bool animating();
    // Test-only: forgets the animation record without touching any pane.
    static void resetAnimationForTesting();

    kit::Ref<ZQSplitView> splitView() const;
    virtual kit::Ref<ZQSplitView> couplingSplitView() const;
    kit::Ref<ZQSplitView> outermostSplitView() const;
    bool splitViewIsHorizontal() const;
    virtual ZQSplitView* asSplitView() { return nullptr; }
    virtual kit::Ref<ZQSplitView> coupledSplitView() const { return nullptr; }
    virtual bool isCoupled() const { return false; }
    virtual void setCoupled(bool) { }

    std::int64_t tag() const { return tag_; }
    void setTag(std::int64_t tag) { tag_ = tag; }
    QString identifier() const { return identifier_; }
    void setIdentifier(const QString& identifier) { identifier_ = identifier; }

    // Index among all subviews of the split view (hidden ones included); 0 outside one.
    unsigned position() const;
    void setPosition(unsigned position);

    bool isCollapsed() const { return visibleDimension() <= 0; }
    bool canShrink() const;
    bool canExpand() const { return maxDimension_ > visibleDimension(); }
    // -1 collapsing, -2 expanding, 1 collapsed, 0 otherwise.
    int status() const;
    virtual bool canCollapse() const;
    void setCanCollapse(bool flag) { canCollapse_ = flag; }
    // Minus the size the pane had, or 0 when nothing happened.
    double collapse() { return collapseNow(); }
    double expand() { return expandAndSetToMinimum(false); }
    bool collapseWithAnimation() { return collapseWithAnimationWithResize(true, true); }
    bool expandWithAnimation() { return expandWithAnimationWithResize(true, true); }
    // YES when an animation was started; otherwise the change happened at once (when allowed).
    bool collapseWithAnimationWithResize(bool animate, bool resize);
    bool expandWithAnimationWithResize(bool animate, bool resize);

    double minDimension() const { return minDimension_; }
    double maxDimension() const { return maxDimension_; }
    void setMinDimensionAndMaxDimension(double newMin, double newMax);
    // The visible size; for a collapsed pane the size it would expand to.
    double dimension() const;
    void setDimension(double value);
    // A step of a drag: answers the change actually made.
    double changeDimensionByMayCollapseMove(double increment, bool mayCollapse, bool move);
    unsigned numberOfSubviews() const { return unsigned(subviews().size()); }

    // Pane display: outside a split view nothing; a split view with a due layout displays itself.
    void display();

    // kit::View:
    bool isFlipped() const override { return false; }
    bool isOpaque() const override;
    void setHidden(bool hidden) override;
    // A pane always resizes its contents (its saved-size logic depends on it) and a split view
    // never does: neither a client nor an archive changes that.
    void setAutoresizesSubviews(bool) override { }
    void drawRect(kit::Rect dirtyRect) override;
    void resizeSubviewsWithOldSize(kit::Size oldSize) override;
    kit::Ref<kit::View> hitTest(kit::Point point) override;
    QString description() const override;

    // kit::Responder:
    bool acceptsFirstResponder() const override { return false; }
    void mouseDown(const kit::Event& event) override;

    // kit::Coding: a collapsed pane is archived with its origin moved right by 1000000 and its
    // last size within limits, so that it decodes collapsed with that size remembered.
    void encodeWithCoder(kit::Coder& coder) const override;
    void initWithCoder(kit::Coder& coder) override;

    // Used by the split view while it lays out, drags and restores state.
    double visibleDimension() const;
    double fraction() const { return fraction_; }
    void copyIntoCache(ZQSubviewCache& cache);
    void updateFromCacheWithTotalDimension(const ZQSubviewCache& cache, double total);
    void setFrameWithFractionNotify(kit::Rect frame, double fraction, bool notify);
    void setFrameSizeWithFraction(kit::Size size, double fraction);
    double collapseNow();
    double expandAndSetToMinimum(bool toMinimum);
    bool stopAnimation();
    bool animates() const;
    // The plain hidden change, without asking the split view to adjust.
    void setHiddenPlain(bool hidden) { kit::View::setHidden(hidden); }
    kit::Size savedSize() const { return savedSize_; }
    // A pane decoded collapsed learns its axis only once the tree it was archived in is whole:
    // each split view decoded above it collapses it again along the axis it knows by then.
    void applyDecodedCollapse();
    void forgetDecodedCollapse() { decodedCollapsedFrame_.reset(); }
    std::uint64_t actDivider() const { return actDivider_; }

    // Size and origin along an axis; horizontal split views stack panes top to bottom.
    static double axisOf(kit::Size s, bool horizontal) { return horizontal ? s.height : s.width; }
    static double crossOf(kit::Size s, bool horizontal) { return horizontal ? s.width : s.height; }
    static double axisOrigin(kit::Point p, bool horizontal) { return horizontal ? p.y : p.x; }
    static void setAxis(kit::Size& s, bool horizontal, double v) { (horizontal ? s.height : s.width) = v; }
    static void setAxisOrigin(kit::Point& p, bool horizontal, double v) { (horizontal ? p.y : p.x) = v; }

    // The one animation record of the process.
    struct Animation;

protected:
    void finishCollapseWithFraction(kit::Rect frame, double fraction);
    void finishExpandWithFraction(kit::Rect frame, double fraction);
    void finishWithFraction(kit::Rect frame, double fraction, bool collapsed);
    Animation* animationDataResize(bool create, bool resize);
    void stepAnimation();
    void clearResponder();
    // The window follows the pointer until the mouse-up.
    void moveWindowFrom(kit::Window& window, const kit::Event& event);
    double setMinAndMaxToSavingMinAndMax(double value, double& savedMin, double& savedMax);
    double spaceWithoutDividers() const;

    QString identifier_;
    std::int64_t tag_ = 0;
    double minDimension_ = 1.0;
    double maxDimension_ = 1000000.0;
    double fraction_ = 0.0;
    kit::Rect previous_;
    kit::Size savedSize_;
    std::uint64_t actDivider_ = ZQNotFound;
    bool canDragWindow_ = false;
    bool canCollapse_ = false;
    bool notInLimits_ = false;
    std::optional<kit::Rect> decodedCollapsedFrame_; // the archived frame of a collapsed pane, axis not yet known
};
