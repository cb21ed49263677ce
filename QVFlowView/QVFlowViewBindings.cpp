#include "QVFlowView/QVFlowView.h"
#include "kit/core/ArrayController.h"
#include "kit/core/Binding.h"
#include "kit/core/Exception.h"
#include "kit/core/KeyValueObserving.h"

#include <unordered_set>

using namespace kit;

namespace qv_flow_view_bindings {

// Observation contexts: only their addresses matter.
constexpr char contentArrayObservationContext[] = "QVFlowViewContentArrayObservationContext";
constexpr char individualItemKeyPathsObservationContext[] = "kQVFlowViewIndividualItemKeyPathsObservationContext";

void* contentContext() { return const_cast<char*>(contentArrayObservationContext); }
void* itemContext() { return const_cast<char*>(individualItemKeyPathsObservationContext); }

IndexSet allIndexes(const Array& array) { return IndexSet::indexSetWithIndexesInRange(Range { 0, array.count() }); }

// Each object once, by identity: an object that stands in the content twice is observed once, or
// every change of it would be reported (and answered with a full layout) once per place.
Array distinctObjects(const Array& collection)
{
    std::vector<Value> distinct;
    std::unordered_set<const Object*> seen;
    for (const Value& item : collection) {
        const Ref<Object> object = item.object();
        if (!object || seen.insert(object.get()).second)
            distinct.push_back(item);
    }
    return distinct.size() == std::size_t(collection.count()) ? collection : Array(distinct);
}

} // namespace qv_flow_view_bindings

Ref<Object> QVFlowView::contentArrayController() const
{
    const Value info = bindingInfo_.objectForKey(Value(ContentArrayBinding));
    return info.isDictionary() ? info.dictionary().objectForKey(Value(ObservedObjectKey)).object() : nullptr;
}

QString QVFlowView::contentArrayKeyPath() const
{
    const Value info = bindingInfo_.objectForKey(Value(ContentArrayBinding));
    return info.isDictionary() ? info.dictionary().objectForKey(Value(ObservedKeyPathKey)).stringValue() : QString();
}

Array QVFlowView::contentArray() const
{
    const Ref<Object> controller = contentArrayController();
    if (!controller)
        return {};
    const Value content = controller->valueForKeyPath(contentArrayKeyPath());
    return content.isArray() ? content.array() : Array();
}

bool QVFlowView::bindingsEnabled() const { return bindingInfo_.containsKey(Value(ContentArrayBinding)); }

QSet<QString> QVFlowView::observedItemKeyPaths() const
{
    QSet<QString> paths;
    for (const QString* path : { &imageRepresentationKeyPath_, &imageRepresentationTypeKeyPath_, &imageUIDKeyPath_, &imageTitleKeyPath_ })
        if (!path->isEmpty())
            paths.insert(*path);
    return paths;
}

void QVFlowView::bindToObjectWithKeyPathOptions(
    const QString& binding, Object* observable, const QString& keyPath, const Dictionary& options)
{
    if (binding != ContentArrayBinding) {
        Control::bindToObjectWithKeyPathOptions(binding, observable, keyPath, options);
        return;
    }
    const bool isController = dynamic_cast<ArrayController*>(observable) != nullptr;
    KIT_ASSERT(isController, "NSContentArrayBinding needs to be bound to an NSArrayController!");
    if (!isController)
        return;
    if (!contentArrayKeyPath().isEmpty())
        unbind(ContentArrayBinding);
    setInfoForBinding(Dictionary { { Value(ObservedObjectKey), Value(Ref<Object>(observable)) },
                          { Value(ObservedKeyPathKey), Value(keyPath) }, { Value(OptionsKey), Value(options) } },
        ContentArrayBinding);
    observable->addObserverForKeyPathOptionsContext(this, keyPath,
        KeyValueObservingOptionNew | KeyValueObservingOptionOld | KeyValueObservingOptionInitial, qv_flow_view_bindings::contentContext());
    if (imageRepresentationKeyPath_.isEmpty())
        setImageRepresentationKeyPath(QStringLiteral("imageItemRepresentation"));
    if (imageRepresentationTypeKeyPath_.isEmpty())
        setImageRepresentationTypeKeyPath(QStringLiteral("imageItemRepresentationType"));
    if (imageUIDKeyPath_.isEmpty())
        setImageUIDKeyPath(QStringLiteral("imageItemUID"));
}

void QVFlowView::unbind(const QString& binding)
{
    if (binding != ContentArrayBinding || !bindingsEnabled()) {
        Control::unbind(binding);
        return;
    }
    const Ref<Object> controller = contentArrayController();
    const QString keyPath = contentArrayKeyPath();
    if (controller && !keyPath.isEmpty())
        controller->removeObserverForKeyPathContext(this, keyPath, qv_flow_view_bindings::contentContext());
    // The items are observed once each; the list empties with them.
    stopObservingCollectionAtKeyPaths(observedItems_, observedItemKeyPaths());
    observedItems_ = Array();
    if (backgroundLayer_)
        backgroundLayer_->setNeedsDisplay();
    bindingInfo_.removeObjectForKey(Value(ContentArrayBinding));
}

Value QVFlowView::infoForBinding(const QString& binding) const
{
    if (bindingInfo_.containsKey(Value(binding)))
        return bindingInfo_.objectForKey(Value(binding));
    return Control::infoForBinding(binding);
}

void QVFlowView::setInfoForBinding(const Dictionary& info, const QString& binding)
{
    if (bindingInfo_.containsKey(Value(binding)))
        unbind(binding);
    bindingInfo_.setObjectForKey(Value(info), Value(binding));
}

void QVFlowView::observeValueForKeyPathOfObjectChangeContext(
    const QString& keyPath, Object* object, const KeyValueChange& change, void* context)
{
    if (context == qv_flow_view_bindings::contentContext()) {
        const Value value = object ? object->valueForKeyPath(keyPath) : Value();
        const Array content = value.isArray() ? value.array() : Array();
        const QSet<QString> paths = observedItemKeyPaths();
        // By identity: an item swapped for an equal copy is a different object to observe.
        std::vector<Value> added, removed;
        for (const Value& item : content)
            if (!observedItems_.containsObjectIdenticalTo(item))
                added.push_back(item);
        for (const Value& item : observedItems_)
            if (!content.containsObjectIdenticalTo(item))
                removed.push_back(item);
        stopObservingCollectionAtKeyPaths(Array(removed), paths);
        observedItems_ = content;
        startObservingCollectionAtKeyPaths(Array(added), paths);
        reloadContent();
        return;
    }
    if (context == qv_flow_view_bindings::itemContext()) {
        if (keyPath == imageUIDKeyPath_ || keyPath == imageRepresentationKeyPath_ || keyPath == imageRepresentationTypeKeyPath_) {
            if (object && !imageUIDKeyPath_.isEmpty()) {
                const Value uid = object->valueForKeyPath(imageUIDKeyPath_);
                if (!uid.isNilOrNull())
                    imageCache_->removeObjectForKey(uid.stringValue());
            }
            layoutAll_ = true;
            updateAllImages_ = true;
            if (scrollLayer_)
                scrollLayer_->setNeedsLayout();
        }
        // Only the selected item names the view.
        if (!imageTitleKeyPath_.isEmpty() && keyPath == imageTitleKeyPath_ && object) {
            const Value selected = imageItemForIndex(selectedIndex_);
            if (selected.object().get() == object)
                setTitle(imageTitleForItem(selected));
        }
        return;
    }
    Control::observeValueForKeyPathOfObjectChangeContext(keyPath, object, change, context);
}

void QVFlowView::startObservingCollectionAtKeyPaths(const Array& items, const QSet<QString>& keyPaths)
{
    if (items.isEmpty())
        return;
    const Array collection = qv_flow_view_bindings::distinctObjects(items);
    const IndexSet indexes = qv_flow_view_bindings::allIndexes(collection);
    for (const QString& path : keyPaths)
        addObserverToObjectsAtIndexesForKeyPathOptionsContext(collection, this, indexes, path,
            KeyValueObservingOptionNew | KeyValueObservingOptionOld | KeyValueObservingOptionInitial, qv_flow_view_bindings::itemContext());
}

void QVFlowView::stopObservingCollectionAtKeyPaths(const Array& items, const QSet<QString>& keyPaths)
{
    if (items.isEmpty())
        return;
    const Array collection = qv_flow_view_bindings::distinctObjects(items);
    const IndexSet indexes = qv_flow_view_bindings::allIndexes(collection);
    for (const QString& path : keyPaths)
        removeObserverFromObjectsAtIndexesForKeyPath(collection, this, indexes, path);
}

namespace qv_flow_view_bindings {

void replaceKeyPath(QVFlowView& view, QString& field, const QString& keyPath)
{
    if (keyPath == field)
        return;
    if (!field.isEmpty())
        view.stopObservingCollectionAtKeyPaths(view.observedItems(), { field });
    field = keyPath;
    if (!field.isEmpty())
        view.startObservingCollectionAtKeyPaths(view.observedItems(), { field });
}

} // namespace qv_flow_view_bindings

void QVFlowView::setImageRepresentationKeyPath(const QString& keyPath)
{
    qv_flow_view_bindings::replaceKeyPath(*this, imageRepresentationKeyPath_, keyPath);
}
void QVFlowView::setImageRepresentationTypeKeyPath(const QString& keyPath)
{
    qv_flow_view_bindings::replaceKeyPath(*this, imageRepresentationTypeKeyPath_, keyPath);
}
void QVFlowView::setImageUIDKeyPath(const QString& keyPath) { qv_flow_view_bindings::replaceKeyPath(*this, imageUIDKeyPath_, keyPath); }
void QVFlowView::setImageTitleKeyPath(const QString& keyPath) { qv_flow_view_bindings::replaceKeyPath(*this, imageTitleKeyPath_, keyPath); }
