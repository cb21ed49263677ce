#include "gallery/pages/LiveLinksPage.h"

#include "components/LiveLink/LiveLink.h"
#include "components/LiveLink/LiveLinkData.h"
#include "gallery/pages/GallerySwatch.h"

#include <QCoreApplication>
#include <QProcess>

using kit::MakeRect;
using kit::Ref;

namespace {

const QString LiveLinksPageServer = QStringLiteral("GalleryShapes");
const QString LiveLinksPageShapeType = QStringLiteral("GalleryShape");
const QStringList LiveLinksPageShapes = { QStringLiteral("circle"), QStringLiteral("square"), QStringLiteral("triangle"), QStringLiteral("star") };

void liveLinksPageAdd(kit::View* parent, const Ref<kit::View>& view)
{
    view->setAutoresizingMask(kit::ViewMinYMargin);
    parent->addSubview(view.get());
}

// The document side: its shapes, the selected one sent for editing, the edits taken back.
class LiveLinksPageDocument : public kit::Object, public LiveLinkDelegate {
public:
    kit::Weak<GallerySwatch> document, status;
    QStringList shapes = LiveLinksPageShapes;
    int selected = 0;
    Ref<LiveLink> link;

    void say(const QString& text)
    {
        if (auto s = status.lock())
            s->setTitle(text);
    }
    void showDocument()
    {
        QStringList shown;
        for (qsizetype i = 0; i < shapes.size(); ++i)
            shown << (i == selected ? QStringLiteral("[") + shapes[i] + QStringLiteral("]") : shapes[i]);
        if (auto d = document.lock())
            d->setTitle(QStringLiteral("Document: ") + shown.join(QStringLiteral("  ")));
    }

    void startServer()
    {
        const bool started = QProcess::startDetached(QCoreApplication::applicationFilePath(), { QStringLiteral("--live-link-server") });
        say(started ? QStringLiteral("Server process started; it publishes \"%1\" when its window is up.").arg(LiveLinksPageServer)
                    : QStringLiteral("The server process could not be started."));
    }
    void selectNext()
    {
        selected = (selected + 1) % int(shapes.size());
        showDocument();
        say(QStringLiteral("Selected the %1.").arg(shapes[selected]));
    }
    void edit()
    {
        const QString key = QStringLiteral("gallery-shape-%1").arg(selected);
        link = LiveLink::editLiveLinkDataSourceNameDelegateItemKey(
            makeLiveLinkData(LiveLinksPageServer, shapes[selected]), QStringLiteral("Gallery document"), this, key);
        if (link)
            link->setRepresentedObject(selected);
        say(link ? QStringLiteral("Link open; the server edits the %1.").arg(shapes[selected]) : QStringLiteral("No server answered."));
    }
    void close()
    {
        if (link)
            link->closeLink();
        link = nullptr;
        say(QStringLiteral("Link closed by the document."));
    }

    void liveLinkServerDidSendEdit(LiveLink* edited) override
    {
        const auto shape = edited->pasteboard() ? edited->pasteboard()->propertyListForType(LiveLinksPageShapeType) : std::nullopt;
        const int index = int(edited->representedObject().intValue());
        if (!shape || index < 0 || index >= shapes.size())
            return;
        shapes[index] = shape->stringValue();
        showDocument();
        say(QStringLiteral("The document took the server's change: %1.").arg(shapes[index]));
    }
    void liveLinkDidClose(LiveLink* closed) override
    {
        if (closed == link.get())
            link = nullptr;
        say(QStringLiteral("Link closed by the server."));
    }
};

// The editor in the second process: changes the shape it was given and sends each change back.
class LiveLinksServerEditor : public kit::Object, public LiveLinkDelegate {
public:
    kit::Weak<GallerySwatch> editor;
    kit::Weak<LiveLink> link;
    QString shape;

    void show(const QString& text)
    {
        if (auto e = editor.lock())
            e->setTitle(text);
    }
    void nextShape()
    {
        const Ref<LiveLink> open = link.lock();
        if (!open || !open->isConnected() || !open->pasteboard()) {
            show(QStringLiteral("No open link: edit a shape from the gallery's Live links page."));
            return;
        }
        shape = LiveLinksPageShapes[(LiveLinksPageShapes.indexOf(shape) + 1) % LiveLinksPageShapes.size()];
        open->pasteboard()->setPropertyListForType(shape, LiveLinksPageShapeType);
        open->sendEdit();
        show(QStringLiteral("Editing: %1 (sent back to %2)").arg(shape, open->sourceName()));
    }
    void closeLink()
    {
        if (const Ref<LiveLink> open = link.lock())
            open->closeLink();
        show(QStringLiteral("Link closed by the server."));
    }

    void liveLinkClientDidRequestEdit(LiveLink* requested) override
    {
        link = Ref<LiveLink>(requested);
        const auto data = requested->pasteboard() ? requested->pasteboard()->propertyListForType(LiveLinkDataPboardType) : std::nullopt;
        shape = data ? liveLinkAppDataOf(data->dictionary()).stringValue() : QString();
        show(QStringLiteral("Editing: %1 (from %2)").arg(shape, requested->sourceName()));
    }
    void liveLinkDidClose(LiveLink*) override { show(QStringLiteral("Link closed by the document.")); }
};

} // namespace

kit::Ref<kit::View> makeLiveLinksPage(kit::Rect frame)
{
    auto controller = kit::make<LiveLinksPageDocument>();
    auto page = kit::make<GallerySwatch>(frame, QColor(250, 250, 250), QString());
    const double top = frame.size.height - 44;
    liveLinksPageAdd(page.get(),
        kit::make<GallerySwatch>(MakeRect(30, top, 800, 30), QColor(250, 250, 250),
            QStringLiteral("Live links on the session bus: a second gallery process edits the selected shape; its changes come back.")));
    auto document = kit::make<GallerySwatch>(MakeRect(30, top - 110, 630, 90), QColor(230, 238, 250), QString());
    auto status = kit::make<GallerySwatch>(MakeRect(30, top - 150, 630, 30), QColor(250, 250, 250),
        QStringLiteral("Start the server, then edit. Without a server, Edit shows where to get one."));
    controller->document = document;
    controller->status = status;
    galleryMarkStatusLine(kit::Value(status));
    controller->showDocument();
    liveLinksPageAdd(page.get(), document);
    liveLinksPageAdd(page.get(), status);

    const std::pair<QString, std::function<void()>> buttons[] = {
        { QStringLiteral("Start Server"), [controller] { controller->startServer(); } },
        { QStringLiteral("Select Next Shape"), [controller] { controller->selectNext(); } },
        { QStringLiteral("Edit in Server..."), [controller] { controller->edit(); } },
        { QStringLiteral("Close Link"), [controller] { controller->close(); } },
    };
    double x = 30;
    for (const auto& [title, action] : buttons) {
        liveLinksPageAdd(page.get(), kit::make<GalleryPushButton>(MakeRect(x, top - 200, 150, 28), title, action));
        x += 160;
    }
    return page;
}

kit::Ref<kit::Window> makeLiveLinkServerWindow()
{
    auto editor = kit::make<LiveLinksServerEditor>();
    if (!LiveLink::publishServerWithNameDelegate(LiveLinksPageServer, editor.get()))
        return nullptr;
    auto window = kit::make<kit::Window>(MakeRect(200, 200, 420, 170), kit::TitledWindowMask | kit::ClosableWindowMask);
    window->setTitle(QStringLiteral("Shape Editor (live-link server)"));
    const Ref<kit::View> content = window->contentView();
    auto shown = kit::make<GallerySwatch>(MakeRect(20, 70, 380, 80), QColor(246, 236, 226),
        QStringLiteral("Published as \"%1\". Waiting for a document.").arg(LiveLinksPageServer));
    editor->editor = shown;
    content->addSubview(shown.get());
    // The buttons keep the editor: it is the published server's delegate, held weakly there.
    content->addSubview(kit::make<GalleryPushButton>(MakeRect(20, 20, 180, 28), QStringLiteral("Next Shape"), [editor] { editor->nextShape(); }).get());
    content->addSubview(kit::make<GalleryPushButton>(MakeRect(220, 20, 180, 28), QStringLiteral("Close Link"), [editor] { editor->closeLink(); }).get());
    return window;
}
