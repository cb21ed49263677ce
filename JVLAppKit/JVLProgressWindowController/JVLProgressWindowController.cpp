#include "JVLAppKit/JVLProgressWindowController/JVLProgressWindowController.h"

#include "kit/appkit/Accessibility.h"
#include "kit/appkit/Application.h"
#include "kit/appkit/Screen.h"
#include "kit/appkit/Window.h"
#include "kit/controls/Button.h"
#include "kit/controls/ImageView.h"
#include "kit/controls/ProgressIndicator.h"
#include "kit/controls/TextField.h"
#include "kit/core/Exception.h"
#include "kit/core/KeyValueObserving.h"
#include "kit/core/NotificationCenter.h"
#include "kit/foundation/Bundle.h"
#include "kit/foundation/RunLoop.h"
#include "kit/graphics/Font.h"

#include <algorithm>
#include <cmath>

using namespace kit;

namespace {

char jvlProgressQueueCountContext;

const QString jvlProgressCurrentKey = QStringLiteral("currentProgressDescriptor");

template <class T> void jvlProgressSetOutlet(Ref<T>& outlet, const Value& v) { outlet = dynamic_pointer_cast<T>(v.object()); }

// The window shows again while a completion that could not end its modal session yet waits.
constexpr double jvlProgressCompletionRetryDelay = 0.05;

QString jvlProgressDefaultTitle()
{
    return Bundle::bundleForClass(JVLProgressWindowController::staticClass())
        ->localizedStringForKeyValueTable(QStringLiteral("DefaultTitle"), QString(), QStringLiteral("JVLProgressWindow"));
}

} // namespace

KIT_REGISTER_CLASS(JVLProgressWindowController, kit::WindowController)
{
    c.bundle("JVLAppKit");
    c.property(
        "imageView", [](const JVLProgressWindowController& x) { return Value(x.imageView_); },
        [](JVLProgressWindowController& x, const Value& v) { jvlProgressSetOutlet(x.imageView_, v); });
    c.property(
        "infoTextField", [](const JVLProgressWindowController& x) { return Value(x.infoTextField_); },
        [](JVLProgressWindowController& x, const Value& v) { jvlProgressSetOutlet(x.infoTextField_, v); });
    c.property(
        "progressDescriptionTextField", [](const JVLProgressWindowController& x) { return Value(x.progressDescriptionTextField_); },
        [](JVLProgressWindowController& x, const Value& v) { jvlProgressSetOutlet(x.progressDescriptionTextField_, v); });
    c.property(
        "progressIndicator", [](const JVLProgressWindowController& x) { return Value(x.progressIndicator_); },
        [](JVLProgressWindowController& x, const Value& v) { jvlProgressSetOutlet(x.progressIndicator_, v); });
    c.property(
        "cancelButton", [](const JVLProgressWindowController& x) { return Value(x.cancelButton_); },
        [](JVLProgressWindowController& x, const Value& v) { jvlProgressSetOutlet(x.cancelButton_, v); });
    c.property(jvlProgressCurrentKey, &JVLProgressWindowController::currentProgressDescriptor);
    c.property("operationQueue", [](const JVLProgressWindowController& x) { return Value(Ref<Object>(x.operationQueue())); });
    c.property("closeWindowOnCompletion", &JVLProgressWindowController::closeWindowOnCompletion);
    c.action("cancel", &JVLProgressWindowController::cancel);
}

JVLProgressWindowController::JVLProgressWindowController()
    : WindowController(QStringLiteral("JVLProgressWindow"))
{
    setUp();
}

JVLProgressWindowController::JVLProgressWindowController(Window* window)
    : WindowController(window)
{
    setUp();
}

void JVLProgressWindowController::setUp()
{
    opQueue_ = make<OperationQueue>();
    opQueue_->addObserverForKeyPathOptionsContext(this, QStringLiteral("operationCount"), KeyValueObservingOptionNew, &jvlProgressQueueCountContext);
    descriptors_.push_back(make<JVLProgressDescriptor>(jvlProgressDefaultTitle(), QString(), false));
}

JVLProgressWindowController::~JVLProgressWindowController()
{
    // First no more reports from the queue, then the queue (which cancels what is pending and waits
    // for what runs), then the stack.
    opQueue_->removeObserverForKeyPathContext(this, QStringLiteral("operationCount"), &jvlProgressQueueCountContext);
    stopObservingNotifications();
    RunLoop::main().cancelPerformRequestsWithTarget(this);
    opQueue_ = nullptr;
    descriptors_.clear();
}

JVLProgressWindowController::CompletionBlock JVLProgressWindowController::completionBlock() const
{
    std::lock_guard lock(blockMutex_);
    return completionBlock_;
}

void JVLProgressWindowController::setCompletionBlock(CompletionBlock block)
{
    std::lock_guard lock(blockMutex_);
    completionBlock_ = std::move(block);
}

void JVLProgressWindowController::windowDidLoad()
{
    // The file cannot name the desktop's font: the labels take the system font, the description small.
    if (auto info = dynamic_pointer_cast<TextField>(infoTextField_))
        info->setFont(Font::systemFontOfSize(13)->qFont());
    if (auto description = dynamic_pointer_cast<TextField>(progressDescriptionTextField_))
        description->setFont(Font::systemFontOfSize(11)->qFont());
    if (progressIndicator_) {
        defaultProgressIndicatorWidth_ = progressIndicator_->frame().size.width;
        progressIndicator_->setUsesThreadedAnimation(true);
        const Ref<JVLProgressDescriptor> current = currentProgressDescriptor();
        if (current && current->isIndeterminate() && progressIndicator_->isIndeterminate())
            progressIndicator_->startAnimation(this);
    }
    updateGUI();
}

Ref<JVLProgressDescriptor> JVLProgressWindowController::setupAsIndeterminateWithTitleAllowCancel(const QString& title, bool allowCancel)
{
    isCancelled_ = false;
    closeWindowOnCompletion_ = true;
    const QString resolved = title.isNull() ? jvlProgressDefaultTitle() : title;
    auto descriptor = make<JVLProgressDescriptor>(resolved, resolved + QChar(0x2026), allowCancel);
    removeAllProgressDescriptors();
    addProgressDescriptor(descriptor.get());
    return descriptor;
}

Ref<JVLProgressDescriptor> JVLProgressWindowController::setupAsDeterminateWithTitleMinValueMaxValueInitialValueAllowCancel(
    const QString& title, double minValue, double maxValue, double initialValue, bool allowCancel)
{
    isCancelled_ = false;
    closeWindowOnCompletion_ = true;
    const QString resolved = title.isNull() ? jvlProgressDefaultTitle() : title;
    auto descriptor = make<JVLProgressDescriptor>(resolved, resolved + QChar(0x2026), minValue, maxValue, allowCancel);
    if (initialValue != minValue)
        descriptor->setCurrentValue(initialValue);
    removeAllProgressDescriptors();
    addProgressDescriptor(descriptor.get());
    return descriptor;
}

bool JVLProgressWindowController::refusedOffMain(const char* method) const
{
    if (OperationQueue::currentQueue() == OperationQueue::mainQueue())
        return false;
    logMessage(QString::fromUtf8(method) + QStringLiteral(" It is not allowed to invoke this method from a concurrent thread."));
    return true;
}

bool JVLProgressWindowController::beginShowing(const char* method, CompletionBlock& block, Shown how)
{
    if (refusedOffMain(method))
        return false;
    if (opQueue_->operationCount() == 0) {
        logMessage(QStringLiteral("Warning: JVLProgressWindowController no operations in queue"));
        if (block)
            block(false);
        return false;
    }
    setCompletionBlock(std::move(block));
    shown_ = how;
    if (!shouldProcessNotifications_)
        startObservingNotifications();
    return true;
}

void JVLProgressWindowController::beginProgressSheetForWindowCompletionHandler(Window* window, CompletionBlock block)
{
    KIT_PARAMETER_ASSERT(window != nullptr, "aWindow != nil");
    if (beginShowing("-beginProgressSheetForWindow:completionHandler:", block, Shown::Sheet))
        Application::sharedApplication()->beginSheetModalForWindowDidEndContextInfo(this->window().get(), window, nullptr, nullptr);
}

void JVLProgressWindowController::showProgressWindowWithCompletionHandler(CompletionBlock block)
{
    const Ref<JVLProgressWindowController> keep(this);
    if (beginShowing("-showProgressWindowWithCompletionHandler:", block, Shown::Modal))
        Application::sharedApplication()->runModalForWindow(window().get());
}

void JVLProgressWindowController::showProgressWindow()
{
    if (refusedOffMain("-showProgressWindow:"))
        return;
    shown_ = Shown::Plain;
    placeOverParent();
    showWindow(this);
    if (!shouldProcessNotifications_)
        startObservingNotifications();
}

void JVLProgressWindowController::placeOverParent()
{
    // Only a window coming on screen moves: its last place may be the interface file's or a sheet's.
    const Ref<Window> w = window();
    if (!w || w->isVisible())
        return;
    const Ref<Application> app = Application::sharedApplication();
    Ref<Window> parent;
    for (const Ref<Window>& candidate : { app->mainWindow(), app->keyWindow() })
        if (!parent && candidate && candidate != w && candidate->isVisible())
            parent = candidate;
    if (!parent) {
        w->center();
        return;
    }
    const Rect over = parent->frame();
    Rect frame = w->frame();
    frame.origin = MakePoint(std::floor(over.midX() - frame.width() / 2), std::floor(over.midY() - frame.height() / 2));
    w->setFrameOrigin(w->constrainFrameRectToScreen(frame, Screen::mainScreen().get()).origin);
}

void JVLProgressWindowController::hideProgressWindow()
{
    if (refusedOffMain("-hideProgressWindow:"))
        return;
    if (shouldProcessNotifications_)
        stopObservingNotifications();
    shown_ = Shown::None;
    close();
}

void JVLProgressWindowController::cancel(Object*)
{
    for (const auto& d : descriptors_)
        d->setIsCancelled(true);
    opQueue_->cancelAllOperations();
    // The observers stay registered until completion: one registration at a time.
    shouldProcessNotifications_ = false;
    if (cancelButton_)
        cancelButton_->setEnabled(false);
    isCancelled_ = true;
}

void JVLProgressWindowController::addProgressDescriptor(JVLProgressDescriptor* descriptor)
{
    if (!descriptor)
        return;
    // A pushed descriptor without title or info text takes them from the one below.
    if (const Ref<JVLProgressDescriptor> below = currentProgressDescriptor()) {
        if (descriptor->title().isEmpty())
            descriptor->setTitle(below->title());
        if (descriptor->infoText().isEmpty())
            descriptor->setInfoText(below->infoText());
    }
    willChangeValueForKey(jvlProgressCurrentKey);
    descriptors_.emplace_back(descriptor);
    didChangeValueForKey(jvlProgressCurrentKey);
    if (isWindowLoaded())
        updateGUI();
}

void JVLProgressWindowController::removeProgressDescriptor(JVLProgressDescriptor* descriptor)
{
    willChangeValueForKey(jvlProgressCurrentKey);
    std::erase_if(descriptors_, [descriptor](const Ref<JVLProgressDescriptor>& d) { return d.get() == descriptor; });
    didChangeValueForKey(jvlProgressCurrentKey);
    if (isWindowLoaded())
        updateGUI();
}

void JVLProgressWindowController::removeAllProgressDescriptors()
{
    willChangeValueForKey(jvlProgressCurrentKey);
    descriptors_.clear();
    didChangeValueForKey(jvlProgressCurrentKey);
    if (isWindowLoaded())
        updateGUI();
}

Ref<JVLProgressDescriptor> JVLProgressWindowController::currentProgressDescriptor() const
{
    return descriptors_.empty() ? nullptr : descriptors_.back();
}

void JVLProgressWindowController::updateGUI()
{
    const Ref<JVLProgressDescriptor> current = currentProgressDescriptor();
    if (!current || !isWindowLoaded() || !progressIndicator_)
        return;
    ProgressIndicator& bar = *progressIndicator_;
    if (!current->isIndeterminate()) {
        if (bar.isIndeterminate()) {
            bar.stopAnimation(this);
            bar.setIndeterminate(false);
        }
        const double value = std::max(current->minValue(), std::min(current->maxValue(), current->currentValue()));
        bar.setMinValue(current->minValue());
        bar.setMaxValue(current->maxValue());
        bar.setDoubleValue(value);
    } else if (!bar.isIndeterminate()) {
        bar.setDoubleValue(100);
        bar.setIndeterminate(true);
        bar.startAnimation(this);
    }
    Rect frame = bar.frame();
    if (current->allowCancel()) {
        frame.size.width = defaultProgressIndicatorWidth_;
        bar.setFrame(frame);
        if (cancelButton_) {
            cancelButton_->setHidden(false);
            cancelButton_->setEnabled(true);
        }
    } else if (cancelButton_) {
        const Rect button = cancelButton_->frame();
        frame.size.width = button.origin.x + button.size.width - frame.origin.x;
        bar.setFrame(frame);
        cancelButton_->setHidden(true);
        cancelButton_->setEnabled(false);
    }
    // The picture stands for the work, whatever it shows: it is named as the window is.
    if (imageView_)
        AccessibilitySetOverrideValueForAttribute(imageView_->accessibilityElement(), Value(current->title()), AccessibilityTitleAttribute);
    window()->displayIfNeeded();
}

void JVLProgressWindowController::observeValueForKeyPathOfObjectChangeContext(
    const QString& keyPath, Object* object, const KeyValueChange& change, void* context)
{
    if (context != &jvlProgressQueueCountContext) {
        WindowController::observeValueForKeyPathOfObjectChangeContext(keyPath, object, change, context);
        return;
    }
    const int count = int(change.newValue.integerValue());
    if (OperationQueue::currentQueue() == OperationQueue::mainQueue()) {
        queueCountChanged(count);
        return;
    }
    // A worker's report joins the main queue behind every notification it posted before.
    Weak<JVLProgressWindowController> weak(this);
    OperationQueue::mainQueue()->addOperationWithBlock([weak, count] {
        if (const Ref<JVLProgressWindowController> self = weak.lock())
            self->queueCountChanged(count);
    });
}

void JVLProgressWindowController::queueCountChanged(int count)
{
    if (count > 0) {
        if (!shouldProcessNotifications_)
            startObservingNotifications();
        return;
    }
    postCompletion();
}

void JVLProgressWindowController::postCompletion()
{
    Weak<JVLProgressWindowController> weak(this);
    OperationQueue::mainQueue()->addOperationWithBlock([weak] {
        const Ref<JVLProgressWindowController> self = weak.lock();
        // Work added since the queue ran empty completes later.
        if (self && self->opQueue_->operationCount() == 0)
            self->handleCompletion();
    });
}

void JVLProgressWindowController::startObservingNotifications()
{
    shouldProcessNotifications_ = true;
    if (beginObserver_)
        return;
    const Ref<NotificationCenter>& center = NotificationCenter::defaultCenter();
    OperationQueue* main = OperationQueue::mainQueue();
    Weak<JVLProgressWindowController> weak(this);
    beginObserver_ = center->addObserverForNameObjectQueueUsingBlock(QVWillBeginProcessingWithProgressDescriptor, nullptr, main, [weak](Notification* n) {
        const Ref<JVLProgressWindowController> self = weak.lock();
        if (self && n->object())
            self->addProgressDescriptor(dynamic_cast<JVLProgressDescriptor*>(n->object().get()));
    });
    updateObserver_ = center->addObserverForNameObjectQueueUsingBlock(QVUpdateProcessingWithProgressDescriptor, nullptr, main, [weak](Notification* n) {
        const Ref<JVLProgressWindowController> self = weak.lock();
        if (!self)
            return;
        const Ref<Object> object = n->object();
        if (object) {
            object->setValuesForKeysWithDictionary(n->userInfo());
            // The bar follows only through updateGUI, which also clamps the value.
            if (object == self->currentProgressDescriptor().get())
                self->updateGUI();
        }
        if (self->isWindowLoaded())
            self->window()->displayIfNeeded();
    });
    endObserver_ = center->addObserverForNameObjectQueueUsingBlock(QVDidEndProcessingWithProgressDescriptor, nullptr, main, [weak](Notification* n) {
        const Ref<JVLProgressWindowController> self = weak.lock();
        if (self && n->object())
            self->removeProgressDescriptor(dynamic_cast<JVLProgressDescriptor*>(n->object().get()));
    });
}

void JVLProgressWindowController::stopObservingNotifications()
{
    shouldProcessNotifications_ = false;
    const Ref<NotificationCenter>& center = NotificationCenter::defaultCenter();
    for (Ref<Object>* token : { &beginObserver_, &updateObserver_, &endObserver_ }) {
        if (*token)
            center->removeObserver(token->get());
        *token = nullptr;
    }
}

void JVLProgressWindowController::handleCompletion()
{
    KIT_ASSERT(OperationQueue::currentQueue() == OperationQueue::mainQueue(), "it is not allowd to call this on secondary thread!");
    const Ref<Application> app = Application::sharedApplication();
    // Only our own modal session is ended, and only while it is the innermost one.
    if (closeWindowOnCompletion_ && shown_ == Shown::Modal && isWindowLoaded() && app->modalWindow() != window()) {
        RunLoop::main().performAfterDelay(
            PerformRequest::make(this, QStringLiteral("handleCompletion"), 0,
                [](Object& target, int) { static_cast<JVLProgressWindowController&>(target).postCompletion(); }),
            jvlProgressCompletionRetryDelay, { RunLoopCommonModes });
        return;
    }
    stopObservingNotifications();
    if (closeWindowOnCompletion_ && isWindowLoaded()) {
        if (shown_ == Shown::Sheet)
            app->endSheet(window().get());
        else if (shown_ == Shown::Modal)
            app->abortModal();
        close();
    }
    shown_ = Shown::None;
    CompletionBlock block;
    {
        std::lock_guard lock(blockMutex_);
        block = std::exchange(completionBlock_, nullptr);
    }
    if (block)
        block(isCancelled_);
    removeAllProgressDescriptors();
}
