// What kit windows show on a real X server: the pixels read back from the server, compared with
// the same view tree rendered offscreen in a twin window that is never shown.
// Real X11 only: under xvfb-run with QT_QPA_PLATFORM=xcb. Elsewhere the tests skip themselves.

#include "kit/appkit/Application.h"
#include "kit/appkit/Panel.h"
#include "kit/appkit/Toolbar.h"
#include "kit/appkit/ToolbarItem.h"
#include "kit/appkit/View.h"
#include "kit/appkit/Window.h"
#include "kit/graphics/Color.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QPainter>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <QtGui/qguiapplication_platform.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <xcb/xcb.h>

namespace {

using namespace kit;

namespace x11display {

// Bands of colour, a frame line and a caption: something at every edge and some text. The hue
// changes the content without touching the geometry.
class PatternView : public View {
public:
    PatternView(Rect frame, int hue, int alpha)
        : View(frame)
        , hue_(hue)
        , alpha_(alpha)
    { }

    void setHue(int hue)
    {
        hue_ = hue;
        setNeedsDisplay(true);
    }

    void drawRect(Rect) override
    {
        QPainter* p = currentPainter();
        const double w = bounds().width(), h = bounds().height();
        p->fillRect(QRectF(0, 0, w, h), QColor::fromHsv(hue_, 160, 230, alpha_));
        p->fillRect(QRectF(0, 0, w / 3, h / 2), QColor::fromHsv((hue_ + 120) % 360, 200, 180));
        p->fillRect(QRectF(w * 2 / 3, h / 2, w / 3, h / 2), QColor::fromHsv((hue_ + 240) % 360, 220, 120));
        p->setPen(QPen(Qt::black, 1));
        p->drawRect(QRectF(0.5, 0.5, w - 1, h - 1));
        p->save();
        p->translate(0, h);
        p->scale(1, -1); // y up: stand the text upright
        p->drawText(QRectF(8, 4, w - 16, h - 8), Qt::AlignLeft | Qt::AlignTop, QStringLiteral("Hue %1").arg(hue_));
        p->restore();
    }

private:
    int hue_;
    int alpha_;
};

enum class Kind { Titled, Panel, Child, Sheet, BorderlessTranslucent, MadeTranslucentWhenShown, WithToolbar, FadedIn };

bool Translucent(Kind kind) { return kind == Kind::BorderlessTranslucent || kind == Kind::MadeTranslucentWhenShown; }

void MakeTranslucent(Window& window)
{
    window.setOpaque(false);
    window.setBackgroundColor(Color::colorWithSRGBRedGreenBlueAlpha(0.2, 0.4, 0.8, 0.5).get());
}

struct Case {
    const char* name;
    Kind kind;
    bool orderedFromRunningLoop; // ordered front by a callback of the running event loop
};

std::string CaseName(const testing::TestParamInfo<Case>& info) { return info.param.name; }

bool OnX11() { return QGuiApplication::platformName() == QLatin1String("xcb"); }

bool TurnUntil(const std::function<bool()>& done)
{
    // The server answers asynchronously; give it a bounded number of turns.
    QElapsedTimer limit;
    limit.start();
    while (!done() && limit.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

xcb_connection_t* Connection() { return qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection(); }

// The window's pixels as the server holds them (not the kit's backing image); null when the
// window is not viewable.
QImage ServerImage(Window& window)
{
    QWidget* host = window.hostWidget();
    if (!host->windowHandle() || !host->isVisible())
        return {};
    const auto id = xcb_window_t(host->windowHandle()->winId());
    const QSize size = host->size();
    xcb_get_image_cookie_t cookie
        = xcb_get_image(Connection(), XCB_IMAGE_FORMAT_Z_PIXMAP, id, 0, 0, std::uint16_t(size.width()), std::uint16_t(size.height()), ~0u);
    std::unique_ptr<xcb_get_image_reply_t, decltype(&std::free)> reply(xcb_get_image_reply(Connection(), cookie, nullptr), &std::free);
    if (!reply || (reply->depth != 24 && reply->depth != 32))
        return {};
    const int bytes = xcb_get_image_data_length(reply.get());
    if (bytes < size.width() * size.height() * 4)
        return {};
    // 24 and 32 deep visuals hold 32-bit pixels, 0xAARRGGBB in the server's byte order (ours).
    const QImage view(xcb_get_image_data(reply.get()), size.width(), size.height(), size.width() * 4,
        reply->depth == 32 ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    return view.copy();
}

// Equal within `tolerance` per channel; alpha counts only where the server keeps it.
testing::AssertionResult SameImage(const QImage& shown, const QImage& expected, int tolerance = 3)
{
    if (shown.isNull())
        return testing::AssertionFailure() << "the server has no image of the window";
    if (shown.size() != expected.size())
        return testing::AssertionFailure() << "sizes differ";
    const bool alpha = shown.format() == QImage::Format_ARGB32_Premultiplied;
    const QImage want = expected.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    int wrong = 0;
    QString first;
    for (int y = 0; y < want.height(); ++y) {
        const auto* a = reinterpret_cast<const QRgb*>(shown.constScanLine(y));
        const auto* b = reinterpret_cast<const QRgb*>(want.constScanLine(y));
        for (int x = 0; x < want.width(); ++x) {
            const bool close = std::abs(qRed(a[x]) - qRed(b[x])) <= tolerance && std::abs(qGreen(a[x]) - qGreen(b[x])) <= tolerance
                && std::abs(qBlue(a[x]) - qBlue(b[x])) <= tolerance && (!alpha || std::abs(qAlpha(a[x]) - qAlpha(b[x])) <= tolerance);
            if (close)
                continue;
            if (wrong++ == 0) {
                const QRgb opaque = alpha ? 0 : 0xff000000;
                first = QStringLiteral("(%1, %2) shows #%3, expected #%4")
                            .arg(x)
                            .arg(y)
                            .arg(a[x] | opaque, 8, 16, QLatin1Char('0'))
                            .arg(b[x] | opaque, 8, 16, QLatin1Char('0'));
            }
        }
    }
    if (wrong == 0)
        return testing::AssertionSuccess();
    return testing::AssertionFailure() << wrong << " of " << want.width() * want.height() << " pixels differ, first " << first.toStdString();
}

// Waits (bounded) until the server shows what the twin renders offscreen.
testing::AssertionResult ServerShows(Window& window, Window& twin)
{
    const QImage expected = twin.snapshot();
    TurnUntil([&] { return bool(SameImage(ServerImage(window), expected)); });
    return SameImage(ServerImage(window), expected);
}

// What the server shows once the window's first expose has been handled, without another turn:
// the expose itself must paint the views.
testing::AssertionResult FirstExposeShows(Window& window, Window& twin)
{
    QWindow* handle = window.hostWidget()->windowHandle();
    if (!TurnUntil([&] { return handle && handle->isExposed(); }))
        return testing::AssertionFailure() << "the window was never exposed";
    return SameImage(ServerImage(window), twin.snapshot());
}

class X11WindowDisplay : public testing::TestWithParam<Case> {
protected:
    void SetUp() override
    {
        if (!OnX11())
            GTEST_SKIP() << "needs a real X server";
        shown = makeWindow(view);
        twin = makeWindow(twinView);
        if (GetParam().kind == Kind::MadeTranslucentWhenShown)
            MakeTranslucent(*twin);
    }

    void TearDown() override
    {
        for (const Ref<Window>& w : { sheet, shown, parent })
            if (w)
                w->orderOut();
        Application::resetForTesting();
    }

    Ref<Window> makeWindow(Ref<PatternView>& pattern)
    {
        const Case& c = GetParam();
        const Rect frame = MakeRect(200, 150, 240, 160);
        Ref<Window> w;
        switch (c.kind) {
        case Kind::Panel:
            w = make<Panel>(frame, TitledWindowMask | UtilityWindowMask);
            break;
        case Kind::BorderlessTranslucent:
            w = make<Window>(frame, BorderlessWindowMask);
            MakeTranslucent(*w);
            break;
        case Kind::MadeTranslucentWhenShown:
            w = make<Window>(frame, BorderlessWindowMask);
            break;
        case Kind::WithToolbar: {
            w = make<Window>(frame, TitledWindowMask);
            auto toolbar = make<Toolbar>(QStringLiteral("X11WindowDisplay"));
            toolbar->insertItemWithItemIdentifierAtIndex(ToolbarSeparatorItemIdentifier, 0);
            w->setToolbar(toolbar.get());
            break;
        }
        default:
            w = make<Window>(frame, TitledWindowMask);
            break;
        }
        // Inset, so the window's own background shows around it.
        pattern = make<PatternView>(MakeRect(10, 10, 220, 140), 30, Translucent(c.kind) ? 160 : 255);
        w->contentView()->addSubview(pattern.get());
        return w;
    }

    // Orders the window front the way the case says, with its parent first where it has one.
    void orderFront()
    {
        const Case& c = GetParam();
        const auto order = [&] {
            switch (c.kind) {
            case Kind::Child:
                if (!parent) {
                    parent = make<Window>(MakeRect(120, 100, 400, 300), TitledWindowMask);
                    parent->orderFront();
                    parent->addChildWindowOrdered(shown.get(), WindowAbove);
                }
                shown->orderFront();
                break;
            case Kind::Sheet:
                if (!parent) {
                    parent = make<Window>(MakeRect(120, 100, 400, 300), TitledWindowMask);
                    parent->makeKeyAndOrderFront();
                    Application::sharedApplication()->beginSheetModalForWindowDidEndContextInfo(shown.get(), parent.get(), {}, nullptr);
                    sheet = shown;
                } else {
                    shown->makeKeyAndOrderFront();
                }
                break;
            case Kind::MadeTranslucentWhenShown:
                shown->makeKeyAndOrderFront();
                if (shown->isOpaque())
                    MakeTranslucent(*shown);
                break;
            case Kind::FadedIn:
                // Ordered in while fully transparent, then made opaque: a fade-in's first and last steps.
                shown->setAlphaValue(0);
                shown->makeKeyAndOrderFront();
                shown->setAlphaValue(1);
                break;
            default:
                shown->makeKeyAndOrderFront();
                break;
            }
        };
        if (!c.orderedFromRunningLoop) {
            order();
            return;
        }
        bool ordered = false;
        QTimer::singleShot(0, [&] {
            order();
            ordered = true;
        });
        ASSERT_TRUE(TurnUntil([&] { return ordered; }));
    }

    Ref<Window> shown, twin, parent, sheet;
    Ref<PatternView> view, twinView;
};

TEST_P(X11WindowDisplay, TheServerShowsTheViewTreeAfterShowChangeReorderingAndMove)
{
    orderFront();
    EXPECT_TRUE(FirstExposeShows(*shown, *twin)) << "right after it was shown";
    if (Translucent(GetParam().kind)) {
        EXPECT_TRUE(ServerImage(*shown).hasAlphaChannel()) << "a translucent window has a visual with alpha";
    }

    view->setHue(200);
    twinView->setHue(200);
    EXPECT_TRUE(ServerShows(*shown, *twin)) << "after a change of content";

    shown->orderOut();
    TurnUntil([&] { return !shown->hostWidget()->windowHandle()->isExposed(); });
    view->setHue(300);
    twinView->setHue(300);
    orderFront();
    EXPECT_TRUE(FirstExposeShows(*shown, *twin)) << "after ordering out and in again";

    shown->setFrameOrigin(MakePoint(shown->frame().minX() + 37, shown->frame().minY() - 21));
    EXPECT_TRUE(ServerShows(*shown, *twin)) << "after a move";
}

INSTANTIATE_TEST_SUITE_P(Kinds, X11WindowDisplay,
    testing::Values(Case { "Titled", Kind::Titled, false }, Case { "TitledFromTheRunningLoop", Kind::Titled, true },
        Case { "Panel", Kind::Panel, false }, Case { "PanelFromTheRunningLoop", Kind::Panel, true }, Case { "Child", Kind::Child, false },
        Case { "ChildFromTheRunningLoop", Kind::Child, true }, Case { "Sheet", Kind::Sheet, false },
        Case { "SheetFromTheRunningLoop", Kind::Sheet, true }, Case { "BorderlessTranslucent", Kind::BorderlessTranslucent, false },
        Case { "BorderlessTranslucentFromTheRunningLoop", Kind::BorderlessTranslucent, true },
        Case { "MadeTranslucentWhenShown", Kind::MadeTranslucentWhenShown, false }, Case { "WithToolbar", Kind::WithToolbar, false },
        Case { "FadedIn", Kind::FadedIn, false }),
    CaseName);

} // namespace x11display

} // namespace
