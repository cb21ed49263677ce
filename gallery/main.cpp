// The gallery: every component family on a page of its own, in one kit window with a page list
// on the left. With --screenshots DIR it renders each page's window to DIR/<page>.png and exits,
// which needs no display.

#include "JVLAppKit/JVLCrashReporter/JVLCrashReporter.h"
#include "gallery/GalleryDelegate.h"
#include "gallery/GalleryPage.h"
#include "gallery/MainMenu.h"
#include "gallery/PageList.h"
#include "gallery/ReportReceiver.h"
#include "gallery/pages/LiveLinksPage.h"
#include "kit/appkit/Application.h"
#include "kit/appkit/Event.h"
#include "kit/appkit/Window.h"
#include "kit/foundation/CrashLog.h"
#include "kit/foundation/OperationQueue.h"
#include "kit/foundation/ProcessInfo.h"
#include "kit/foundation/RunLoop.h"
#include "kit/x11/DisplayProbe.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>

#include <cstdio>
#include <cstdlib>

namespace {

constexpr double pageWidth = 900;
constexpr double pageHeight = 600;
constexpr double listWidth = 180;

int writeScreenshots(const QString& dir, bool listPages)
{
    if (!QDir().mkpath(dir)) {
        std::fprintf(stderr, "gallery: cannot create %s\n", qPrintable(dir));
        return 1;
    }
    for (const GalleryPage& page : galleryPages()) {
        auto window = kit::make<kit::Window>(kit::MakeRect(0, 0, pageWidth, pageHeight), kit::TitledWindowMask);
        const kit::Ref<kit::View> pageView = page.create(kit::MakeRect(0, 0, pageWidth, pageHeight));
        window->contentView()->addSubview(pageView.get());
        // Key, as the gallery's own window is on a display: some looks follow the key state.
        window->makeKeyAndOrderFront();
        if (page.isReady)
            kit::RunLoop::main().runUntil([&] { return page.isReady(pageView.get()); }, 5.0);
        const QString path = QDir(dir).filePath(page.id + QStringLiteral(".png"));
        const QImage image = window->snapshot();
        // Out of its window a page stops what it animates (a spinner's thread) before the next one.
        pageView->removeFromSuperview();
        window->close();
        if (!image.save(path)) {
            std::fprintf(stderr, "gallery: cannot write %s\n", qPrintable(path));
            return 1;
        }
        if (listPages)
            std::printf("%s\n", qPrintable(page.id));
    }
    return 0;
}

// 0 when the interactive gallery can open its display, else the exit status after one line on
// stderr. Another platform chosen in QT_QPA_PLATFORM is left to Qt.
int checkDisplay()
{
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if (!platform.isEmpty() && platform != "xcb")
        return 0;
    const QByteArray display = qgetenv("DISPLAY");
    if (display.isEmpty()) {
        std::fprintf(stderr, "gallery: no display (DISPLAY is not set); --screenshots DIR renders the pages without one\n");
        return 1;
    }
    if (!kit::displayCanBeOpened(display)) {
        std::fprintf(stderr, "gallery: cannot open display %s; --screenshots DIR renders the pages without one\n", display.constData());
        return 1;
    }
    ::setenv("QT_QPA_PLATFORM", "xcb", 0);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    // The options first: asking for help, a mistyped option or a missing display is no crash.
    QCommandLineParser parser;
    // Not addHelpOption: its --help-all promises Qt's own options, which this parser refuses.
    parser.addOption({ { QStringLiteral("h"), QStringLiteral("help") }, QStringLiteral("Displays help on commandline options.") });
    parser.addOption(
        { QStringLiteral("screenshots"), QStringLiteral("Write one PNG per page into <dir> and exit."), QStringLiteral("dir") });
    parser.addOption({ QStringLiteral("list-pages"), QStringLiteral("With --screenshots, print each page written.") });
    parser.addOption({ QStringLiteral("no-report-receiver"), QStringLiteral("Leave the report receiver off, as screenshot runs do.") });
    parser.addOption({ QStringLiteral("live-link-server"), QStringLiteral("Run as the Live links page's second process: its shape editor.") });
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    if (!parser.parse(arguments)) {
        std::fprintf(stderr, "gallery: %s\n", qPrintable(parser.errorText()));
        return 1;
    }
    // Before any display is needed.
    if (parser.isSet(QStringLiteral("help"))) {
        const QCoreApplication named(argc, argv); // for the usage line; it needs no display
        std::fputs(qPrintable(parser.helpText()), stdout);
        return 0;
    }
    // Screenshots need no display; an interactive run wants X11, where window placement works.
    const bool screenshots = parser.isSet(QStringLiteral("screenshots"));
    if (screenshots)
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    else if (const int status = checkDisplay())
        return status;

    // The gallery's own resources (interface files, tones) are its main bundle.
    if (qEnvironmentVariableIsEmpty("KIT_MAIN_BUNDLE"))
        qputenv("KIT_MAIN_BUNDLE", ":/Gallery");
    // Before anything else can fail, so that every crash leaves a log to offer at the next start.
    kit::CrashLog::install();
    kit::ConsoleLog::trim();

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("gallery"));
    // In screenshot runs too: the Controls page shows the main menu.
    const kit::Ref<GalleryMainMenu> mainMenu = GalleryMainMenu::install();

    if (parser.isSet(QStringLiteral("screenshots")))
        return writeScreenshots(parser.value(QStringLiteral("screenshots")), parser.isSet(QStringLiteral("list-pages")));
    // Closing the last window quits, the live-link server's editor included.
    const auto delegate = kit::make<GalleryDelegate>();
    kit::Application::sharedApplication()->setDelegate(delegate.get());
    if (parser.isSet(QStringLiteral("live-link-server"))) {
        const kit::Ref<kit::Window> editor = makeLiveLinkServerWindow();
        if (!editor) {
            std::fprintf(stderr, "gallery: the live-link server is running already, or there is no session bus\n");
            return 1;
        }
        editor->makeKeyAndOrderFront();
        return QApplication::exec();
    }

    auto window = kit::make<kit::Window>(kit::MakeRect(100, 100, pageWidth + listWidth, pageHeight),
        kit::TitledWindowMask | kit::ClosableWindowMask | kit::ResizableWindowMask);
    window->setTitle(QStringLiteral("Gallery"));
    const kit::Ref<PageList> list = addPageListAndArea(window->contentView().get(), listWidth, kit::MakeSize(pageWidth, pageHeight), galleryPages());
    // The arrow keys pick pages from the start.
    window->makeFirstResponder(list.get());
    window->center();
    window->makeKeyAndOrderFront();
    // The endpoint of the gallery's own uploads; never in screenshot runs.
    if (!parser.isSet(QStringLiteral("no-report-receiver")))
        GalleryReportReceiver::shared().start();
    // Once the window is up, a crash log of an earlier run is offered.
    kit::OperationQueue::mainQueue()->addOperationWithBlock([] { JVLCrashReporter::checkForCrash(); });
    const int status = QApplication::exec();
    GalleryReportReceiver::shared().stop();
    return status;
}
