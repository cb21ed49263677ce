#pragma once

// The progress window: the caller fills operationQueue(), shows the window as a sheet, modally or
// plainly, and gets its completion block once the queue has run empty. Operations report from any
// thread through the three notifications (QVProgressWindowController:: posting functions); the
// controller applies them on the main queue to a stack of descriptors whose top the window shows.

#include "JVLAppKit/JVLProgressWindowController/JVLProgressDescriptor.h"

#include "kit/appkit/Window.h"
#include "kit/appkit/WindowController.h"
#include "kit/controls/Button.h"
#include "kit/controls/ImageView.h"
#include "kit/controls/ProgressIndicator.h"
#include "kit/foundation/OperationQueue.h"

#include <functional>
#include <mutex>
#include <vector>

namespace kit {
class NotificationCenter;
} // namespace kit

inline const QString QVWillBeginProcessingWithProgressDescriptor = QStringLiteral("QVWillBeginProcessingWithProgressDescriptor");
inline const QString QVUpdateProcessingWithProgressDescriptor = QStringLiteral("QVUpdateProcessingWithProgressDescriptor");
inline const QString QVDidEndProcessingWithProgressDescriptor = QStringLiteral("QVDidEndProcessingWithProgressDescriptor");

class JVLProgressWindowController : public kit::WindowController {
    KIT_CLASS(JVLProgressWindowController)

    using CompletionBlock = std::function<void(bool cancelled)>;

    // The interface file "JVLProgressWindow".
    JVLProgressWindowController();
    explicit JVLProgressWindowController(kit::Window* window);
    ~JVLProgressWindowController() override;

    kit::OperationQueue* operationQueue() const { return opQueue_.get(); }
    bool closeWindowOnCompletion() const { return closeWindowOnCompletion_; }
    CompletionBlock completionBlock() const;
    void setCompletionBlock(CompletionBlock block);

    // Each replaces the whole stack with one new descriptor and answers it.
    kit::Ref<JVLProgressDescriptor> setupAsIndeterminateWithTitleAllowCancel(const QString& title, bool allowCancel);
    kit::Ref<JVLProgressDescriptor> setupAsDeterminateWithTitleMinValueMaxValueInitialValueAllowCancel(
        const QString& title, double minValue, double maxValue, double initialValue, bool allowCancel);

    // Main thread only; an empty queue calls the block at once with NO.
    void beginProgressSheetForWindowCompletionHandler(kit::Window* window, CompletionBlock block);
    // Runs the window modally; returns once the work has completed.
    void showProgressWindowWithCompletionHandler(CompletionBlock block);
    void showProgressWindow();
    void hideProgressWindow();

    // Also the cancel button's action.
    void cancel(kit::Object* sender = nullptr);

    void addProgressDescriptor(JVLProgressDescriptor* descriptor);
    void removeProgressDescriptor(JVLProgressDescriptor* descriptor);
    void removeAllProgressDescriptors();
    kit::Ref<JVLProgressDescriptor> currentProgressDescriptor() const;
    std::vector<kit::Ref<JVLProgressDescriptor>> progressDescriptors() const { return descriptors_; }

    void updateGUI();

    // Outlets.
    kit::Ref<kit::ImageView> imageView() const { return imageView_; }
    kit::Ref<kit::View> infoTextField() const { return infoTextField_; }
    kit::Ref<kit::View> progressDescriptionTextField() const { return progressDescriptionTextField_; }
    kit::Ref<kit::ProgressIndicator> progressIndicator() const { return progressIndicator_; }
    kit::Ref<kit::Button> cancelButton() const { return cancelButton_; }
    bool isObservingNotifications() const { return shouldProcessNotifications_; }
    double defaultProgressIndicatorWidth() const { return defaultProgressIndicatorWidth_; }

    // kit::Object:
    void observeValueForKeyPathOfObjectChangeContext(
        const QString& keyPath, kit::Object* object, const kit::KeyValueChange& change, void* context) override;

protected:
    // kit::WindowController:
    void windowDidLoad() override;

private:
    enum class Shown { None, Sheet, Modal, Plain };

    void setUp();
    bool refusedOffMain(const char* method) const;
    // A window about to show sits centred on the window the user works in, else on the screen.
    void placeOverParent();
    // The checks both ways of showing share; YES when the window is to be shown `how`.
    bool beginShowing(const char* method, CompletionBlock& block, Shown how);
    void startObservingNotifications();
    void stopObservingNotifications();
    void queueCountChanged(int count);
    void postCompletion();
    void handleCompletion();

    kit::Ref<kit::ImageView> imageView_;
    kit::Ref<kit::View> infoTextField_;
    kit::Ref<kit::View> progressDescriptionTextField_;
    kit::Ref<kit::ProgressIndicator> progressIndicator_;
    kit::Ref<kit::Button> cancelButton_;

    std::vector<kit::Ref<JVLProgressDescriptor>> descriptors_;
    kit::Ref<kit::OperationQueue> opQueue_;
    bool closeWindowOnCompletion_ = true;
    bool shouldProcessNotifications_ = false;
    bool isCancelled_ = false;
    mutable std::mutex blockMutex_;
    CompletionBlock completionBlock_;
    double defaultProgressIndicatorWidth_ = 0;
    Shown shown_ = Shown::None;
    kit::Ref<kit::Object> beginObserver_;
    kit::Ref<kit::Object> updateObserver_;
    kit::Ref<kit::Object> endObserver_;
};

// Posting side, callable from any thread; each posts on `center` with the descriptor as object.
namespace QVProgressWindowController {

kit::Ref<JVLProgressDescriptor> postWillBeginProcessingWithTitleInfoTextAllowCancel(
    kit::NotificationCenter* center, const QString& title, const QString& infoText, bool allowCancel);
kit::Ref<JVLProgressDescriptor> postWillBeginProcessingWithTitleInfoTextMinValueMaxValueStartValueAllowCancel(kit::NotificationCenter* center,
    const QString& title, const QString& infoText, double minValue, double maxValue, double startValue, bool allowCancel);
void postWillBeginProcessingWithProgressDescriptor(kit::NotificationCenter* center, JVLProgressDescriptor* descriptor);
void postUpdateProgressDescriptorChange(kit::NotificationCenter* center, JVLProgressDescriptor* descriptor, const kit::Dictionary& change);
void postUpdateProgressDescriptorWithInfoText(kit::NotificationCenter* center, JVLProgressDescriptor* descriptor, const QString& infoText);
// Null texts are left out; "currentValue" only for determinate descriptors.
void postUpdateProgressDescriptorWithTitleInfoTextCurrentValueProgressDescription(kit::NotificationCenter* center,
    JVLProgressDescriptor* descriptor, const QString& title, const QString& infoText, double currentValue, const QString& progressDescription);
void postUpdateProgressDescriptorWithCurrentValueProgressDescription(
    kit::NotificationCenter* center, JVLProgressDescriptor* descriptor, double currentValue, const QString& progressDescription);
void postUpdateProgressDescriptorWithProgressDescription(
    kit::NotificationCenter* center, JVLProgressDescriptor* descriptor, const QString& progressDescription);
void postDidEndProcessingWithProgressDescriptor(kit::NotificationCenter* center, JVLProgressDescriptor* descriptor);

} // namespace QVProgressWindowController
