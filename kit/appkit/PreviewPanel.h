#pragma once

// The shared preview panel: while shown it previews the items a data source gives, and a responder
// up the key window's chain that accepts control becomes that data source. It shows an image file
// or a PDF's first page, the start of a text file, or else the file's icon and name while the URL
// goes to the workspace (the desktop's application for it). Escape closes it; other keys typed in
// the panel go to its delegate first, and Space closes it otherwise.

#include "kit/appkit/PreviewPanelView.h"
#include "kit/appkit/Window.h"
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

class Panel;

class PreviewPanel : public Object, public WindowDelegate {
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

    // The panel's window and what it shows; the window is made when the panel is first shown.
    Ref<Window> window() const;
    const PreviewContent& content() const;

    // kit::WindowDelegate: the close box orders the panel out.
    bool windowShouldClose(Window*) override;

    // Test-only: forgets the shared panel.
    static void resetForTesting();

private:
    void changeController(Object* controller);
    void showCurrentItem();
    bool handleKey(const Event& event);

    Ref<Panel> window_;
    Ref<PreviewPanelView> view_;
    // The item last handed to the workspace: a reload of the same item does not open it again.
    QUrl handedToWorkspace_;

    bool visible_ = false;
    std::uint64_t reloads_ = 0;
    QUrl currentItem_;
    Weak<Object> dataSource_;
    Weak<Object> delegate_;
    Weak<Object> controller_;
};

} // namespace kit
