#include "JVLPreferenceTestSupport.h"

#include "JVLAppKit/JVLPreferenceWindowController/JVLPlugInPreferencePane.h"

#include "kit/appkit/Application.h"
#include "kit/foundation/UserDefaults.h"
#include "kit/testsupport/EventScript.h"
#include "kit/testsupport/RuntimeRecorders.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace kit;

namespace {

class PlugInPaneTest : public PrefWindowFixture {
protected:
    // A "<name>.prefPane" folder in PlugIns/ with the given Info.json; with code when `withCode`.
    QString makeBundle(const QString& name, const QByteArray& info, bool withCode, const QString& iconName = {})
    {
        const QString folder = dir.filePath("PlugIns/" + name + ".prefPane");
        QDir().mkpath(folder + "/Resources");
        QFile f(folder + "/Info.json");
        f.open(QIODevice::WriteOnly);
        f.write(info);
        f.close();
        if (withCode)
            QFile::copy(QCoreApplication::applicationDirPath() + "/libJVLAppKit_test_prefpane.so", folder + "/libTestPane.so");
        if (!iconName.isEmpty()) {
            QFile svg(folder + "/Resources/" + iconName + ".svg");
            svg.open(QIODevice::WriteOnly);
            svg.write(R"(<svg xmlns="http://www.w3.org/2000/svg" width="32" height="32"><rect width="32" height="16" fill="#c03"/></svg>)");
        }
        return folder;
    }

};

// The pane's code is loaded at the first mainView or respondsToSelector, never while registering,
// sorting or building the overview and the toolbar.
TEST_F(PlugInPaneTest, CodeLoadsOnlyWhenThePaneIsFirstNeeded)
{
    makeBundle("Tester",
        R"({"CFBundleIdentifier": "test.pane", "CFBundleExecutable": "TestPane", "NSPrincipalClass": "JVLTestPluginPane",
            "NSPrefPaneIconLabel": "Tester", "JVLPrefPaneCategory": "Extras"})",
        true, "test.pane");
    ASSERT_FALSE(classFromString("JVLTestPluginPane"));
    std::vector<QString> log;
    auto delegate = make<PrefTestDelegate>();
    delegate->log = &log;
    controller->addPaneWithIdentifier(make<PrefTestPane>("first", MakeSize(200, 100), nullptr).get(), "first");
    controller->setDelegate(delegate.get());
    controller->addPluginsOfTypeFromPath("prefPane", dir.filePath("PlugIns"));
    EXPECT_EQ(log, (std::vector<QString> { "shouldLoad test.pane", "shouldLoad test.pane", "didLoad test.pane" }));
    auto* proxy = dynamic_cast<JVLPlugInPreferencePane*>(controller->prefPaneWithIdentifier("test.pane").get());
    ASSERT_TRUE(proxy);
    EXPECT_EQ(proxy->label(), QStringLiteral("Tester"));
    EXPECT_EQ(proxy->category(), QStringLiteral("Extras"));
    EXPECT_TRUE(proxy->icon());
    EXPECT_EQ(proxy->sortOrder(), 1u);
    EXPECT_EQ(controller->validPrefPaneIdentifiers(), (QStringList { "first", "test.pane" }));
    controller->categoryForIdentifier("test.pane");
    ASSERT_TRUE(controller->window()); // toolbar and the first pane
    EXPECT_FALSE(proxy->pluginBundle()->isLoaded());
    EXPECT_FALSE(classFromString("JVLTestPluginPane"));

    // Asking what it implements loads the code and follows the pane object.
    EXPECT_TRUE(proxy->respondsToSelector("minSize"));
    EXPECT_TRUE(proxy->pluginBundle()->isLoaded());
    EXPECT_FALSE(proxy->respondsToSelector("maxSize"));
    const Ref<Object> object = proxy->prefPane();
    ASSERT_TRUE(object);
    EXPECT_EQ(object->valueForKey("log").stringValue(), QStringLiteral("initWithBundle test.pane\nloadMainView"));

    ASSERT_TRUE(controller->selectPaneWithIdentifier("test.pane"));
    EXPECT_EQ(controller->window()->minSize(), MakeSize(300, 150));
    EXPECT_EQ(controller->window()->contentView()->frame().size, MakeSize(320, 180));
    EXPECT_EQ(object->valueForKey("log").stringValue(), QStringLiteral("initWithBundle test.pane\nloadMainView\nloadMainView\nwillSelect\ndidSelect"));

    // A second bundle naming the same class never loads a second copy.
    makeBundle("Copy", R"({"CFBundleIdentifier": "test.copy", "CFBundleExecutable": "TestPane", "NSPrincipalClass": "JVLTestPluginPane"})", true);
    test::LogRecorder logged;
    controller->addPluginFromPath(dir.filePath("PlugIns/Copy.prefPane"));
    EXPECT_TRUE(logged.contains("class JVLTestPluginPane already exists"));
    auto* copy = dynamic_cast<JVLPlugInPreferencePane*>(controller->prefPaneWithIdentifier("test.copy").get());
    ASSERT_TRUE(copy);
    EXPECT_FALSE(copy->pluginBundle());
    EXPECT_FALSE(copy->mainView());
    EXPECT_FALSE(controller->selectPaneWithIdentifier("test.copy"));
}

TEST_F(PlugInPaneTest, BundlesWithoutCodeOrWithRepeatedIdentifiers)
{
    makeBundle("A", R"({"CFBundleIdentifier": "same", "CFBundleExecutable": "Nothing", "NSPrincipalClass": "NoSuchPaneClass"})", false, "same");
    makeBundle("B", R"({"CFBundleIdentifier": "same", "CFBundleExecutable": "Nothing", "NSPrincipalClass": "NoSuchPaneClass"})", false);
    makeBundle("C", R"({"CFBundleIdentifier": "noclass"})", false);
    test::LogRecorder logged;
    controller->addPluginsOfTypeFromPath("prefPane", dir.filePath("PlugIns"));
    ASSERT_EQ(controller->prefPanes().size(), 2u);
    // The repeated identifier: its only line is its "loaded:".
    QStringList aboutB;
    for (const QString& line : logged.lines())
        if (line.contains("B.prefPane"))
            aboutB << line;
    ASSERT_EQ(aboutB.size(), 1);
    EXPECT_TRUE(aboutB[0].contains("loaded: " + dir.filePath("PlugIns/B.prefPane")));
    EXPECT_TRUE(logged.contains("principal class name not found"));

    auto* same = dynamic_cast<JVLPlugInPreferencePane*>(controller->prefPaneWithIdentifier("same").get());
    ASSERT_TRUE(same);
    // Label and icon fall back to the identifier.
    EXPECT_EQ(same->label(), QStringLiteral("same"));
    EXPECT_TRUE(same->icon());
    auto* noclass = dynamic_cast<JVLPlugInPreferencePane*>(controller->prefPaneWithIdentifier("noclass").get());
    ASSERT_TRUE(noclass);
    EXPECT_TRUE(noclass->label().isEmpty());
    EXPECT_FALSE(noclass->icon());
}

TEST_F(PlugInPaneTest, AVetoedPluginIsAskedOnceAndLogged)
{
    makeBundle("V", R"({"CFBundleIdentifier": "vetoed", "NSPrincipalClass": "X"})", false);
    std::vector<QString> log;
    auto delegate = make<PrefTestDelegate>();
    delegate->log = &log;
    delegate->vetoed = QStringList { "vetoed" };
    controller->setDelegate(delegate.get());
    test::LogRecorder logged;
    controller->addPluginFromPath(dir.filePath("PlugIns/V.prefPane"));
    EXPECT_TRUE(logged.contains("delegate did not approve plugin vetoed"));
    EXPECT_EQ(log, std::vector<QString> { "shouldLoad vetoed" });
    EXPECT_TRUE(controller->prefPanes().empty());
    controller->addPluginFromPath(dir.filePath("PlugIns/missing.prefPane"));
    EXPECT_TRUE(logged.contains("error loading bundle: " + dir.filePath("PlugIns/missing.prefPane")));
}

} // namespace
