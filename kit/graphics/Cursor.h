#pragma once

// Mouse cursors: an image with a hot spot measured from the image's top-left, or one of the
// standard shapes. The shown cursor and the push/pop stack belong to the kit (not Qt's override
// stack); the window area installs a presenter that puts the shown cursor on the host widget.
// Main thread only.

#include "kit/core/Class.h"
#include "kit/core/Geometry.h"
#include "kit/core/Object.h"
#include "kit/graphics/Image.h"

#include <QCursor>

#include <functional>

namespace kit {

class Cursor : public Object {
    KIT_CLASS(Cursor)
    Cursor(Ref<Image> image, Point hotSpot)
        : image_(std::move(image))
        , hotSpot_(hotSpot)
    { }
    explicit Cursor(Qt::CursorShape shape)
        : shape_(shape)
    { }

    static Ref<Cursor> arrowCursor();
    static Ref<Cursor> IBeamCursor();
    static Ref<Cursor> pointingHandCursor();
    static Ref<Cursor> openHandCursor();
    static Ref<Cursor> closedHandCursor();
    static Ref<Cursor> resizeLeftRightCursor();
    // Linux has no one-sided resize cursors: both show the left-right one.
    static Ref<Cursor> resizeLeftCursor();
    static Ref<Cursor> resizeRightCursor();
    static Ref<Cursor> resizeUpDownCursor();
    static Ref<Cursor> crosshairCursor();

    // The cursor shown now (the arrow until something is set).
    static Ref<Cursor> currentCursor();

    Ref<Image> image() const { return image_; }
    Point hotSpot() const { return hotSpot_; }
    Qt::CursorShape shape() const { return shape_; }
    // For the host widget; image cursors render their image at `devicePixelRatio`.
    QCursor qCursor(double devicePixelRatio = 1.0) const;

    // Shows this cursor; the stack is left alone.
    void set() const;
    // Pushes the shown cursor and shows this one.
    void push() const;
    // Shows the cursor below the top of the stack and drops the top; nothing when empty.
    static void pop();
    static int stackDepth();

    using Presenter = std::function<void(const Cursor&)>;
    // The window area's hook; tests install one to see what is shown. Empty resets.
    static void setPresenter(Presenter presenter);
    // Forgets the shown cursor, the stack and the presenter.
    static void resetForTesting();

private:
    Ref<Image> image_;
    Point hotSpot_;
    Qt::CursorShape shape_ = Qt::BitmapCursor;
};

} // namespace kit
