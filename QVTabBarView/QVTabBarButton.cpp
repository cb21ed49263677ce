#include "QVTabBarView/QVTabBarButton.h"

#include "QVTabBarView/QVProgressIndicator.h"
#include "QVTabBarView/QVTabBarExtensions.h"
#include "QVTabBarView/QVTabBarView.h"
#include "kit/core/KeyValueObserving.h"
#include "kit/core/ValueTransformer.h"
#include "kit/foundation/OperationQueue.h"

KIT_REGISTER_CLASS(QVTabBarButton, QVRolloverButton)
{
    c.bundle("QVTabBarView");
    for (const QString& name : QVTabBarButton::tabBindingNames())
        c.exposeBinding(name);
}

namespace {

// One address tells this button's observations apart from any other.
char qvTabBarButtonObserverContext[] = "QVTabBarView.QVTabBarButton.ObserverContext";

bool qvIsNumberBinding(const QString& name)
{
    return name == QLatin1String("objectCount") || name == QLatin1String("isProcessing") || name == QLatin1String("isEdited")
        || name == QLatin1String("hasCloseButton");
}

} // namespace

const std::array<QString, 7>& QVTabBarButton::tabBindingNames()
{
    static const std::array<QString, 7> names { QStringLiteral("objectCount"), QStringLiteral("objectCountColor"),
        QStringLiteral("isProcessing"), QStringLiteral("isEdited"), QStringLiteral("icon"), QStringLiteral("largeImage"),
        QStringLiteral("hasCloseButton") };
    return names;
}

QVTabBarButton::QVTabBarButton(kit::Rect frame)
    : QVTabBarButton(frame, cellClass()())
{ }

QVTabBarButton::QVTabBarButton(kit::Rect frame, kit::Ref<kit::Cell> cell)
    : QVRolloverButton(frame, std::move(cell))
{
    commonInit();
}

QVTabBarButton::~QVTabBarButton()
{
    for (std::size_t i = 0; i < bindings_.size(); ++i)
        if (bindings_[i].bound)
            unbind(tabBindingNames()[i]);
}

void QVTabBarButton::commonInit()
{
    QVTabBarButtonCell* c = tabCell();
    closeButton_ = kit::make<QVRolloverButton>(c ? c->closeButtonRectForBounds(bounds()) : kit::ZeroRect);
    closeButton_->setTitle(QString());
    closeButton_->setImagePosition(kit::ImageOnly);
    closeButton_->setRolloverButtonType(QVRolloverActionButtonType);
    closeButton_->setBordered(false);
    closeButton_->setBezelStyle(kit::ShadowlessSquareBezelStyle);
    addSubview(closeButton_.get());
    indicator_ = kit::make<QVProgressIndicator>(kit::MakeRect(0, 0, 16, 16));
    indicator_->setStyle(kit::ProgressIndicatorSpinningStyle);
    indicator_->setAutoresizingMask(kit::ViewMinYMargin);
    indicator_->setControlSize(kit::SmallControlSize);
    indicator_->setFrame(c ? c->indicatorRectForBounds(bounds()) : kit::ZeroRect);
    addSubview(indicator_.get());
}

kit::Ref<QVTabBarView> QVTabBarButton::tabBarView() const { return QVTabBarExtensions::enclosingTabBarView(this); }

kit::Selector QVTabBarButton::closeButtonAction() const { return closeButton_ ? closeButton_->action() : kit::Selector(); }

void QVTabBarButton::setCloseButtonAction(kit::Selector action)
{
    if (closeButton_)
        closeButton_->setAction(action);
}

void QVTabBarButton::setStyle(kit::Ref<QVTabStyle> style)
{
    if (auto* c = tabCell())
        c->setStyle(std::move(style));
    updateCell(cell().get());
}

#define QV_TAB_SETTER(Setter, Type)                                                                                                        \
    void QVTabBarButton::Setter(Type value)                                                                                                \
    {                                                                                                                                      \
        if (auto* c = tabCell())                                                                                                           \
            c->Setter(std::move(value));                                                                                                   \
        updateCell(cell().get());                                                                                                          \
    }
QV_TAB_SETTER(setTabState, std::uint64_t)
QV_TAB_SETTER(setIcon, kit::Ref<kit::Image>)
QV_TAB_SETTER(setLargeImage, kit::Ref<kit::Image>)
QV_TAB_SETTER(setShowObjectCount, bool)
QV_TAB_SETTER(setObjectCount, std::int64_t)
QV_TAB_SETTER(setObjectCountColor, kit::Ref<kit::Color>)
QV_TAB_SETTER(setIsEdited, bool)
QV_TAB_SETTER(setIsProcessing, bool)
QV_TAB_SETTER(setHasCloseButton, bool)
QV_TAB_SETTER(setSuppressCloseButton, bool)
#undef QV_TAB_SETTER

bool QVTabBarButton::shouldDisplayLeftDivider() const { return tabState() & QVTabStatePreviousSliding; }
bool QVTabBarButton::shouldDisplayRightDivider() const { return tabState() & QVTabStateNextSliding; }

void QVTabBarButton::updateImages()
{
    if (auto* c = tabCell())
        c->updateImages();
}

void QVTabBarButton::calcSize()
{
    if (auto* c = tabCell())
        c->calcDrawInfo(bounds());
}

kit::Rect QVTabBarButton::_closeButtonRectForBounds(kit::Rect bounds) const
{
    return tabCell() ? tabCell()->closeButtonRectForBounds(bounds) : kit::ZeroRect;
}

kit::Rect QVTabBarButton::_indicatorRectForBounds(kit::Rect bounds) const
{
    return tabCell() ? tabCell()->indicatorRectForBounds(bounds) : kit::ZeroRect;
}

void QVTabBarButton::scheduleUpdateIfSizingToFit()
{
    const kit::Ref<QVTabBarView> bar = tabBarView();
    if (!bar || !bar->sizeButtonsToFit())
        return;
    kit::OperationQueue::mainQueue()->addOperationWithBlock([weak = kit::Weak<QVTabBarView>(bar.get())] {
        if (const kit::Ref<QVTabBarView> view = weak.lock())
            view->update();
    });
}

void QVTabBarButton::setTitle(const QString& title)
{
    QVRolloverButton::setTitle(title);
    scheduleUpdateIfSizingToFit();
}

void QVTabBarButton::resizeSubviewsWithOldSize(kit::Size oldSize)
{
    QVRolloverButton::resizeSubviewsWithOldSize(oldSize);
    calcSize();
}

kit::Ref<kit::Object> QVTabBarButton::menuForEvent(const kit::Event& event)
{
    const kit::Ref<QVTabBarView> bar = tabBarView();
    return bar ? bar->menuForTabBarButtonWithEvent(this, event) : nullptr;
}

// Hand-made bindings ------------------------------------------------------------------------------

QVTabBarButton::HandBinding* QVTabBarButton::handBinding(const QString& name)
{
    const auto& names = tabBindingNames();
    for (std::size_t i = 0; i < names.size(); ++i)
        if (names[i] == name)
            return &bindings_[i];
    return nullptr;
}

const QVTabBarButton::HandBinding* QVTabBarButton::handBinding(const QString& name) const
{
    return const_cast<QVTabBarButton*>(this)->handBinding(name);
}

void QVTabBarButton::bindToObjectWithKeyPathOptions(
    const QString& binding, kit::Object* observable, const QString& keyPath, const kit::Dictionary& options)
{
    HandBinding* b = handBinding(binding);
    if (!b) {
        QVRolloverButton::bindToObjectWithKeyPathOptions(binding, observable, keyPath, options);
        return;
    }
    if (b->bound)
        unbind(binding);
    if (!observable)
        return;
    b->object = observable;
    b->keyPath = keyPath;
    b->options = options;
    b->bound = true;
    // The initial notification sets the property at once.
    observable->addObserverForKeyPathOptionsContext(
        this, keyPath, kit::KeyValueObservingOptionNew | kit::KeyValueObservingOptionInitial, qvTabBarButtonObserverContext);
}

void QVTabBarButton::unbind(const QString& binding)
{
    HandBinding* b = handBinding(binding);
    if (!b) {
        QVRolloverButton::unbind(binding);
        return;
    }
    if (!b->bound)
        return;
    if (const kit::Ref<kit::Object> object = b->object.lock())
        object->removeObserverForKeyPathContext(this, b->keyPath, qvTabBarButtonObserverContext);
    *b = HandBinding {};
}

kit::Value QVTabBarButton::infoForBinding(const QString& binding) const
{
    const HandBinding* b = handBinding(binding);
    if (!b)
        return QVRolloverButton::infoForBinding(binding);
    kit::Dictionary info;
    const kit::Ref<kit::Object> object = b->bound ? b->object.lock() : nullptr;
    if (object) {
        info.setObjectForKey(kit::Value(object), kit::Value(kit::ObservedObjectKey));
        info.setObjectForKey(kit::Value(b->keyPath), kit::Value(kit::ObservedKeyPathKey));
        if (!b->options.isEmpty())
            info.setObjectForKey(kit::Value(b->options), kit::Value(kit::OptionsKey));
    }
    return kit::Value(info);
}

void QVTabBarButton::observeValueForKeyPathOfObjectChangeContext(
    const QString& keyPath, kit::Object* object, const kit::KeyValueChange& change, void* context)
{
    if (context != qvTabBarButtonObserverContext) {
        QVRolloverButton::observeValueForKeyPathOfObjectChangeContext(keyPath, object, change, context);
        return;
    }
    const auto& names = tabBindingNames();
    for (std::size_t i = 0; i < names.size(); ++i)
        if (bindings_[i].bound && bindings_[i].keyPath == keyPath) {
            if (change.kind == kit::KeyValueChangeSetting)
                applyBinding(names[i], bindings_[i], object);
            break;
        }
    scheduleUpdateIfSizingToFit();
}

void QVTabBarButton::applyBinding(const QString& name, const HandBinding& binding, kit::Object* object)
{
    kit::Value value = object ? object->valueForKeyPath(binding.keyPath) : kit::Value();
    if (qvIsNumberBinding(name) && value.isNumber()) {
        const kit::Value transformerName = binding.options.objectForKey(kit::Value(kit::ValueTransformerNameBindingOption));
        kit::Ref<kit::ValueTransformer> transformer
            = transformerName.isString() ? kit::ValueTransformer::valueTransformerForName(transformerName.stringValue()) : nullptr;
        if (!transformer)
            transformer = binding.options.objectForKey(kit::Value(kit::ValueTransformerBindingOption)).objectAs<kit::ValueTransformer>();
        if (transformer)
            value = transformer->transformedValue(value);
    }
    const bool number = value.isNumber();
    if (name == QLatin1String("objectCount")) {
        setObjectCount(number ? value.integerValue() : 0);
        const kit::Value hides = binding.options.objectForKey(kit::Value(kit::ConditionallySetsHiddenBindingOption));
        if (hides.isNil())
            setShowObjectCount(true);
        else if (hides.boolValue())
            setShowObjectCount(number && value.integerValue() != 0);
    } else if (name == QLatin1String("objectCountColor")) {
        setObjectCountColor(value.objectAs<kit::Color>());
    } else if (name == QLatin1String("isProcessing")) {
        setIsProcessing(number && value.boolValue());
    } else if (name == QLatin1String("isEdited")) {
        setIsEdited(number && value.boolValue());
    } else if (name == QLatin1String("icon")) {
        setIcon(value.objectAs<kit::Image>());
    } else if (name == QLatin1String("largeImage")) {
        setLargeImage(value.objectAs<kit::Image>());
    } else if (name == QLatin1String("hasCloseButton")) {
        setHasCloseButton(number && value.boolValue());
    }
}
