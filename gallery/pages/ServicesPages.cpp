#include "gallery/pages/ServicesPages.h"

#include "components/ABAttachedWindow/ABAttachedWindow.h"
#include "components/HKHotKey/HKHotKeyCenter.h"
#include "gallery/pages/GallerySwatch.h"
#include "kit/appkit/Window.h"
#include "kit/graphics/AffineTransform.h"
#include "kit/graphics/Color.h"

#include <QStringList>

#include <memory>
#include <utility>
#include <vector>

using kit::MakeRect;
using kit::Ref;

namespace {

struct ServicesHotKeyChoice {
    const char* title;
    std::uint16_t keyCode;
    std::uint64_t flags;
};

// The twelve sides as the bubble draws them, four to a row.
class ServicesSideGrid : public kit::View {
public:
    using kit::View::View;
    void drawRect(kit::Rect) override
    {
        kit::Color::colorWithSRGBRedGreenBlueAlpha(0.96, 0.96, 0.97, 1)->setFill();
        kit::BezierPath::fillRect(bounds());
        for (int side = 0; side < 12; ++side) {
            ABAttachedWindowGeometry::Metrics m;
            m.viewSize = kit::MakeSize(90, 40);
            const ABAttachedWindowGeometry::Layout placed = ABAttachedWindowGeometry::layout(m, side, kit::MakePoint(0, 0));
            Ref<kit::BezierPath> path = ABAttachedWindowGeometry::outline(m, side, placed.viewFrame);
            kit::AffineTransform move;
            move.translateXByYBy(20 + (side % 4) * 150, bounds().size.height - 90 - (side / 4) * 95);
            path->transformUsingAffineTransform(move);
            kit::Color::whiteColor()->setFill();
            path->fill();
            path->setLineWidth(2);
            kit::Color::darkGrayColor()->setStroke();
            path->stroke();
        }
    }
};

// The hot keys page: the keys it registered go when it leaves its window, so that none fires into
// a page that is gone or stays grabbed from every other program.
class HotKeysPageView : public GallerySwatch {
public:
    using GallerySwatch::GallerySwatch;
    std::vector<std::pair<std::uint16_t, std::uint64_t>> registered;

    // kit::View:
    void viewDidMoveToWindow() override
    {
        GallerySwatch::viewDidMoveToWindow();
        if (window() || registered.empty())
            return;
        const Ref<HKHotKeyCenter> center = kit::make<HKHotKeyCenter>();
        for (const auto& [code, flags] : registered)
            center->unregisterHotKeyWithKeyCodeModifierFlags(code, flags);
        registered.clear();
    }
};

} // namespace

kit::Ref<kit::View> makeHotKeysPage(kit::Rect frame)
{
    auto page = kit::make<HotKeysPageView>(frame, QColor(250, 250, 250), QString());
    const double top = frame.size.height - 50;
    auto header = kit::make<GallerySwatch>(MakeRect(20, top - 10, 700, 56), QColor(250, 250, 250),
        QStringLiteral("Global hot keys fire on release, whatever window is in front. Command means Ctrl here; "
                       "a Wayland session refuses every combination (X11 grabs there see only X11 windows)."));
    header->setAutoresizingMask(kit::ViewMinYMargin);
    page->addSubview(header.get());
    auto log = kit::make<GallerySwatch>(MakeRect(20, top - 300, 700, 200), QColor(240, 240, 244), QStringLiteral("No firings yet."));
    log->setAutoresizingMask(kit::ViewMinYMargin);
    galleryMarkStatusLine(kit::Value(log));
    page->addSubview(log.get());
    const kit::Weak<GallerySwatch> logView(log.get());
    auto lines = std::make_shared<QStringList>();
    auto say = [logView, lines](const QString& line) {
        const Ref<GallerySwatch> shown = logView.lock();
        if (!shown)
            return;
        lines->append(line);
        while (lines->size() > 8)
            lines->removeFirst();
        shown->setTitle(lines->join(QLatin1Char('\n')));
    };
    const kit::Weak<HotKeysPageView> weakPage(page.get());
    const ServicesHotKeyChoice choices[] = {
        { "Ctrl+Shift+K", 40, kit::CommandKeyMask | kit::ShiftKeyMask },
        { "Ctrl+Alt+H", 4, kit::CommandKeyMask | kit::AlternateKeyMask },
        { "Super+F5", 96, kit::ControlKeyMask },
    };
    double x = 20;
    for (const ServicesHotKeyChoice& choice : choices) {
        const QString title = QString::fromUtf8(choice.title);
        const std::uint16_t code = choice.keyCode;
        const std::uint64_t flags = choice.flags;
        auto b = kit::make<GalleryPushButton>(MakeRect(x, top - 60, 150, 28), title, [=] {
            const bool done = kit::make<HKHotKeyCenter>()->registerHotKeyWithKeyCodeModifierFlagsTask(
                code, flags, [say, title](kit::Event*) { say(title + QStringLiteral(" fired")); });
            if (const Ref<HotKeysPageView> shown = weakPage.lock(); shown && done)
                shown->registered.emplace_back(code, flags);
            say(title + (done ? QStringLiteral(" registered") : QStringLiteral(" refused")));
        });
        b->setAutoresizingMask(kit::ViewMinYMargin);
        page->addSubview(b.get());
        x += 160;
    }
    auto clear = kit::make<GalleryPushButton>(MakeRect(x, top - 60, 150, 28), QStringLiteral("Unregister all"), [say, weakPage] {
        auto center = kit::make<HKHotKeyCenter>();
        center->unregisterHotKeysMatchingPredicate([](const HKHotKey_&) { return true; });
        if (const Ref<HotKeysPageView> shown = weakPage.lock())
            shown->registered.clear();
        say(QStringLiteral("All unregistered"));
    });
    clear->setAutoresizingMask(kit::ViewMinYMargin);
    page->addSubview(clear.get());
    return page;
}

kit::Ref<kit::View> makeBubblePage(kit::Rect frame)
{
    auto page = kit::make<GallerySwatch>(frame, QColor(250, 250, 250), QString());
    auto grid = kit::make<ServicesSideGrid>(MakeRect(20, frame.size.height - 340, 620, 300));
    grid->setAutoresizingMask(kit::ViewMinYMargin);
    page->addSubview(grid.get());
    // Weak: the page owns the buttons whose actions reach it.
    const kit::Weak<kit::View> anchorRef { Ref<kit::View>(page) };
    auto bubbles = std::make_shared<std::vector<Ref<ABAttachedWindow>>>();
    // What the sliders set, for the open bubbles and the next ones.
    struct Shape {
        double margin = 2, radius = 8, arrow = 16, border = 2;
    };
    auto shape = std::make_shared<Shape>();
    const auto applyShape = [shape](ABAttachedWindow& bubble) {
        bubble.setViewMargin(shape->margin);
        bubble.setCornerRadius(shape->radius);
        bubble.setArrowHeight(shape->arrow);
        bubble.setBorderWidth(shape->border);
    };
    struct SliderRow {
        const char* name;
        const char* toolTip;
        double min, max;
        double Shape::*field;
    };
    // Listed bottom up: the page's y runs up.
    const SliderRow rows[] = { { "Border", "Border width", 0, 6, &Shape::border }, { "Arrow", "Arrow height", 4, 40, &Shape::arrow },
        { "Radius", "Corner radius", 0, 24, &Shape::radius }, { "Margin", "Margin around the content", 0, 20, &Shape::margin } };
    double rowY = 64;
    for (const SliderRow& row : rows) {
        const QString name = QString::fromUtf8(row.name);
        const auto caption = [name](double value) { return QStringLiteral("%1: %2").arg(name).arg(value, 0, 'f', 1); };
        Ref<kit::TextField> label = galleryLabel(MakeRect(20, rowY, 110, 20), caption(shape.get()->*row.field), page.get());
        const kit::Weak<kit::TextField> labelRef { label };
        auto slider = kit::make<GallerySlider>(MakeRect(140, rowY - 2, 240, 24), row.min, row.max, shape.get()->*row.field,
            [shape, bubbles, applyShape, labelRef, caption, field = row.field](double value) {
                shape.get()->*field = value;
                if (const Ref<kit::TextField> l = labelRef.lock())
                    l->setStringValue(caption(value));
                for (const Ref<ABAttachedWindow>& bubble : *bubbles)
                    applyShape(*bubble);
            });
        slider->setToolTip(QString::fromUtf8(row.toolTip));
        page->addSubview(slider.get());
        rowY += 34;
    }
    const int sides[] = { ABPositionAutomatic, ABPositionBottom, ABPositionRight, ABPositionTopLeft };
    double x = 20;
    for (const int side : sides) {
        const QString title = side == ABPositionAutomatic ? QStringLiteral("Attach (auto)") : QStringLiteral("Attach side %1").arg(side);
        auto b = kit::make<GalleryPushButton>(MakeRect(x, 20, 130, 28), title, [anchorRef, bubbles, applyShape, side, x] {
            const Ref<kit::View> anchor = anchorRef.lock();
            const Ref<kit::Window> window = anchor ? anchor->window() : nullptr;
            if (!window)
                return;
            auto content = kit::make<GallerySwatch>(MakeRect(0, 0, 160, 48), QColor(255, 255, 255), QStringLiteral("A bubble"));
            // The point: just above this button, in the window's coordinates.
            const kit::Point spot = anchor->convertPointToView(kit::MakePoint(x + 65, 52), nullptr);
            auto bubble = ABAttachedWindow::initWithViewAttachedToPointInWindowOnSideAtDistance(content.get(), spot, window.get(), side, 2);
            applyShape(*bubble);
            window->addChildWindowOrdered(bubble.get(), kit::WindowAbove);
            bubble->orderFront();
            bubbles->push_back(bubble);
        });
        page->addSubview(b.get());
        x += 140;
    }
    auto close = kit::make<GalleryPushButton>(MakeRect(x, 20, 130, 28), QStringLiteral("Close bubbles"), [bubbles] {
        for (const Ref<ABAttachedWindow>& bubble : *bubbles) {
            if (const Ref<kit::Window> parent = bubble->parentWindow())
                parent->removeChildWindow(bubble.get());
            bubble->orderOut();
        }
        bubbles->clear();
    });
    page->addSubview(close.get());
    return page;
}
