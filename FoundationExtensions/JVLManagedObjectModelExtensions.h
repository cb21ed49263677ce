#pragma once

// Labels, placeholders and property names of form fields, looked up in a model's localisation
// dictionary: the entry for the property of this entity first, then the property's generic entry,
// then a fallback. A null model answers the fallbacks.

#include "kit/foundation/ManagedObjectModel.h"

namespace JVLExtensions {

// "Label/Property/<name>/Entity/<entity>", "Label/Property/<name>", else the property name; always
// with ":" appended.
QString localizedLabelForPropertyNameOfEntity(
    const kit::ManagedObjectModel* model, const QString& propertyName, const kit::EntityDescription* entity);
// "Placeholder/Property/<name>/Entity/<entity>", "Placeholder/Property/<name>", else the property name.
QString localizedPlaceholderForPropertyNameOfEntity(
    const kit::ManagedObjectModel* model, const QString& propertyName, const kit::EntityDescription* entity);
// "Property/<name>/Entity/<entity>", "Property/<name>", else "missing localization".
QString localizedPropertyNameForPropertyNameOfEntity(
    const kit::ManagedObjectModel* model, const QString& propertyName, const kit::EntityDescription* entity);

} // namespace JVLExtensions
