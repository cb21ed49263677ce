#include "ZQSplitView/JVLSplitSubviewResizeButton.h"
#include "ZQSplitView/tests/ZQSplitTestSupport.h"
#include "kit/appkit/Application.h"
#include "kit/appkit/Window.h"
#include "kit/foundation/KeyedArchiver.h"
#include "kit/foundation/NibLoader.h"
#include "kit/foundation/RunLoop.h"
#include "kit/foundation/UserDefaults.h"
#include "kit/testsupport/EventScript.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <clocale>

using kit::MakePoint;
using kit::Ref;

namespace {

class StateTest : public testing::Test {
protected:
    void SetUp() override { kit::UserDefaults::resetStandardUserDefaultsForTesting(dir.filePath(QStringLiteral("defaults.json"))); }
    void TearDown() override { kit::UserDefaults::resetStandardUserDefaultsForTesting(); }

    static QString stored(const QString& key) { return kit::UserDefaults::standardUserDefaults()->stringForKey(key); }
    static void store(const QString& value, const QString& key)
    {
        kit::UserDefaults::standardUserDefaults()->setObjectForKey(kit::Value(value), key);
    }

    // Main: 120, 240.5 and a collapsed pane that would expand to 80.
    Ref<ZQSplitView> makeMain()
    {
        auto split = makeSplitView({ 120, 240, 80 });
        split->subviewAtPosition(2)->setCanCollapse(true);
        EXPECT_TRUE(split->setStateFromString(QStringLiteral("3 120 240.5 -80")));
        return split;
    }

    QTemporaryDir dir;
};

TEST_F(StateTest, StringAndKeyAreExact)
{
    auto split = makeMain();
    EXPECT_EQ(split->stringWithSavedState(), QStringLiteral("3 120 240.5 -80"));
    split->subviewAtPosition(1)->setHiddenPlain(true);
    EXPECT_EQ(split->stringWithSavedState(), QStringLiteral("3 120 240.5H -80"));
    EXPECT_EQ(ZQSplitView::defaultsKeyForNameIsHorizontal(QStringLiteral("Main"), false), QStringLiteral("ZQSplitView V Main"));
}

TEST_F(StateTest, CommaDecimalLocaleChangesNothing)
{
    const QLocale before;
    const std::string cBefore = std::setlocale(LC_NUMERIC, nullptr);
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    std::setlocale(LC_NUMERIC, "de_DE.UTF-8"); // may not be installed; QLocale alone already bites
    auto split = makeMain();
    const QString state = split->stringWithSavedState();
    std::setlocale(LC_NUMERIC, cBefore.c_str());
    QLocale::setDefault(before);
    EXPECT_EQ(state, QStringLiteral("3 120 240.5 -80"));
}

TEST_F(StateTest, WrongPaneCountChangesNothing)
{
    auto split = makeSplitView({ 100, 100, 100, 100 });
    EXPECT_FALSE(split->setStateFromString(QStringLiteral("3 120 240.5 -80")));
    EXPECT_FALSE(split->setStateFromString(QStringLiteral("4 1 2 3")));
    EXPECT_FALSE(split->setStateFromString(QString()));
    for (unsigned i = 0; i < 4; ++i)
        EXPECT_EQ(widthOf(*split, i), 100);
}

TEST_F(StateTest, StateArraysNestAndRefuseAMismatchedShape)
{
    auto split = makeSplitView({ 100, 100 });
    auto inner = kit::make<ZQSplitView>(kit::MakeRect(0, 0, 100, 100), 2);
    split->addSubview(inner.get());
    split->setFrameSize(kit::MakeSize(300, 100));
    const kit::Array states = split->arrayWithStates();
    ASSERT_EQ(states.count(), 4);
    EXPECT_EQ(states[0].string(), split->stringWithSavedState());
    EXPECT_TRUE(states[1].isNull());
    ASSERT_TRUE(states[3].isArray());
    EXPECT_EQ(states[3].array()[0].string(), inner->stringWithSavedState());

    auto copy = makeSplitView({ 50, 50 });
    auto copyInner = kit::make<ZQSplitView>(kit::MakeRect(0, 0, 100, 100), 2);
    copy->addSubview(copyInner.get());
    copy->setFrameSize(kit::MakeSize(300, 100));
    copyInner->setStateFromString(QStringLiteral("2 10 90"));
    ASSERT_TRUE(copy->setStatesFromArray(states));
    EXPECT_EQ(copy->arrayWithStates(), states);

    const kit::Array flat { states[0], states[1], states[2], kit::Value::null() };
    EXPECT_FALSE(copy->setStatesFromArray(flat)) << "a nested view needs an array";
    EXPECT_FALSE(copy->setStatesFromArray(kit::Array { states[0] })) << "one element per subview";
    EXPECT_FALSE(copy->setStatesFromArray(kit::Array { kit::Value(3), states[1], states[2], states[3] }));
}

TEST_F(StateTest, CollapsedPaneThatMayNotCollapseKeepsTheSizeRead)
{
    auto split = makeSplitView({ 120, 240, 80 });
    ASSERT_TRUE(split->setStateFromString(QStringLiteral("3 120 240 -80")));
    EXPECT_FALSE(split->subviewAtPosition(2)->isCollapsed());
    EXPECT_EQ(widthOf(*split, 2), 80);
}

TEST_F(StateTest, SavesAfterFirstRestoreUnderOrientationKeyAndNestedName)
{
    auto split = makeSplitView({ 100, 100 });
    auto inner = kit::make<ZQSplitView>(kit::MakeRect(0, 0, 100, 100), 2);
    split->addSubview(inner.get());
    split->setAutosaveNameRecursively(QStringLiteral("Main"), true);
    EXPECT_EQ(inner->autosaveName(), QStringLiteral("Main[2]"));
    split->adjustSubviews();
    EXPECT_TRUE(stored(QStringLiteral("ZQSplitView V Main")).isEmpty()) << "no saving before a restore";
    EXPECT_FALSE(split->restoreState(true));
    split->setFrameSize(kit::MakeSize(320, 100));
    EXPECT_EQ(stored(QStringLiteral("ZQSplitView V Main")), split->stringWithSavedState());

    split->setHorizontal(true);
    split->adjustSubviews();
    EXPECT_EQ(stored(QStringLiteral("ZQSplitView H Main")), split->stringWithSavedState());
    EXPECT_FALSE(stored(QStringLiteral("ZQSplitView V Main")).isEmpty()) << "the V entry stays";
    split->setAutosaveNameRecursively(QStringLiteral("Main"), false);
    EXPECT_TRUE(stored(QStringLiteral("ZQSplitView V Main")).isEmpty());
}

TEST_F(StateTest, RestoreAppliesTheSavedSizes)
{
    store(QStringLiteral("2 150 50"), QStringLiteral("ZQSplitView V Pair"));
    auto split = makeSplitView({ 100, 100 });
    split->setAutosaveNameRecursively(QStringLiteral("Pair"), false);
    store(QStringLiteral("2 150 50"), QStringLiteral("ZQSplitView V Pair"));
    EXPECT_TRUE(split->restoreState(false));
    split->adjustSubviews();
    EXPECT_EQ(widthOf(*split, 0), 150);
    EXPECT_EQ(widthOf(*split, 1), 50);
}

} // namespace

namespace {

class SaveDuringDragTest : public StateTest { };

// The state is written when the drag ends, not at every step.
TEST_F(SaveDuringDragTest, SavedOnceAtTheEnd)
{
    struct Spy : RecordingDelegate {
        QStringList seen;
        void didAdjustSubviews(ZQSplitView*) override { seen << stored(QStringLiteral("ZQSplitView V Drag")); }
    };
    auto split = makeSplitView({ 100, 100, 100 });
    split->setDivider(kit::Image::imageWithSize(kit::MakeSize(5, 5)));
    auto window = kit::make<kit::Window>(kit::MakeRect(0, 0, 310, 100), kit::TitledWindowMask);
    window->setContentView(split.get());
    split->setAutosaveNameRecursively(QStringLiteral("Drag"), false);
    split->restoreState(false);
    split->adjustSubviews();
    const QString before = stored(QStringLiteral("ZQSplitView V Drag"));
    ASSERT_EQ(before, QStringLiteral("3 100 100 100"));
    auto spy = kit::make<Spy>();
    spy->implemented = { "didAdjustSubviews" };
    split->setDelegate(spy.get());
    {
        kit::test::EventScript script(window.get());
        script.mouseDown(MakePoint(102, 50)).mouseDragged(MakePoint(112, 50)).mouseDragged(MakePoint(122, 50)).mouseUp(MakePoint(122, 50));
        script.run();
    }
    ASSERT_GE(spy->seen.size(), 2);
    for (const QString& s : spy->seen)
        EXPECT_EQ(s, before);
    EXPECT_EQ(stored(QStringLiteral("ZQSplitView V Drag")), QStringLiteral("3 120 80 100"));
    kit::Application::resetForTesting();
}

TEST_F(StateTest, LoadingFromAnInterfaceFileRestoresTheSavedSizes)
{
    auto split = makeSplitView({ 100, 100 });
    split->setAutosaveNameRecursively(QStringLiteral("Loaded"), false);
    auto grip = kit::make<JVLSplitSubviewResizeButton>(kit::MakeRect(0, 0, 20, 20));
    split->subviewAtPosition(1)->addSubview(grip.get());
    // The same objects as an interface file's single top-level object.
    QJsonObject file = QJsonDocument::fromJson(kit::KeyedArchiver::archivedDataWithRootObject(kit::Value(split))).object();
    file[QStringLiteral("$top")]
        = QJsonObject { { QStringLiteral("objects"), QJsonArray { QJsonObject { { QStringLiteral("$ref"), 0 } } } } };
    store(QStringLiteral("2 150 50"), QStringLiteral("ZQSplitView V Loaded"));

    kit::Array top;
    QString error;
    ASSERT_TRUE(kit::NibLoader::loadInterfaceData(QJsonDocument(file).toJson(), QStringLiteral("Split"), nullptr, &top, &error))
        << qPrintable(error);
    ASSERT_EQ(top.count(), 1);
    auto loaded = top[0].objectAs<ZQSplitView>();
    ASSERT_TRUE(loaded);
    kit::RunLoop::main().runPending();
    EXPECT_EQ(widthOf(*loaded, 0), 150);
    EXPECT_EQ(widthOf(*loaded, 1), 50);
    EXPECT_TRUE(loaded->canSaveState());
    auto loadedGrip = kit::dynamic_pointer_cast<JVLSplitSubviewResizeButton>(loaded->subviewAtPosition(1)->subviews().at(0));
    ASSERT_TRUE(loadedGrip);
    EXPECT_EQ(loadedGrip->resizeCell()->imagePosition(), kit::ImageLeft) << "awoken in the second pane";
}

} // namespace
