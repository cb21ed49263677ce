#pragma once

// Owns one window, made by hand or loaded from an interface file on first need with the controller
// as the file's owner (its "window" outlet). Subclasses put their set-up in their constructor, which
// both ways of making them run, and finish the loaded window in windowDidLoad. Everything that shows
// the window asks the virtual window() for it, so a subclass may build more there (a toolbar).

#include "kit/appkit/Responder.h"
#include "kit/core/Value.h"

#include <QString>

namespace kit {

class Window;

class WindowController : public Responder {
    KIT_CLASS(WindowController)

    WindowController() { setMainThreadAffine(); }
    explicit WindowController(Window* window);
    // The interface file "<name>" in the controller's class bundle, else the main bundle; loaded
    // at the first window() call.
    explicit WindowController(const QString& windowNibName);
    ~WindowController() override;

    // Loads the interface file when there is one and nothing is loaded yet, then windowDidLoad.
    virtual Ref<Window> window();
    // Replaces the window (the interface file's outlet sets it too).
    void setWindow(Window* window);
    bool isWindowLoaded() const { return window_ != nullptr; }
    QString windowNibName() const { return nibName_; }

    // Makes the window key and orders it front.
    virtual void showWindow(Object* sender = nullptr);
    // Closes a loaded window; loads nothing.
    virtual void close();

protected:
    virtual void windowWillLoad() { }
    virtual void windowDidLoad() { }
    // Loads the interface file; a missing or broken one leaves no window, with the loader's log line.
    virtual void loadWindow();

private:
    Ref<Window> window_;
    QString nibName_;
    Array topLevelObjects_;
    bool loading_ = false;
};

} // namespace kit
