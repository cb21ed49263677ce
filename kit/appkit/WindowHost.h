#pragma once

// The QWidget that shows one kit::Window: it blits the window's backing image and turns Qt's
// input events into kit Events on the application's queue. Public, so that a Qt application
// can place a kit view tree inside its own layouts.

#include "kit/core/Object.h"

#include <QWidget>

namespace kit {

class Window;

namespace windowhost {
// One row of 32-bit pixels; `setAlpha` makes them opaque (the bits of an opaque format).
void copyRow(quint32* to, const quint32* from, int count, bool setAlpha);
} // namespace windowhost

class WindowHost : public QWidget {
public:
    explicit WindowHost(Window* window);

    Ref<Window> window() const { return window_.lock(); }

    // Makes the native window again (shown again if it was), for a change of visual; NO when
    // there was none yet.
    bool remakeNativeWindow();

protected:
    // QWidget:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void postMouse(QMouseEvent* event, int kind); // 0 down, 1 moved/dragged, 2 up
    void postKey(QKeyEvent* event, bool down);
    std::uint64_t flagsFromQt(Qt::KeyboardModifiers modifiers) const;

    Weak<Window> window_;
    std::int64_t pressClickCount_ = 0;
};

} // namespace kit
