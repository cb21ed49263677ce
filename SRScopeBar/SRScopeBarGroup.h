#pragma once

// One group of a scope bar: its objects (from the bar's data source, or from an array bound to
// "content"), its selection and how it shows (label, separator, collapsed into a pop-up). A group
// belongs to at most one bar, which it knows weakly; every change that alters what it shows ends
// in the bar's reloadDataForGroup, and the bar posts the selection notification.

#include "kit/core/IndexSet.h"
#include "kit/core/Object.h"
#include "kit/core/Value.h"
#include "kit/foundation/Coder.h"
#include "kit/graphics/AttributedString.h"
#include "kit/graphics/Image.h"

#include <QString>

#include <cstdint>
#include <optional>

class SRScopeBar;

class SRScopeBarGroup : public kit::Object, public kit::Coding {
    KIT_CLASS(SRScopeBarGroup)
public:
    // init: no identifier, single selection.
    SRScopeBarGroup();
    SRScopeBarGroup(const QString& identifier, int selectionStyle);
    ~SRScopeBarGroup() override;

    QString identifier() const { return identifier_; }
    void setIdentifier(const QString& identifier) { identifier_ = identifier; }
    QString label() const { return label_; }
    void setLabel(const QString& label);
    // The stored label, else the plain label in the bar's label colour and the bold system font 11.
    kit::AttributedString attributedLabel() const;
    const std::optional<kit::AttributedString>& storedAttributedLabel() const { return attributedLabel_; }
    void setAttributedLabel(const std::optional<kit::AttributedString>& label);
    // 0: single selection; any other value: multiple.
    int groupSelectionStyle() const { return selectionStyle_; }
    void setGroupSelectionStyle(int style);
    bool showsSeparator() const { return showsSeparator_; }
    void setShowsSeparator(bool flag);
    bool isCollapsed() const { return collapsed_; }
    // Asks the bar's delegate; does not re-lay the bar.
    void setCollapsed(bool flag);
    bool showsLabel() const { return showsLabel_; }
    void setShowsLabel(bool flag);
    QString multipleSelectionPlaceholder() const;
    void setMultipleSelectionPlaceholder(const QString& placeholder);
    QString storedMultipleSelectionPlaceholder() const { return multipleSelectionPlaceholder_; }
    QString noSelectionPlaceholder() const;
    void setNoSelectionPlaceholder(const QString& placeholder);
    QString storedNoSelectionPlaceholder() const { return noSelectionPlaceholder_; }
    kit::Ref<SRScopeBar> scopeBar() const { return scopeBar_.lock(); }
    void setScopeBar(SRScopeBar* bar) { scopeBar_ = bar; }

    // --- Objects. ---
    std::int64_t numberOfObjects() const;
    kit::Value objectAtIndex(std::int64_t index) const;
    // Bound: the first equal element; data source: the first identical object (equal for plain
    // values, which have no identity). NotFound otherwise.
    std::int64_t indexForObject(const kit::Value& object) const;
    // Nil when nothing is selected.
    kit::Value selectedObjects() const;
    kit::Value selectedObject() const;
    bool isBound() const;
    // The bound arrays; nullopt when that binding is absent.
    std::optional<kit::Array> boundContent() const;
    std::optional<kit::Array> boundContentValues() const;
    std::optional<kit::Array> boundImages() const;

    // --- Selection. ---
    kit::IndexSet selectionIndexes() const { return selectionIndexes_; }
    void setSelectionIndexes(const kit::IndexSet& indexes);
    void didClickObject(std::int64_t index) { didClickObjectAlwaysSetToOnState(index, false); }
    void didClickObjectAlwaysSetToOnState(std::int64_t index, bool force);
    void selectObjectWithIndex(std::int64_t index);
    void selectObject(const kit::Value& object);

    // --- Bindings: the bound values are read from the binding; these only reload. ---
    kit::Value content() const { return {}; }
    void setContent(const kit::Value&) { reloadIfBound(); }
    kit::Value contentValues() const { return {}; }
    void setContentValues(const kit::Value&) { reloadIfBound(); }
    kit::Value image() const { return {}; }
    void setImage(const kit::Value&) { reloadIfBound(); }

    // kit::Object:
    void bindToObjectWithKeyPathOptions(const QString& binding, kit::Object* observable, const QString& keyPath, const kit::Dictionary& options) override;
    void unbind(const QString& binding) override;
    void observeValueForKeyPathOfObjectChangeContext(const QString& keyPath, kit::Object* object, const kit::KeyValueChange& change, void* context) override;

    // kit::Coding:
    void encodeWithCoder(kit::Coder& coder) const override;
    void initWithCoder(kit::Coder& coder) override;

private:
    std::optional<kit::Array> boundArray(const QString& binding) const;
    kit::Ref<kit::Object> contentObservedObject() const;
    // The bar's index of this group, or -1 when no bar lists it.
    std::int64_t indexInBar() const;
    void reloadInBar() const;
    void reloadIfBound() const;
    void postSelectionDidChange() const;

    QString identifier_;
    QString label_;
    std::optional<kit::AttributedString> attributedLabel_;
    int selectionStyle_ = 0;
    bool showsSeparator_ = true;
    bool collapsed_ = false;
    bool showsLabel_ = false;
    kit::IndexSet selectionIndexes_;
    kit::Weak<SRScopeBar> scopeBar_;
    QString multipleSelectionPlaceholder_;
    QString noSelectionPlaceholder_;
    // The object whose "selectionIndexes" the content binding made us observe.
    kit::Weak<kit::Object> observedController_;
};
