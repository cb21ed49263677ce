#include "gallery/pages/LiveLinksPage.h"

#include "components/LiveLink/LiveLink.h"
#include "components/LiveLink/LiveLinkData.h"
#include "gallery/pages/GallerySwatch.h"

using kit::MakeRect;
using kit::Ref;

namespace {

const QString LiveLinksPageServer = QStringLiteral("GalleryShapes");
const QString LiveLinksPageShapeType = QStringLiteral("GalleryShape");
const QStringList LiveLinksPageShapes = { QStringLiteral("circle"), QStringLiteral("square"), QStringLiteral("triangle"), QStringLiteral("star") };

// Plays both parts: the document that asks for an edit, and the editor that serves it.
class LiveLinksPageController : public kit::Object, public LiveLinkDelegate {
public:
    kit::Weak<GallerySwatch> document, editor, status;
    QString documentShape = LiveLinksPageShapes.front();
    Ref<LiveLink> clientLink;
    kit::Weak<LiveLink> serverLink;

    void say(const QString& text)
    {
        if (auto s = status.lock())
            s->setTitle(text);
    }
    void showDocument()
    {
        if (auto d = document.lock())
            d->setTitle(QStringLiteral("Document: ") + documentShape);
    }

    void publish()
    {
        const bool ok = LiveLink::publishServerWithNameDelegate(LiveLinksPageServer, this);
        say(ok ? QStringLiteral("Editor published as \"%1\".").arg(LiveLinksPageServer)
               : QStringLiteral("Not published: already published, or no session bus."));
    }
    void edit()
    {
        kit::Dictionary data = makeLiveLinkData(LiveLinksPageServer, documentShape);
        if (!data.containsKey(QStringLiteral("ApplicationURL")))
            data.setObjectForKey(QStringLiteral("https://example.org/gallery"), QStringLiteral("ApplicationURL"));
        clientLink = LiveLink::editLiveLinkDataSourceNameDelegateItemKey(data, QStringLiteral("Gallery document"), this, QStringLiteral("gallery-shape"));
        say(clientLink ? QStringLiteral("Link open; waiting for the editor.") : QStringLiteral("No editor answered."));
    }
    void nextShape()
    {
        auto link = serverLink.lock();
        if (!link || !link->isConnected() || !link->pasteboard()) {
            say(QStringLiteral("The editor holds no open link."));
            return;
        }
        const auto current = link->pasteboard()->propertyListForType(LiveLinksPageShapeType);
        const qsizetype at = LiveLinksPageShapes.indexOf(current ? current->stringValue() : documentShape);
        const QString next = LiveLinksPageShapes[(at + 1) % LiveLinksPageShapes.size()];
        link->pasteboard()->setPropertyListForType(next, LiveLinksPageShapeType);
        if (auto e = editor.lock())
            e->setTitle(QStringLiteral("Editor: ") + next);
        link->sendEdit();
    }
    void close()
    {
        if (clientLink)
            clientLink->closeLink();
        clientLink = nullptr;
        say(QStringLiteral("Link closed by the document."));
    }

    void liveLinkClientDidRequestEdit(LiveLink* link) override
    {
        serverLink = Ref<LiveLink>(link);
        const auto data = link->pasteboard() ? link->pasteboard()->propertyListForType(LiveLinkDataPboardType) : std::nullopt;
        const QString shape = data ? liveLinkAppDataOf(data->dictionary()).stringValue() : QString();
        if (auto e = editor.lock())
            e->setTitle(QStringLiteral("Editor: ") + shape + QStringLiteral(" (from ") + link->sourceName() + QLatin1Char(')'));
        say(QStringLiteral("The editor received the shape."));
    }
    void liveLinkServerDidSendEdit(LiveLink* link) override
    {
        if (const auto shape = link->pasteboard()->propertyListForType(LiveLinksPageShapeType))
            documentShape = shape->stringValue();
        showDocument();
        say(QStringLiteral("The document took the editor's change."));
    }
    void liveLinkDidClose(LiveLink* link) override
    {
        if (link->isServer()) {
            if (auto e = editor.lock())
                e->setTitle(QStringLiteral("Editor: closed"));
        } else {
            clientLink = nullptr;
            say(QStringLiteral("Link closed by the editor."));
        }
    }
};

} // namespace

kit::Ref<kit::View> makeLiveLinksPage(kit::Rect frame)
{
    auto controller = kit::make<LiveLinksPageController>();
    auto page = kit::make<GallerySwatch>(frame, QColor(250, 250, 250), QString());
    const double top = frame.size.height - 44;
    auto header = kit::make<GallerySwatch>(MakeRect(30, top, 640, 30), QColor(250, 250, 250),
        QStringLiteral("Live links on the session bus: the editor edits the document's shape, changes come back."));
    auto document = kit::make<GallerySwatch>(MakeRect(30, top - 110, 300, 90), QColor(230, 238, 250), QString());
    auto editor = kit::make<GallerySwatch>(MakeRect(360, top - 110, 300, 90), QColor(246, 236, 226), QStringLiteral("Editor: idle"));
    auto status = kit::make<GallerySwatch>(MakeRect(30, top - 150, 630, 30), QColor(250, 250, 250), QStringLiteral("Publish the editor, then edit."));
    controller->document = document;
    controller->editor = editor;
    controller->status = status;
    controller->showDocument();

    std::vector<Ref<kit::View>> views = { header, document, editor, status };
    const std::pair<QString, std::function<void()>> buttons[] = {
        { QStringLiteral("Publish Editor"), [controller] { controller->publish(); } },
        { QStringLiteral("Edit in Editor..."), [controller] { controller->edit(); } },
        { QStringLiteral("Next Shape"), [controller] { controller->nextShape(); } },
        { QStringLiteral("Close Link"), [controller] { controller->close(); } },
    };
    double x = 30;
    for (const auto& [title, action] : buttons) {
        views.push_back(kit::make<GalleryPushButton>(MakeRect(x, top - 200, 150, 28), title, action));
        x += 160;
    }
    for (const auto& v : views) {
        v->setAutoresizingMask(kit::ViewMinYMargin);
        page->addSubview(v.get());
    }
    return page;
}
