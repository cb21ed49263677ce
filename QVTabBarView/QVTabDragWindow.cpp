#include "QVTabBarView/QVTabDragWindow.h"

KIT_REGISTER_CLASS(QVTabDragView, kit::CrossFadeImageView) { c.bundle("QVTabBarView"); }
KIT_REGISTER_CLASS(QVTabDragWindow, kit::CrossFadeImageWindow) { c.bundle("QVTabBarView"); }
KIT_REGISTER_CLASS(QVTabDragWindowController, kit::CrossFadeWindowController) { c.bundle("QVTabBarView"); }

QVTabDragView::QVTabDragView(kit::Rect frame)
    : kit::CrossFadeImageView(frame)
{ }

QVTabDragWindow::QVTabDragWindow(kit::Ref<kit::Image> image, unsigned styleMask)
    : kit::CrossFadeImageWindow(std::move(image), styleMask, kit::make<QVTabDragView>())
{ }

kit::Ref<QVTabDragWindow> QVTabDragWindow::dragWindowWithImageStyleMask(kit::Ref<kit::Image> image, unsigned styleMask)
{
    return kit::make<QVTabDragWindow>(std::move(image), styleMask);
}

QVTabDragWindowController::QVTabDragWindowController(kit::Ref<kit::Image> image, unsigned styleMask, std::uint64_t tearOffStyle)
    : kit::CrossFadeWindowController(QVTabDragWindow::dragWindowWithImageStyleMask(std::move(image), styleMask), tearOffStyle == 1)
{ }
