#include "kit/foundation/ManagedObjectModel.h"

namespace kit {

KIT_REGISTER_CLASS(EntityDescription, Object)
{
    c.property("name", &EntityDescription::name);
    c.property("managedObjectModel", &EntityDescription::managedObjectModel);
}

EntityDescription::EntityDescription(QString name, ManagedObjectModel* model)
    : name_(std::move(name))
    , model_(model)
{ }

Ref<ManagedObjectModel> EntityDescription::managedObjectModel() const
{
    return model_.lock();
}

KIT_REGISTER_CLASS(ManagedObjectModel, Object) { }

Ref<ManagedObjectModel> ManagedObjectModel::modelWithLocalizationDictionaryEntityNames(
    LocalizationDictionary localizationDictionary, const QStringList& entityNames)
{
    auto model = make<ManagedObjectModel>();
    model->localization_ = std::move(localizationDictionary);
    for (const QString& name : entityNames)
        if (!model->entityForName(name))
            model->entities_.push_back(make<EntityDescription>(name, model.get()));
    return model;
}

Ref<EntityDescription> ManagedObjectModel::entityForName(const QString& name) const
{
    for (const Ref<EntityDescription>& e : entities_)
        if (e->name() == name)
            return e;
    return nullptr;
}

} // namespace kit
