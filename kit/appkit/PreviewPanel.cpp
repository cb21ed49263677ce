#include "kit/appkit/PreviewPanel.h"

#include "kit/appkit/Application.h"
#include "kit/appkit/Event.h"
#include "kit/appkit/Panel.h"
#include "kit/appkit/Responder.h"
#include "kit/appkit/Window.h"
#include "kit/appkit/Workspace.h"

namespace kit {

namespace preview_panel {

Ref<PreviewPanel>& shared()
{
    static Ref<PreviewPanel> panel;
    return panel;
}

const PreviewContent& noContent()
{
    static const PreviewContent none;
    return none;
}

constexpr std::uint16_t escapeKey = 53;
constexpr std::uint16_t spaceKey = 49;

} // namespace preview_panel

Ref<PreviewPanel> PreviewPanel::sharedPreviewPanel()
{
    Ref<PreviewPanel>& panel = preview_panel::shared();
    if (!panel)
        panel = make<PreviewPanel>();
    return panel;
}

bool PreviewPanel::sharedPreviewPanelExists() { return preview_panel::shared() != nullptr; }

void PreviewPanel::resetForTesting()
{
    if (const Ref<PreviewPanel> panel = preview_panel::shared()) {
        panel->orderOut();
        if (panel->window_)
            panel->window_->close();
    }
    preview_panel::shared() = nullptr;
}

void PreviewPanel::makeKeyAndOrderFront()
{
    visible_ = true;
    // The controller comes from the window that was key before the panel takes the keys.
    updateController();
    if (!window_) {
        window_ = make<Panel>(MakeRect(0, 0, 480, 400), TitledWindowMask | ClosableWindowMask | ResizableWindowMask | UtilityWindowMask);
        window_->setFloatingPanel(true);
        window_->setDelegate(this);
        view_ = make<PreviewPanelView>(window_->contentView()->bounds());
        view_->setAutoresizingMask(ViewWidthSizable | ViewHeightSizable);
        const Weak<PreviewPanel> weak(this);
        view_->setKeyHandler([weak](const Event& event) {
            const Ref<PreviewPanel> panel = weak.lock();
            return panel && panel->handleKey(event);
        });
        window_->setContentView(view_.get());
        window_->center();
    }
    reloadData();
    window_->makeKeyAndOrderFront();
    window_->makeFirstResponder(view_.get());
}

void PreviewPanel::orderOut()
{
    visible_ = false;
    changeController(nullptr);
    currentItem_ = QUrl();
    handedToWorkspace_ = QUrl();
    if (window_) {
        view_->setContent({});
        window_->orderOut();
    }
}

Ref<Window> PreviewPanel::window() const { return window_; }

const PreviewContent& PreviewPanel::content() const { return view_ ? view_->content() : preview_panel::noContent(); }

bool PreviewPanel::windowShouldClose(Window*)
{
    orderOut();
    return false;
}

bool PreviewPanel::handleKey(const Event& event)
{
    const bool down = event.type() == KeyDown;
    // Escape is the panel's own: a delegate that hands every key to its view would keep it open.
    if (down && event.keyCode() == preview_panel::escapeKey) {
        orderOut();
        return true;
    }
    const Ref<Object> delegate = delegate_.lock();
    if (auto* d = dynamic_cast<PreviewPanelDelegate*>(delegate.get()); d && d->previewPanelHandleEvent(this, event))
        return true;
    if (down && event.keyCode() == preview_panel::spaceKey) {
        orderOut();
        return true;
    }
    return false;
}

void PreviewPanel::showCurrentItem()
{
    if (!visible_ || !view_)
        return;
    PreviewContent content = PreviewContent::ofURL(currentItem_);
    // What the panel cannot show, the user's application for it can.
    if (content.kind == PreviewContent::Kind::Other && currentItem_ != handedToWorkspace_) {
        handedToWorkspace_ = currentItem_;
        Workspace::sharedWorkspace()->openURL(currentItem_);
    }
    // Named by what it shows, and by what it is while it shows nothing.
    window_->setTitle(content.title.isEmpty() ? QStringLiteral("Preview") : content.title);
    view_->setContent(std::move(content));
}

void PreviewPanel::updateController()
{
    const Ref<Application> app = Application::sharedApplication();
    const Ref<Window> key = app ? app->keyWindow() : nullptr;
    Ref<Responder> responder = key ? key->firstResponder() : nullptr;
    for (; responder; responder = responder->nextResponder()) {
        auto* controller = dynamic_cast<PreviewPanelController*>(responder.get());
        if (controller && controller->acceptsPreviewPanelControl(this)) {
            changeController(responder.get());
            return;
        }
    }
    changeController(nullptr);
}

void PreviewPanel::changeController(Object* controller)
{
    const Ref<Object> old = controller_.lock();
    if (old.get() == controller)
        return;
    if (auto* c = dynamic_cast<PreviewPanelController*>(old.get()))
        c->endPreviewPanelControl(this);
    controller_ = controller;
    if (auto* c = dynamic_cast<PreviewPanelController*>(controller))
        c->beginPreviewPanelControl(this);
}

void PreviewPanel::reloadData()
{
    ++reloads_;
    currentItem_ = QUrl();
    const Ref<Object> source = dataSource_.lock();
    if (auto* s = dynamic_cast<PreviewPanelDataSource*>(source.get()))
        if (s->numberOfPreviewItemsInPreviewPanel(this) > 0)
            currentItem_ = s->previewPanelPreviewItemAtIndex(this, 0);
    showCurrentItem();
}

KIT_REGISTER_CLASS(PreviewPanel, Object) { c.optionalOperation("windowShouldClose"); }

} // namespace kit
