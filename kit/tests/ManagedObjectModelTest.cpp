#include "kit/foundation/ManagedObjectModel.h"

#include "kit/foundation/Bundle.h"

#include <gtest/gtest.h>

using namespace kit;

TEST(ManagedObjectModel, HoldsTheDictionaryAndOneEntityPerName)
{
    bool broken = true;
    const Bundle::Table table
        = Bundle::stringsTableFromData(R"({"Label/Property/name": "Name", "Property/name/Entity/Font": "Font name"})", &broken);
    ASSERT_FALSE(broken);
    auto model = ManagedObjectModel::modelWithLocalizationDictionaryEntityNames(table, { "Font", "Family", "Font" });
    EXPECT_EQ(model->localizationDictionary().value("Label/Property/name"), "Name");
    ASSERT_EQ(model->entities().size(), 2u);
    Ref<EntityDescription> font = model->entityForName("Font");
    ASSERT_TRUE(font);
    EXPECT_EQ(font->name(), "Font");
    EXPECT_EQ(font->managedObjectModel().get(), model.get());
    EXPECT_EQ(font->valueForKey("name"), Value(QStringLiteral("Font")));
    EXPECT_FALSE(model->entityForName("font"));
}

TEST(ManagedObjectModel, CopiesAnswerTheReceiverAndEntitiesDoNotKeepTheModel)
{
    auto model = ManagedObjectModel::modelWithLocalizationDictionaryEntityNames({}, { "Font" });
    Ref<EntityDescription> font = model->entityForName("Font");
    EXPECT_EQ(font->copy().get(), font.get());
    EXPECT_EQ(model->copy().get(), model.get());
    model = nullptr;
    EXPECT_FALSE(font->managedObjectModel());
}
