#include "kit/core/Class.h"
#include "kit/foundation/Bundle.h"
#include "kit/testsupport/RuntimeRecorders.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

// A real shared library in a bundle folder: its classes appear only when the bundle is first asked
// for one, and they are recorded as the bundle's own.
TEST(PluginBundle, LoadsItsCodeAtTheFirstClassLookup)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString folder = dir.filePath(QStringLiteral("Sample.plugin"));
    ASSERT_TRUE(QDir().mkpath(folder));
    // The build puts the sample plug-in beside the test program.
    const QString plugin = QCoreApplication::applicationDirPath() + QStringLiteral("/libkit_test_plugin.so");
    ASSERT_TRUE(QFile::copy(plugin, folder + QStringLiteral("/libSamplePlugin.so")));
    QFile info(folder + QStringLiteral("/Info.json"));
    ASSERT_TRUE(info.open(QIODevice::WriteOnly));
    info.write(R"({"CFBundleExecutable": "SamplePlugin", "CFBundleIdentifier": "test.sample", "NSPrincipalClass": "SamplePluginPane"})");
    info.close();

    EXPECT_EQ(kit::classFromString(QStringLiteral("SamplePluginPane")), nullptr);
    auto bundle = kit::Bundle::bundleWithPath(folder);
    ASSERT_TRUE(bundle);
    // Making the bundle object loads nothing yet.
    EXPECT_EQ(kit::classFromString(QStringLiteral("SamplePluginPane")), nullptr);

    const kit::Class* principal = bundle->principalClass();
    ASSERT_NE(principal, nullptr);
    EXPECT_EQ(principal->name(), QStringLiteral("SamplePluginPane"));
    EXPECT_EQ(kit::classFromString(QStringLiteral("SamplePluginPane")), principal);
    EXPECT_EQ(kit::Bundle::bundleForClass(*principal), bundle.get());
    EXPECT_EQ(principal->make()->valueForKey(QStringLiteral("label")).stringValue(), QStringLiteral("from the plug-in"));

    // An unknown class in a loaded bundle is nil and logged, not a crash.
    kit::test::LogRecorder log;
    EXPECT_EQ(bundle->classNamed(QStringLiteral("NoSuchPane")), nullptr);
    EXPECT_FALSE(log.lines().isEmpty());
}
