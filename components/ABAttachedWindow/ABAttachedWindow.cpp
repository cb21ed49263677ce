#include "components/ABAttachedWindow/ABAttachedWindow.h"

#include "kit/appkit/Screen.h"
#include "kit/controls/MenuItem.h"
#include "kit/core/NotificationCenter.h"
#include "kit/graphics/GraphicsContext.h"

#include <algorithm>
#include <cmath>

using namespace kit;

KIT_REGISTER_CLASS(ABAttachedWindow, Window) { c.noFactory(); }

namespace {

double abScreenScale()
{
    const Ref<Screen> main = Screen::mainScreen();
    return main ? main->userSpaceScaleFactor() : 1;
}

} // namespace

Ref<ABAttachedWindow> ABAttachedWindow::initWithViewAttachedToPointInWindowOnSideAtDistance(
    View* view, Point point, Window* window, int side, double distance)
{
    if (!view)
        return nullptr;
    return make<ABAttachedWindow>(view, point, window, side, distance);
}

Ref<ABAttachedWindow> ABAttachedWindow::initWithViewAttachedToPointInWindowAtDistance(View* view, Point point, Window* window, double distance)
{
    return initWithViewAttachedToPointInWindowOnSideAtDistance(view, point, window, ABPositionAutomatic, distance);
}

Ref<ABAttachedWindow> ABAttachedWindow::initWithViewAttachedToPointOnSideAtDistance(View* view, Point point, int side, double distance)
{
    return initWithViewAttachedToPointInWindowOnSideAtDistance(view, point, nullptr, side, distance);
}

Ref<ABAttachedWindow> ABAttachedWindow::initWithViewAttachedToPointAtDistance(View* view, Point point, double distance)
{
    return initWithViewAttachedToPointInWindowOnSideAtDistance(view, point, nullptr, ABPositionAutomatic, distance);
}

Ref<ABAttachedWindow> ABAttachedWindow::initWithViewAttachedToPointInWindow(View* view, Point point, Window* window)
{
    return initWithViewAttachedToPointInWindowOnSideAtDistance(view, point, window, ABPositionAutomatic, 0);
}

Ref<ABAttachedWindow> ABAttachedWindow::initWithViewAttachedToPointOnSide(View* view, Point point, int side)
{
    return initWithViewAttachedToPointInWindowOnSideAtDistance(view, point, nullptr, side, 0);
}

Ref<ABAttachedWindow> ABAttachedWindow::initWithViewAttachedToPoint(View* view, Point point)
{
    return initWithViewAttachedToPointInWindowOnSideAtDistance(view, point, nullptr, ABPositionAutomatic, 0);
}

ABAttachedWindow::ABAttachedWindow(View* view, Point point, Window* window, int side, double distance)
    : Window(MakeRect(0, 0, view->frame().width(), view->frame().height()), BorderlessWindowMask)
    , borderColor_(Color::darkGrayColor())
    , backgroundColor_(Color::windowBackgroundColor())
    , view_(view)
    , window_(window)
    , point_(point)
    , side_(side)
    , distance_(distance)
{
    Window::setBackgroundColor(Color::clearColor().get());
    setMovableByWindowBackground(false);
    setAlphaValue(1.0);
    setOpaque(false);
    setHasShadow(true);
    viewFrame_ = MakeRect(0, 0, view->frame().width(), view->frame().height());
    // The defaults fit any view of 32 points or more; a smaller one gets the setters' clamps.
    if (std::min(viewFrame_.width(), viewFrame_.height()) < 32) {
        resizing_ = true;
        setCornerRadius(cornerRadius_);
        resizing_ = false;
    }
    if (side_ == ABPositionAutomatic)
        side_ = bestSideForAutomaticPosition();
    updateGeometry();
    updateBackground();
    contentView()->addSubview(view);
    NotificationCenter::defaultCenter()->addObserverSelectorNameObject(this, &ABAttachedWindow::windowDidResize, WindowDidResizeNotification, this);
}

ABAttachedWindow::~ABAttachedWindow() { NotificationCenter::defaultCenter()->removeObserver(this); }

ABAttachedWindowGeometry::Metrics ABAttachedWindow::metrics() const
{
    ABAttachedWindowGeometry::Metrics m;
    m.viewSize = viewFrame_.size;
    if (const Ref<View> view = view_.lock())
        m.viewSize = view->frame().size;
    m.viewMargin = viewMargin_;
    m.arrowBaseWidth = arrowBaseWidth_;
    m.arrowHeight = arrowHeight_;
    m.cornerRadius = cornerRadius_;
    m.distance = distance_;
    m.hasArrow = hasArrow_;
    m.drawsRoundCornerBesideArrow = drawsRoundCornerBesideArrow_;
    m.scale = abScreenScale();
    return m;
}

Point ABAttachedWindow::attachmentPoint() const
{
    const Ref<Window> window = window_.lock();
    return window ? window->convertBaseToScreen(point_) : point_;
}

Rect ABAttachedWindow::screenVisibleFrame() const
{
    const Ref<Window> window = window_.lock();
    Ref<Screen> screen = window ? window->screen() : nullptr;
    if (!screen)
        screen = Screen::mainScreen();
    return screen ? screen->visibleFrame() : Rect {};
}

int ABAttachedWindow::bestSideForAutomaticPosition() const
{
    const Ref<Window> window = window_.lock();
    return ABAttachedWindowGeometry::bestSide(
        metrics(), attachmentPoint(), screenVisibleFrame(), window ? std::optional<Rect>(window->frame()) : std::nullopt);
}

void ABAttachedWindow::updateGeometry()
{
    ++geometryPasses_;
    const ABAttachedWindowGeometry::Layout placed = ABAttachedWindowGeometry::layout(metrics(), side_, attachmentPoint());
    viewFrame_ = placed.viewFrame;
    setFrameDisplay(placed.frame, false);
    if (const Ref<View> view = view_.lock())
        view->setFrame(viewFrame_);
}

Ref<Image> ABAttachedWindow::backgroundColorPatternImage() const
{
    const ABAttachedWindowGeometry::Metrics m = metrics();
    // Drawn at the backing scale of the window's screen, so the outline is as sharp as the view.
    const Ref<Screen> screen = this->screen() ? this->screen() : Screen::mainScreen();
    const double scale = screen ? screen->backingScaleFactor() : 1;
    const Size size = frame().size;
    auto rep = make<BitmapImageRep>(QImage(std::max(1, int(std::ceil(size.width * scale - 1e-9))),
        std::max(1, int(std::ceil(size.height * scale - 1e-9))), QImage::Format_ARGB32_Premultiplied));
    rep->mutableImage().fill(Qt::transparent);
    rep->setSize(size);
    auto image = Image::imageWithSize(size);
    image->addRepresentation(rep);

    // The pixels carry the scale while they are drawn, so a pattern fill inside the bubble tiles
    // at the scale too; the representation then holds plain pixels with its size in points.
    rep->mutableImage().setDevicePixelRatio(scale);
    const Ref<GraphicsContext> previous(GraphicsContext::currentContext());
    {
        const Ref<GraphicsContext> context = GraphicsContext::graphicsContextWithImage(&rep->mutableImage(), false);
        // Y up from the bottom-left.
        context->setCTM(AffineTransform(AffineTransformStruct { 1, 0, 0, -1, 0, rep->pixelsHigh() / scale }));
        GraphicsContext::setCurrentContext(context);
        drawBubble(m);
        GraphicsContext::setCurrentContext(previous);
    }
    rep->mutableImage().setDevicePixelRatio(1);
    return image;
}

void ABAttachedWindow::drawBubble(const ABAttachedWindowGeometry::Metrics& m) const
{
    const Ref<BezierPath> path = ABAttachedWindowGeometry::outline(m, side_, viewFrame_);
    path->addClip();
    backgroundColor_->setFill();
    path->fill();
    if (borderWidth_ > 0) {
        // The clip keeps the inner half of the stroke.
        path->setLineWidth(borderWidth_ * 2 * m.scale);
        borderColor_->setStroke();
        path->stroke();
    }
}

void ABAttachedWindow::updateBackground()
{
    DisableScreenUpdates();
    Window::setBackgroundColor(Color::colorWithPatternImage(backgroundColorPatternImage()).get());
    if (isVisible()) {
        display();
        invalidateShadow();
    }
    EnableScreenUpdates();
}

void ABAttachedWindow::redisplay()
{
    if (resizing_)
        return;
    resizing_ = true;
    DisableScreenUpdates();
    updateGeometry();
    updateBackground();
    EnableScreenUpdates();
    resizing_ = false;
}

void ABAttachedWindow::windowDidResize(Notification*) { redisplay(); }

void ABAttachedWindow::setBackgroundColor(Color* color)
{
    if (color == backgroundColor_.get())
        return;
    // Colours are immutable: keeping the object is keeping a copy.
    backgroundColor_ = color ? Ref<Color>(color) : Color::clearColor();
    updateBackground();
}

void ABAttachedWindow::setBorderColor(Color* color)
{
    if (color == borderColor_.get())
        return;
    borderColor_ = color ? Ref<Color>(color) : Color::clearColor();
    updateBackground();
}

void ABAttachedWindow::setBackgroundImage(Image* image)
{
    if (image)
        setBackgroundColor(Color::colorWithPatternImage(Ref<Image>(image)).get());
}

void ABAttachedWindow::setBorderWidth(double width)
{
    if (width == borderWidth_)
        return;
    borderWidth_ = std::min(width, viewMargin_);
    updateBackground();
}

void ABAttachedWindow::setViewMargin(double margin)
{
    if (margin == viewMargin_)
        return;
    viewMargin_ = std::max(margin, 0.0);
    setCornerRadius(cornerRadius_);
}

void ABAttachedWindow::setCornerRadius(double radius)
{
    // Floored at 0: for a view under about 16 points the bound itself goes negative.
    const double bound = (2 * viewMargin_ + std::min(viewFrame_.width(), viewFrame_.height()) - arrowBaseWidth_) / 2;
    cornerRadius_ = std::max(0.0, std::min(radius, bound));
    setArrowBaseWidth(arrowBaseWidth_);
}

void ABAttachedWindow::setArrowBaseWidth(double width)
{
    double bound = 2 * viewMargin_ + std::min(viewFrame_.width(), viewFrame_.height()) - cornerRadius_;
    if (drawsRoundCornerBesideArrow_)
        bound -= cornerRadius_;
    arrowBaseWidth_ = std::max(0.0, std::min(width, bound));
    redisplay();
}

void ABAttachedWindow::setArrowHeight(double height)
{
    if (height == arrowHeight_)
        return;
    arrowHeight_ = height;
    redisplay();
}

void ABAttachedWindow::setHasArrow(float flag)
{
    if (flag == hasArrow())
        return;
    hasArrow_ = static_cast<bool>(static_cast<int>(flag));
    updateBackground();
}

void ABAttachedWindow::setDrawsRoundCornerBesideArrow(float flag)
{
    if (flag == drawsRoundCornerBesideArrow())
        return;
    drawsRoundCornerBesideArrow_ = static_cast<bool>(static_cast<int>(flag));
    redisplay();
}

void ABAttachedWindow::performClose(Object* sender)
{
    if (const Ref<Window> window = window_.lock())
        window->performClose(sender);
    else
        Window::performClose(sender);
}

bool ABAttachedWindow::validateMenuItem(MenuItem* item)
{
    if (const Ref<Window> window = window_.lock())
        if (auto* validator = dynamic_cast<MenuItemValidation*>(window.get()))
            return validator->validateMenuItem(item);
    return true;
}
