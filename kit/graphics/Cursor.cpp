#include "kit/graphics/Cursor.h"

#include <QPixmap>

#include <cmath>
#include <vector>

namespace kit {

namespace {

struct CursorState {
    Ref<Cursor> shown;
    std::vector<Ref<Cursor>> stack;
    Cursor::Presenter presenter;
};

CursorState& cursorState()
{
    static CursorState state;
    return state;
}

void show(const Ref<Cursor>& cursor)
{
    CursorState& s = cursorState();
    s.shown = cursor;
    if (s.presenter && cursor)
        s.presenter(*cursor);
}

Ref<Cursor> standard(Qt::CursorShape shape) { return make<Cursor>(shape); }

} // namespace

KIT_REGISTER_CLASS(Cursor, Object) { }

Ref<Cursor> Cursor::arrowCursor()
{
    static const Ref<Cursor> c = standard(Qt::ArrowCursor);
    return c;
}
Ref<Cursor> Cursor::IBeamCursor()
{
    static const Ref<Cursor> c = standard(Qt::IBeamCursor);
    return c;
}
Ref<Cursor> Cursor::pointingHandCursor()
{
    static const Ref<Cursor> c = standard(Qt::PointingHandCursor);
    return c;
}
Ref<Cursor> Cursor::openHandCursor()
{
    static const Ref<Cursor> c = standard(Qt::OpenHandCursor);
    return c;
}
Ref<Cursor> Cursor::closedHandCursor()
{
    static const Ref<Cursor> c = standard(Qt::ClosedHandCursor);
    return c;
}
Ref<Cursor> Cursor::resizeLeftRightCursor()
{
    static const Ref<Cursor> c = standard(Qt::SizeHorCursor);
    return c;
}
Ref<Cursor> Cursor::resizeLeftCursor() { return resizeLeftRightCursor(); }
Ref<Cursor> Cursor::resizeRightCursor() { return resizeLeftRightCursor(); }
Ref<Cursor> Cursor::resizeUpDownCursor()
{
    static const Ref<Cursor> c = standard(Qt::SizeVerCursor);
    return c;
}
Ref<Cursor> Cursor::crosshairCursor()
{
    static const Ref<Cursor> c = standard(Qt::CrossCursor);
    return c;
}

Ref<Cursor> Cursor::currentCursor()
{
    const CursorState& s = cursorState();
    return s.shown ? s.shown : arrowCursor();
}

QCursor Cursor::qCursor(double dpr) const
{
    if (!image_)
        return QCursor(shape_);
    QImage pixels = image_->bitmapForDrawing(dpr);
    if (pixels.isNull())
        return QCursor(Qt::ArrowCursor);
    QPixmap pixmap = QPixmap::fromImage(pixels);
    pixmap.setDevicePixelRatio(dpr);
    return QCursor(pixmap, ClampedInt(std::round(hotSpot_.x)), ClampedInt(std::round(hotSpot_.y)));
}

void Cursor::set() const { show(Ref<Cursor>(const_cast<Cursor*>(this))); }

void Cursor::push() const
{
    cursorState().stack.push_back(currentCursor());
    set();
}

void Cursor::pop()
{
    CursorState& s = cursorState();
    if (s.stack.empty())
        return;
    Ref<Cursor> below = std::move(s.stack.back());
    s.stack.pop_back();
    show(below);
}

int Cursor::stackDepth() { return int(cursorState().stack.size()); }

void Cursor::setPresenter(Presenter presenter) { cursorState().presenter = std::move(presenter); }

void Cursor::resetForTesting()
{
    CursorState& s = cursorState();
    s.shown = nullptr;
    s.stack.clear();
    s.presenter = nullptr;
}

} // namespace kit
