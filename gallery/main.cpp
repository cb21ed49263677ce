// The gallery: every component family on a page of its own. With --screenshots DIR it renders
// each page to DIR/<page>.png and exits, which needs no display.

#include "gallery/GalleryPage.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QHBoxLayout>
#include <QListWidget>
#include <QStackedWidget>
#include <QWidget>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

constexpr int pageWidth = 900;
constexpr int pageHeight = 600;

int writeScreenshots(const QString& dir, bool listPages)
{
    if (!QDir().mkpath(dir)) {
        std::fprintf(stderr, "gallery: cannot create %s\n", qPrintable(dir));
        return 1;
    }
    for (const GalleryPage& page : galleryPages()) {
        std::unique_ptr<QWidget> widget(page.create());
        widget->resize(pageWidth, pageHeight);
        widget->setAttribute(Qt::WA_DontShowOnScreen);
        widget->show();
        QApplication::processEvents();
        const QString path = QDir(dir).filePath(page.id + QStringLiteral(".png"));
        if (!widget->grab().save(path)) {
            std::fprintf(stderr, "gallery: cannot write %s\n", qPrintable(path));
            return 1;
        }
        if (listPages)
            std::printf("%s\n", qPrintable(page.id));
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    // Screenshots need no display; an interactive run wants X11, where window placement works.
    bool screenshots = false;
    for (int i = 1; i < argc; ++i)
        screenshots |= QByteArrayLiteral("--screenshots") == argv[i];
    if (screenshots)
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    else if (std::getenv("DISPLAY"))
        ::setenv("QT_QPA_PLATFORM", "xcb", 0);

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("gallery"));

    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addOption(
        { QStringLiteral("screenshots"), QStringLiteral("Write one PNG per page into <dir> and exit."), QStringLiteral("dir") });
    parser.addOption({ QStringLiteral("list-pages"), QStringLiteral("With --screenshots, print each page written.") });
    parser.process(app);
    if (parser.isSet(QStringLiteral("screenshots")))
        return writeScreenshots(parser.value(QStringLiteral("screenshots")), parser.isSet(QStringLiteral("list-pages")));

    QWidget window;
    window.setWindowTitle(QStringLiteral("Gallery"));
    auto* list = new QListWidget;
    auto* stack = new QStackedWidget;
    for (const GalleryPage& page : galleryPages()) {
        list->addItem(page.title);
        stack->addWidget(page.create());
    }
    list->setFixedWidth(180);
    QObject::connect(list, &QListWidget::currentRowChanged, stack, &QStackedWidget::setCurrentIndex);
    list->setCurrentRow(0);
    auto* layout = new QHBoxLayout(&window);
    layout->addWidget(list);
    layout->addWidget(stack, 1);
    window.resize(pageWidth + 200, pageHeight);
    window.show();
    return QApplication::exec();
}
