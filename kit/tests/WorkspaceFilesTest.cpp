#include "kit/appkit/Application.h"
#include "kit/appkit/PreviewPanel.h"
#include "kit/appkit/View.h"
#include "kit/appkit/Window.h"
#include "kit/appkit/Workspace.h"
#include "kit/graphics/CGImage.h"
#include "kit/graphics/Image.h"

#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace kit;

struct ConformanceCase {
    const char* type;
    const QString& to;
    bool conforms;
};

class UTTypeConformance : public ::testing::TestWithParam<ConformanceCase> { };

TEST_P(UTTypeConformance, FollowsMimeInheritance)
{
    const ConformanceCase& c = GetParam();
    EXPECT_EQ(UTTypeConformsTo(QString::fromUtf8(c.type), c.to), c.conforms) << c.type << " / " << c.to.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Types, UTTypeConformance,
    ::testing::Values(ConformanceCase { "image/png", UTTypeImage, true }, ConformanceCase { "image/svg+xml", UTTypeImage, true },
        ConformanceCase { "application/pdf", UTTypePDF, true }, ConformanceCase { "application/pdf", UTTypeImage, false },
        ConformanceCase { "video/mp4", UTTypeMovie, true }, ConformanceCase { "video/mp4", UTTypeImage, false },
        ConformanceCase { "text/plain", UTTypeMovie, false }, ConformanceCase { "public.image", UTTypeImage, true },
        ConformanceCase { "", UTTypeImage, false }));

TEST(WorkspaceFiles, TypesFilesByContentAndName)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QImage image(4, 4, QImage::Format_ARGB32);
    image.fill(Qt::red);
    const QString png = dir.filePath(QStringLiteral("picture.png"));
    ASSERT_TRUE(image.save(png));
    const QString movie = dir.filePath(QStringLiteral("clip.mp4"));
    QFile file(movie);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("not a movie");
    file.close();

    const Ref<Workspace> workspace = Workspace::sharedWorkspace();
    QString error = QStringLiteral("stale");
    EXPECT_EQ(workspace->typeOfFileError(png, &error), QStringLiteral("image/png"));
    EXPECT_TRUE(error.isEmpty());
    EXPECT_TRUE(UTTypeConformsTo(workspace->typeOfFileError(movie, nullptr), UTTypeMovie));
    EXPECT_TRUE(workspace->typeOfFileError(dir.filePath(QStringLiteral("missing.png")), &error).isEmpty());
    EXPECT_FALSE(error.isEmpty());
}

TEST(WorkspaceFiles, IconsAlwaysDrawSomething)
{
    for (const QString& type : { QStringLiteral("png"), QStringLiteral("mp4"), QStringLiteral("no-such-extension"), QString() }) {
        const Ref<Image> icon = Workspace::sharedWorkspace()->iconForFileType(type);
        ASSERT_TRUE(icon) << type.toStdString();
        EXPECT_TRUE(icon->isValid());
        Rect rect = MakeRect(0, 0, 64, 64);
        const Ref<CGImage> pixels = icon->CGImageForProposedRectContextHints(&rect);
        ASSERT_TRUE(pixels);
        EXPECT_GT(pixels->width(), 0);
    }
}

TEST(WorkspaceFiles, OpeningAFileGoesThroughTheOpener)
{
    std::vector<QUrl> opened;
    Workspace::setURLOpener([&](const QUrl& url) {
        opened.push_back(url);
        return true;
    });
    EXPECT_TRUE(Workspace::sharedWorkspace()->openFileFromImageAtInView(QStringLiteral("/tmp/a b.pdf"), nullptr, Point {}, nullptr));
    EXPECT_FALSE(Workspace::sharedWorkspace()->openFile(QString()));
    Workspace::setURLOpener(nullptr);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], QUrl::fromLocalFile(QStringLiteral("/tmp/a b.pdf")));
}

class PanelResponder : public View, public PreviewPanelController, public PreviewPanelDataSource {
    KIT_CLASS(PanelResponder)
public:
    using View::View;
    bool acceptsFirstResponder() const override { return true; }
    bool acceptsPreviewPanelControl(PreviewPanel*) override { return accepts; }
    void beginPreviewPanelControl(PreviewPanel* panel) override
    {
        log.push_back("begin");
        panel->setDataSource(this);
    }
    void endPreviewPanelControl(PreviewPanel*) override { log.push_back("end"); }
    std::int64_t numberOfPreviewItemsInPreviewPanel(PreviewPanel*) override { return 1; }
    QUrl previewPanelPreviewItemAtIndex(PreviewPanel*, std::int64_t) override { return QUrl::fromLocalFile(QStringLiteral("/tmp/x.png")); }

    bool accepts = true;
    std::vector<std::string> log;
};

TEST(PreviewPanelControl, TheFirstAcceptingResponderControlsThePanel)
{
    PreviewPanel::resetForTesting();
    EXPECT_FALSE(PreviewPanel::sharedPreviewPanelExists());
    auto window = make<Window>(MakeRect(0, 0, 200, 100), TitledWindowMask);
    auto outer = make<PanelResponder>(MakeRect(0, 0, 200, 100));
    auto inner = make<PanelResponder>(MakeRect(0, 0, 50, 50));
    window->contentView()->addSubview(outer.get());
    outer->addSubview(inner.get());
    window->makeKeyAndOrderFront();
    window->makeFirstResponder(inner.get());
    inner->accepts = false;

    const Ref<PreviewPanel> panel = PreviewPanel::sharedPreviewPanel();
    EXPECT_TRUE(PreviewPanel::sharedPreviewPanelExists());
    panel->makeKeyAndOrderFront();
    EXPECT_TRUE(panel->isVisible());
    EXPECT_EQ(panel->currentController(), outer);
    EXPECT_EQ(outer->log, (std::vector<std::string> { "begin" }));
    EXPECT_TRUE(inner->log.empty());
    EXPECT_EQ(panel->currentPreviewItem(), QUrl::fromLocalFile(QStringLiteral("/tmp/x.png")));
    panel->orderOut();
    EXPECT_FALSE(panel->isVisible());
    EXPECT_EQ(outer->log, (std::vector<std::string> { "begin", "end" }));
    EXPECT_FALSE(panel->currentController());
    PreviewPanel::resetForTesting();
    Application::resetForTesting();
}

} // namespace

KIT_REGISTER_CLASS(PanelResponder, View) { }
