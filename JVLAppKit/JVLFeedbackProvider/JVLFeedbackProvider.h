#pragma once

// The feedback form: a modal dialog that posts a subject, the user's address, a message, a
// send-me-a-copy flag and the program's version to the endpoint "JVLFeedbackProviderCGIURL", then
// tells the user how that went. A form that could not be sent stays open with everything typed.
// Each field is named by the label beside it, and Tab moves on from the message as from any field.

#include "kit/appkit/Window.h"
#include "kit/controls/Button.h"
#include "kit/controls/ComboBox.h"
#include "kit/controls/TextField.h"
#include "kit/core/Class.h"
#include "kit/core/Object.h"
#include "kit/text/TextView.h"
#include "kit/text/TextViewDelegate.h"

inline const QString JVLFeedbackProvidereMailAddressDefaultKey = QStringLiteral("JVLFeedbackProvidereMailAddressDefaultKey");
inline const QString JVLFeedbackProviderSendMeACopyDefaultKey = QStringLiteral("JVLFeedbackProviderSendMeACopyDefaultKey");

class JVLFeedbackProvider : public kit::Object, public kit::TextViewDelegate {
    KIT_CLASS(JVLFeedbackProvider)

    // Empty; providerWithInterface() is the provider with its form.
    JVLFeedbackProvider() = default;
    // Registers the two defaults on first use, then loads the interface file "JVLFeedbackProvider"
    // with the new provider as owner; raises "View initialization failed" when it cannot.
    static kit::Ref<JVLFeedbackProvider> providerWithInterface();
    // The address "" and the copy flag YES; done once, at the first providerWithInterface().
    static void registerDefaults();
    // Makes a provider and runs its form; returns once the form is closed.
    static void showFeedbackProviderDialog();

    // Fills the form from the defaults and runs it modally.
    void runFeedbackProviderDialog();

    // Actions.
    void sendFeedbackButtonAction(kit::Object* sender);
    void closeFeedbackWindow(kit::Object* sender);
    void openURL(kit::Object* sender);

    // Outlets.
    kit::Ref<kit::Window> feedbackWindow() const { return feedbackWindow_; }
    kit::Ref<kit::ComboBox> subjectField() const { return subjectField_; }
    kit::Ref<kit::TextField> emailAdress() const { return emailAdress_; }
    kit::Ref<kit::TextView> messageText() const { return messageText_; }
    kit::Ref<kit::Button> sendMeACopyButton() const { return sendMeACopyButton_; }

    // kit::TextViewDelegate (the message's): Tab leaves it rather than typing an unheard tab.
    bool textViewDoCommandBySelector(kit::TextView* textView, kit::Selector action) override;

private:
    // Ties the subject, the address and the message to their labels for screen readers.
    void tieFieldsToLabels();

    kit::Ref<kit::Window> feedbackWindow_;
    kit::Ref<kit::ComboBox> subjectField_;
    kit::Ref<kit::TextField> emailAdress_;
    kit::Ref<kit::TextView> messageText_;
    kit::Ref<kit::Button> sendMeACopyButton_;
};
