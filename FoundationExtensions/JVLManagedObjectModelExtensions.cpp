#include "FoundationExtensions/JVLManagedObjectModelExtensions.h"

#include <optional>

namespace JVLExtensions {

using namespace kit;

namespace {

// The entry for "<prefix>Property/<name>/Entity/<entity>", else "<prefix>Property/<name>".
std::optional<QString> modelLabelsLookUp(const ManagedObjectModel* model, const QString& prefix, const QString& propertyName, const EntityDescription* entity)
{
    if (!model)
        return std::nullopt;
    const ManagedObjectModel::LocalizationDictionary& table = model->localizationDictionary();
    const QString generic = prefix + QStringLiteral("Property/") + propertyName;
    if (entity) {
        auto it = table.constFind(generic + QStringLiteral("/Entity/") + entity->name());
        if (it != table.constEnd())
            return *it;
    }
    auto it = table.constFind(generic);
    if (it != table.constEnd())
        return *it;
    return std::nullopt;
}

} // namespace

QString localizedLabelForPropertyNameOfEntity(const ManagedObjectModel* model, const QString& propertyName, const EntityDescription* entity)
{
    const std::optional<QString> label = modelLabelsLookUp(model, QStringLiteral("Label/"), propertyName, entity);
    return label.value_or(localizedPropertyNameForPropertyNameOfEntity(model, propertyName, entity)) + QLatin1Char(':');
}

QString localizedPlaceholderForPropertyNameOfEntity(const ManagedObjectModel* model, const QString& propertyName, const EntityDescription* entity)
{
    const std::optional<QString> placeholder = modelLabelsLookUp(model, QStringLiteral("Placeholder/"), propertyName, entity);
    return placeholder ? *placeholder : localizedPropertyNameForPropertyNameOfEntity(model, propertyName, entity);
}

QString localizedPropertyNameForPropertyNameOfEntity(const ManagedObjectModel* model, const QString& propertyName, const EntityDescription* entity)
{
    return modelLabelsLookUp(model, QString(), propertyName, entity).value_or(QStringLiteral("missing localization"));
}

} // namespace JVLExtensions
