#pragma once

// A model of named entities with a localisation dictionary: what form fields label themselves
// from. Both classes are immutable once made, so copying answers the receiver; an entity reaches
// its model weakly (the model owns its entities).

#include "kit/core/Class.h"
#include "kit/core/Object.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <vector>

namespace kit {

class ManagedObjectModel;

class EntityDescription : public Object {
    KIT_CLASS(EntityDescription)

    EntityDescription() = default;
    EntityDescription(QString name, ManagedObjectModel* model);

    QString name() const { return name_; }
    // Null once the model is gone.
    Ref<ManagedObjectModel> managedObjectModel() const;

    Ref<Object> copy() const override { return Ref<Object>(const_cast<EntityDescription*>(this)); }

private:
    QString name_;
    Weak<ManagedObjectModel> model_;
};

class ManagedObjectModel : public Object {
    KIT_CLASS(ManagedObjectModel)

    using LocalizationDictionary = QHash<QString, QString>;

    ManagedObjectModel() = default;
    // A model holding an entity for each name (a repeated name gives one entity).
    static Ref<ManagedObjectModel> modelWithLocalizationDictionaryEntityNames(
        LocalizationDictionary localizationDictionary, const QStringList& entityNames);

    const LocalizationDictionary& localizationDictionary() const { return localization_; }
    // The entities in the order of their names.
    const std::vector<Ref<EntityDescription>>& entities() const { return entities_; }
    // Null when the model has no entity of that name.
    Ref<EntityDescription> entityForName(const QString& name) const;

    Ref<Object> copy() const override { return Ref<Object>(const_cast<ManagedObjectModel*>(this)); }

private:
    LocalizationDictionary localization_;
    std::vector<Ref<EntityDescription>> entities_;
};

} // namespace kit
