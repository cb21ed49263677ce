#pragma once

// Bindings: a bound key of one object follows a key path of another. The option and info keys are
// the system's own strings. A binding observes through a private binder, so the bound object's
// observeValueForKeyPathOfObjectChangeContext never sees binding traffic, and it holds the observed
// object weakly, so an object may own a controller bound back to itself.

#include "kit/core/Object.h"

namespace kit {

// infoForBinding keys.
inline const QString ObservedObjectKey = QStringLiteral("NSObservedObject");
inline const QString ObservedKeyPathKey = QStringLiteral("NSObservedKeyPath");
inline const QString OptionsKey = QStringLiteral("NSOptions");

// Options.
inline const QString ValueTransformerBindingOption = QStringLiteral("NSValueTransformer");
inline const QString ValueTransformerNameBindingOption = QStringLiteral("NSValueTransformerName");
inline const QString MultipleValuesPlaceholderBindingOption = QStringLiteral("NSMultipleValuesPlaceholder");
inline const QString NoSelectionPlaceholderBindingOption = QStringLiteral("NSNoSelectionPlaceholder");
inline const QString NullPlaceholderBindingOption = QStringLiteral("NSNullPlaceholder");
inline const QString NotApplicablePlaceholderBindingOption = QStringLiteral("NSNotApplicablePlaceholder");
inline const QString AllowsEditingMultipleValuesSelectionBindingOption = QStringLiteral("NSAllowsEditingMultipleValuesSelection");
inline const QString ConditionallySetsHiddenBindingOption = QStringLiteral("NSConditionallySetsHidden");

// Binding names in common use.
inline const QString ValueBinding = QStringLiteral("value");
inline const QString ContentBinding = QStringLiteral("content");
inline const QString ContentArrayBinding = QStringLiteral("contentArray");
inline const QString ContentObjectsBinding = QStringLiteral("contentObjects");
inline const QString ContentValuesBinding = QStringLiteral("contentValues");
inline const QString SelectionIndexesBinding = QStringLiteral("selectionIndexes");
inline const QString SelectedIndexBinding = QStringLiteral("selectedIndex");
inline const QString EnabledBinding = QStringLiteral("enabled");
inline const QString HiddenBinding = QStringLiteral("hidden");
inline const QString TitleBinding = QStringLiteral("title");
inline const QString ImageBinding = QStringLiteral("image");

// The value a binding hands on: a marker becomes its placeholder when the options give one (nil and
// Null become the null placeholder), then the transformer (object before name) applies.
Value boundValueWithOptions(const Value& observed, const Dictionary& options);
// The value written back through a binding: the transformer reversed when it allows it.
Value reverseTransformedValueWithOptions(const Value& value, const Dictionary& options);

} // namespace kit
