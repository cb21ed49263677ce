#include "QVTabBarView/QVMetalTabStyle.h"

#include "QVTabBarView/QVAttachedTabBarButton.h"
#include "QVTabBarView/QVOverflowPopUpButton.h"
#include "QVTabBarView/QVTabBarView.h"
#include "QVTabBarView/QVTabBarViewExtensions.h"
#include "QVTabBarView/QVTabStyleSupport.h"
#include "kit/appkit/Toolbar.h"
#include "kit/appkit/Window.h"
#include "kit/foundation/Bundle.h"
#include "kit/graphics/BezierPath.h"
#include "kit/graphics/Font.h"
#include "kit/graphics/GraphicsContext.h"
#include "kit/graphics/ParagraphStyle.h"
#include "kit/graphics/Shadow.h"

KIT_REGISTER_CLASS(QVMetalTabStyle, QVTabStyle)
{
    c.bundle("QVTabBarView");
    c.optionalOperations({ "leftMarginForTabBarView", "rightMarginForTabBarView", "topMarginForTabBarView", "updateAddButtonOfTabBarView",
        "draggingRectForTabButtonOfTabBarView", "closeButtonImageOfTypeForTabCell", "attributedObjectCountStringValueForTabCell",
        "attributedStringValueForTabCell", "drawingRectForBoundsOfTabCell", "drawBezelOfTabBarViewInRect", "drawBezelOfTabCellWithFrameInView",
        "drawBezelOfOverflowButtonOfTabBarViewInRect" });
}

namespace {

const std::array<QString, 6>& qvMetalCloseNames()
{
    static const std::array<QString, 6> names { QStringLiteral("TabClose_Front"), QStringLiteral("TabClose_Front_Rollover"),
        QStringLiteral("TabClose_Front_Pressed"), QStringLiteral("TabClose_Dirty"), QStringLiteral("TabClose_Dirty_Rollover"),
        QStringLiteral("TabClose_Dirty_Pressed") };
    return names;
}

const std::array<QString, 6>& qvMetalCloseKeys()
{
    static const std::array<QString, 6> keys { QStringLiteral("metalCloseButton"), QStringLiteral("metalCloseButtonOver"),
        QStringLiteral("metalCloseButtonDown"), QStringLiteral("metalCloseDirtyButton"), QStringLiteral("metalCloseDirtyButtonOver"),
        QStringLiteral("metalCloseDirtyButtonDown") };
    return keys;
}

struct QVMetalAddImages {
    kit::Ref<kit::Image> normal, pressed, rollover;
};

const QVMetalAddImages& qvMetalAddImages()
{
    static const QVMetalAddImages images { QVTabBarView::bundleImage(QStringLiteral("TabNewMetal")), QVTabBarView::bundleImage(QStringLiteral("TabNewMetalPressed")),
        QVTabBarView::bundleImage(QStringLiteral("TabNewMetalRollover")) };
    return images;
}

bool qvMetalHorizontal(const QVTabBarView* view) { return !view || view->orientation() == QVTabBarHorizontalOrientation; }

void qvMetalLine(kit::BezierPath& path, kit::Point a, kit::Point b)
{
    path.moveToPoint(a);
    path.lineToPoint(b);
}

} // namespace

QVMetalTabStyle::QVMetalTabStyle()
{
    for (std::size_t i = 0; i < close_.size(); ++i)
        close_[i] = QVTabBarView::bundleImage(qvMetalCloseNames()[i]);
    kit::Ref<kit::Font> font = kit::Font::fontWithNameSize(QStringLiteral("Helvetica"), 11);
    if (!font)
        font = kit::Font::systemFontOfSize(11);
    counterAttributes_.font = kit::FontManager::sharedFontManager()->convertFontToHaveTrait(font, kit::BoldFontMask);
    counterAttributes_.foregroundColor = kit::Color::colorWithCalibratedWhiteAlpha(1.0, 0.85);
}

double QVMetalTabStyle::leftMarginForTabBarView(QVTabBarView* view) { return qvMetalHorizontal(view) ? 10 : 0; }
double QVMetalTabStyle::rightMarginForTabBarView(QVTabBarView* view) { return qvMetalHorizontal(view) ? 10 : 0; }
double QVMetalTabStyle::topMarginForTabBarView(QVTabBarView* view) { return qvMetalHorizontal(view) ? 0 : 10; }

void QVMetalTabStyle::updateAddButtonOfTabBarView(QVRolloverButton* button, QVTabBarView*)
{
    if (!button)
        return;
    const QVMetalAddImages& images = qvMetalAddImages();
    button->setImage(images.normal);
    button->setAlternateImage(images.pressed);
    button->setRolloverImage(images.rollover);
}

kit::Rect QVMetalTabStyle::draggingRectForTabButtonOfTabBarView(QVAttachedTabBarButton* button, QVTabBarView* view)
{
    return QVTabStyleSupport::draggingRectOfTab(button, view);
}

kit::Ref<kit::Image> QVMetalTabStyle::closeButtonImageOfTypeForTabCell(std::uint64_t type, QVTabBarButtonCell*)
{
    return type < close_.size() ? close_[type] : nullptr;
}

kit::AttributedString QVMetalTabStyle::attributedObjectCountStringValueForTabCell(QVTabBarButtonCell* cell)
{
    // Signed: a negative count reads as one.
    return kit::AttributedString(QString::number(cell ? cell->objectCount() : 0), counterAttributes_);
}

kit::AttributedString QVMetalTabStyle::attributedStringValueForTabCell(QVTabBarButtonCell* cell)
{
    if (!cell)
        return {};
    const bool strong = cell->state() == kit::OnState || cell->mouseHovered();
    if (!titleFont_)
        titleFont_ = kit::Font::boldSystemFontOfSize(11);
    return titleAttributes_[strong ? 1 : 0].title(cell->title(), titleFont_,
        kit::Color::textColor()->colorWithAlphaComponent(0.75), [strong](kit::StringAttributes& attributes) {
            auto shadow = kit::make<kit::Shadow>();
            shadow->setShadowColor(kit::Color::colorWithCalibratedWhiteAlpha(1.0, strong ? 0.8 : 0.5));
            shadow->setShadowOffset(kit::MakeSize(0, -1));
            shadow->setShadowBlurRadius(1.0);
            attributes.shadow = shadow;
            attributes.paragraphStyle = QVTabBarButtonCell::titleParagraphStyle();
        });
}

kit::Rect QVMetalTabStyle::drawingRectForBoundsOfTabCell(kit::Rect bounds, QVTabBarButtonCell* cell)
{
    const kit::Ref<QVTabBarView> view = cell ? cell->tabBarView() : nullptr;
    if (qvMetalHorizontal(view.get()) && cell && cell->state() == kit::OnState) {
        kit::Rect r = kit::InsetRect(bounds, 6, 0);
        r.origin.y += 1;
        r.size.height -= 5;
        return r;
    }
    kit::Rect r = kit::InsetRect(bounds, 6, 3);
    r.size.height -= 1;
    return r;
}

bool QVMetalTabStyle::_shouldDrawHorizontalTopBorderLineInView(const kit::View* view) const
{
    const kit::Ref<kit::Window> w = view ? view->window() : nullptr;
    const kit::Ref<kit::Toolbar> toolbar = w ? w->toolbar() : nullptr;
    return toolbar && toolbar->isVisible() && !toolbar->showsBaselineSeparator();
}

bool QVMetalTabStyle::drawsRightDivider(const QVAttachedTabBarButton& button)
{
    if (!button.shouldDisplayRightDivider())
        return false;
    const std::uint64_t state = button.tabState();
    return !((state & QVTabStateNextSelected) && !(state & (QVTabStateNextSliding | QVTabStateNextIsPlaceholder)));
}

void QVMetalTabStyle::drawBezelOfTabBarViewInRect(QVTabBarView* view, kit::Rect)
{
    if (!view || (view->orientation() == QVTabBarVerticalOrientation && view->frame().size.width < 2))
        return;
    kit::GraphicsContext* context = kit::GraphicsContext::currentContext();
    if (!context)
        return;
    const kit::Rect b = view->bounds();
    context->saveGraphicsState();
    context->setShouldAntialias(false);
    kit::Color::blackColor()->colorWithAlphaComponent(view->isWindowActive() ? 0.2 : 0.1)->set();
    kit::RectFillUsingOperation(b, kit::CompositeSourceAtop);
    kit::Color::darkGrayColor()->set();
    if (view->orientation() == QVTabBarHorizontalOrientation) {
        if (_shouldDrawHorizontalTopBorderLineInView(view))
            kit::BezierPath::strokeLineFromPointToPoint(kit::MakePoint(b.minX(), b.minY() + 0.5), kit::MakePoint(b.maxX(), b.minY() + 0.5));
        kit::BezierPath::strokeLineFromPointToPoint(kit::MakePoint(b.minX(), b.maxY() - 0.5), kit::MakePoint(b.maxX(), b.maxY() - 0.5));
    } else {
        kit::BezierPath::strokeLineFromPointToPoint(kit::MakePoint(b.minX(), b.minY() + 0.5), kit::MakePoint(b.minX(), b.maxY() + 0.5));
        kit::BezierPath::strokeLineFromPointToPoint(kit::MakePoint(b.maxX(), b.minY() + 0.5), kit::MakePoint(b.maxX(), b.maxY() + 0.5));
    }
    context->restoreGraphicsState();
}

void QVMetalTabStyle::drawBezelOfTabCellWithFrameInView(QVTabBarButtonCell* cell, kit::Rect frame, kit::View* controlView)
{
    auto* button = dynamic_cast<QVAttachedTabBarButton*>(controlView);
    if (!cell || !button)
        return;
    const kit::Ref<QVTabBarView> view = button->tabBarView();
    const bool vertical = view && view->orientation() == QVTabBarVerticalOrientation;
    const bool overflow = button->isOverflowButton() && !button->isSliding();
    const double x = frame.origin.x, y = frame.origin.y, w = frame.size.width, h = frame.size.height;
    kit::Rect r;
    std::uint32_t mask;
    if (button->state() == kit::OnState && vertical) {
        r = kit::MakeRect(x + 2.5, y + 0.5, w - 2.5, h - 1);
        mask = QVLeftCap;
    } else if (button->state() == kit::OnState) {
        r = kit::MakeRect(x + 0.5, y, w - 1, h - 2.5);
        mask = overflow ? (QVFlipCap | QVLeftCap) : (QVFlipCap | QVAllCaps);
        if (overflow)
            r.size.width += 0.5;
    } else {
        r = kit::MakeRect(x + 0.5, y + 0.5, w - 1, h - 1);
        mask = overflow ? (QVFlipCap | QVLeftCap) : (QVFlipCap | QVAllCaps);
        if (overflow)
            r.size.width += 0.5;
    }
    kit::GraphicsContext::saveCurrentGraphicsState();
    _drawBezelInRectWithCapMaskUsingStatesOfAttachedButtonOfTabBarView(r, mask, button, view.get());
    kit::GraphicsContext::restoreCurrentGraphicsState();
}

void QVMetalTabStyle::drawBezelOfOverflowButtonOfTabBarViewInRect(QVOverflowPopUpButton* button, QVTabBarView* view, kit::Rect)
{
    if (!button || !view || view->orientation() != QVTabBarHorizontalOrientation)
        return;
    const kit::Ref<QVAttachedTabBarButton> last = view->lastAttachedButton();
    if (!last || last->isSliding())
        return;
    const kit::Rect f = button->frame();
    const double x = f.origin.x, y = f.origin.y, w = f.size.width, h = f.size.height;
    if (last->state() == kit::OnState) {
        _drawBezelInRectWithCapMaskUsingStatesOfAttachedButtonOfTabBarView(
            kit::MakeRect(x, y, w + 4.5, h - 2.5), QVFlipCap | QVRightCap, last.get(), view);
        return;
    }
    const kit::Rect r = kit::MakeRect(x, y + 0.5, w + 4.5, h - 1);
    kit::GraphicsContext::saveCurrentGraphicsState();
    if (last->mouseHovered()) {
        kit::Color::blackColor()->colorWithAlphaComponent(0.1)->set();
        kit::RectFillUsingOperation(r, kit::CompositeSourceAtop);
    }
    if (view->showAddTabButton()) {
        kit::Color::darkGrayColor()->set();
        kit::BezierPath::strokeLineFromPointToPoint(kit::MakePoint(x + w + 4.5, y + 0.5), kit::MakePoint(x + w + 4.5, y + h - 0.5));
    }
    kit::GraphicsContext::restoreCurrentGraphicsState();
}

void QVMetalTabStyle::_drawBezelInRectWithCapMaskUsingStatesOfAttachedButtonOfTabBarView(
    kit::Rect r, std::uint32_t capMask, QVAttachedTabBarButton* b, QVTabBarView* v)
{
    if (!b)
        return;
    kit::GraphicsContext::saveCurrentGraphicsState();
    const bool vertical = v && v->orientation() == QVTabBarVerticalOrientation;
    const bool selected = b->state() == kit::OnState;
    const auto strokeDarkGrey = [](const kit::BezierPath& path) {
        kit::Color::darkGrayColor()->setStroke();
        path.stroke();
    };
    if (selected) {
        const auto build = vertical ? QVTabBarViewExtensions::bezierPathWithRoundedRectRadiusCapMask
                                    : QVTabBarViewExtensions::bezierPathWithCardInRectRadiusCapMask;
        const double radius = vertical ? 5 : 3;
        kit::Color::windowBackgroundColor()->setFill();
        build(r, radius, capMask | QVFillCap)->fill();
        auto outline = build(r, radius, capMask & ~std::uint32_t(QVFillCap));
        outline->setLineWidth(1);
        strokeDarkGrey(*outline);
    } else {
        if (b->mouseHovered()) {
            kit::Color::blackColor()->colorWithAlphaComponent(0.1)->set();
            kit::RectFillUsingOperation(r, kit::CompositeSourceAtop);
        }
        auto path = kit::BezierPath::bezierPath();
        if (vertical) {
            if (b->shouldDisplayLeftDivider() || (b->tabState() & QVTabStatePositionFirst))
                qvMetalLine(*path, kit::MakePoint(r.minX(), r.minY()), kit::MakePoint(r.maxX(), r.minY()));
            if (drawsRightDivider(*b))
                qvMetalLine(*path, kit::MakePoint(r.minX(), r.maxY()), kit::MakePoint(r.maxX(), r.maxY()));
        } else {
            if (_shouldDrawHorizontalTopBorderLineInView(b))
                qvMetalLine(*path, kit::MakePoint(r.minX(), r.minY()), kit::MakePoint(r.maxX(), r.minY()));
            if (drawsRightDivider(*b))
                qvMetalLine(*path, kit::MakePoint(r.maxX(), r.minY()), kit::MakePoint(r.maxX(), r.maxY()));
            if (b->shouldDisplayLeftDivider())
                qvMetalLine(*path, kit::MakePoint(r.minX(), r.minY()), kit::MakePoint(r.minX(), r.maxY()));
        }
        strokeDarkGrey(*path);
    }
    kit::GraphicsContext::restoreCurrentGraphicsState();
}

void QVMetalTabStyle::encodeWithCoder(kit::Coder& coder) const
{
    for (std::size_t i = 0; i < close_.size(); ++i)
        if (close_[i] && dynamic_cast<const kit::Coding*>(close_[i].get()))
            coder.encodeObjectForKey(kit::Value(close_[i]), qvMetalCloseKeys()[i]);
}

void QVMetalTabStyle::initWithCoder(kit::Coder& coder)
{
    // Decoded onto a fully made style: the counter attributes stay, absent images keep theirs.
    for (std::size_t i = 0; i < close_.size(); ++i)
        if (coder.containsValueForKey(qvMetalCloseKeys()[i]))
            if (auto image = coder.decodeObjectForKey(qvMetalCloseKeys()[i]).objectAs<kit::Image>())
                close_[i] = image;
}
