#pragma once

// Owns one view, set by its owner or loaded on first need from an interface file with the
// controller as the file's owner (its "view" outlet), and carries the object the view shows
// ("representedObject", observable and bindable). It takes a place in the responder chain like any
// responder: the owner sets its next responder.

#include "kit/appkit/Responder.h"
#include "kit/core/Value.h"

#include <QString>

namespace kit {

class View;

class ViewController : public Responder {
    KIT_CLASS(ViewController)

    ViewController() { setMainThreadAffine(); }
    // The interface file "<name>" in the controller's class bundle, else the main bundle; loaded at
    // the first view() call.
    explicit ViewController(const QString& nibName);
    ~ViewController() override;

    // Loads the interface file when there is one and no view is set yet.
    virtual Ref<View> view();
    void setView(View* view);
    bool isViewLoaded() const { return view_ != nullptr; }
    QString nibName() const { return nibName_; }

    const Value& representedObject() const { return representedObject_; }
    virtual void setRepresentedObject(const Value& object);

protected:
    // Loads the interface file; a missing or broken one leaves no view, with the loader's log line.
    virtual void loadView();

private:
    Ref<View> view_;
    Value representedObject_;
    QString nibName_;
    Array topLevelObjects_;
    bool loading_ = false;
};

} // namespace kit
