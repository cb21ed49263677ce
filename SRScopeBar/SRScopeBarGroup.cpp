#include "SRScopeBarGroup.h"

#include "SRScopeBar.h"

#include "kit/core/ArrayController.h"
#include "kit/core/Binding.h"
#include "kit/core/Exception.h"
#include "kit/core/NotificationCenter.h"
#include "kit/graphics/AttributedStringCoding.h"
#include "kit/graphics/Font.h"

using namespace kit;

KIT_REGISTER_CLASS(SRScopeBarGroup, kit::Object)
{
    c.property("identifier", &SRScopeBarGroup::identifier, &SRScopeBarGroup::setIdentifier);
    c.property("label", &SRScopeBarGroup::label, &SRScopeBarGroup::setLabel);
    c.property("groupSelectionStyle", &SRScopeBarGroup::groupSelectionStyle, &SRScopeBarGroup::setGroupSelectionStyle);
    c.property("showsSeparator", &SRScopeBarGroup::showsSeparator, &SRScopeBarGroup::setShowsSeparator);
    c.property("collapsed", &SRScopeBarGroup::isCollapsed, &SRScopeBarGroup::setCollapsed);
    c.property("showsLabel", &SRScopeBarGroup::showsLabel, &SRScopeBarGroup::setShowsLabel);
    c.property("selectionIndexes", &SRScopeBarGroup::selectionIndexes, &SRScopeBarGroup::setSelectionIndexes);
    c.property("multipleSelectionPlaceholder", &SRScopeBarGroup::multipleSelectionPlaceholder, &SRScopeBarGroup::setMultipleSelectionPlaceholder);
    c.property("noSelectionPlaceholder", &SRScopeBarGroup::noSelectionPlaceholder, &SRScopeBarGroup::setNoSelectionPlaceholder);
    c.property("content", &SRScopeBarGroup::content, &SRScopeBarGroup::setContent);
    c.property("contentValues", &SRScopeBarGroup::contentValues, &SRScopeBarGroup::setContentValues);
    c.property("image", &SRScopeBarGroup::image, &SRScopeBarGroup::setImage);
    c.exposeBinding(ContentBinding);
    c.exposeBinding(ContentValuesBinding);
    c.exposeBinding(ImageBinding);
}

namespace {

int srgroupObservationContext = 0;

const QString srgroupSelectionIndexesKey = QStringLiteral("selectionIndexes");

namespace srgroupkeys {
const QString identifier = QStringLiteral("SRScopeBarGroup identifier");
const QString label = QStringLiteral("SRScopeBarGroup label");
const QString attributedLabel = QStringLiteral("SRScopeBarGroup attributedLabel");
const QString selectionStyle = QStringLiteral("SRScopeBarGroup groupSelectionStyle");
const QString showsSeparator = QStringLiteral("SRScopeBarGroup showsSeparator");
const QString showsLabel = QStringLiteral("SRScopeBarGroup showsLabel");
const QString scopeBar = QStringLiteral("SRScopeBarGroup scopeBar");
const QString selectionIndexes = QStringLiteral("SRScopeBarGroup selectionIndexes");
const QString multiplePlaceholder = QStringLiteral("SRScopeBarGroup multipleSelectionPlaceholder");
const QString noSelectionPlaceholder = QStringLiteral("SRScopeBarGroup noSelectionPlaceholder");
} // namespace srgroupkeys

[[noreturn]] void srgroupRaise(const QString& name, const char* reason) { throw Exception(name, QString::fromLatin1(reason)); }

} // namespace

SRScopeBarGroup::SRScopeBarGroup()
    : SRScopeBarGroup(QString(), 0)
{ }

SRScopeBarGroup::SRScopeBarGroup(const QString& identifier, int selectionStyle)
    : identifier_(identifier)
    , selectionStyle_(selectionStyle)
{
    setMainThreadAffine();
}

SRScopeBarGroup::~SRScopeBarGroup()
{
    if (const Ref<Object> observed = observedController_.lock())
        observed->removeObserverForKeyPathContext(this, srgroupSelectionIndexesKey, &srgroupObservationContext);
}

// The bar and reloading ---------------------------------------------------------------------------

std::int64_t SRScopeBarGroup::indexInBar() const
{
    const Ref<SRScopeBar> bar = scopeBar();
    const std::int64_t index = bar ? bar->indexOfGroup(this) : NotFound;
    return index == NotFound ? -1 : index;
}

void SRScopeBarGroup::reloadInBar() const
{
    const std::int64_t index = indexInBar();
    if (index >= 0)
        scopeBar()->reloadDataForGroup(index);
}

void SRScopeBarGroup::reloadIfBound() const
{
    if (isBound())
        reloadInBar();
}

// Properties ---------------------------------------------------------------------------------------

void SRScopeBarGroup::setLabel(const QString& label)
{
    if (label == label_ && label.isNull() == label_.isNull())
        return;
    label_ = label;
    showsLabel_ = !label_.isNull() || attributedLabel_.has_value();
    reloadInBar();
}

void SRScopeBarGroup::setAttributedLabel(const std::optional<AttributedString>& label)
{
    if (label.has_value() == attributedLabel_.has_value() && (!label || label->isEqualToAttributedString(*attributedLabel_)))
        return;
    attributedLabel_ = label;
    showsLabel_ = attributedLabel_.has_value() || !label_.isNull();
    reloadInBar();
}

AttributedString SRScopeBarGroup::attributedLabel() const
{
    if (attributedLabel_)
        return *attributedLabel_;
    StringAttributes a;
    const Ref<SRScopeBar> bar = scopeBar();
    a.foregroundColor = bar ? bar->labelColor() : nullptr;
    a.font = Font::boldSystemFontOfSize(11);
    return AttributedString(label_, a);
}

void SRScopeBarGroup::setGroupSelectionStyle(int style)
{
    selectionStyle_ = style;
    reloadInBar();
}

void SRScopeBarGroup::setShowsSeparator(bool flag)
{
    showsSeparator_ = flag;
    reloadInBar();
}

void SRScopeBarGroup::setShowsLabel(bool flag)
{
    showsLabel_ = flag;
    reloadInBar();
}

QString SRScopeBarGroup::multipleSelectionPlaceholder() const
{
    return multipleSelectionPlaceholder_.isNull() ? QStringLiteral("<Multiple>") : multipleSelectionPlaceholder_;
}

void SRScopeBarGroup::setMultipleSelectionPlaceholder(const QString& placeholder)
{
    if (placeholder == multipleSelectionPlaceholder_ && placeholder.isNull() == multipleSelectionPlaceholder_.isNull())
        return;
    multipleSelectionPlaceholder_ = placeholder;
    reloadInBar();
}

QString SRScopeBarGroup::noSelectionPlaceholder() const
{
    if (!noSelectionPlaceholder_.isNull())
        return noSelectionPlaceholder_;
    return identifier_.isNull() ? QStringLiteral("<Untitled>") : identifier_;
}

void SRScopeBarGroup::setNoSelectionPlaceholder(const QString& placeholder)
{
    if (placeholder == noSelectionPlaceholder_ && placeholder.isNull() == noSelectionPlaceholder_.isNull())
        return;
    noSelectionPlaceholder_ = placeholder;
    reloadInBar();
}

void SRScopeBarGroup::setCollapsed(bool flag)
{
    if (flag == collapsed_)
        return;
    if (const Ref<SRScopeBar> bar = scopeBar()) {
        const Ref<SRScopeBar> keep = bar;
        if (flag) {
            if (SRScopeBarDelegate* d = bar->delegateFor(bar->delegateImplementsShouldCollapse_))
                if (!d->scopeBarShouldCollapseGroup(bar.get(), this))
                    return;
        } else if (SRScopeBarDelegate* d = bar->delegateFor(bar->delegateImplementsShouldExpand_)) {
            if (!d->scopeBarShouldExpandGroup(bar.get(), this))
                return;
        }
    }
    collapsed_ = flag;
}

// Objects ------------------------------------------------------------------------------------------

bool SRScopeBarGroup::isBound() const { return !infoForBinding(ContentBinding).isNil(); }

std::optional<Array> SRScopeBarGroup::boundArray(const QString& binding) const
{
    const Value info = infoForBinding(binding);
    if (info.isNil())
        return std::nullopt;
    const Dictionary& d = info.dictionary();
    const Ref<Object> observed = d.objectForKey(ObservedObjectKey).object();
    if (!observed)
        return Array();
    return observed->valueForKeyPath(d.objectForKey(ObservedKeyPathKey).stringValue()).array();
}

std::optional<Array> SRScopeBarGroup::boundContent() const { return boundArray(ContentBinding); }
std::optional<Array> SRScopeBarGroup::boundContentValues() const { return boundArray(ContentValuesBinding); }
std::optional<Array> SRScopeBarGroup::boundImages() const { return boundArray(ImageBinding); }

std::int64_t SRScopeBarGroup::numberOfObjects() const
{
    if (const auto content = boundContent())
        return content->count();
    const std::int64_t index = indexInBar();
    if (index < 0)
        return 0;
    const Ref<SRScopeBar> bar = scopeBar();
    SRScopeBarDataSource* source = bar->dataSourceObject();
    const Ref<Object> keep = bar->dataSource();
    return source ? std::max<std::int64_t>(0, source->scopeBarNumberOfObjectsInScopeBarGroup(bar.get(), index)) : 0;
}

Value SRScopeBarGroup::objectAtIndex(std::int64_t index) const
{
    if (index < 0 || index >= numberOfObjects())
        srgroupRaise(RangeException, "SRScopeBarGroup:objectAtIndex: objectIndex invalid");
    if (const auto content = boundContent())
        return (*content)[index];
    const std::int64_t groupIndex = indexInBar();
    if (groupIndex < 0)
        return {};
    const Ref<SRScopeBar> bar = scopeBar();
    const Ref<Object> keep = bar->dataSource();
    SRScopeBarDataSource* source = bar->dataSourceObject();
    return source ? source->scopeBarValueForObjectInGroupAtIndex(bar.get(), groupIndex, index) : Value();
}

std::int64_t SRScopeBarGroup::indexForObject(const Value& object) const
{
    if (const auto content = boundContent())
        return content->indexOfObject(object);
    const std::int64_t count = numberOfObjects();
    for (std::int64_t i = 0; i < count; ++i) {
        const Value v = objectAtIndex(i);
        // Objects by identity; plain values have no identity but their value.
        if (object.isObject() ? v.identicalTo(object) : (!v.isObject() && !v.isNil() && v.isEqual(object)))
            return i;
    }
    return NotFound;
}

Value SRScopeBarGroup::selectedObjects() const
{
    if (selectionIndexes_.isEmpty())
        return {};
    Array objects;
    for (std::int64_t i : selectionIndexes_)
        objects.addObject(objectAtIndex(i));
    return Value(objects);
}

Value SRScopeBarGroup::selectedObject() const
{
    const Value objects = selectedObjects();
    return objects.isNil() ? Value() : objects.array().firstObject();
}

// Selection ----------------------------------------------------------------------------------------

void SRScopeBarGroup::setSelectionIndexes(const IndexSet& indexes)
{
    const Ref<SRScopeBarGroup> keep(this);
    const bool same = indexes.isEqualToIndexSet(selectionIndexes_);
    const IndexSet before = selectionIndexes_;
    selectionIndexes_ = indexes;
    if (const Ref<ArrayController> controller = dynamic_pointer_cast<ArrayController>(contentObservedObject()))
        controller->setSelectionIndexes(indexes);
    const std::int64_t index = indexInBar();
    if (index < 0)
        return;
    const Ref<SRScopeBar> bar = scopeBar();
    bar->reloadDataForGroup(index);
    if (same)
        return;
    bar->announceSelectionChange(this, before, indexes);
    postSelectionDidChange();
}

void SRScopeBarGroup::postSelectionDidChange() const
{
    const Ref<SRScopeBar> bar = scopeBar();
    Dictionary userInfo;
    if (!identifier_.isNull())
        userInfo.setObjectForKey(Value(identifier_), SRGroupIdentifierKey);
    NotificationCenter::defaultCenter()->postNotificationNameObjectUserInfo(SRScopeBarSelectionDidChangeNotification, bar.get(), userInfo);
}

void SRScopeBarGroup::didClickObjectAlwaysSetToOnState(std::int64_t index, bool force)
{
    if (index < 0 || index >= numberOfObjects())
        srgroupRaise(RangeException, "SRScopeBarGroup:didClickObject_:alwaysSetToOnState: objectIndex invalid");
    if (force && selectionIndexes_.containsIndex(index))
        return;
    IndexSet next;
    if (selectionStyle_ == 0) {
        next = IndexSet(index);
    } else {
        std::vector<std::int64_t> kept;
        bool removed = false;
        for (std::int64_t i : selectionIndexes_) {
            if (i == index)
                removed = true;
            else
                kept.push_back(i);
        }
        if (!removed)
            kept.push_back(index);
        MutableIndexSet built;
        for (std::int64_t i : kept)
            built.addIndex(i);
        next = built;
    }
    setSelectionIndexes(next);
}

void SRScopeBarGroup::selectObjectWithIndex(std::int64_t index)
{
    if (index < 0 || index >= numberOfObjects())
        srgroupRaise(RangeException, "SRScopeBarGroup:selectObjectWithIndex: objectIndex invalid");
    didClickObjectAlwaysSetToOnState(index, true);
}

void SRScopeBarGroup::selectObject(const Value& object)
{
    const std::int64_t index = indexForObject(object);
    if (index == NotFound)
        srgroupRaise(InvalidArgumentException, "SRScopeBarGroup:selectObject theObject not a member of this group");
    selectObjectWithIndex(index);
}

// Bindings -----------------------------------------------------------------------------------------

Ref<Object> SRScopeBarGroup::contentObservedObject() const
{
    const Value info = infoForBinding(ContentBinding);
    return info.isNil() ? nullptr : info.dictionary().objectForKey(ObservedObjectKey).object();
}

void SRScopeBarGroup::bindToObjectWithKeyPathOptions(const QString& binding, Object* observable, const QString& keyPath, const Dictionary& options)
{
    Object::bindToObjectWithKeyPathOptions(binding, observable, keyPath, options);
    if (binding != ContentBinding || !observable)
        return;
    if (const Ref<Object> old = observedController_.lock())
        old->removeObserverForKeyPathContext(this, srgroupSelectionIndexesKey, &srgroupObservationContext);
    observable->addObserverForKeyPathOptionsContext(this, srgroupSelectionIndexesKey, KeyValueObservingOptionNew, &srgroupObservationContext);
    observedController_ = observable;
}

void SRScopeBarGroup::unbind(const QString& binding)
{
    if (binding == ContentBinding) {
        if (const Ref<Object> old = observedController_.lock())
            old->removeObserverForKeyPathContext(this, srgroupSelectionIndexesKey, &srgroupObservationContext);
        observedController_ = nullptr;
    }
    Object::unbind(binding);
}

void SRScopeBarGroup::observeValueForKeyPathOfObjectChangeContext(const QString& keyPath, Object* object, const KeyValueChange& change, void* context)
{
    if (context != &srgroupObservationContext) {
        Object::observeValueForKeyPathOfObjectChangeContext(keyPath, object, change, context);
        return;
    }
    auto* controller = dynamic_cast<ArrayController*>(object);
    KIT_ASSERT(controller, "SRScopeBarGroup: Observing selectionIndexes from object not of class NSArrayController");
    if (controller)
        setSelectionIndexes(controller->selectionIndexes());
}

// Coding -------------------------------------------------------------------------------------------

void SRScopeBarGroup::encodeWithCoder(Coder& coder) const
{
    if (!identifier_.isNull())
        coder.encodeObjectForKey(Value(identifier_), srgroupkeys::identifier);
    if (!label_.isNull())
        coder.encodeObjectForKey(Value(label_), srgroupkeys::label);
    if (attributedLabel_)
        encodeAttributedStringForKey(coder, *attributedLabel_, srgroupkeys::attributedLabel);
    coder.encodeIntForKey(selectionStyle_, srgroupkeys::selectionStyle);
    coder.encodeBoolForKey(showsSeparator_, srgroupkeys::showsSeparator);
    coder.encodeBoolForKey(showsLabel_, srgroupkeys::showsLabel);
    coder.encodeObjectForKey(Value(selectionIndexes_), srgroupkeys::selectionIndexes);
    coder.encodeConditionalObjectForKey(scopeBar().get(), srgroupkeys::scopeBar);
    if (!multipleSelectionPlaceholder_.isNull())
        coder.encodeObjectForKey(Value(multipleSelectionPlaceholder_), srgroupkeys::multiplePlaceholder);
    if (!noSelectionPlaceholder_.isNull())
        coder.encodeObjectForKey(Value(noSelectionPlaceholder_), srgroupkeys::noSelectionPlaceholder);
}

void SRScopeBarGroup::initWithCoder(Coder& coder)
{
    // Not the designated initialiser: a missing key leaves its field empty.
    identifier_ = QString();
    selectionStyle_ = 0;
    showsSeparator_ = false;
    showsLabel_ = false;
    const Value identifier = coder.decodeObjectForKey(srgroupkeys::identifier);
    if (identifier.isString())
        setIdentifier(identifier.string());
    const Value label = coder.decodeObjectForKey(srgroupkeys::label);
    if (label.isString())
        setLabel(label.string());
    if (const auto attributed = decodeAttributedStringForKey(coder, srgroupkeys::attributedLabel))
        setAttributedLabel(attributed);
    setGroupSelectionStyle(coder.decodeIntForKey(srgroupkeys::selectionStyle));
    setShowsSeparator(coder.decodeBoolForKey(srgroupkeys::showsSeparator));
    // After both labels, so the archived flag wins over the one the label setters derive.
    setShowsLabel(coder.decodeBoolForKey(srgroupkeys::showsLabel));
    if (const Ref<SRScopeBar> bar = dynamic_pointer_cast<SRScopeBar>(coder.decodeObjectOfClassForKey(SRScopeBar::staticClass(), srgroupkeys::scopeBar)))
        setScopeBar(bar.get());
    const Value selection = coder.decodeObjectForKey(srgroupkeys::selectionIndexes);
    if (selection.kind() == Value::Kind::IndexSet)
        setSelectionIndexes(selection.indexSet());
    const Value multiple = coder.decodeObjectForKey(srgroupkeys::multiplePlaceholder);
    if (multiple.isString())
        setMultipleSelectionPlaceholder(multiple.string());
    const Value none = coder.decodeObjectForKey(srgroupkeys::noSelectionPlaceholder);
    if (none.isString())
        setNoSelectionPlaceholder(none.string());
}
