#pragma once

// A row or column of panes with a divider of fixed thickness between neighbours. It shares its
// size out among the panes within their limits whenever something changes (carrying sub-pixel
// remainders so that panes keep their proportions), draws background and divider images, sets
// the divider cursors, lets the user drag and double-click dividers, and keeps its panes' sizes
// under an autosave name. A split view nested in another is perpendicular to it and, when
// coupled, drawn and dragged as one with it. Main thread only.

#include "ZQSplitView/ZQSplitSubview.h"
#include "ZQSplitView/ZQSplitViewDelegate.h"
#include "kit/foundation/NibLoader.h"
#include "kit/graphics/Color.h"
#include "kit/graphics/Cursor.h"
#include "kit/graphics/Image.h"

#include <QStringList>

#include <functional>
#include <vector>

namespace kit {
class Event;
class ScrollView;
class Window;
} // namespace kit

class ZQSplitView : public ZQSplitSubview, public kit::NibAwaking {
    KIT_CLASS(ZQSplitView)

    ZQSplitView();
    explicit ZQSplitView(kit::Rect frame);
    // `count` panes, each made with `frame`.
    ZQSplitView(kit::Rect frame, unsigned count);
    ~ZQSplitView() override;

    // Cursor kinds: 0 over horizontal dividers, 1 over vertical ones, 2 over coupled crossings,
    // 3 while dragging. Answers the stored cursor or the kind's default; the current cursor for
    // other kinds.
    static kit::Ref<kit::Cursor> cursor(int kind);
    static void setCursorToCursor(int kind, kit::Ref<kit::Cursor> cursor);
    static void resetCursorsForTesting();

    // Configuration.
    kit::Ref<kit::Object> delegate() const { return delegate_.lock(); }
    void setDelegate(kit::Object* delegate) { delegate_ = delegate; }
    bool isHorizontal() const;
    bool isVertical() const { return !isHorizontal(); }
    void setHorizontal(bool flag);
    void setVertical(bool flag) { setHorizontal(!flag); }
    kit::Ref<kit::Color> background() const;
    // A colour that is fully transparent is dropped.
    void setBackground(const kit::Ref<kit::Color>& colour);
    kit::Ref<kit::Image> divider() const;
    void setDivider(const kit::Ref<kit::Image>& image);
    double dividerThickness() const;
    void setDividerThickness(double value);

    // Panes.
    kit::Ref<ZQSplitSubview> subviewWithIdentifier(const QString& identifier) const;
    kit::Ref<ZQSplitSubview> subviewAtPosition(unsigned position) const;
    // A view that is not a pane is wrapped in a new pane of its frame.
    void addSubview(kit::View* view);
    void addSubviewPositionedRelativeTo(kit::View* view, kit::WindowOrderingMode place, kit::View* relative);
    void addSubviewAtPosition(kit::View* view, unsigned position);

    // Layout.
    void setMustAdjust();
    bool mustAdjust() const { return mustAdjust_; }
    bool isDragging() const { return isDragging_; }
    bool isInScrollView() const { return isInScrollView_; }
    bool isAdjusting() const { return isAdjusting_; }
    void adjustSubviews() { adjustSubviewsExcepting(nullptr); }
    // Keeps `pane`'s size as long as any share-out fits; a collapsed pane is not kept.
    void adjustSubviewsExcepting(ZQSplitSubview* pane);
    // Runs a due layout first.
    void display();
    // kit::NibAwaking: after loading from an interface file an outermost split view takes its
    // saved state back.
    void awakeFromNib() override;

    // Drawing of one divider; `image` null draws none. Leading and trailing are null for crossings.
    virtual void drawDividerInRectBetweenViewAndView(
        const kit::Image* image, kit::Rect rect, ZQSplitSubview* leading, ZQSplitSubview* trailing);

    // Saved state.
    static QString defaultsKeyForNameIsHorizontal(const QString& name, bool horizontal);
    static void removeStateUsingName(const QString& name);
    QString autosaveName() const { return autosaveName_; }
    void setAutosaveNameRecursively(const QString& name, bool recursively);
    bool saveState(bool recurse);
    bool restoreState(bool recurse);
    QString stringWithSavedState() const;
    bool setStateFromString(const QString& string);
    // The state string, then per subview a nested view's own array or null.
    kit::Array arrayWithStates() const;
    // Applies such an array; NO at the first part that does not fit (parts before it stay applied).
    bool setStatesFromArray(const kit::Array& array);
    bool canSaveState() const { return canSaveState_; }
    void setDragging(bool flag);

    // Used by the panes.
    unsigned numberOfVisibleSubviews() const;
    std::vector<kit::Ref<ZQSplitSubview>> visibleSubviews() const;
    double dimensionWithoutDividers() const;
    void setMustClearFractions() { mustClearFractions_ = true; }
    const std::vector<kit::Rect>& dividerRects() const { return dividers_; }
    kit::Rect dividerRectRelativeToView(std::uint64_t index, const kit::View* view) const;
    std::uint64_t dividerHitByRelativeToViewThickness(kit::Point point, const kit::View* view, double slack) const;
    // YES when `index` names a divider between two visible panes.
    bool isDivider(std::uint64_t index) const;
    // Drags divider `divider` from inside a pane (a press the delegate nominated); any other index does nothing.
    void dragDividerFromPane(std::uint64_t divider, const kit::Event& event);

    // A delegate call site: the delegate, when it implements `operation`.
    struct DelegateCall {
        kit::Ref<kit::Object> object;
        ZQSplitViewDelegate* d = nullptr;
        explicit operator bool() const { return d != nullptr; }
        ZQSplitViewDelegate* operator->() const { return d; }
    };
    DelegateCall delegateFor(const char* operation) const;

    // ZQSplitSubview:
    ZQSplitView* asSplitView() override { return this; }
    kit::Ref<ZQSplitView> couplingSplitView() const override;
    kit::Ref<ZQSplitView> coupledSplitView() const override;
    bool isCoupled() const override;
    void setCoupled(bool flag) override;

    // kit::View:
    bool isFlipped() const override { return true; }
    bool isOpaque() const override;
    void setFrameSize(kit::Size size) override;
    bool needsDisplay() const override;
    void viewWillDraw() override;
    void willRemoveSubview(kit::View* view) override;
    void drawRect(kit::Rect dirtyRect) override;
    void resetCursorRects() override;
    bool acceptsFirstMouse(const kit::Event* event) const override;
    bool shouldDelayWindowOrderingForEvent(const kit::Event& event) const override;
    void viewDidMoveToSuperview() override;
    bool mouseDownCanMoveWindow() const override { return false; }
    QString description() const override;

    // kit::Responder:
    void mouseDown(const kit::Event& event) override;

    // kit::Coding:
    void encodeWithCoder(kit::Coder& coder) const override;
    void initWithCoder(kit::Coder& coder) override;

private:
    friend class ZQSplitSubview;

    void adjustOutermostIfNeeded();
    kit::Ref<kit::ScrollView> enclosingScrollView() const;
    // Collapses, along the axes known now, the panes below that were archived collapsed.
    void collapseDecodedPanes();
    void finishDecoding();
    void drawDividersInForDividerRectThickness(ZQSplitView* outer, kit::Rect outerDivider, double outerThickness);
    void addCursorRectsToForDividerRectThickness(ZQSplitView* outer, kit::Rect outerDivider, double outerThickness);
    // Calls `fn` with each of our dividers' crossings with an outer split view's divider, in its coordinates.
    void forEachCrossing(ZQSplitView* outer, kit::Rect outerDivider, double outerThickness, const std::function<void(kit::Rect)>& fn);
    double dividerOrigin(std::uint64_t index) const;
    kit::Ref<ZQSplitSubview> wrap(kit::View* view);

    // Dragging.
    void trackMouseEventFromWithBaseInDivider(const kit::Event& event, kit::Point start, kit::Point base, std::uint64_t divider);
    void tryToExpandLeadingDividerTrailingDelta(ZQSplitSubview* leading, std::uint64_t divider, ZQSplitSubview* trailing, double delta);
    void tryToShortenLeadingDividerTrailingDeltaAlways(
        ZQSplitSubview* leading, std::uint64_t divider, ZQSplitSubview* trailing, double delta, bool always);
    void tryToShortenTrailingDividerLeadingDeltaAlways(
        ZQSplitSubview* trailing, std::uint64_t divider, ZQSplitSubview* leading, double delta, bool always);
    void tryToExpandTrailingLeadingDelta(ZQSplitSubview* trailing, ZQSplitSubview* leading, double delta);
    bool shouldResizeWindowForDividerBetweenViewAndViewWillGrow(
        std::uint64_t divider, ZQSplitSubview* leading, ZQSplitSubview* trailing, bool willGrow);
    double windowRoom(bool grow) const;
    void resizeWindowBy(double change);
    void doubleClickDivider(std::uint64_t divider);
    void runDrag(const kit::Event& event, std::uint64_t divider, bool fromPane);

    kit::Weak<kit::Object> delegate_;
    QString autosaveName_;
    kit::Ref<kit::Color> background_;
    kit::Ref<kit::Image> divider_; // always flipped
    std::vector<kit::Rect> dividers_;
    double dividerThickness_ = 0;
    bool mustAdjust_ = false;
    bool mustClearFractions_ = false;
    bool isHorizontal_ = false;
    bool canSaveState_ = false;
    bool isCoupled_ = true;
    bool isAdjusting_ = false;
    bool isDragging_ = false;
    bool isInScrollView_ = false;
};
