// The gallery: every component family on a page of its own, in one kit window with a page list
// on the left. With --screenshots DIR it renders each page's window to DIR/<page>.png and exits,
// which needs no display.

#include "JVLAppKit/JVLCrashReporter/JVLCrashReporter.h"
#include "gallery/GalleryPage.h"
#include "gallery/ReportReceiver.h"
#include "gallery/pages/LiveLinksPage.h"
#include "kit/appkit/Accessibility.h"
#include "kit/appkit/Application.h"
#include "kit/appkit/Event.h"
#include "kit/appkit/Window.h"
#include "kit/foundation/CrashLog.h"
#include "kit/foundation/OperationQueue.h"
#include "kit/foundation/ProcessInfo.h"
#include "kit/foundation/RunLoop.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QPainter>
#include <QPalette>

#include <cstdio>
#include <cstdlib>

namespace {

constexpr double pageWidth = 900;
constexpr double pageHeight = 600;
constexpr double listWidth = 180;
constexpr double rowHeight = 24;

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

class PageList;

// One row of the page list as a screen reader sees it: its title, selected when its page shows;
// selecting it shows the page.
class PageRow : public kit::Object, public kit::Accessibility {
public:
    PageRow(PageList* list, int row)
        : list_(list)
        , row_(row)
    { }
    QStringList accessibilityAttributeNames() const override;
    kit::Value accessibilityAttributeValue(const QString& attribute) const override;
    bool accessibilityIsAttributeSettable(const QString& attribute) const override { return attribute == kit::AccessibilitySelectedAttribute; }
    void accessibilitySetValueForAttribute(const kit::Value& value, const QString& attribute) override;

private:
    kit::Weak<PageList> list_;
    int row_;
};

// The page titles, top down; a click shows that page.
class PageList : public kit::View, public kit::Accessibility {
public:
    PageList(kit::Rect frame, std::vector<GalleryPage> pages, kit::View* container)
        : View(frame)
        , pages_(std::move(pages))
        , container_(container)
    {
        setAutoresizingMask(kit::ViewHeightSizable);
        show(0);
    }

    bool isFlipped() const override { return true; }

    void drawRect(kit::Rect) override
    {
        QPainter* p = currentPainter();
        const QPalette palette = QApplication::palette();
        p->fillRect(QRectF(0, 0, bounds().width(), bounds().height()), palette.color(QPalette::Base));
        QFont font = QApplication::font();
        font.setPixelSize(13);
        p->setFont(font);
        for (std::size_t i = 0; i < pages_.size(); ++i) {
            const QRectF row(0, double(i) * rowHeight, bounds().width(), rowHeight);
            const bool selected = int(i) == selected_;
            if (selected)
                p->fillRect(row, palette.color(QPalette::Highlight));
            p->setPen(palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
            p->drawText(row.adjusted(10, 0, -10, 0), Qt::AlignVCenter | Qt::AlignLeft, pages_[i].title);
        }
    }

    void mouseDown(const kit::Event& event) override
    {
        const kit::Point p = convertPointFromView(event.locationInWindow(), nullptr);
        const int row = int(p.y / rowHeight);
        if (row >= 0 && row < int(pages_.size()))
            show(row);
    }

    // kit::Accessibility: a list of one row element per page, made when first asked for.
    QStringList accessibilityAttributeNames() const override
    {
        return kit::ViewAccessibilityAttributeNames() << kit::AccessibilitySelectedChildrenAttribute;
    }
    kit::Value accessibilityAttributeValue(const QString& attribute) const override
    {
        if (attribute == kit::AccessibilityRoleAttribute)
            return kit::Value(kit::AccessibilityListRole);
        if (attribute == kit::AccessibilityRoleDescriptionAttribute)
            return kit::Value(kit::AccessibilityRoleDescription(kit::AccessibilityListRole));
        if (attribute == kit::AccessibilityChildrenAttribute) {
            kit::Array rows;
            for (int i = 0; i < int(pages_.size()); ++i)
                rows.addObject(kit::Value(rowElement(i)));
            return kit::Value(rows);
        }
        if (attribute == kit::AccessibilitySelectedChildrenAttribute)
            return kit::Value(selected_ >= 0 ? kit::Array { kit::Value(rowElement(selected_)) } : kit::Array {});
        return kit::ViewAccessibilityAttributeValue(*this, attribute);
    }
    kit::Value accessibilityHitTest(kit::Point point) const override
    {
        const kit::Point inWindow = window() ? window()->convertScreenToBase(point) : point;
        const int row = int(convertPointFromView(inWindow, nullptr).y / rowHeight);
        return row >= 0 && row < int(pages_.size()) ? kit::Value(rowElement(row)) : self();
    }
    kit::Rect rectOfRow(int row) const { return kit::MakeRect(0, double(row) * rowHeight, bounds().width(), rowHeight); }
    QString titleOfRow(int row) const { return pages_[std::size_t(row)].title; }
    int selectedRow() const { return selected_; }

    void show(int row)
    {
        const int before = selected_;
        selected_ = row;
        const kit::Ref<kit::View> container = container_.lock();
        for (const kit::Ref<kit::View>& old : std::vector<kit::Ref<kit::View>>(container->subviews()))
            old->removeFromSuperview();
        container->addSubview(pages_[std::size_t(row)].create(container->bounds()).get());
        setNeedsDisplay(true);
        // A screen reader hears the selection move.
        if (before >= 0 && before < int(rows_.size()) && rows_[std::size_t(before)])
            rows_[std::size_t(before)]->accessibilitySelectionChanged();
        if (row < int(rows_.size()) && rows_[std::size_t(row)])
            rows_[std::size_t(row)]->accessibilitySelectionChanged();
    }

private:
    kit::Ref<PageRow> rowElement(int row) const
    {
        if (rows_.size() < pages_.size())
            rows_.resize(pages_.size());
        kit::Ref<PageRow>& element = rows_[std::size_t(row)];
        if (!element)
            element = kit::make<PageRow>(const_cast<PageList*>(this), row);
        return element;
    }

    std::vector<GalleryPage> pages_;
    kit::Weak<kit::View> container_;
    int selected_ = -1;
    mutable std::vector<kit::Ref<PageRow>> rows_;
};

QStringList PageRow::accessibilityAttributeNames() const
{
    return { kit::AccessibilityRoleAttribute, kit::AccessibilityRoleDescriptionAttribute, kit::AccessibilityParentAttribute,
        kit::AccessibilityWindowAttribute, kit::AccessibilityTitleAttribute, kit::AccessibilityValueAttribute, kit::AccessibilityPositionAttribute,
        kit::AccessibilitySizeAttribute, kit::AccessibilitySelectedAttribute, kit::AccessibilityEnabledAttribute };
}

kit::Value PageRow::accessibilityAttributeValue(const QString& attribute) const
{
    const kit::Ref<PageList> list = list_.lock();
    if (!list)
        return {};
    if (attribute == kit::AccessibilityRoleAttribute)
        return kit::Value(kit::AccessibilityStaticTextRole);
    if (attribute == kit::AccessibilityRoleDescriptionAttribute)
        return kit::Value(kit::AccessibilityRoleDescription(kit::AccessibilityStaticTextRole));
    if (attribute == kit::AccessibilityParentAttribute)
        return kit::Value(list);
    if (attribute == kit::AccessibilityWindowAttribute)
        return kit::Value(list->window());
    if (attribute == kit::AccessibilityTitleAttribute || attribute == kit::AccessibilityValueAttribute)
        return kit::Value(list->titleOfRow(row_));
    if (attribute == kit::AccessibilityPositionAttribute || attribute == kit::AccessibilitySizeAttribute) {
        const kit::Rect box = kit::AccessibilityScreenRectOfRectInView(*list, list->rectOfRow(row_));
        return attribute == kit::AccessibilitySizeAttribute ? kit::Value(box.size) : kit::Value(box.origin);
    }
    if (attribute == kit::AccessibilitySelectedAttribute)
        return kit::Value(list->selectedRow() == row_);
    if (attribute == kit::AccessibilityEnabledAttribute)
        return kit::Value(true);
    return {};
}

void PageRow::accessibilitySetValueForAttribute(const kit::Value& value, const QString& attribute)
{
    if (attribute != kit::AccessibilitySelectedAttribute || !value.boolValue())
        return;
    if (const kit::Ref<PageList> list = list_.lock(); list && list->selectedRow() != row_)
        list->show(row_);
}

} // namespace

int main(int argc, char** argv)
{
    // The gallery's own resources (interface files, tones) are its main bundle.
    if (qEnvironmentVariableIsEmpty("KIT_MAIN_BUNDLE"))
        qputenv("KIT_MAIN_BUNDLE", ":/Gallery");
    // Before anything else can fail, so that every crash leaves a log to offer at the next start.
    kit::CrashLog::install();
    kit::ConsoleLog::trim();
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
    parser.addOption({ QStringLiteral("no-report-receiver"), QStringLiteral("Leave the report receiver off, as screenshot runs do.") });
    parser.addOption({ QStringLiteral("live-link-server"), QStringLiteral("Run as the Live links page's second process: its shape editor.") });
    parser.process(app);
    if (parser.isSet(QStringLiteral("screenshots")))
        return writeScreenshots(parser.value(QStringLiteral("screenshots")), parser.isSet(QStringLiteral("list-pages")));
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
    const kit::Ref<kit::View> content = window->contentView();
    auto container = kit::make<kit::View>(kit::MakeRect(listWidth, 0, pageWidth, pageHeight));
    container->setAutoresizingMask(kit::ViewWidthSizable | kit::ViewHeightSizable);
    content->addSubview(container.get());
    content->addSubview(kit::make<PageList>(kit::MakeRect(0, 0, listWidth, pageHeight), galleryPages(), container.get()).get());
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
