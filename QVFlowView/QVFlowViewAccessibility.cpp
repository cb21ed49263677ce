#include "QVFlowView/QVFlowView.h"
#include "QVFlowView/QVLayerAccessibilityHelper.h"
#include "QVFlowView/QVVideoOverlayLayer.h"
#include "kit/appkit/CAAnimation.h"
#include "kit/appkit/Window.h"
#include "kit/foundation/Bundle.h"

#include <functional>

using namespace kit;

namespace qv_flow_view_accessibility {

const QString contentsAttribute = QStringLiteral("AXContents");
const QString axHelperKey = QStringLiteral("axHelper");

Array elementsArray(const std::vector<Ref<QVLayerAccessibilityHelper>>& elements)
{
    std::vector<Value> values;
    for (const Ref<QVLayerAccessibilityHelper>& e : elements)
        values.push_back(Value(Ref<Object>(e)));
    return Array(std::move(values));
}

// Shared by every picture's element (the sets are implicitly shared).
// Run when an overlay joins or leaves a tree: its button joins or leaves the picture's element.
class OverlayOrderAction : public Object, public Action {
public:
    explicit OverlayOrderAction(std::function<void(const QString&, Layer*)> run)
        : run_(std::move(run))
    { }
    void runActionForKeyObjectArguments(const QString& key, Object* object, const Dictionary&) override
    {
        run_(key, dynamic_cast<Layer*>(object));
    }

private:
    std::function<void(const QString&, Layer*)> run_;
};

Ref<QVLayerAccessibilityHelper> buttonElementOf(const Layer* overlay)
{
    const auto* video = dynamic_cast<const QVVideoOverlayLayer*>(overlay);
    const Ref<QVButtonLayer> button = video ? video->buttonLayer() : nullptr;
    return button ? button->valueForKey(axHelperKey).objectAs<QVLayerAccessibilityHelper>() : nullptr;
}

const QSet<QString>& pictureAttributeNames()
{
    static const QSet<QString> names { AccessibilityTitleAttribute, AccessibilitySelectedAttribute };
    return names;
}

const QSet<QString>& pictureWritableNames()
{
    static const QSet<QString> names { AccessibilitySelectedAttribute, AccessibilityFocusedAttribute };
    return names;
}

} // namespace qv_flow_view_accessibility

void QVFlowView::makeTreeElements()
{
    const Weak<QVFlowView> weak(this);
    listElement_ = QVLayerAccessibilityHelper::layerAccesibilityHelperWithRoleParentLayerView(
        AccessibilityListRole, this, backgroundLayer_.get(), this);
    listElement_->setAttributeNames(QSet<QString> { AccessibilityTitleAttribute, AccessibilityChildrenAttribute,
        AccessibilitySelectedChildrenAttribute, AccessibilityVisibleChildrenAttribute, AccessibilityOrientationAttribute });
    listElement_->addHandlerForAttribute(AccessibilityTitleAttribute, [weak](QVLayerAccessibilityHelper*) {
        const Ref<QVFlowView> view = weak.lock();
        return Value(view ? view->accessibilityName() : QString());
    });
    listElement_->setWritableAttributeNames(QSet<QString> { AccessibilitySelectedChildrenAttribute, AccessibilityFocusedAttribute });
    // Focusing the list focuses the view, and with it the selected item's picture.
    listElement_->addHandlerForWritableAttribute(AccessibilityFocusedAttribute, [weak](QVLayerAccessibilityHelper*, const Value& value) {
        if (const Ref<QVFlowView> view = weak.lock(); view && value.boolValue())
            AccessibilityFocusView(*view);
    });
    listElement_->addHandlerForAttribute(
        AccessibilityOrientationAttribute, [](QVLayerAccessibilityHelper*) { return Value(AccessibilityHorizontalOrientationValue); });
    listElement_->addHandlerForAttribute(AccessibilityVisibleChildrenAttribute, [weak](QVLayerAccessibilityHelper* list) {
        const Ref<QVFlowView> view = weak.lock();
        return Value(qv_flow_view_accessibility::elementsArray(
            view ? list->childrenAtIndexes(view->visibleItemIndexes()) : std::vector<Ref<QVLayerAccessibilityHelper>> {}));
    });
    listElement_->addHandlerForAttribute(AccessibilitySelectedChildrenAttribute, [weak](QVLayerAccessibilityHelper* list) {
        const Ref<QVFlowView> view = weak.lock();
        const Ref<QVLayerAccessibilityHelper> child = view ? list->objectInChildrenAtIndex(std::size_t(view->selectedIndex())) : nullptr;
        return Value(child ? Array { Value(Ref<Object>(child)) } : Array());
    });
    listElement_->addHandlerForWritableAttribute(
        AccessibilitySelectedChildrenAttribute, [weak](QVLayerAccessibilityHelper* list, const Value& value) {
            const Ref<QVFlowView> view = weak.lock();
            if (!view || !value.isArray() || value.array().isEmpty())
                return;
            const Value first = value.array().firstObject();
            std::int64_t index = NotFound;
            for (std::size_t i = 0; i < list->countOfChildren(); ++i)
                if (list->children()[i].get() == first.object().get())
                    index = std::int64_t(i);
            view->setSelectedIndex(index);
        });
    backgroundLayer_->setValueForKey(Value(Ref<Object>(listElement_)), qv_flow_view_accessibility::axHelperKey);

    scrollBarElement_ = QVLayerAccessibilityHelper::layerAccesibilityHelperWithRoleParentLayerView(
        AccessibilityScrollBarRole, this, scrollBarLayer_.get(), this);
    scrollBarElement_->setAttributeNames(QSet<QString> { AccessibilityOrientationAttribute, AccessibilityChildrenAttribute });
    scrollBarElement_->addHandlerForAttribute(
        AccessibilityOrientationAttribute, [](QVLayerAccessibilityHelper*) { return Value(AccessibilityHorizontalOrientationValue); });
    scrollBarLayer_->setValueForKey(Value(Ref<Object>(scrollBarElement_)), qv_flow_view_accessibility::axHelperKey);

    const Ref<Layer> knob = knobLayer();
    auto knobElement = QVLayerAccessibilityHelper::layerAccesibilityHelperWithRoleParentLayerView(
        AccessibilityValueIndicatorRole, scrollBarElement_.get(), knob.get(), this);
    // The selected item's place from first (0) to last (1).
    knobElement->setAttributeNames(QSet<QString> { AccessibilityValueAttribute, AccessibilityMinValueAttribute, AccessibilityMaxValueAttribute });
    knobElement->addHandlerForAttribute(AccessibilityMinValueAttribute, [](QVLayerAccessibilityHelper*) { return Value(0.0); });
    knobElement->addHandlerForAttribute(AccessibilityMaxValueAttribute, [](QVLayerAccessibilityHelper*) { return Value(1.0); });
    knobElement->addHandlerForAttribute(AccessibilityValueAttribute, [weak](QVLayerAccessibilityHelper*) {
        const Ref<QVFlowView> view = weak.lock();
        // Below two items there is nothing to scroll: the value is 0.
        if (!view || view->numberOfItems() < 2 || view->selectedIndex() == NotFound)
            return Value(0.0);
        return Value(double(view->selectedIndex()) / double(view->numberOfItems() - 1));
    });
    knob->setValueForKey(Value(Ref<Object>(knobElement)), qv_flow_view_accessibility::axHelperKey);
    scrollBarElement_->addChildrenObject(knobElement.get());
}

Ref<QVLayerAccessibilityHelper> QVFlowView::pictureElement(const Layer* picture)
{
    return picture->valueForKey(qv_flow_view_accessibility::axHelperKey).objectAs<QVLayerAccessibilityHelper>();
}

bool QVFlowView::hasPictureElement(const Layer* picture) { return pictureElement(picture) != nullptr; }

void QVFlowView::retirePictureElement(Layer* picture)
{
    const Ref<QVLayerAccessibilityHelper> old = pictureElement(picture);
    if (!old || !listElement_)
        return;
    // A reload empties the list first: then there is nothing to look for among 10,000 children.
    if (old->parent().get() == listElement_.get()) {
        const auto& children = listElement_->children();
        for (std::size_t i = children.size(); i-- > 0;)
            if (children[i] == old) {
                listElement_->removeObjectFromChildrenAtIndex(i);
                break;
            }
    }
    picture->setValueForKey(Value(), qv_flow_view_accessibility::axHelperKey);
}

void QVFlowView::makeMovieButtonElement(Layer* picture, QVVideoOverlayLayer* overlay)
{
    const Ref<QVButtonLayer> button = overlay->buttonLayer();
    auto element = QVLayerAccessibilityHelper::layerAccesibilityHelperWithRoleParentLayerView(
        AccessibilityCheckBoxRole, nullptr, button.get(), this);
    element->setAttributeNames(QSet<QString> { AccessibilityTitleAttribute, AccessibilityValueAttribute });
    element->setWritableAttributeNames(QSet<QString> { AccessibilityValueAttribute });
    const Weak<QVButtonLayer> weakButton(button.get());
    element->addHandlerForAttribute(AccessibilityTitleAttribute, [weakButton](QVLayerAccessibilityHelper*) {
        const Ref<QVButtonLayer> b = weakButton.lock();
        const bool playing = b && b->state() == 1;
        return Value(localizedString(playing ? QStringLiteral("Stop movie playback") : QStringLiteral("Start movie playback")));
    });
    element->addHandlerForAttribute(AccessibilityValueAttribute, [weakButton](QVLayerAccessibilityHelper*) {
        const Ref<QVButtonLayer> b = weakButton.lock();
        return Value(std::int64_t(b ? b->state() : 0));
    });
    element->addHandlerForWritableAttribute(AccessibilityValueAttribute, [weakButton](QVLayerAccessibilityHelper*, const Value& value) {
        if (const Ref<QVButtonLayer> b = weakButton.lock())
            b->setState(value.integerValue());
    });
    button->setValueForKey(Value(Ref<Object>(element)), qv_flow_view_accessibility::axHelperKey);
    const Weak<QVFlowView> weak(this);
    const auto order = make<qv_flow_view_accessibility::OverlayOrderAction>([weak](const QString& key, Layer* layer) {
        const Ref<QVFlowView> view = weak.lock();
        if (key == OnOrderOut)
            retireMovieButtonElement(layer);
        else if (view && layer)
            view->attachMovieButtonElement(view->imageLayerAtIndex(layer->valueForKey(QStringLiteral("index")).integerValue()).get(), layer);
    });
    // Leaving its picture, with or without an order-out action, takes the button out of the tree.
    overlay->setLeftSuperlayerHandler([](QVVideoOverlayLayer* left) { retireMovieButtonElement(left); });
    Dictionary actions = overlay->actions();
    actions.setObjectForKey(Value(Ref<Object>(order)), Value(OnOrderIn));
    actions.setObjectForKey(Value(Ref<Object>(order)), Value(OnOrderOut));
    overlay->setActions(actions);
    attachMovieButtonElement(picture, overlay);
}

void QVFlowView::attachMovieButtonElement(Layer* picture, Layer* overlay)
{
    const auto parentElement = picture ? pictureElement(picture) : nullptr;
    const auto element = qv_flow_view_accessibility::buttonElementOf(overlay);
    if (!parentElement || !element || element->parent().get() == parentElement.get())
        return;
    retireMovieButtonElement(overlay);
    // A picture has one play control: a new overlay's button takes the place of the last one's.
    if (parentElement->countOfChildren() > 0)
        parentElement->removeChildrenAtIndexes(
            IndexSet::indexSetWithIndexesInRange(Range { 0, std::int64_t(parentElement->countOfChildren()) }));
    parentElement->addChildrenObject(element.get());
}

void QVFlowView::retireMovieButtonElement(Layer* overlay)
{
    const auto element = qv_flow_view_accessibility::buttonElementOf(overlay);
    const auto parentElement = element ? dynamic_pointer_cast<QVLayerAccessibilityHelper>(element->parent()) : nullptr;
    if (!parentElement)
        return;
    const auto& children = parentElement->children();
    for (std::size_t i = 0; i < children.size(); ++i)
        if (children[i] == element) {
            parentElement->removeObjectFromChildrenAtIndex(i);
            return;
        }
}

void QVFlowView::makePictureElement(Layer* picture, std::int64_t index)
{
    retirePictureElement(picture);
    if (!listElement_)
        return;
    const Weak<QVFlowView> weak(this);
    // The list takes it as its child when the reload puts the items in order.
    auto element = QVLayerAccessibilityHelper::layerAccesibilityHelperWithRoleParentLayerView(
        AccessibilityImageRole, listElement_.get(), picture, this);
    element->setAttributeNames(qv_flow_view_accessibility::pictureAttributeNames());
    element->setWritableAttributeNames(qv_flow_view_accessibility::pictureWritableNames());
    element->addHandlerForAttribute(AccessibilityTitleAttribute, [weak, index](QVLayerAccessibilityHelper*) {
        const Ref<QVFlowView> view = weak.lock();
        return Value(view ? view->titleAtIndex(index) : QString());
    });
    element->addHandlerForAttribute(AccessibilitySelectedAttribute, [weak, index](QVLayerAccessibilityHelper*) {
        const Ref<QVFlowView> view = weak.lock();
        return Value(view && view->selectedIndex() == index);
    });
    element->addHandlerForWritableAttribute(AccessibilitySelectedAttribute, [weak, index](QVLayerAccessibilityHelper*, const Value& value) {
        if (const Ref<QVFlowView> view = weak.lock(); view && value.boolValue())
            view->setSelectedIndex(index);
    });
    // The item first, so that the focus coming to the view announces this one only.
    element->addHandlerForWritableAttribute(AccessibilityFocusedAttribute, [weak, index](QVLayerAccessibilityHelper*, const Value& value) {
        if (const Ref<QVFlowView> view = weak.lock(); view && value.boolValue()) {
            view->setSelectedIndex(index);
            AccessibilityFocusView(*view);
        }
    });
    picture->setValueForKey(Value(Ref<Object>(element)), qv_flow_view_accessibility::axHelperKey);
    if (index == selectedIndex_ && hasKeyboardFocus())
        setFocusedPicture(element.get());
}

void QVFlowView::setFocusedPicture(QVLayerAccessibilityHelper* element)
{
    if (const Ref<QVLayerAccessibilityHelper> old = focusedPicture_.lock(); old && old.get() != element)
        old->setFocused(false);
    if (element)
        element->setFocused(true);
    focusedPicture_ = element;
}

Ref<QVLayerAccessibilityHelper> QVFlowView::selectedPictureElement() const
{
    const Ref<Layer> picture = selectedIndex_ == NotFound ? nullptr : imageLayerAtIndex(selectedIndex_);
    return picture ? pictureElement(picture.get()) : nullptr;
}

bool QVFlowView::hasKeyboardFocus() const
{
    const Ref<Window> w = window();
    return w && w->firstResponder().get() == this;
}

bool QVFlowView::becomeFirstResponder()
{
    if (!Control::becomeFirstResponder())
        return false;
    // The window announces the focus once it is ours: by then the picture reads focused.
    setFocusedPicture(selectedPictureElement().get());
    return true;
}

bool QVFlowView::resignFirstResponder()
{
    if (!Control::resignFirstResponder())
        return false;
    setFocusedPicture(nullptr);
    return true;
}

void QVFlowView::announceSelection(std::int64_t before)
{
    const Ref<QVLayerAccessibilityHelper> now = selectedPictureElement();
    if (hasKeyboardFocus())
        setFocusedPicture(now.get());
    const Ref<Layer> old = before == NotFound ? nullptr : imageLayerAtIndex(before);
    if (const Ref<QVLayerAccessibilityHelper> was = old ? pictureElement(old.get()) : nullptr)
        was->accessibilitySelectionChanged();
    if (now)
        now->accessibilitySelectionChanged();
    if (listElement_)
        listElement_->accessibilitySelectionChanged();
    accessibilityFocusedUIElementChanged();
}

Value QVFlowView::accessibilityFocusedUIElement() const
{
    const Ref<QVLayerAccessibilityHelper> picture = hasKeyboardFocus() ? selectedPictureElement() : nullptr;
    return picture ? Value(Ref<Object>(picture)) : self();
}

QString QVFlowView::accessibilityName() const
{
    if (!toolTip().isEmpty())
        return toolTip();
    return Bundle::bundleForClass(staticClass())
        ->localizedStringForKeyValueTable(QStringLiteral("Covers"), QStringLiteral("Covers"), QStringLiteral("QVFlowView"));
}

QStringList QVFlowView::accessibilityAttributeNames() const
{
    static const QStringList names = [] {
        QStringList all = ViewAccessibilityAttributeNames();
        all.append(AccessibilityTitleAttribute);
        all.append(qv_flow_view_accessibility::contentsAttribute);
        return all;
    }();
    return names;
}

Value QVFlowView::accessibilityAttributeValue(const QString& attribute) const
{
    if (attribute == AccessibilityRoleAttribute)
        return Value(AccessibilityScrollAreaRole);
    if (attribute == AccessibilityRoleDescriptionAttribute)
        return Value(AccessibilityRoleDescription(AccessibilityScrollAreaRole));
    if (attribute == AccessibilityTitleAttribute)
        return Value(accessibilityName());
    // The picture standing for the keys reads focused instead of the view.
    if (attribute == AccessibilityFocusedAttribute)
        return Value(hasKeyboardFocus() && accessibilityFocusedUIElement().object().get() == this);
    const Array elements { Value(Ref<Object>(listElement_)), Value(Ref<Object>(scrollBarElement_)) };
    if (attribute == AccessibilityChildrenAttribute)
        return Value(AccessibilityUnignoredChildren(elements));
    if (attribute == qv_flow_view_accessibility::contentsAttribute)
        return Value(elements);
    return ViewAccessibilityAttributeValue(*this, attribute);
}

Value QVFlowView::accessibilityHitTest(Point point) const
{
    const Ref<Window> w = window();
    if (!w)
        return self();
    const Point p = convertPointFromView(w->convertScreenToBase(point), nullptr);
    const Ref<Layer> hit = hitLayerAtPoint(p);
    const Value element = hit ? hit->valueForKey(qv_flow_view_accessibility::axHelperKey) : Value();
    return element.isObject() ? element : self();
}
