// The tab bar view's geometry (margins, the add-tab and overflow buttons, the room for buttons,
// the resize-indicator compensation) and its drawing, each asking the style first.

#include "QVTabBarView/QVAttachedTabBarButton.h"
#include "QVTabBarView/QVOverflowPopUpButton.h"
#include "QVTabBarView/QVTabBarController.h"
#include "QVTabBarView/QVTabBarView.h"
#include "kit/appkit/Window.h"
#include "kit/foundation/Bundle.h"
#include "kit/graphics/Font.h"
#include "kit/graphics/GraphicsContext.h"
#include "kit/graphics/ParagraphStyle.h"
#include "kit/graphics/StringDrawing.h"

namespace {

struct QVAddImages {
    kit::Ref<kit::Image> normal, pressed, rollover;
};

const QVAddImages& qvGeometryAddImages()
{
    static const QVAddImages images { QVTabBarView::bundleImage(QStringLiteral("AquaTabNew")), QVTabBarView::bundleImage(QStringLiteral("AquaTabNewPressed")),
        QVTabBarView::bundleImage(QStringLiteral("AquaTabNewRollover")) };
    return images;
}

} // namespace

kit::Ref<kit::Image> QVTabBarView::bundleImage(const QString& name)
{
    const QString path = bundle()->pathForImageResource(name);
    return path.isEmpty() ? nullptr : kit::Image::imageByReferencingFile(path);
}

double QVTabBarView::leftMargin()
{
    if (style_ && style_->implements("leftMarginForTabBarView"))
        return style_->leftMarginForTabBarView(this);
    return orientation_ == QVTabBarHorizontalOrientation ? 6 : 0;
}

double QVTabBarView::rightMargin()
{
    if (style_ && style_->implements("rightMarginForTabBarView"))
        return style_->rightMarginForTabBarView(this);
    return orientation_ == QVTabBarHorizontalOrientation ? 6 : 0;
}

double QVTabBarView::topMargin()
{
    if (style_ && style_->implements("topMarginForTabBarView"))
        return style_->topMarginForTabBarView(this);
    return orientation_ == QVTabBarHorizontalOrientation ? 0 : 3;
}

double QVTabBarView::bottomMargin()
{
    if (style_ && style_->implements("bottomMarginForTabBarView"))
        return style_->bottomMarginForTabBarView(this);
    return orientation_ == QVTabBarHorizontalOrientation ? 0 : 3;
}

double QVTabBarView::heightOfTabBarButtons()
{
    if (style_ && style_->implements("heightOfTabBarButtonsForTabBarView"))
        return style_->heightOfTabBarButtonsForTabBarView(this);
    return 22;
}

bool QVTabBarView::supportsOrientation(std::uint64_t orientation)
{
    if (style_ && style_->implements("supportsOrientationForTabBarView"))
        return style_->supportsOrientationForTabBarView(orientation, this);
    return true;
}

kit::Size QVTabBarView::addTabButtonSize()
{
    if (style_ && style_->implements("addTabButtonSizeForTabBarView"))
        return style_->addTabButtonSizeForTabBarView(this);
    return orientation_ == QVTabBarHorizontalOrientation ? kit::MakeSize(12, frame().size.height) : kit::MakeSize(frame().size.width, 18);
}

kit::Size QVTabBarView::overflowButtonSize()
{
    if (style_ && style_->implements("overflowButtonSizeForTabBarView"))
        return style_->overflowButtonSizeForTabBarView(this);
    return orientation_ == QVTabBarHorizontalOrientation ? kit::MakeSize(14, frame().size.height) : kit::MakeSize(frame().size.width, 18);
}

kit::Rect QVTabBarView::addTabButtonRect()
{
    if (style_ && style_->implements("addTabButtonRectForTabBarView"))
        return style_->addTabButtonRectForTabBarView(this);
    return _addTabButtonRect();
}

kit::Rect QVTabBarView::overflowButtonRect()
{
    if (style_ && style_->implements("overflowButtonRectForTabBarView"))
        return style_->overflowButtonRectForTabBarView(this);
    return _overflowButtonRect();
}

kit::Rect QVTabBarView::_addTabButtonRect()
{
    if (!showAddTabButton_)
        return kit::ZeroRect;
    const kit::Size size = addTabButtonSize();
    const kit::Ref<QVAttachedTabBarButton> last = lastAttachedButton();
    if (orientation_ == QVTabBarHorizontalOrientation) {
        double x = 4;
        if (last) {
            x = last->stackingFrame().maxX() + 4;
            if (last->isOverflowButton())
                x += 4 + overflowButtonSize().width;
        }
        return kit::Rect { kit::MakePoint(x, bounds().origin.y), size };
    }
    return kit::Rect { kit::MakePoint(bounds().origin.x, last ? last->stackingFrame().maxY() : 0), size };
}

kit::Rect QVTabBarView::_overflowButtonRect()
{
    if (!useOverflowMenu_)
        return kit::ZeroRect;
    const kit::Size size = overflowButtonSize();
    const kit::Ref<QVAttachedTabBarButton> last = lastAttachedButton();
    if (orientation_ == QVTabBarHorizontalOrientation)
        return kit::Rect { kit::MakePoint(last ? last->stackingFrame().maxX() : 0, bounds().origin.y), size };
    return kit::Rect { kit::MakePoint(bounds().origin.x, last ? last->stackingFrame().maxY() : 0), size };
}

double QVTabBarView::availableWidthForButtons()
{
    double width = frame().size.width - leftMargin() - rightMargin() - double(resizeAreaCompensation_);
    if (showAddTabButton_)
        width -= addTabButtonSize().width + 8;
    return width;
}

double QVTabBarView::availableHeightForButtons()
{
    double height = bounds().size.height - topMargin() - bottomMargin() - double(resizeAreaCompensation_);
    if (showAddTabButton_)
        height -= addTabButtonRect().size.height;
    // Reserved whenever the tabs will not all fit (as a horizontal layout reserves its width), not
    // by whether the last update showed the pop-up: the next layout comes out the same and the
    // pop-up stays inside the bar.
    if (useOverflowMenu_ && topMargin() + double(numberOfTabViewItems()) * heightOfTabBarButtons() > height)
        height -= overflowButtonRect().size.height;
    return height;
}

kit::Rect QVTabBarView::genericButtonRect()
{
    return kit::MakeRect(leftMargin(), topMargin(), availableWidthForButtons(), heightOfTabBarButtons());
}

void QVTabBarView::_checkWindowFrame()
{
    const kit::Ref<kit::Window> w = window();
    if (!w)
        return;
    const kit::Ref<kit::View> content = w->contentView();
    const kit::Rect c = content ? content->frame() : kit::ZeroRect;
    const kit::Rect corner = kit::MakeRect(c.origin.x + c.size.width - 22, c.origin.y, 22, 22);
    // The bar's frame in window base coordinates (y up).
    const kit::Rect inBase = superview() ? superview()->convertRectToView(frame(), nullptr) : frame();
    if (w->showsResizeIndicator() && kit::IntersectsRect(inBase, corner))
        resizeAreaCompensation_ = (w->styleMask() & kit::TexturedBackgroundWindowMask) ? 20 : 8;
    else
        resizeAreaCompensation_ = 0;
}

void QVTabBarView::_updateAddTabButton()
{
    if (addTabButton_)
        addTabButton_->removeFromSuperview();
    addTabButton_ = kit::make<QVRolloverButton>(addTabButtonRect());
    const QVAddImages& images = qvGeometryAddImages();
    addTabButton_->setImage(images.normal);
    addTabButton_->setAlternateImage(images.pressed);
    addTabButton_->setRolloverImage(images.rollover);
    addTabButton_->setTitle(QString());
    addTabButton_->setImagePosition(kit::ImageOnly);
    addTabButton_->setRolloverButtonType(QVRolloverActionButtonType);
    addTabButton_->setBordered(false);
    addTabButton_->setBezelStyle(kit::ShadowlessSquareBezelStyle);
    if (style_ && style_->implements("updateAddButtonOfTabBarView"))
        style_->updateAddButtonOfTabBarView(addTabButton_.get(), this);
    addTabButton_->setTarget(this);
    addTabButton_->setAction(kit::Selector("_addNewTab"));
    addSubview(addTabButton_.get());
    addTabButton_->setHidden(!showAddTabButton_);
}

void QVTabBarView::_updateOverflowPopUpButton()
{
    if (overflowPopUpButton_)
        overflowPopUpButton_->removeFromSuperview();
    overflowPopUpButton_ = kit::make<QVOverflowPopUpButton>(overflowButtonRect(), true);
    overflowPopUpButton_->setAutoresizingMask(kit::ViewMinXMargin);
    overflowPopUpButton_->setHidden(true);
    if (style_ && style_->implements("updateOverflowPopUpButtonOfTabBarView"))
        style_->updateOverflowPopUpButtonOfTabBarView(overflowPopUpButton_.get(), this);
    addSubview(overflowPopUpButton_.get());
    overflowPopUpButton_->setHidden(!(useOverflowMenu_ && tabView_ && numberOfAttachedButtons() != numberOfTabViewItems()));
}

void QVTabBarView::_positionOverflowMenu()
{
    if (const kit::Rect r = overflowButtonRect(); overflowPopUpButton_ && !(r == kit::ZeroRect))
        overflowPopUpButton_->setFrame(r);
}

void QVTabBarView::_positionAddTabButton()
{
    if (!addTabButton_)
        return;
    if (const kit::Rect r = addTabButtonRect(); !kit::IsEmptyRect(r))
        addTabButton_->setFrame(r);
    addTabButton_->setHidden(!showAddTabButton_);
    addTabButton_->setNeedsDisplay(true);
}

// Drawing ----------------------------------------------------------------------------------------

void QVTabBarView::drawRect(kit::Rect dirtyRect)
{
    if (style_ && style_->implements("drawTabBarViewInRect"))
        return style_->drawTabBarViewInRect(this, dirtyRect);
    _drawTabBarViewInRect(dirtyRect);
}

void QVTabBarView::_drawTabBarViewInRect(kit::Rect rect)
{
    drawBezelInRect(rect);
    if (frame().size.height >= 2) {
        drawButtonBezelsInRect(rect);
        drawInteriorInRect(rect);
    }
}

void QVTabBarView::drawBezelInRect(kit::Rect rect)
{
    if (style_ && style_->implements("drawBezelOfTabBarViewInRect"))
        style_->drawBezelOfTabBarViewInRect(this, rect);
}

void QVTabBarView::drawButtonBezelsInRect(kit::Rect rect)
{
    if (style_ && style_->implements("drawButtonBezelsOfTabBarViewInRect"))
        return style_->drawButtonBezelsOfTabBarViewInRect(this, rect);
    _drawButtonBezelsInRect(rect);
}

void QVTabBarView::_drawButtonBezelsInRect(kit::Rect rect)
{
    const QVButtons buttons = orderedAttachedButtons();
    std::uint64_t selected = QVNotFound;
    for (std::size_t i = 0; i < buttons.size(); ++i)
        if (buttons[i]->state() == kit::OnState) {
            selected = i;
            break;
        }
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        kit::GraphicsContext::saveCurrentGraphicsState();
        drawBezelOfButtonAtIndexInButtonsIndexOfSelectedButtonInRect(buttons[i].get(), i, buttons, selected, rect);
        kit::GraphicsContext::restoreCurrentGraphicsState();
    }
    if (isOverflowButtonVisible())
        drawBezelOfOverflowButtonInRect(overflowPopUpButton_.get(), rect);
}

void QVTabBarView::drawBezelOfButtonAtIndexInButtonsIndexOfSelectedButtonInRect(
    QVAttachedTabBarButton* button, std::uint64_t index, const QVButtons& buttons, std::uint64_t selected, kit::Rect rect)
{
    if (style_ && style_->implements("drawBezelOfButtonAtIndexInButtonsIndexOfSelectedButtonTabBarViewInRect"))
        style_->drawBezelOfButtonAtIndexInButtonsIndexOfSelectedButtonTabBarViewInRect(button, index, buttons, selected, this, rect);
}

void QVTabBarView::drawBezelOfOverflowButtonInRect(QVOverflowPopUpButton* button, kit::Rect rect)
{
    if (style_ && style_->implements("drawBezelOfOverflowButtonOfTabBarViewInRect"))
        style_->drawBezelOfOverflowButtonOfTabBarViewInRect(button, this, rect);
}

void QVTabBarView::drawInteriorInRect(kit::Rect rect)
{
    if (style_ && style_->implements("drawInteriorOfTabBarViewInRect"))
        return style_->drawInteriorOfTabBarViewInRect(this, rect);
    _drawInteriorInRect(rect);
}

void QVTabBarView::_drawInteriorInRect(kit::Rect rect)
{
    if (tabView_)
        return;
    static const kit::Ref<kit::ParagraphStyle> centred = [] {
        auto p = kit::ParagraphStyle::defaultParagraphStyle();
        p->setAlignment(kit::CenterTextAlignment);
        return p;
    }();
    kit::StringAttributes attributes;
    attributes.font = kit::Font::systemFontOfSize(11);
    attributes.paragraphStyle = centred;
    rect.origin.y += 4;
    rect.size.height -= 4;
    kit::AttributedString(QStringLiteral("QVTabBarView"), attributes).drawInRect(rect);
}
