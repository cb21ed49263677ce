#include "kit/appkit/PreviewPanel.h"

#include "kit/appkit/Application.h"
#include "kit/appkit/Responder.h"
#include "kit/appkit/Window.h"

namespace kit {

namespace preview_panel {

Ref<PreviewPanel>& shared()
{
    static Ref<PreviewPanel> panel;
    return panel;
}

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
    if (const Ref<PreviewPanel> panel = preview_panel::shared())
        panel->orderOut();
    preview_panel::shared() = nullptr;
}

void PreviewPanel::makeKeyAndOrderFront()
{
    visible_ = true;
    updateController();
    reloadData();
}

void PreviewPanel::orderOut()
{
    visible_ = false;
    changeController(nullptr);
    currentItem_ = QUrl();
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
}

KIT_REGISTER_CLASS(PreviewPanel, Object) { }

} // namespace kit
