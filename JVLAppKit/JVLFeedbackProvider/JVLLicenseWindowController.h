#pragma once

// The licence window: one per process, showing the library's "JVLLicense.rtf" with its web
// addresses as blue links the user can click.

#include "JVLAppKit/URLTextView.h"

#include "kit/appkit/WindowController.h"
#include "kit/foundation/NibLoader.h"

class JVLLicenseWindowController : public kit::WindowController, public kit::NibAwaking {
    KIT_CLASS(JVLLicenseWindowController)

    // The one instance, made on first use.
    static kit::Ref<JVLLicenseWindowController> sharedLicenseWindow();
    // A new controller for the interface file "JVLLicense" when none exists yet, else null.
    static kit::Ref<JVLLicenseWindowController> makeLicenseWindowController();

    // Centres the shared window and shows it.
    void showLicenseWindow(kit::Object* sender);

    kit::Ref<URLTextView> textView() const { return textView_; }

    // kit::NibAwaking: the licence text, its links, the title.
    void awakeFromNib() override;

    // Forgets the instance, and reads `fileName` instead of "JVLLicense.rtf" (empty: that one). Tests only.
    static void resetSharedLicenseWindowForTesting(const QString& fileName = {});

    // Public for the registry's factory only; use sharedLicenseWindow().
    JVLLicenseWindowController();

private:
    kit::Ref<URLTextView> textView_;
};
