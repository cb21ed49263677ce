#include "ZQSplitView/ZQSplitView.h"

#include "kit/appkit/Event.h"
#include "kit/appkit/ScrollView.h"
#include "kit/appkit/Window.h"
#include "kit/foundation/RunLoop.h"
#include "kit/graphics/BezierPath.h"
#include "kit/graphics/GraphicsContext.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>

using kit::Point;
using kit::Rect;
using kit::Ref;
using kit::Size;

namespace {

std::array<Ref<kit::Cursor>, 4>& cursorTable()
{
    static std::array<Ref<kit::Cursor>, 4> table;
    return table;
}

Ref<kit::Cursor> defaultCursor(int kind)
{
    switch (kind) {
    case 0:
        return kit::Cursor::resizeUpDownCursor();
    case 1:
        return kit::Cursor::resizeLeftRightCursor();
    case 2:
        return kit::Cursor::openHandCursor();
    default:
        return kit::Cursor::closedHandCursor();
    }
}

bool isEmptyRect(Rect r) { return r.size.width <= 0 || r.size.height <= 0; }

} // namespace

KIT_REGISTER_CLASS(ZQSplitView, ZQSplitSubview) { }

// Construction ------------------------------------------------------------------------------------

ZQSplitView::ZQSplitView()
    : ZQSplitView(kit::ZeroRect)
{ }

ZQSplitView::ZQSplitView(Rect frame)
    : ZQSplitSubview(frame)
{
    // The layout places the panes; the kit must not autoresize them as well. Our own setter
    // ignores every request, so go past it.
    kit::View::setAutoresizesSubviews(false);
}

ZQSplitView::ZQSplitView(Rect frame, unsigned count)
    : ZQSplitView(frame)
{
    for (unsigned i = 0; i < count; ++i)
        addSubview(kit::make<ZQSplitSubview>(frame).get());
    setMustAdjust();
}

ZQSplitView::~ZQSplitView()
{
    // A pane still animating inside goes with us: its pending steps must not outlive the tree.
    for (const Ref<kit::View>& v : subviews())
        if (auto* pane = dynamic_cast<ZQSplitSubview*>(v.get()))
            pane->stopAnimation();
    kit::RunLoop::main().cancelPerformRequestsWithTarget(this);
}

Ref<kit::Cursor> ZQSplitView::cursor(int kind)
{
    if (kind < 0 || kind > 3)
        return kit::Cursor::currentCursor();
    const Ref<kit::Cursor>& stored = cursorTable()[std::size_t(kind)];
    return stored ? stored : defaultCursor(kind);
}

void ZQSplitView::setCursorToCursor(int kind, Ref<kit::Cursor> cursor)
{
    if (kind >= 0 && kind <= 3)
        cursorTable()[std::size_t(kind)] = std::move(cursor);
}

void ZQSplitView::resetCursorsForTesting() { cursorTable() = {}; }

ZQSplitView::DelegateCall ZQSplitView::delegateFor(const char* operation) const
{
    const Ref<kit::Object> object = delegate_.lock();
    auto* d = dynamic_cast<ZQSplitViewDelegate*>(object.get());
    if (!d || !object->respondsToSelector(kit::Selector(operation)))
        return {};
    return { object, d };
}

// Configuration ------------------------------------------------------------------------------------

bool ZQSplitView::isCoupled() const { return isCoupled_ && splitView(); }

void ZQSplitView::setCoupled(bool flag)
{
    if (flag == isCoupled_)
        return;
    if (!flag && !divider_)
        if (const Ref<ZQSplitView> outer = splitView()) {
            isCoupled_ = false;
            setDivider(outer->divider());
        }
    isCoupled_ = flag;
    setMustAdjust();
}

Ref<ZQSplitView> ZQSplitView::couplingSplitView() const { return isCoupled_ ? splitView() : nullptr; }

Ref<ZQSplitView> ZQSplitView::coupledSplitView() const { return isCoupled() ? Ref<ZQSplitView>(const_cast<ZQSplitView*>(this)) : nullptr; }

bool ZQSplitView::isHorizontal() const
{
    if (const Ref<ZQSplitView> outer = splitView())
        return outer->isVertical();
    return isHorizontal_;
}

void ZQSplitView::setHorizontal(bool flag)
{
    if (splitView() || flag == isHorizontal_)
        return;
    isHorizontal_ = flag;
    setDividerThickness(!divider_ ? 0 : axisOf(divider_->size(), flag));
    setMustAdjust();
}

Ref<kit::Color> ZQSplitView::background() const
{
    if (const Ref<ZQSplitView> outer = couplingSplitView())
        return outer->background();
    return background_;
}

void ZQSplitView::setBackground(const Ref<kit::Color>& colour)
{
    if (couplingSplitView())
        return;
    background_ = colour && colour->alphaComponent() > 0 ? colour : nullptr;
    setNeedsDisplay(true);
}

bool ZQSplitView::isOpaque() const
{
    if (const Ref<ZQSplitView> outer = couplingSplitView())
        return outer->isOpaque();
    return background_ && background_->alphaComponent() >= 1.0;
}

Ref<kit::Image> ZQSplitView::divider() const
{
    if (const Ref<ZQSplitView> outer = couplingSplitView())
        return outer->divider();
    return divider_;
}

void ZQSplitView::setDivider(const Ref<kit::Image>& image)
{
    if (couplingSplitView())
        return;
    if (image && !image->isFlipped()) {
        divider_ = kit::static_pointer_cast<kit::Image>(image->copy());
        divider_->setFlipped(true);
    } else {
        divider_ = image;
    }
    setDividerThickness(0);
    setMustAdjust();
}

double ZQSplitView::dividerThickness() const
{
    if (dividerThickness_ > 0)
        return dividerThickness_;
    const Ref<kit::Image> image = divider();
    return image ? axisOf(image->size(), isHorizontal()) : 0;
}

void ZQSplitView::setDividerThickness(double value)
{
    value = std::max(0.0, std::floor(value));
    if (std::trunc(value) == std::trunc(dividerThickness_))
        return;
    dividerThickness_ = value;
    setMustAdjust();
}

// Panes ---------------------------------------------------------------------------------------------

Ref<ZQSplitSubview> ZQSplitView::subviewWithIdentifier(const QString& identifier) const
{
    for (const Ref<kit::View>& v : subviews())
        if (auto pane = kit::dynamic_pointer_cast<ZQSplitSubview>(v); pane && pane->identifier() == identifier)
            return pane;
    return nullptr;
}

Ref<ZQSplitSubview> ZQSplitView::subviewAtPosition(unsigned position) const
{
    const auto& subs = subviews();
    return position < subs.size() ? kit::dynamic_pointer_cast<ZQSplitSubview>(subs[position]) : nullptr;
}

Ref<ZQSplitSubview> ZQSplitView::wrap(kit::View* view)
{
    if (auto* pane = dynamic_cast<ZQSplitSubview*>(view))
        return Ref<ZQSplitSubview>(pane);
    const Ref<kit::View> keep(view);
    Rect frame = view->frame();
    view->setFrameOrigin(kit::ZeroPoint);
    auto pane = kit::make<ZQSplitSubview>(frame);
    view->setAutoresizingMask(kit::ViewWidthSizable | kit::ViewHeightSizable);
    pane->kit::View::addSubview(view);
    return pane;
}

void ZQSplitView::addSubview(kit::View* view)
{
    if (!view)
        return;
    kit::View::addSubview(wrap(view).get());
    setMustAdjust();
}

void ZQSplitView::addSubviewPositionedRelativeTo(kit::View* view, kit::WindowOrderingMode place, kit::View* relative)
{
    if (!view)
        return;
    kit::View::addSubviewPositionedRelativeTo(wrap(view).get(), place, relative);
    setMustAdjust();
}

void ZQSplitView::addSubviewAtPosition(kit::View* view, unsigned position)
{
    if (const Ref<ZQSplitSubview> at = subviewAtPosition(position))
        addSubviewPositionedRelativeTo(view, kit::WindowBelow, at.get());
    else
        addSubview(view);
}

void ZQSplitView::willRemoveSubview(kit::View* view)
{
    if (auto* pane = dynamic_cast<ZQSplitSubview*>(view))
        pane->stopAnimation();
    setMustAdjust();
}

std::vector<Ref<ZQSplitSubview>> ZQSplitView::visibleSubviews() const
{
    std::vector<Ref<ZQSplitSubview>> panes;
    for (const Ref<kit::View>& v : subviews())
        if (!v->isHidden())
            if (auto pane = kit::dynamic_pointer_cast<ZQSplitSubview>(v))
                panes.push_back(std::move(pane));
    return panes;
}

unsigned ZQSplitView::numberOfVisibleSubviews() const
{
    unsigned n = 0;
    for (const Ref<kit::View>& v : subviews())
        n += !v->isHidden() && dynamic_cast<ZQSplitSubview*>(v.get());
    return n;
}

double ZQSplitView::dimensionWithoutDividers() const
{
    const unsigned n = numberOfVisibleSubviews();
    const double space = axisOf(frame().size, isHorizontal()) - (n > 0 ? (n - 1) * dividerThickness() : 0);
    return std::max(1.0, space);
}

// Layout --------------------------------------------------------------------------------------------

void ZQSplitView::setMustAdjust()
{
    mustAdjust_ = true;
    // While a drag or an animation steps, each step lays out at once and the panes that move mark
    // themselves: the whole view need not be drawn again.
    if (!isDragging_)
        setNeedsDisplay(true);
}

bool ZQSplitView::needsDisplay() const
{
    if (mustAdjust_ && !isAdjusting_) {
        const_cast<ZQSplitView*>(this)->adjustSubviews();
        return true;
    }
    return kit::View::needsDisplay();
}

void ZQSplitView::viewWillDraw()
{
    if (mustAdjust_ && !isAdjusting_)
        adjustSubviews();
}

void ZQSplitView::display()
{
    if (mustAdjust_ && !isAdjusting_)
        adjustSubviews();
    kit::View::display();
}

void ZQSplitView::setFrameSize(Size size)
{
    const Rect old = frame();
    kit::View::setFrameSize(size);
    setMustAdjust();
    const bool horizontal = isHorizontal();
    if (std::trunc(axisOf(old.size, horizontal)) != std::trunc(axisOf(size, horizontal)))
        if (const auto d = delegateFor("splitViewWasResizedFromTo"))
            d->splitViewWasResizedFromTo(this, axisOf(old.size, horizontal), axisOf(size, horizontal));
    if (!isAdjusting_)
        adjustSubviews();
}

void ZQSplitView::adjustOutermostIfNeeded()
{
    if (const Ref<ZQSplitView> outer = splitView()) {
        outer->adjustOutermostIfNeeded();
        return;
    }
    if (mustAdjust_ && !isAdjusting_)
        adjustSubviews();
}

namespace {

// One pass of the share-out. Answers YES when the sizes fit A (the passes end).
struct ShareOut {
    std::vector<ZQSubviewCache>& cache;
    ZQSplitSubview* excepted;
    double A;

    static bool sized(const ZQSubviewCache& r) { return r.size > 0; }

    // Sizes plus carries of the records that have a size, which is what gets placed.
    double total() const
    {
        double sum = 0;
        for (const ZQSubviewCache& r : cache)
            if (sized(r))
                sum += r.size + r.fraction;
        return sum;
    }

    void share(double S)
    {
        double rem = A;
        double ratio = rem / S;
        for (std::size_t iteration = 0; iteration <= cache.size(); ++iteration) {
            bool constrained = false;
            for (ZQSubviewCache& r : cache) {
                if (!sized(r) || r.constrain)
                    continue;
                ZQSplitSubview& pane = *r.pane;
                double fixed = -1;
                if (pane.animates()) {
                    fixed = r.size;
                } else if (&pane == excepted && pane.dimension() > 0) {
                    fixed = pane.dimension();
                } else {
                    const double next = (r.size + r.fraction) * ratio;
                    if (next < pane.minDimension()) {
                        fixed = pane.minDimension();
                    } else if (next > pane.maxDimension()) {
                        fixed = pane.maxDimension();
                    } else {
                        const double rest = std::fmod(next, 1.0);
                        r.size = std::floor(next) + (rest > 0.5 ? 1 : 0);
                        r.fraction = rest > 0.5 ? rest - 1.0 : rest;
                    }
                }
                if (fixed >= 0) {
                    r.constrain = true;
                    r.size = fixed;
                    r.fraction = 0;
                    rem -= fixed;
                    constrained = true;
                }
            }
            // The next ratio is taken over the rounded sizes alone; the carries still go into each share.
            double free = 0;
            for (const ZQSubviewCache& r : cache)
                if (sized(r) && !r.constrain)
                    free += r.size;
            if (!constrained || free <= 0)
                return;
            ratio = rem / free;
        }
    }

    // Rounding each share on its own can leave the panes whole points short of A or over it (many
    // small panes rounded the same way). The last pane takes what it can of that within its limits
    // and within a point of its share, as it takes any remainder; the rest goes a point at a time
    // to the panes rounded furthest the other way (their size plus carry stays their share), so
    // that panes and dividers tile the bounds and no pane ends under its minimum or at 0.
    void settleRounding()
    {
        ZQSubviewCache* last = nullptr;
        double placed = 0;
        for (ZQSubviewCache& r : cache) {
            placed += r.size;
            if (sized(r))
                last = &r;
        }
        const double wanted = std::trunc(A - placed);
        if (!last || wanted == 0)
            return;
        const double step = wanted > 0 ? 1.0 : -1.0;
        auto fits = [](const ZQSubviewCache& r, double change) {
            const double size = r.size + change;
            return size >= std::max(1.0, r.pane->minDimension()) && size <= r.pane->maxDimension();
        };
        double lastTakes = 0;
        while (lastTakes != wanted && fits(*last, lastTakes + step) && std::fabs(last->fraction - (lastTakes + step)) <= 1.0)
            lastTakes += step;
        for (double rest = wanted - lastTakes; rest != 0; rest -= step) {
            ZQSubviewCache* pick = nullptr;
            for (ZQSubviewCache& r : cache) {
                if (&r == last || !sized(r) || r.pane.get() == excepted || r.pane->animates() || !fits(r, step))
                    continue;
                // Ties go to the later pane, nearest the one that takes remainders.
                if (!pick || step * r.fraction >= step * pick->fraction)
                    pick = &r;
            }
            if (!pick)
                return;
            pick->size += step;
            pick->fraction -= step;
        }
    }
};

} // namespace

void ZQSplitView::adjustSubviewsExcepting(ZQSplitSubview* excepting)
{
    mustAdjust_ = false;
    const std::vector<Ref<ZQSplitSubview>> panes = visibleSubviews();
    const std::size_t n = panes.size();
    if (n == 0 || bounds().size.width < 1.0 || bounds().size.height < 1.0 || isAdjusting_)
        return;
    isAdjusting_ = true;
    if (const auto d = delegateFor("willAdjustSubviews"))
        d->willAdjustSubviews(this);

    dividers_.assign(n - 1, kit::ZeroRect);
    const bool horizontal = isHorizontal();
    const double thickness = dividerThickness();
    const double D = double(n - 1) * thickness;
    std::vector<ZQSubviewCache> cache(n);
    for (std::size_t i = 0; i < n; ++i)
        panes[i]->copyIntoCache(cache[i]);
    if (excepting && excepting->isCollapsed())
        excepting = nullptr;

    Rect b = bounds();
    double A = axisOf(b.size, horizontal) - D;
    const int passes = excepting ? 6 : 3;
    ZQSplitSubview* kept = excepting;
    for (int pass = 0; pass < passes; ++pass) {
        kept = pass < 3 ? excepting : nullptr;
        ShareOut share { cache, kept, A };
        for (ZQSubviewCache& r : cache)
            r.constrain = false;
        double S = 0;
        for (const ZQSubviewCache& r : cache)
            if (ShareOut::sized(r))
                S += isInScrollView_ ? r.size : r.size + r.fraction;
        // Every pane collapsed: one of them comes back, so that the space has an owner.
        ZQSubviewCache* chosen = nullptr;
        if (std::none_of(cache.begin(), cache.end(), ShareOut::sized)) {
            chosen = &cache.front();
            chosen->size = chosen->pane->minDimension();
            chosen->fraction = 0;
            S += chosen->size;
        }
        // The document of a scroll view takes the size its panes want instead of sharing its own.
        if (isInScrollView_) {
            setAxis(b.size, horizontal, S + D);
            break;
        }
        if (S < 1.0) {
            if (!chosen)
                chosen = &*std::find_if(cache.begin(), cache.end(), ShareOut::sized);
            chosen->size = A;
            chosen->fraction = 0;
            S = A;
        }
        share.share(S);

        double total = share.total();
        const double diff = total - A;
        if (diff >= 1.0) {
            for (ZQSubviewCache& r : cache) {
                ZQSplitSubview& pane = *r.pane;
                if (!r.constrain || !ShareOut::sized(r) || &pane == share.excepted || pane.animates() || !pane.canCollapse())
                    continue;
                total -= r.size + r.fraction;
                if (total < 1.0)
                    break;
                r.size = 0;
                r.fraction = 0;
                if (total - A < 1.0)
                    break;
            }
        } else if (diff <= -1.0) {
            for (ZQSubviewCache& r : cache) {
                if (ShareOut::sized(r))
                    continue;
                r.size = r.pane->minDimension();
                r.fraction = 0;
                total += r.size;
                if (total - A > -1.0)
                    break;
            }
        } else {
            break;
        }
    }

    if (!isInScrollView_)
        ShareOut { cache, kept, A }.settleRounding();

    // Placement: every rectangle is settled before any pane takes it, so that a pane whose frame
    // ends where it was is not resized on the way (and so not redrawn).
    double origin = 0;
    std::size_t last = n;
    for (std::size_t i = 0; i < n; ++i) {
        ZQSubviewCache& r = cache[i];
        Point at = kit::ZeroPoint;
        setAxisOrigin(at, horizontal, origin);
        Size size = b.size;
        setAxis(size, horizontal, r.size);
        r.rect = Rect { at, size };
        if (r.size > 0 && mustClearFractions_)
            r.fraction = 0;
        origin += r.size;
        if (r.size > 0)
            last = i;
        if (i + 1 < n) {
            Point d = kit::ZeroPoint;
            setAxisOrigin(d, horizontal, origin);
            Size ds = b.size;
            setAxis(ds, horizontal, thickness);
            dividers_[i] = Rect { d, ds };
            origin += thickness;
        }
    }
    // The last visible pane takes what rounding left over, so panes and dividers tile the bounds.
    if (last < n) {
        const double delta = axisOf(b.size, horizontal) - origin;
        if (delta != 0) {
            ZQSubviewCache& r = cache[last];
            r.size += delta;
            setAxis(r.rect.size, horizontal, axisOf(r.rect.size, horizontal) + delta);
            r.fraction -= delta;
            for (std::size_t i = last; i + 1 < n; ++i) {
                setAxisOrigin(dividers_[i].origin, horizontal, axisOrigin(dividers_[i].origin, horizontal) + delta);
                setAxisOrigin(cache[i + 1].rect.origin, horizontal, axisOrigin(cache[i + 1].rect.origin, horizontal) + delta);
            }
        }
    }
    for (ZQSubviewCache& r : cache)
        r.pane->updateFromCacheWithTotalDimension(r, A);

    if (isInScrollView_)
        setFrameSize(b.size);

    bool nested = false;
    for (const Ref<ZQSplitSubview>& pane : panes) {
        ZQSplitView* inner = pane->asSplitView();
        nested |= inner != nullptr;
        if (nested && inner && inner->mustAdjust())
            inner->adjustSubviews();
    }

    mustAdjust_ = false;
    mustClearFractions_ = false;
    const Ref<kit::Window> w = window();
    if (w)
        w->invalidateCursorRectsForView(this);
    if (!isDragging_)
        saveState(false);
    if (const Ref<ZQSplitView> outer = couplingSplitView(); outer && w)
        w->invalidateCursorRectsForView(outer.get());
    isAdjusting_ = false;
    if (const auto d = delegateFor("didAdjustSubviews"))
        d->didAdjustSubviews(this);
}

// Drawing -------------------------------------------------------------------------------------------

void ZQSplitView::drawRect(Rect dirtyRect)
{
    ZQSplitSubview::drawRect(dirtyRect);
    const std::vector<Ref<ZQSplitSubview>> panes = visibleSubviews();
    if (dividers_.empty() || panes.size() < 2)
        return;
    const Ref<kit::Image> image = divider();
    for (std::size_t i = 0; i < dividers_.size() && i + 1 < panes.size(); ++i) {
        const Rect rect = dividers_[i];
        if (!needsToDrawRect(rect))
            continue;
        ZQSplitSubview* leading = panes[i].get();
        ZQSplitSubview* trailing = panes[i + 1].get();
        if (!image) {
            drawDividerInRectBetweenViewAndView(nullptr, rect, leading, trailing);
            continue;
        }
        const Ref<ZQSplitView> coupledLeading = leading->isCollapsed() ? nullptr : leading->coupledSplitView();
        const Ref<ZQSplitView> coupledTrailing = trailing->isCollapsed() ? nullptr : trailing->coupledSplitView();
        const bool leaveOut = coupledLeading || coupledTrailing;
        drawDividerInRectBetweenViewAndView(leaveOut ? nullptr : image.get(), rect, leading, trailing);
        if (coupledLeading)
            coupledLeading->drawDividersInForDividerRectThickness(this, rect, dividerThickness());
        if (coupledTrailing)
            coupledTrailing->drawDividersInForDividerRectThickness(this, rect, dividerThickness());
    }
}

void ZQSplitView::drawDividerInRectBetweenViewAndView(const kit::Image* image, Rect rect, ZQSplitSubview* leading, ZQSplitSubview* trailing)
{
    if (leading || trailing)
        if (const Ref<kit::Color> colour = background()) {
            colour->set();
            kit::BezierPath::fillRect(rect); // source-over
        }
    Rect imageRect = kit::ZeroRect;
    if (image) {
        const kit::Size size = image->size();
        imageRect = kit::MakeRect(std::floor(rect.origin.x + (rect.size.width - size.width) * 0.5),
            std::floor(rect.origin.y + (rect.size.height - size.height) * 0.5), size.width, size.height);
    }
    if (const auto d = delegateFor("splitViewWillDrawDividerInRectBetweenViewAndViewWithProposedRect"))
        imageRect = d->splitViewWillDrawDividerInRectBetweenViewAndViewWithProposedRect(this, rect, leading, trailing, imageRect);
    if (image && !isEmptyRect(imageRect))
        image->drawInRectFromRectOperationFraction(imageRect, kit::ZeroRect, kit::CompositeSourceOver, 1.0);
}

void ZQSplitView::forEachCrossing(ZQSplitView* outer, Rect outerDivider, double outerThickness, const std::function<void(Rect)>& fn)
{
    const bool horizontal = isHorizontal();
    for (const Rect& own : dividers_) {
        Rect r = convertRectToView(own, outer);
        // Stretch along the divider's length (across our own axis) into the outer divider.
        if (horizontal) {
            r.origin.x -= outerThickness;
            r.size.width += 2 * outerThickness;
        } else {
            r.origin.y -= outerThickness;
            r.size.height += 2 * outerThickness;
        }
        const Rect crossing = kit::IntersectionRect(r, outerDivider);
        if (!isEmptyRect(crossing))
            fn(crossing);
    }
}

void ZQSplitView::drawDividersInForDividerRectThickness(ZQSplitView* outer, Rect outerDivider, double outerThickness)
{
    const Ref<kit::Image> image = outer->divider();
    forEachCrossing(outer, outerDivider, outerThickness,
        [&](Rect crossing) { outer->drawDividerInRectBetweenViewAndView(image.get(), crossing, nullptr, nullptr); });
}

// Cursors -------------------------------------------------------------------------------------------

void ZQSplitView::addCursorRectsToForDividerRectThickness(ZQSplitView* outer, Rect outerDivider, double outerThickness)
{
    forEachCrossing(outer, outerDivider, outerThickness, [&](Rect crossing) { outer->addCursorRect(crossing, cursor(2).get()); });
}

void ZQSplitView::resetCursorRects()
{
    if (dividers_.empty())
        return;
    const auto d = delegateFor("splitViewCursorRectForDivider");
    const std::vector<Ref<ZQSplitSubview>> panes = visibleSubviews();
    if (panes.size() < 2 || !divider()) {
        if (d)
            d->splitViewCursorRectForDivider(this, kit::ZeroRect, 0);
        return;
    }
    const Ref<kit::Cursor> dividerCursor = cursor(isVertical() ? 1 : 0);
    const double thickness = dividerThickness();
    for (std::size_t i = 0; i < dividers_.size() && i + 1 < panes.size(); ++i) {
        const Rect rect = dividers_[i];
        const Rect cursorRect = d ? d->splitViewCursorRectForDivider(this, rect, i) : rect;
        if (!isEmptyRect(cursorRect))
            addCursorRect(cursorRect, dividerCursor.get());
        // The window lets the rectangle added last win where they overlap: crossings go on top.
        if (const Ref<ZQSplitView> inner = panes[i]->coupledSplitView())
            inner->addCursorRectsToForDividerRectThickness(this, rect, thickness);
        if (const Ref<ZQSplitView> inner = panes[i + 1]->coupledSplitView())
            inner->addCursorRectsToForDividerRectThickness(this, rect, thickness);
    }
}

// Dividers ------------------------------------------------------------------------------------------

double ZQSplitView::dividerOrigin(std::uint64_t index) const
{
    if (index >= dividers_.size())
        return 0;
    return axisOrigin(dividers_[index].origin, isHorizontal());
}

Rect ZQSplitView::dividerRectRelativeToView(std::uint64_t index, const kit::View* view) const
{
    if (index >= dividers_.size() || !isDivider(index))
        return kit::ZeroRect;
    const Rect r = dividers_[index];
    return view && view != this ? convertRectToView(r, view) : r;
}

std::uint64_t ZQSplitView::dividerHitByRelativeToViewThickness(Point point, const kit::View* view, double slack) const
{
    if (numberOfVisibleSubviews() < 2)
        return ZQNotFound;
    const Point p = convertPointFromView(point, view);
    const bool horizontal = isHorizontal();
    for (std::size_t i = 0; i < dividers_.size(); ++i) {
        Rect r = dividers_[i];
        if (horizontal) {
            r.origin.x -= slack;
            r.size.width += 2 * slack;
        } else {
            r.origin.y -= slack;
            r.size.height += 2 * slack;
        }
        if (mouseInRect(p, r))
            return i;
    }
    return ZQNotFound;
}

// Events --------------------------------------------------------------------------------------------

// A Command-click in a window behind works in place without bringing the window forward.
bool ZQSplitView::acceptsFirstMouse(const kit::Event* event) const { return !event || !(event->modifierFlags() & kit::CommandKeyMask); }

bool ZQSplitView::shouldDelayWindowOrderingForEvent(const kit::Event& event) const { return event.modifierFlags() & kit::CommandKeyMask; }

void ZQSplitView::viewDidMoveToSuperview()
{
    const Ref<kit::ScrollView> scroll = enclosingScrollView();
    isInScrollView_ = scroll && scroll->documentView().get() == this;
}

Ref<kit::ScrollView> ZQSplitView::enclosingScrollView() const
{
    for (Ref<kit::View> v = superview(); v; v = v->superview())
        if (auto scroll = kit::dynamic_pointer_cast<kit::ScrollView>(v))
            return scroll;
    return nullptr;
}

QString ZQSplitView::description() const { return QStringLiteral("%1 {%2}").arg(ZQSplitSubview::description(), stringWithSavedState()); }
