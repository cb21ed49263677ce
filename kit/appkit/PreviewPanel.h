#pragma once

// The shared preview panel: while shown it previews the items a data source gives, and a responder
// up the key window's chain that accepts control becomes that data source. The panel is state
// only here (shown or not, its controller, reloads): nothing previews the items on screen yet.

#include "kit/core/Class.h"
#include "kit/core/Geometry.h"
#include "kit/core/Object.h"

#include <QUrl>

#include <cstdint>

namespace kit {

class Event;
class PreviewPanel;

class PreviewPanelDataSource {
public:
    virtual ~PreviewPanelDataSource() = default;
    virtual std::int64_t numberOfPreviewItemsInPreviewPanel(PreviewPanel*) { return 0; }
    virtual QUrl previewPanelPreviewItemAtIndex(PreviewPanel*, std::int64_t) { return {}; }
};

class PreviewPanelDelegate {
public:
    virtual ~PreviewPanelDelegate() = default;
    // YES when the delegate handled the event.
    virtual bool previewPanelHandleEvent(PreviewPanel*, const Event&) { return false; }
    // Screen coordinates (y up); a zero rectangle when unknown.
    virtual Rect previewPanelSourceFrameOnScreenForPreviewItem(PreviewPanel*, const QUrl&) { return {}; }
};

// A responder that can drive the panel; asked along the key window's responder chain.
class PreviewPanelController {
public:
    virtual ~PreviewPanelController() = default;
    virtual bool acceptsPreviewPanelControl(PreviewPanel*) { return false; }
    virtual void beginPreviewPanelControl(PreviewPanel*) { }
    virtual void endPreviewPanelControl(PreviewPanel*) { }
};

class PreviewPanel : public Object {
    KIT_CLASS(PreviewPanel)

    static Ref<PreviewPanel> sharedPreviewPanel();
    static bool sharedPreviewPanelExists();

    bool isVisible() const { return visible_; }
    // Shows the panel and looks for its controller from the key window's first responder up.
    void makeKeyAndOrderFront();
    void orderOut();
    // Asks the data source again; counts the reloads.
    void reloadData();
    std::uint64_t reloadCount() const { return reloads_; }
    QUrl currentPreviewItem() const { return currentItem_; }

    Ref<Object> dataSource() const { return dataSource_.lock(); }
    void setDataSource(Object* dataSource) { dataSource_ = dataSource; }
    Ref<Object> delegate() const { return delegate_.lock(); }
    void setDelegate(Object* delegate) { delegate_ = delegate; }
    Ref<Object> currentController() const { return controller_.lock(); }
    // Walks the key window's responder chain again (the first that accepts wins).
    void updateController();

    // Test-only: forgets the shared panel.
    static void resetForTesting();

private:
    void changeController(Object* controller);

    bool visible_ = false;
    std::uint64_t reloads_ = 0;
    QUrl currentItem_;
    Weak<Object> dataSource_;
    Weak<Object> delegate_;
    Weak<Object> controller_;
};

} // namespace kit
