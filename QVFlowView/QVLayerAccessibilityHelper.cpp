#include "QVFlowView/QVLayerAccessibilityHelper.h"

#include "kit/appkit/Window.h"

#include <algorithm>

using namespace kit;

KIT_REGISTER_CLASS(QVLayerAccessibilityHelper, Object) { }

namespace {

// The nine attributes every element answers.
const QStringList& qvStandardAttributes()
{
    static const QStringList names { AccessibilityRoleAttribute, AccessibilityRoleDescriptionAttribute, AccessibilityParentAttribute,
        AccessibilityWindowAttribute, AccessibilityTopLevelUIElementAttribute, AccessibilityPositionAttribute, AccessibilitySizeAttribute,
        AccessibilityFocusedAttribute, AccessibilityEnabledAttribute };
    return names;
}

} // namespace

QVLayerAccessibilityHelper::QVLayerAccessibilityHelper(const QString& role, Object* parent, Layer* layer, View* view)
    : role_(role)
    , parent_(parent)
    , layer_(layer)
    , view_(view)
{ }

QVLayerAccessibilityHelper::~QVLayerAccessibilityHelper()
{
    // Children outlive a parent they do not keep.
    for (const Ref<QVLayerAccessibilityHelper>& child : children_)
        if (child->parent_.unsafeRaw() == this)
            child->parent_ = nullptr;
}

Ref<QVLayerAccessibilityHelper> QVLayerAccessibilityHelper::layerAccesibilityHelperWithRoleParentLayerView(
    const QString& role, Object* parent, Layer* layer, View* view)
{
    return make<QVLayerAccessibilityHelper>(role, parent, layer, view);
}

void QVLayerAccessibilityHelper::addHandlerForAttribute(const QString& attribute, GetHandler handler)
{
    getHandlers_.insert(attribute, std::move(handler));
}

void QVLayerAccessibilityHelper::addHandlerForWritableAttribute(const QString& attribute, SetHandler handler)
{
    setHandlers_.insert(attribute, std::move(handler));
}

// Children ------------------------------------------------------------------------------------------

Ref<QVLayerAccessibilityHelper> QVLayerAccessibilityHelper::objectInChildrenAtIndex(std::size_t index) const
{
    return index < children_.size() ? children_[index] : nullptr;
}

std::vector<Ref<QVLayerAccessibilityHelper>> QVLayerAccessibilityHelper::childrenAtIndexes(const IndexSet& indexes) const
{
    std::vector<Ref<QVLayerAccessibilityHelper>> out;
    for (std::int64_t i : indexes.indexes())
        if (i >= 0 && std::size_t(i) < children_.size())
            out.push_back(children_[std::size_t(i)]);
    return out;
}

void QVLayerAccessibilityHelper::addChildrenObject(QVLayerAccessibilityHelper* child) { insertObjectInChildrenAtIndex(child, children_.size()); }

void QVLayerAccessibilityHelper::insertObjectInChildrenAtIndex(QVLayerAccessibilityHelper* child, std::size_t index)
{
    if (!child)
        return;
    child->setParent(this);
    children_.insert(children_.begin() + std::ptrdiff_t(std::min(index, children_.size())), Ref<QVLayerAccessibilityHelper>(child));
    adjustChildrenAttribute();
}

void QVLayerAccessibilityHelper::insertChildrenAtIndexes(const std::vector<Ref<QVLayerAccessibilityHelper>>& children, const IndexSet& indexes)
{
    const std::vector<std::int64_t> at = indexes.indexes();
    for (std::size_t k = 0; k < children.size() && k < at.size(); ++k) {
        if (!children[k])
            continue;
        children[k]->setParent(this);
        children_.insert(children_.begin() + std::ptrdiff_t(std::min(std::size_t(std::max<std::int64_t>(0, at[k])), children_.size())),
            children[k]);
    }
    adjustChildrenAttribute();
}

void QVLayerAccessibilityHelper::removeObjectFromChildrenAtIndex(std::size_t index)
{
    if (index >= children_.size())
        return;
    children_[index]->setParent(nullptr);
    children_.erase(children_.begin() + std::ptrdiff_t(index));
    adjustChildrenAttribute();
}

void QVLayerAccessibilityHelper::removeChildrenAtIndexes(const IndexSet& indexes)
{
    std::vector<std::int64_t> at = indexes.indexes();
    // From the back, so earlier indexes stay valid.
    for (auto it = at.rbegin(); it != at.rend(); ++it) {
        if (*it < 0 || std::size_t(*it) >= children_.size())
            continue;
        children_[std::size_t(*it)]->setParent(nullptr);
        children_.erase(children_.begin() + *it);
    }
    adjustChildrenAttribute();
}

void QVLayerAccessibilityHelper::adjustChildrenAttribute()
{
    if (attributeNames_) {
        if (children_.empty())
            attributeNames_->remove(AccessibilityChildrenAttribute);
        else
            attributeNames_->insert(AccessibilityChildrenAttribute);
    }
    accessibilityChildrenChanged();
}

// Attributes ----------------------------------------------------------------------------------------

QStringList QVLayerAccessibilityHelper::accessibilityAttributeNames() const
{
    QStringList names = qvStandardAttributes();
    if (attributeNames_)
        for (const QString& name : *attributeNames_)
            if (!names.contains(name))
                names << name;
    return names;
}

Rect QVLayerAccessibilityHelper::boxInWindow() const
{
    const Ref<Layer> layer = this->layer();
    const Ref<View> view = this->view();
    if (!layer || !view)
        return ZeroRect;
    // The drawn box of the bounds (through perspective) in the root layer's space, which is the
    // view's own, mirrored in a flipped view.
    Rect box = layer->convertRectToLayer(layer->bounds(), nullptr);
    if (view->isFlipped()) {
        const Rect b = view->bounds();
        box.origin.y = b.minY() + b.maxY() - box.maxY();
    }
    return view->convertRectToView(box, nullptr);
}

Value QVLayerAccessibilityHelper::accessibilityAttributeValue(const QString& attribute) const
{
    if (attribute == AccessibilityRoleAttribute)
        return Value(role_);
    if (attribute == AccessibilityRoleDescriptionAttribute)
        return Value(AccessibilityRoleDescriptionForUIElement(self()));
    if (attribute == AccessibilityParentAttribute)
        return AccessibilityUnignoredAncestor(Value(parent()));
    if (attribute == AccessibilityWindowAttribute || attribute == AccessibilityTopLevelUIElementAttribute)
        return AccessibilityAttributeValue(Value(parent()), attribute);
    if (attribute == AccessibilityPositionAttribute) {
        const Rect box = boxInWindow();
        const Ref<View> view = this->view();
        const Ref<Window> window = view ? view->window() : nullptr;
        return Value(window ? window->convertBaseToScreen(box.origin) : box.origin);
    }
    if (attribute == AccessibilityFocusedAttribute)
        return Value(focused_);
    if (attribute == AccessibilityEnabledAttribute)
        return Value(enabled_);
    if (attribute == AccessibilitySizeAttribute)
        return Value(boxInWindow().size);
    if (attribute == AccessibilityChildrenAttribute) {
        Array children;
        for (const Ref<QVLayerAccessibilityHelper>& child : children_)
            children.addObject(Value(child));
        return Value(AccessibilityUnignoredChildren(children));
    }
    if (const auto it = getHandlers_.find(attribute); it != getHandlers_.end() && *it)
        return (*it)(const_cast<QVLayerAccessibilityHelper*>(this));
    return {};
}

std::int64_t QVLayerAccessibilityHelper::accessibilityArrayAttributeCount(const QString& attribute) const
{
    if (attribute != AccessibilityChildrenAttribute)
        return Accessibility::accessibilityArrayAttributeCount(attribute);
    return std::int64_t(children_.size());
}

Array QVLayerAccessibilityHelper::accessibilityArrayAttributeValues(const QString& attribute, std::int64_t index, std::int64_t maxCount) const
{
    if (attribute != AccessibilityChildrenAttribute)
        return Accessibility::accessibilityArrayAttributeValues(attribute, index, maxCount);
    Array out;
    for (std::int64_t i = index; i >= 0 && i < std::int64_t(children_.size()) && out.count() < maxCount; ++i)
        out.addObject(Value(children_[std::size_t(i)]));
    return out;
}

std::int64_t QVLayerAccessibilityHelper::accessibilityIndexOfChild(const Value& child) const
{
    const Object* wanted = child.isObject() ? child.object().get() : nullptr;
    for (std::size_t i = 0; wanted && i < children_.size(); ++i)
        if (children_[i].get() == wanted)
            return std::int64_t(i);
    return -1;
}

bool QVLayerAccessibilityHelper::accessibilityIsAttributeSettable(const QString& attribute) const
{
    return writable_ && writable_->contains(attribute);
}

void QVLayerAccessibilityHelper::accessibilitySetValueForAttribute(const Value& value, const QString& attribute)
{
    if (const auto it = setHandlers_.find(attribute); it != setHandlers_.end() && *it)
        (*it)(this, value);
}

Value QVLayerAccessibilityHelper::accessibilityHitTest(Point) const { return self(); }

Value QVLayerAccessibilityHelper::accessibilityFocusedUIElement() const { return self(); }

QString QVLayerAccessibilityHelper::description() const { return QStringLiteral("<QVLayerAccessibilityHelper> role: %1").arg(role_); }
