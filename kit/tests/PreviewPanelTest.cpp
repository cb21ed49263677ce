#include "kit/appkit/Accessibility.h"
#include "kit/appkit/Application.h"
#include "kit/appkit/PreviewPanel.h"
#include "kit/appkit/View.h"
#include "kit/appkit/Window.h"
#include "kit/appkit/Workspace.h"
#include "kit/testsupport/EventScript.h"
#include "kit/testsupport/PixelProbe.h"

#include <QFile>
#include <QImage>
#include <QMimeDatabase>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

namespace {

using namespace kit;

// The key window's first responder: it controls the panel and answers its keys.
class PreviewSource : public View, public PreviewPanelController, public PreviewPanelDataSource, public PreviewPanelDelegate {
    KIT_CLASS(PreviewSource)
public:
    using View::View;
    bool acceptsFirstResponder() const override { return true; }
    bool acceptsPreviewPanelControl(PreviewPanel*) override { return true; }
    void beginPreviewPanelControl(PreviewPanel* panel) override
    {
        log.push_back("begin");
        panel->setDataSource(this);
        panel->setDelegate(this);
    }
    void endPreviewPanelControl(PreviewPanel*) override { log.push_back("end"); }
    std::int64_t numberOfPreviewItemsInPreviewPanel(PreviewPanel*) override { return item.isEmpty() ? 0 : 1; }
    QUrl previewPanelPreviewItemAtIndex(PreviewPanel*, std::int64_t) override { return item; }
    bool previewPanelHandleEvent(PreviewPanel*, const Event& event) override
    {
        log.push_back("key " + std::to_string(event.keyCode()));
        return takesEveryKey || event.keyCode() == 124; // → is ours
    }

    QUrl item;
    bool takesEveryKey = false; // as a view that hands every key to its own keyDown
    std::vector<std::string> log;
};

struct PreviewFixture : testing::Test {
    void SetUp() override
    {
        PreviewPanel::resetForTesting();
        ASSERT_TRUE(folder.isValid());
        Workspace::setURLOpener([this](const QUrl& url) {
            opened.push_back(url);
            return true;
        });
        window = make<Window>(MakeRect(0, 0, 200, 100), TitledWindowMask);
        source = make<PreviewSource>(MakeRect(0, 0, 200, 100));
        window->contentView()->addSubview(source.get());
        window->makeKeyAndOrderFront();
        window->makeFirstResponder(source.get());
    }
    void TearDown() override
    {
        Workspace::setURLOpener(nullptr);
        PreviewPanel::resetForTesting();
        Application::resetForTesting();
    }

    QUrl file(const QString& name, const QByteArray& bytes)
    {
        QFile f(folder.filePath(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return QUrl::fromLocalFile(f.fileName());
    }
    QUrl picture(const QString& name, QSize size, QColor colour)
    {
        QImage image(size, QImage::Format_RGB32);
        image.fill(colour);
        const QString path = folder.filePath(name);
        EXPECT_TRUE(image.save(path, "PNG"));
        return QUrl::fromLocalFile(path);
    }
    QUrl pdf(const QString& name)
    {
        const QString path = folder.filePath(name);
        QPdfWriter writer(path);
        QPainter painter(&writer);
        painter.drawText(100, 100, QStringLiteral("Page one"));
        return QUrl::fromLocalFile(path);
    }
    Ref<PreviewPanel> show(const QUrl& item)
    {
        source->item = item;
        const Ref<PreviewPanel> panel = PreviewPanel::sharedPreviewPanel();
        panel->makeKeyAndOrderFront();
        return panel;
    }

    QTemporaryDir folder;
    std::vector<QUrl> opened;
    Ref<Window> window;
    Ref<PreviewSource> source;
};

using PreviewPanelShows = PreviewFixture;

// What a reader meets in the panel: the window's name, and its focused element's role and name.
QString kindOf(const char* type)
{
    const QString kind = QMimeDatabase().mimeTypeForName(QString::fromLatin1(type)).comment();
    EXPECT_FALSE(kind.isEmpty()) << type;
    return kind;
}

std::tuple<QString, QString, QString> heardIn(const PreviewPanel& panel)
{
    const Value focused = AccessibilityFocusedUIElement(Value(panel.window()));
    return { panel.window()->title(), AccessibilityAttributeValue(focused, AccessibilityRoleAttribute).stringValue(),
        AccessibilityAttributeValue(focused, AccessibilityTitleAttribute).stringValue() };
}

TEST_F(PreviewPanelShows, EachKindOfFileAsItCan)
{
    using Kind = PreviewContent::Kind;
    using Heard = std::tuple<QString, QString, QString>;
    const Ref<PreviewPanel> panel = show(picture(QStringLiteral("red.png"), QSize(120, 60), Qt::red));
    // The kind in the user's language, as the system's type database names it ("PNG image").
    EXPECT_EQ(heardIn(*panel), (Heard { "red.png", AccessibilityImageRole, "red.png, " + kindOf("image/png") }));
    ASSERT_TRUE(panel->window() && panel->window()->isVisible());
    EXPECT_TRUE(panel->window()->isKeyWindow());
    EXPECT_EQ(panel->content().kind, Kind::Picture);
    EXPECT_EQ(panel->window()->title(), QStringLiteral("red.png"));
    // A picture smaller than the panel keeps its size, centred.
    const QImage shot = panel->window()->snapshot();
    EXPECT_TRUE(test::pixelIs(shot, shot.width() / 2, shot.height() / 2, Qt::red));
    EXPECT_TRUE(test::pixelIs(shot, shot.width() / 2 - 55, shot.height() / 2, Qt::red));
    EXPECT_FALSE(test::pixelIs(shot, shot.width() / 2 - 65, shot.height() / 2, Qt::red));

    source->item = pdf(QStringLiteral("doc.pdf"));
    panel->reloadData();
    EXPECT_EQ(panel->content().kind, Kind::Picture);
    EXPECT_EQ(panel->window()->title(), QStringLiteral("doc.pdf"));

    source->item = file(QStringLiteral("notes.txt"), QByteArrayLiteral("first line\nsecond line\n"));
    panel->reloadData();
    EXPECT_EQ(panel->content().kind, Kind::Text);
    EXPECT_EQ(panel->content().text, QStringLiteral("first line\nsecond line\n"));
    EXPECT_EQ(heardIn(*panel), (Heard { "notes.txt", AccessibilityStaticTextRole, "notes.txt, " + kindOf("text/plain") }));
    EXPECT_EQ(AccessibilityAttributeValue(AccessibilityFocusedUIElement(Value(panel->window())), AccessibilityValueAttribute).stringValue(),
        QStringLiteral("first line\nsecond line\n"));

    source->item = QUrl::fromLocalFile(folder.filePath(QStringLiteral("gone.png")));
    panel->reloadData();
    EXPECT_EQ(panel->content().kind, Kind::Missing);
    EXPECT_FALSE(panel->content().text.isEmpty());

    // Nothing to preview (an item that is no file): the panel still says what it is.
    source->item = QUrl();
    panel->reloadData();
    EXPECT_EQ(heardIn(*panel), (Heard { "Preview", AccessibilityStaticTextRole, "No preview" }));
    // None of these leaves the panel.
    EXPECT_TRUE(opened.empty());
}

TEST_F(PreviewPanelShows, WhatItCannotShowThroughTheWorkspaceOncePerItem)
{
    const QUrl clip = file(QStringLiteral("clip.mp4"), QByteArray(64, '\0'));
    const Ref<PreviewPanel> panel = show(clip);
    EXPECT_EQ(panel->content().kind, PreviewContent::Kind::Other);
    EXPECT_TRUE(panel->content().image);
    panel->reloadData();
    EXPECT_EQ(opened, (std::vector<QUrl> { clip }));
    // Shown again later, it is handed over again.
    panel->orderOut();
    panel->makeKeyAndOrderFront();
    EXPECT_EQ(opened, (std::vector<QUrl> { clip, clip }));
}

TEST_F(PreviewPanelShows, LargePicturesScaledDownToFitSmallOnesNever)
{
    const Ref<PreviewPanel> panel = show(picture(QStringLiteral("big.png"), QSize(2000, 500), Qt::blue));
    auto* view = static_cast<PreviewPanelView*>(panel->window()->contentView().get());
    const Rect big = view->pictureRect();
    const Rect b = view->bounds();
    EXPECT_NEAR(big.width() / big.height(), 4.0, 1e-9);
    EXPECT_LE(big.width(), b.width() - 32 + 1e-9);
    EXPECT_NEAR(big.midX(), b.midX(), 1e-9);

    source->item = picture(QStringLiteral("small.png"), QSize(40, 30), Qt::blue);
    panel->reloadData();
    EXPECT_EQ(view->pictureRect().size, (Size { 40, 30 }));
}

TEST(PreviewContentText, StopsAtTheLimitWithoutAHalfCharacter)
{
    QTemporaryDir folder;
    QFile f(folder.filePath(QStringLiteral("accents.txt")));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QStringLiteral("h\u00e9llo").toUtf8());
    f.close();
    const QUrl url = QUrl::fromLocalFile(f.fileName());
    EXPECT_EQ(PreviewContent::ofURL(url, 1024, 2).text, QStringLiteral("h"));
    EXPECT_EQ(PreviewContent::ofURL(url, 1024, 3).text, QStringLiteral("h\u00e9"));
    EXPECT_EQ(PreviewContent::ofURL(QUrl(QStringLiteral("https://example.invalid/a.png"))).kind, PreviewContent::Kind::Missing);
}

using PreviewPanelKeys = PreviewFixture;

// Escape is the panel's own key: it closes the panel even under a delegate that takes every key.
TEST_F(PreviewPanelKeys, GoToTheDelegateFirstButEscapeClosesThePanel)
{
    for (const bool takesEveryKey : { false, true }) {
        source->log.clear();
        source->takesEveryKey = takesEveryKey;
        window->makeKeyAndOrderFront();
        const Ref<PreviewPanel> panel = show(file(QStringLiteral("a.txt"), QByteArrayLiteral("a")));
        test::EventScript script(panel->window().get());
        script.key(124, QStringLiteral("\uf703")).run();
        EXPECT_TRUE(panel->isVisible());
        script.key(53, QStringLiteral("\x1b")).run();
        EXPECT_FALSE(panel->isVisible()) << takesEveryKey;
        EXPECT_FALSE(panel->window()->isVisible()) << takesEveryKey;
        EXPECT_EQ(source->log, (std::vector<std::string> { "begin", "key 124", "end" })) << takesEveryKey;
    }
}

TEST_F(PreviewPanelKeys, TheCloseBoxOrdersThePanelOutAndEndsControl)
{
    const Ref<PreviewPanel> panel = show(file(QStringLiteral("a.txt"), QByteArrayLiteral("a")));
    panel->window()->performClose();
    EXPECT_FALSE(panel->isVisible());
    EXPECT_FALSE(panel->window()->isVisible());
    EXPECT_EQ(source->log, (std::vector<std::string> { "begin", "end" }));
    // It comes back when asked.
    panel->makeKeyAndOrderFront();
    EXPECT_TRUE(panel->window()->isVisible());
    EXPECT_EQ(panel->content().kind, PreviewContent::Kind::Text);
}

} // namespace

KIT_REGISTER_CLASS(PreviewSource, View) { }
