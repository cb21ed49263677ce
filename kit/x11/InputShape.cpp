#include "kit/x11/InputShape.h"

#include "kit/x11/QtXcbConnection.h"

#include <QEvent>
#include <QWidget>
#include <QWindow>

#include <cmath>
#include <cstdlib>
#include <vector>
#include <xcb/shape.h>
#include <xcb/xcb.h>

namespace kit {

namespace {

xcb_connection_t* inputShapeConnection() { return qtXcbConnectionWithExtension(&xcb_shape_id); }

// Sends the shape of the widget's native window, when it has one.
void applyInputShape(QWidget* widget, const std::optional<QRegion>& region)
{
    xcb_connection_t* c = inputShapeConnection();
    QWindow* handle = widget->windowHandle();
    if (!c || !handle || !handle->handle())
        return;
    const auto window = xcb_window_t(handle->winId());
    if (!region) {
        // No input shape: the bounding shape decides again.
        xcb_shape_mask(c, XCB_SHAPE_SO_SET, XCB_SHAPE_SK_INPUT, window, 0, 0, XCB_NONE);
        xcb_flush(c);
        return;
    }
    // The server counts native pixels.
    const double scale = handle->devicePixelRatio();
    std::vector<xcb_rectangle_t> rects;
    for (const QRect& r : *region) {
        const int x0 = int(std::floor(r.left() * scale)), y0 = int(std::floor(r.top() * scale));
        const int x1 = int(std::ceil((r.right() + 1) * scale)), y1 = int(std::ceil((r.bottom() + 1) * scale));
        rects.push_back({ std::int16_t(x0), std::int16_t(y0), std::uint16_t(x1 - x0), std::uint16_t(y1 - y0) });
    }
    xcb_shape_rectangles(c, XCB_SHAPE_SO_SET, XCB_SHAPE_SK_INPUT, XCB_CLIP_ORDERING_UNSORTED, window, 0, 0,
        std::uint32_t(rects.size()), rects.data());
    xcb_flush(c);
}

// Keeps a widget's input shape and sets it on each native window the widget gets.
class InputShapeKeeper final : public QObject {
public:
    explicit InputShapeKeeper(QWidget* widget)
        : QObject(widget)
        , widget_(widget)
    {
        setObjectName(QStringLiteral("kit-input-shape"));
        widget->installEventFilter(this);
    }
    void set(std::optional<QRegion> region)
    {
        region_ = std::move(region);
        applyInputShape(widget_, region_);
    }
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        // A new native window starts with no input shape; Show covers a window made just before it.
        if (watched == widget_ && (event->type() == QEvent::WinIdChange || event->type() == QEvent::Show) && region_)
            applyInputShape(widget_, region_);
        return false;
    }

private:
    QWidget* widget_;
    std::optional<QRegion> region_;
};

} // namespace

void setInputShape(QWidget* widget, std::optional<QRegion> region)
{
    if (!widget || !inputShapeConnection())
        return;
    auto* keeper = dynamic_cast<InputShapeKeeper*>(widget->findChild<QObject*>(QStringLiteral("kit-input-shape"), Qt::FindDirectChildrenOnly));
    if (!keeper) {
        if (!region)
            return;
        keeper = new InputShapeKeeper(widget);
    }
    keeper->set(std::move(region));
}

std::optional<QRegion> shapeOnServer(unsigned long window, ShapeKind kind)
{
    xcb_connection_t* c = inputShapeConnection();
    if (!c)
        return std::nullopt;
    xcb_shape_get_rectangles_reply_t* reply
        = xcb_shape_get_rectangles_reply(c, xcb_shape_get_rectangles(c, xcb_window_t(window), kind == ShapeKind::Input ? XCB_SHAPE_SK_INPUT : XCB_SHAPE_SK_BOUNDING), nullptr);
    if (!reply)
        return std::nullopt;
    QRegion region;
    const xcb_rectangle_t* rects = xcb_shape_get_rectangles_rectangles(reply);
    for (int i = 0; i < xcb_shape_get_rectangles_rectangles_length(reply); ++i)
        region += QRect(rects[i].x, rects[i].y, rects[i].width, rects[i].height);
    std::free(reply);
    return region;
}

} // namespace kit
