#include "kit/foundation/Bundle.h"

#include "kit/testsupport/RuntimeRecorders.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace kit;

namespace {

// A component class naming its bundle, and a subclass that names none.
class BundledPart : public Object {
    KIT_CLASS(BundledPart)
};
class BundledPartVariant : public BundledPart {
    KIT_CLASS(BundledPartVariant)
};
KIT_REGISTER_CLASS(BundledPart, Object) { c.bundle("KitTestComponent"); }
KIT_REGISTER_CLASS(BundledPartVariant, BundledPart) { }

// A bundle folder with Info.json, strings in German, Austrian German and the base, and resources.
struct BundleTest : ::testing::Test {
    QTemporaryDir dir;
    Ref<Bundle> bundle;

    void write(const QString& relative, const QByteArray& bytes)
    {
        const QString path = dir.filePath(relative);
        QDir().mkpath(QFileInfo(path).path());
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }

    void SetUp() override
    {
        Bundle::setPreferredLocalizationsForTesting({ "de_AT", "de" });
        write("Info.json",
            R"({"CFBundleIdentifier": "org.example.fixture", "CFBundleName": "Plain", "JVLFeedbackProviderCGIURL": "https://x/cgi",
                               "CFBundleExecutable": "fixture"})");
        write("strings/de/InfoPlist.json", R"({"CFBundleName": "Deutsch"})");
        write("strings/de_AT/Localizable.json", R"({"greeting": "Servus", "empty": ""})");
        write("strings/de/Localizable.json", R"({"greeting": "Hallo", "only_de": "Nur deutsch", "empty": "nicht leer"})");
        write("strings/Localizable.json", R"({"greeting": "Hello", "only_base": "Base", "not_a_string": 5})");
        write("strings/de/Broken.json", R"({"greeting": "Hallo")");
        write("strings/Broken.json", R"({"greeting": "Base greeting"})");
        write("Resources/de/flag.svg", "<svg/>");
        write("Resources/flag.svg", "<svg/>");
        write("Resources/icon.png", "png");
        write("Resources/readme.txt", "x");
        write("Resources/b.rtf", "x");
        write("Resources/a.rtf", "x");
        write("Resources/de/c.rtf", "x");
        write("ui/Window.json", "{}");
        bundle = Bundle::bundleWithPath(dir.path());
        ASSERT_TRUE(bundle);
    }
    void TearDown() override { Bundle::setPreferredLocalizationsForTesting({}); }
};

struct LookupCase {
    const char* key;
    const char* value;
    const char* table;
    const char* expected;
};

class StringsLookupTest : public BundleTest, public ::testing::WithParamInterface<LookupCase> { };

TEST_P(StringsLookupTest, FollowsTheLookupOrder)
{
    const LookupCase& c = GetParam();
    const QString key = c.key ? QString::fromUtf8(c.key) : QString();
    const QString value = c.value ? QString::fromUtf8(c.value) : QString();
    EXPECT_EQ(bundle->localizedStringForKeyValueTable(key, value, c.table ? QString::fromUtf8(c.table) : QString()),
        QString::fromUtf8(c.expected));
}

INSTANTIATE_TEST_SUITE_P(Lookups, StringsLookupTest,
    ::testing::Values(LookupCase { "greeting", nullptr, nullptr, "Servus" }, LookupCase { "only_de", nullptr, "", "Nur deutsch" },
        LookupCase { "only_base", "fallback", "Localizable", "Base" },
        LookupCase { "empty", "fallback", nullptr, "" }, // a hit with "" wins
        LookupCase { "missing", "fallback", nullptr, "fallback" }, LookupCase { "missing", "", nullptr, "missing" },
        LookupCase { "missing", nullptr, "NoSuchTable", "missing" }, LookupCase { "not_a_string", nullptr, nullptr, "not_a_string" },
        LookupCase { nullptr, "v", nullptr, "v" }, LookupCase { nullptr, nullptr, nullptr, "" },
        LookupCase { "greeting", nullptr, "Broken", "Base greeting" }));

TEST_F(BundleTest, InfoKeysLocalisedOrPlain)
{
    EXPECT_EQ(bundle->bundleIdentifier(), "org.example.fixture");
    EXPECT_EQ(bundle->objectForInfoDictionaryKey("CFBundleName"), Value("Deutsch"));
    EXPECT_EQ(bundle->infoDictionary().objectForKey(Value("CFBundleName")), Value("Plain"));
    EXPECT_EQ(bundle->objectForInfoDictionaryKey("JVLFeedbackProviderCGIURL"), Value("https://x/cgi"));
    EXPECT_TRUE(bundle->objectForInfoDictionaryKey("Nope").isNil());
    Bundle::setPreferredLocalizationsForTesting({ "fr" });
    EXPECT_EQ(bundle->objectForInfoDictionaryKey("CFBundleName"), Value("Plain"));
}

TEST_F(BundleTest, ResourcesLocalisedFirst)
{
    const QString root = dir.path();
    EXPECT_EQ(bundle->pathForResourceOfType("flag", "svg"), root + "/Resources/de/flag.svg");
    EXPECT_EQ(bundle->pathForResourceOfType("readme.txt", ""), root + "/Resources/readme.txt");
    EXPECT_EQ(bundle->pathForResourceOfType("readme", ".txt"), root + "/Resources/readme.txt");
    EXPECT_TRUE(bundle->pathForResourceOfType("absent", "txt").isNull());
    EXPECT_EQ(bundle->pathForImageResource("icon"), root + "/Resources/icon.png");
    EXPECT_EQ(bundle->pathForImageResource("icon.png"), root + "/Resources/icon.png");
    EXPECT_EQ(bundle->pathForImageResource("flag"), root + "/Resources/de/flag.svg");
    EXPECT_TRUE(bundle->pathForImageResource("absent").isNull());
    EXPECT_EQ(bundle->pathsForResourcesOfTypeInDirectory("rtf", ""),
        (QStringList { root + "/Resources/a.rtf", root + "/Resources/b.rtf", root + "/Resources/de/c.rtf" }));
    EXPECT_EQ(bundle->pathForInterfaceFile("Window"), root + "/ui/Window.json");
    EXPECT_TRUE(bundle->pathForInterfaceFile("Nope").isNull());
}

TEST_F(BundleTest, BundleWithPathNeedsAFolder)
{
    EXPECT_FALSE(Bundle::bundleWithPath(dir.filePath("Info.json")));
    EXPECT_FALSE(Bundle::bundleWithPath(dir.filePath("missing")));
    auto bare = Bundle::bundleWithPath(dir.filePath("Resources"));
    ASSERT_TRUE(bare);
    EXPECT_TRUE(bare->infoDictionary().isEmpty());
    EXPECT_EQ(bare->localizedStringForKeyValueTable("k", "", ""), "k");
}

TEST_F(BundleTest, BundleForClassReadsTheRegistryUpTheSuperclasses)
{
    EXPECT_EQ(Bundle::bundleForClass(Bundle::staticClass()), Bundle::mainBundle());
    EXPECT_EQ(Bundle::bundleForClass(BundledPart::staticClass()), Bundle::bundleWithName("KitTestComponent"));
    EXPECT_EQ(Bundle::bundleForClass(BundledPartVariant::staticClass()), Bundle::bundleWithName("KitTestComponent"));
    BundledPartVariant::staticClass().setBundleName(dir.path());
    EXPECT_EQ(Bundle::bundleForClass(BundledPartVariant::staticClass())->bundlePath(), dir.path());
    BundledPartVariant::staticClass().setBundleName({});
    EXPECT_EQ(Bundle::bundleForClass(BundledPartVariant::staticClass()), Bundle::bundleWithName("KitTestComponent"));
}

TEST_F(BundleTest, PluginWithoutItsLibraryAnswersNoClass)
{
    test::LogRecorder log;
    EXPECT_FALSE(bundle->isLoaded());
    EXPECT_EQ(bundle->classNamed("Anything"), nullptr);
    EXPECT_FALSE(bundle->isLoaded());
    EXPECT_TRUE(log.contains("libfixture.so"));
    write("Plugin/libbroken.so", "not a library");
    write("Plugin/Info.json", R"({"CFBundleExecutable": "broken", "NSPrincipalClass": "BrokenPane"})");
    auto broken = Bundle::bundleWithPath(dir.filePath("Plugin"));
    EXPECT_EQ(broken->principalClass(), nullptr);
    EXPECT_FALSE(broken->load());
}

TEST_F(BundleTest, MainBundleAndLocalizedString)
{
    Bundle::setMainBundlePathForTesting(dir.path());
    EXPECT_EQ(localizedString("only_de"), "Nur deutsch");
    EXPECT_EQ(Bundle::mainBundle()->bundleIdentifier(), "org.example.fixture");
    Bundle::setMainBundlePathForTesting({});
}

} // namespace
