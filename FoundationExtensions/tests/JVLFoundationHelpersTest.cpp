#include "FoundationExtensions/JVLLocales.h"
#include "FoundationExtensions/JVLManagedObjectModelExtensions.h"
#include "FoundationExtensions/JVLNSArray_Extension.h"
#include "FoundationExtensions/JVLNSStringExtension.h"

#include "kit/core/ArrayController.h"
#include "kit/core/Binding.h"
#include "kit/core/Exception.h"
#include "kit/controls/PopUpButton.h"
#include "kit/foundation/Date.h"
#include "kit/foundation/Locale.h"
#include "kit/testsupport/ManualClockScope.h"

#include <gtest/gtest.h>

#include <set>

using namespace kit;

namespace {

struct HelpersAddressCase {
    const char* name;
    const char16_t* text;
    bool url;
    bool email;
};

class HelpersAddressRules : public testing::TestWithParam<HelpersAddressCase> { };

class HelpersShape : public Object {
    KIT_CLASS(HelpersShape)
};
class HelpersCircle : public HelpersShape {
    KIT_CLASS(HelpersCircle)
};
class HelpersOther : public Object {
    KIT_CLASS(HelpersOther)
};
// A stored weight and a computed "heavy".
class HelpersWeighed : public Object {
    KIT_CLASS(HelpersWeighed)
public:
    explicit HelpersWeighed(Value weight = {})
        : weight(std::move(weight))
    { }
    Value weight;
};

struct HelpersLabelCase {
    const char* name;
    std::vector<std::pair<const char*, const char*>> table;
    const char* label;
    const char* placeholder;
    const char* propertyName;
};

class HelpersModelLabels : public testing::TestWithParam<HelpersLabelCase> { };

QStringList helpersDisplayNames(const Array& locales)
{
    QStringList names;
    for (const Value& v : locales)
        names << v.object()->valueForKey("displayName").stringValue();
    return names;
}

} // namespace

KIT_REGISTER_CLASS(HelpersShape, kit::Object) { }
KIT_REGISTER_CLASS(HelpersCircle, HelpersShape) { }
KIT_REGISTER_CLASS(HelpersOther, kit::Object) { }
KIT_REGISTER_CLASS(HelpersWeighed, kit::Object)
{
    c.property("weight", [](const HelpersWeighed& o) { return o.weight; });
    c.property("heavy", [](const HelpersWeighed& o) { return Value(o.weight.isNumber() && o.weight.doubleValue() > 5); });
}

TEST_P(HelpersAddressRules, FirstDotAndFirstAtMustLieInside)
{
    const HelpersAddressCase& p = GetParam();
    const QString text = QString::fromUtf16(p.text);
    EXPECT_EQ(JVLNSStringExtension::validateURL(text), p.url);
    EXPECT_EQ(JVLNSStringExtension::validateEMailAddress(text), p.email);
}

INSTANTIATE_TEST_SUITE_P(JVLNSStringExtension, HelpersAddressRules,
    testing::Values(HelpersAddressCase { "empty", u"", false, false }, HelpersAddressCase { "noDot", u"example", false, false },
        HelpersAddressCase { "dotFirst", u".example", false, false }, HelpersAddressCase { "dotLast", u"example.", false, false },
        HelpersAddressCase { "dotInside", u"example.org", true, false },
        HelpersAddressCase { "firstDotFirstLaterInside", u".a.b", false, false },
        HelpersAddressCase { "nonAsciiBeforeDot", u"b\u00FCcher.de", true, false },
        HelpersAddressCase { "mail", u"me@example.org", true, true }, HelpersAddressCase { "atFirst", u"@example.org", true, false },
        HelpersAddressCase { "atLast", u"me.example@", true, false }, HelpersAddressCase { "noAt", u"me.example.org", true, false },
        HelpersAddressCase { "dotBeforeAt", u"a.b@c", true, true }, HelpersAddressCase { "atButDotLast", u"me@example.", false, false },
        HelpersAddressCase { "nonAsciiMail", u"j\u00FCrgen@b\u00FCcher.de", true, true }),
    [](const testing::TestParamInfo<HelpersAddressCase>& info) { return std::string(info.param.name); });

TEST(JVLNSStringExtension, NullStringsAreNoAddresses)
{
    EXPECT_FALSE(JVLNSStringExtension::validateURL(QString()));
    EXPECT_FALSE(JVLNSStringExtension::validateEMailAddress(QString()));
}

TEST(JVLNSStringExtension, CompletionAddsHttpOnlyWithoutAScheme)
{
    EXPECT_EQ(JVLNSStringExtension::completedURLStringForString("www.example.org"), "http://www.example.org");
    EXPECT_EQ(JVLNSStringExtension::completedURLStringForString("ftp://example.org/x"), "ftp://example.org/x");
    EXPECT_EQ(JVLNSStringExtension::completedURLStringForString("mailto:me@example.org"), "http://mailto:me@example.org");
}

TEST(JVLNSStringExtension, StringWithStringsJoinsWithNothingBetween)
{
    EXPECT_EQ(JVLNSStringExtension::stringWithStrings({ "Crash ", "report", "", " 1" }), "Crash report 1");
    const QString empty = JVLNSStringExtension::stringWithStrings({});
    EXPECT_TRUE(empty.isEmpty());
    EXPECT_FALSE(empty.isNull());
}

TEST(JVLNSStringExtension, TimeStampsOfTheSameMillisecondDiffer)
{
    test::ManualClockScope clock;
    const QString first = timeStampForFileOperation();
    const QString second = timeStampForFileOperation();
    EXPECT_NE(first, second);
}

TEST(JVLNSArray_Extension, KeepsObjectsOfTheClassAndItsSubclassesInOrder)
{
    auto shape = make<HelpersShape>();
    auto circle = make<HelpersCircle>();
    auto other = make<HelpersOther>();
    const Array mixed { Value(QStringLiteral("HelpersShape")), Value(other), Value(circle), Value(), Value(shape), Value(circle) };
    const Array kept = JVLNSArray_Extension::arrayWithObjectsOfClass(mixed, HelpersShape::staticClass());
    ASSERT_EQ(kept.count(), 3);
    EXPECT_TRUE(kept[0].identicalTo(Value(circle)));
    EXPECT_TRUE(kept[1].identicalTo(Value(shape)));
    EXPECT_TRUE(kept[2].identicalTo(Value(circle)));
    EXPECT_TRUE(JVLNSArray_Extension::arrayWithObjectsOfClass(Array(), HelpersShape::staticClass()).isEmpty());
    EXPECT_EQ(JVLNSArray_Extension::arrayWithObjectsOfClass(mixed, HelpersCircle::staticClass()).count(), 2);
}

struct HelpersMatchCase {
    const char* name;
    const char* key;
    Value matched;
    std::vector<int> kept; // indexes into the weighed elements
};

class HelpersMatching : public testing::TestWithParam<HelpersMatchCase> { };

TEST_P(HelpersMatching, KeepsTheElementsWhoseValueForTheKeyIsEqualInOrder)
{
    const HelpersMatchCase& c = GetParam();
    const std::vector<Ref<HelpersWeighed>> weighed { make<HelpersWeighed>(Value(std::int64_t(1))), make<HelpersWeighed>(Value(7.5)),
        make<HelpersWeighed>(Value(1.0)), make<HelpersWeighed>(), make<HelpersWeighed>(Value::null()), make<HelpersWeighed>(Value("1")) };
    Array array;
    for (const auto& w : weighed)
        array.addObject(Value(w));
    const Array kept = JVLNSArray_Extension::arrayFromArrayForKeyMatching(array, QString::fromUtf8(c.key), c.matched);
    ASSERT_EQ(kept.count(), std::int64_t(c.kept.size()));
    for (std::size_t i = 0; i < c.kept.size(); ++i)
        EXPECT_TRUE(kept[std::int64_t(i)].identicalTo(Value(weighed[std::size_t(c.kept[i])]))) << i;
}

INSTANTIATE_TEST_SUITE_P(JVLNSArray_Extension, HelpersMatching,
    testing::Values(HelpersMatchCase { "numbersByValue", "weight", Value(std::int64_t(1)), { 0, 2 } },
        HelpersMatchCase { "doubleMatchesInteger", "weight", Value(1.0), { 0, 2 } },
        HelpersMatchCase { "stringIsNoNumber", "weight", Value("1"), { 5 } },
        HelpersMatchCase { "computedKey", "heavy", Value(true), { 1 } },
        HelpersMatchCase { "nilMatchesNothing", "weight", Value(), {} },
        HelpersMatchCase { "nullMatchesNull", "weight", Value::null(), { 4 } },
        HelpersMatchCase { "noMatch", "weight", Value(std::int64_t(3)), {} }),
    [](const testing::TestParamInfo<HelpersMatchCase>& info) { return std::string(info.param.name); });

TEST(HelpersMatchingEdges, AnEmptyArrayGivesAnEmptyOneAndAnUnknownKeyRaises)
{
    EXPECT_TRUE(JVLNSArray_Extension::arrayFromArrayForKeyMatching(Array(), "weight", Value(std::int64_t(1))).isEmpty());
    // Dictionaries answer their entries; a missing entry is nil and never matches.
    const Array entries { Value(Dictionary { { Value("weight"), Value(std::int64_t(2)) } }), Value(Dictionary {}) };
    EXPECT_EQ(JVLNSArray_Extension::arrayFromArrayForKeyMatching(entries, "weight", Value(std::int64_t(2))).count(), 1);
    const Array objects { Value(make<HelpersWeighed>(Value(std::int64_t(1)))) };
    try {
        JVLNSArray_Extension::arrayFromArrayForKeyMatching(objects, "colour", Value(std::int64_t(1)));
        ADD_FAILURE() << "no exception";
    } catch (const Exception& e) {
        EXPECT_EQ(e.name(), UndefinedKeyException);
    }
}

TEST_P(HelpersModelLabels, FallBackFromEntityToGenericToMissing)
{
    const HelpersLabelCase& p = GetParam();
    ManagedObjectModel::LocalizationDictionary table;
    for (const auto& [key, value] : p.table)
        table.insert(QString::fromUtf8(key), QString::fromUtf8(value));
    auto model = ManagedObjectModel::modelWithLocalizationDictionaryEntityNames(table, { "Font", "Family" });
    Ref<EntityDescription> font = model->entityForName("Font");
    EXPECT_EQ(JVLExtensions::localizedLabelForPropertyNameOfEntity(model.get(), "designer", font.get()), QString::fromUtf8(p.label));
    EXPECT_EQ(JVLExtensions::localizedPlaceholderForPropertyNameOfEntity(model.get(), "designer", font.get()), QString::fromUtf8(p.placeholder));
    EXPECT_EQ(JVLExtensions::localizedPropertyNameForPropertyNameOfEntity(model.get(), "designer", font.get()), QString::fromUtf8(p.propertyName));
}

INSTANTIATE_TEST_SUITE_P(JVLExtensions, HelpersModelLabels,
    testing::Values(
        HelpersLabelCase { "entitySpecific",
            { { "Label/Property/designer/Entity/Font", "Font designer" }, { "Label/Property/designer", "Designer" },
                { "Placeholder/Property/designer/Entity/Font", "Who drew it" }, { "Placeholder/Property/designer", "Name" },
                { "Property/designer/Entity/Font", "Designer of the font" }, { "Property/designer", "Designer" } },
            "Font designer:", "Who drew it", "Designer of the font" },
        HelpersLabelCase { "otherEntityIgnored",
            { { "Label/Property/designer/Entity/Family", "Family designer" }, { "Label/Property/designer", "Designer" },
                { "Placeholder/Property/designer", "Name" }, { "Property/designer/Entity/Family", "x" }, { "Property/designer", "Person" } },
            "Designer:", "Name", "Person" },
        HelpersLabelCase { "propertyNameFallback", { { "Property/designer", "Person" } }, "Person:", "Person", "Person" },
        HelpersLabelCase { "missing", {}, "missing localization:", "missing localization", "missing localization" },
        HelpersLabelCase { "emptyEntryCounts", { { "Label/Property/designer", "" } }, ":", "missing localization", "missing localization" }),
    [](const testing::TestParamInfo<HelpersLabelCase>& info) { return std::string(info.param.name); });

TEST(JVLExtensions, ANullModelAnswersTheFallbacks)
{
    EXPECT_EQ(JVLExtensions::localizedLabelForPropertyNameOfEntity(nullptr, "designer", nullptr), "missing localization:");
    EXPECT_EQ(JVLExtensions::localizedPlaceholderForPropertyNameOfEntity(nullptr, "designer", nullptr), "missing localization");
}

TEST(JVLLocales, IdentifiersAreUniqueTwoLettersInTheirCase)
{
    test::EnvironmentScope lang("LC_ALL", "en_US.UTF-8");
    struct Kind {
        Array list;
        bool upper;
    };
    for (const Kind& kind : { Kind { JVLCountryLocale::supportedCountryLocalesSortedByDisplayName(), true },
             Kind { JVLLanguageLocale::supportedLanguageLocalesSortedByDisplayName(), false } }) {
        ASSERT_GT(kind.list.count(), 100);
        std::set<QString> seen;
        for (const Value& v : kind.list) {
            const QString id = v.object()->valueForKey("localeIdentifier").stringValue();
            EXPECT_EQ(id.size(), 2) << id.toStdString();
            EXPECT_EQ(id, kind.upper ? id.toUpper() : id.toLower());
            EXPECT_TRUE(seen.insert(id).second) << id.toStdString();
            EXPECT_NE(v.object()->valueForKey("displayName").stringValue(), id);
        }
    }
}

TEST(JVLLocales, CountriesSortByTheCurrentLocalesCollation)
{
    {
        test::EnvironmentScope lang("LC_ALL", "de_DE.UTF-8");
        const QStringList names = helpersDisplayNames(JVLCountryLocale::supportedCountryLocalesSortedByDisplayName());
        const qsizetype oman = names.indexOf(QStringLiteral("Oman"));
        const qsizetype austria = names.indexOf(QString::fromUtf8("Österreich"));
        const qsizetype pakistan = names.indexOf(QStringLiteral("Pakistan"));
        ASSERT_GE(oman, 0);
        EXPECT_LT(oman, austria);
        EXPECT_LT(austria, pakistan);
        EXPECT_EQ(names, Locale::currentLocale()->sortedByCollation(names));
    }
    {
        test::EnvironmentScope lang("LC_ALL", "en_US.UTF-8");
        const QStringList names = helpersDisplayNames(JVLCountryLocale::supportedCountryLocalesSortedByDisplayName());
        ASSERT_TRUE(names.contains(QStringLiteral("Austria")));
        EXPECT_LT(names.indexOf(QStringLiteral("Austria")), names.indexOf(QStringLiteral("Germany")));
        EXPECT_EQ(names, Locale::currentLocale()->sortedByCollation(names));
    }
}

TEST(JVLLocales, TheListIsMadeOncePerLocale)
{
    test::EnvironmentScope lang("LC_ALL", "en_US.UTF-8");
    const Array first = JVLCountryLocale::supportedCountryLocalesSortedByDisplayName();
    EXPECT_TRUE(first.identicalTo(JVLCountryLocale::supportedCountryLocalesSortedByDisplayName()));
    const Array languages = JVLLanguageLocale::supportedLanguageLocalesSortedByDisplayName();
    EXPECT_TRUE(languages.identicalTo(JVLLanguageLocale::supportedLanguageLocalesSortedByDisplayName()));
    test::EnvironmentScope german("LC_ALL", "de_DE.UTF-8");
    const Array second = JVLCountryLocale::supportedCountryLocalesSortedByDisplayName();
    EXPECT_FALSE(first.identicalTo(second));
    EXPECT_TRUE(helpersDisplayNames(second).contains(QStringLiteral("Deutschland")));
}

TEST(JVLLocales, APopUpBoundThroughAnArrayControllerShowsTheNames)
{
    test::EnvironmentScope lang("LC_ALL", "de_DE.UTF-8");
    const Array countries = JVLCountryLocale::supportedCountryLocalesSortedByDisplayName();
    auto controller = make<ArrayController>(countries);
    auto popUp = make<PopUpButton>(MakeRect(0, 0, 200, 24));
    popUp->bindToObjectWithKeyPathOptions(ContentBinding, controller.get(), "arrangedObjects", {});
    popUp->bindToObjectWithKeyPathOptions(ContentValuesBinding, controller.get(), "arrangedObjects.displayName", {});
    EXPECT_EQ(popUp->itemTitles(), helpersDisplayNames(countries));
    EXPECT_TRUE(popUp->itemTitles().contains(QStringLiteral("Deutschland")));
    popUp->unbind(ContentValuesBinding);
    popUp->unbind(ContentBinding);
}

TEST(JVLLocales, ClassesAreFoundByNameAndMakeInstances)
{
    for (const char* name : { "JVLCountryLocale", "JVLLanguageLocale" }) {
        const Class* cls = classFromString(QString::fromUtf8(name));
        ASSERT_TRUE(cls) << name;
        EXPECT_TRUE(cls->make());
    }
}
