#pragma once

// One layer of a layer-hosting view as an accessibility element of its own: the standard
// attributes come from the layer, its view and its place in a tree of such elements; any further
// attribute, and writes, go through handlers the owner registers per attribute name. Parent,
// layer and view are held weakly; children strongly.

#include "kit/appkit/Accessibility.h"
#include "kit/appkit/View.h"
#include "kit/core/IndexSet.h"
#include "kit/layers/Layer.h"

#include <QHash>
#include <QSet>

#include <functional>
#include <optional>
#include <vector>

class QVLayerAccessibilityHelper : public kit::Object, public kit::Accessibility {
    KIT_CLASS(QVLayerAccessibilityHelper)

    using GetHandler = std::function<kit::Value(QVLayerAccessibilityHelper*)>;
    using SetHandler = std::function<void(QVLayerAccessibilityHelper*, const kit::Value&)>;

    QVLayerAccessibilityHelper() = default;
    QVLayerAccessibilityHelper(const QString& role, kit::Object* parent, kit::Layer* layer, kit::View* view);
    ~QVLayerAccessibilityHelper() override;
    static kit::Ref<QVLayerAccessibilityHelper> layerAccesibilityHelperWithRoleParentLayerView(
        const QString& role, kit::Object* parent, kit::Layer* layer, kit::View* view);

    bool isFocused() const { return focused_; }
    void setFocused(bool flag) { focused_ = flag; }
    bool isEnabled() const { return enabled_; }
    void setEnabled(bool flag) { enabled_ = flag; }
    QString role() const { return role_; }
    void setRole(const QString& role) { role_ = role; }
    kit::Ref<kit::Object> parent() const { return parent_.lock(); }
    void setParent(kit::Object* parent) { parent_ = parent; }
    kit::Ref<kit::Layer> layer() const { return layer_.lock(); }
    void setLayer(kit::Layer* layer) { layer_ = layer; }
    kit::Ref<kit::View> view() const { return view_.lock(); }
    void setView(kit::View* view) { view_ = view; }
    const std::optional<QSet<QString>>& writableAttributeNames() const { return writable_; }
    void setWritableAttributeNames(std::optional<QSet<QString>> names) { writable_ = std::move(names); }
    const std::optional<QSet<QString>>& attributeNames() const { return attributeNames_; }
    void setAttributeNames(std::optional<QSet<QString>> names) { attributeNames_ = std::move(names); }
    const QHash<QString, GetHandler>& attributeGetHandlers() const { return getHandlers_; }
    const QHash<QString, SetHandler>& attributeSetHandlers() const { return setHandlers_; }

    // Replace any earlier handler; they do not list the name.
    void addHandlerForAttribute(const QString& attribute, GetHandler handler);
    void addHandlerForWritableAttribute(const QString& attribute, SetHandler handler);

    // --- Children: each one added gets the receiver as parent, each one removed loses it. ---
    const std::vector<kit::Ref<QVLayerAccessibilityHelper>>& children() const { return children_; }
    std::size_t countOfChildren() const { return children_.size(); }
    kit::Ref<QVLayerAccessibilityHelper> objectInChildrenAtIndex(std::size_t index) const;
    std::vector<kit::Ref<QVLayerAccessibilityHelper>> childrenAtIndexes(const kit::IndexSet& indexes) const;
    void addChildrenObject(QVLayerAccessibilityHelper* child);
    void insertObjectInChildrenAtIndex(QVLayerAccessibilityHelper* child, std::size_t index);
    // The children go to the indexes in ascending order.
    void insertChildrenAtIndexes(const std::vector<kit::Ref<QVLayerAccessibilityHelper>>& children, const kit::IndexSet& indexes);
    void removeObjectFromChildrenAtIndex(std::size_t index);
    void removeChildrenAtIndexes(const kit::IndexSet& indexes);

    // kit::Accessibility:
    QStringList accessibilityAttributeNames() const override;
    kit::Value accessibilityAttributeValue(const QString& attribute) const override;
    // The children one at a time, none of them ignored: a reader asking for one of a list of
    // 10,000 pictures costs that one.
    std::int64_t accessibilityArrayAttributeCount(const QString& attribute) const override;
    kit::Array accessibilityArrayAttributeValues(const QString& attribute, std::int64_t index, std::int64_t maxCount) const override;
    std::int64_t accessibilityIndexOfChild(const kit::Value& child) const override;
    bool accessibilityIsAttributeSettable(const QString& attribute) const override;
    void accessibilitySetValueForAttribute(const kit::Value& value, const QString& attribute) override;
    QStringList accessibilityActionNames() const override { return {}; }
    QString accessibilityActionDescription(const QString&) const override { return {}; }
    void accessibilityPerformAction(const QString&) override { }
    bool accessibilityIsIgnored() const override { return false; }
    kit::Value accessibilityHitTest(kit::Point point) const override;
    kit::Value accessibilityFocusedUIElement() const override;

    // kit::Object:
    QString description() const override;

private:
    // The children attribute is listed while there are children (in a set that exists).
    void adjustChildrenAttribute();
    // The layer's bounds as drawn, in window coordinates (y up).
    kit::Rect boxInWindow() const;

    bool focused_ = false;
    bool enabled_ = true;
    QString role_;
    kit::Weak<kit::Object> parent_;
    kit::Weak<kit::Layer> layer_;
    kit::Weak<kit::View> view_;
    std::vector<kit::Ref<QVLayerAccessibilityHelper>> children_;
    std::optional<QSet<QString>> writable_;
    std::optional<QSet<QString>> attributeNames_;
    QHash<QString, GetHandler> getHandlers_;
    QHash<QString, SetHandler> setHandlers_;
};
