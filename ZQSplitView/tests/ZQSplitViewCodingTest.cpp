#include "ZQSplitView/JVLSplitSubviewResizeButton.h"
#include "ZQSplitView/tests/ZQSplitTestSupport.h"
#include "kit/foundation/KeyedArchiver.h"
#include "kit/foundation/KeyedUnarchiver.h"
#include "kit/foundation/RunLoop.h"
#include "kit/graphics/GraphicsContext.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

using kit::MakeRect;
using kit::MakeSize;
using kit::Ref;

namespace {

Ref<ZQSplitView> roundTrip(const ZQSplitView& split)
{
    const QByteArray data = kit::KeyedArchiver::archivedDataWithRootObject(kit::Value(Ref<ZQSplitView>(const_cast<ZQSplitView*>(&split))));
    QString error;
    const kit::Value decoded = kit::KeyedUnarchiver::unarchiveTopLevelObjectWithDataError(data, &error);
    EXPECT_TRUE(error.isEmpty()) << qPrintable(error);
    return decoded.objectAs<ZQSplitView>();
}

// Three panes of 100 along the axis, 80 across, with 5-point dividers; the middle one collapsed.
Ref<ZQSplitView> makeWithCollapsedMiddle(bool horizontal)
{
    const kit::Size pane = horizontal ? MakeSize(80, 100) : MakeSize(100, 80);
    auto split = kit::make<ZQSplitView>(horizontal ? MakeRect(0, 0, 80, 310) : MakeRect(0, 0, 310, 80));
    split->setHorizontal(horizontal);
    split->setDividerThickness(5);
    for (int i = 0; i < 3; ++i) {
        auto p = kit::make<ZQSplitSubview>(kit::Rect { kit::ZeroPoint, pane });
        p->setIdentifier(QStringLiteral("pane%1").arg(i));
        split->addSubview(p.get());
    }
    split->adjustSubviews();
    auto middle = split->subviewAtPosition(1);
    middle->setCanCollapse(true);
    middle->setTag(-7);
    middle->setMinDimensionAndMaxDimension(40, 180);
    EXPECT_LT(middle->collapse(), 0);
    split->adjustSubviews();
    return split;
}

class CodingTest : public testing::TestWithParam<bool> {
protected:
    void TearDown() override { kit::RunLoop::main().runPending(); }
};

TEST_P(CodingTest, CollapsedPaneComesBackCollapsedWithItsCrossSizeAndSavedSize)
{
    const bool horizontal = GetParam();
    auto split = makeWithCollapsedMiddle(horizontal);
    auto before = split->subviewAtPosition(1);
    ASSERT_TRUE(before->isCollapsed());
    const double fraction = before->fraction();

    auto copy = roundTrip(*split);
    ASSERT_TRUE(copy);
    ASSERT_EQ(copy->subviews().size(), 3u);
    auto middle = copy->subviewAtPosition(1);
    ASSERT_TRUE(middle);
    EXPECT_TRUE(middle->isCollapsed());
    EXPECT_EQ(middle->frame(), before->frame()) << "origin and cross size as they were";
    EXPECT_EQ(middle->savedSize(), horizontal ? MakeSize(80, 100) : MakeSize(100, 80)) << "the size it had before collapsing";
    EXPECT_EQ(middle->identifier(), QStringLiteral("pane1"));
    EXPECT_EQ(middle->tag(), -7);
    EXPECT_EQ(middle->minDimension(), 40);
    EXPECT_EQ(middle->maxDimension(), 180);
    EXPECT_DOUBLE_EQ(middle->fraction(), fraction);
    EXPECT_TRUE(middle->canCollapse());
    EXPECT_EQ(copy->subviewAtPosition(0)->frame(), split->subviewAtPosition(0)->frame()) << "open panes keep their frames";

    // Once loaded, the first layout runs and the pane expands to what it had.
    kit::RunLoop::main().runPending();
    EXPECT_FALSE(copy->mustAdjust());
    EXPECT_TRUE(middle->isCollapsed());
    middle->expand();
    copy->adjustSubviews();
    EXPECT_NEAR(middle->dimension(), 100, 1.0);
}

INSTANTIATE_TEST_SUITE_P(BothAxes, CodingTest, testing::Bool(), [](const auto& info) { return info.param ? "Horizontal" : "Vertical"; });

TEST(SplitViewCodingTest, SettingsSurviveAndTheDelegateIsOnlyKeptWhenArchivedElsewhere)
{
    auto split = makeSplitView({ 100, 150 });
    split->setAutosaveNameRecursively(QStringLiteral("Coded"), false);
    split->setBackground(kit::Color::colorWithSRGBRedGreenBlueAlpha(0.25, 0.5, 0.75, 1));
    auto image = kit::Image::imageWithSize(MakeSize(6, 9));
    image->lockFocus();
    kit::Color::redColor()->set();
    kit::RectFill(MakeRect(0, 0, 6, 9));
    image->unlockFocus();
    split->setDivider(image);
    split->setHorizontal(true);
    split->setDividerThickness(7);
    auto delegate = kit::make<RecordingDelegate>();
    split->setDelegate(delegate.get());

    auto copy = roundTrip(*split);
    ASSERT_TRUE(copy);
    EXPECT_EQ(copy->autosaveName(), QStringLiteral("Coded"));
    ASSERT_TRUE(copy->background());
    EXPECT_DOUBLE_EQ(copy->background()->blueComponent(), 0.75);
    EXPECT_TRUE(copy->isOpaque());
    ASSERT_TRUE(copy->divider());
    EXPECT_EQ(copy->divider()->size(), MakeSize(6, 9));
    EXPECT_TRUE(copy->divider()->isFlipped());
    EXPECT_EQ(copy->dividerThickness(), 7);
    EXPECT_TRUE(copy->isHorizontal());
    EXPECT_FALSE(copy->canSaveState()) << "saving waits for the first restore";
    EXPECT_FALSE(copy->delegate()) << "a conditional delegate nobody else archived";

    // A nested view keeps its own coupling flag and follows its container's axis.
    auto inner = kit::make<ZQSplitView>(MakeRect(0, 0, 100, 100), 2);
    inner->setCoupled(false);
    split->addSubview(inner.get());
    auto again = roundTrip(*split);
    ASSERT_TRUE(again);
    auto innerCopy = again->subviewAtPosition(2);
    ASSERT_TRUE(innerCopy && innerCopy->asSplitView());
    EXPECT_FALSE(innerCopy->isCoupled());
    EXPECT_TRUE(innerCopy->asSplitView()->isVertical());
}

// Archives written before colours were archivable hold the background as four sRGB numbers.
TEST(SplitViewCodingTest, TheOlderFourNumberBackgroundIsStillRead)
{
    struct Case {
        const char* name;
        QJsonValue background;
        double blue; // < 0: no background
    };
    const Case cases[] = {
        { "fourNumbers", QJsonArray { 0.25, 0.5, 0.75, 1.0 }, 0.75 },
        { "threeNumbers", QJsonArray { 0.25, 0.5, 0.75 }, -1 },
        { "notNumbers", QJsonArray { "red", 0.5, 0.75, 1.0 }, -1 },
        { "transparent", QJsonArray { 0.25, 0.5, 0.75, 0.0 }, -1 }, // dropped, as the setter drops it
        { "aString", QJsonValue("blue"), -1 },
    };
    auto split = makeSplitView({ 100, 150 });
    split->setBackground(kit::Color::colorWithSRGBRedGreenBlueAlpha(0.1, 0.1, 0.1, 1));
    const QJsonObject archive = QJsonDocument::fromJson(kit::KeyedArchiver::archivedDataWithRootObject(kit::Value(split))).object();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QJsonObject file = archive;
        QJsonArray objects = file[QStringLiteral("$objects")].toArray();
        QJsonObject root = objects[0].toObject();
        ASSERT_TRUE(root.contains(QStringLiteral("background")));
        root[QStringLiteral("background")] = c.background;
        objects[0] = root;
        file[QStringLiteral("$objects")] = objects;
        auto unarchiver = kit::make<kit::KeyedUnarchiver>(QJsonDocument(file).toJson());
        const auto copy = unarchiver->decodeObjectForKey(QStringLiteral("root")).objectAs<ZQSplitView>();
        ASSERT_TRUE(copy);
        if (c.blue < 0) {
            EXPECT_FALSE(copy->background());
        } else {
            ASSERT_TRUE(copy->background());
            EXPECT_DOUBLE_EQ(copy->background()->blueComponent(), c.blue);
        }
        kit::RunLoop::main().runPending();
    }
}

// An archive whose view part says a pane does not resize its contents, or that the split view
// does, changes neither: panes always do, the split view never.
TEST(SplitViewCodingTest, ArchivedAutoresizingFlagsAreIgnored)
{
    auto split = makeSplitView({ 200, 300 });
    auto content = kit::make<kit::View>(split->subviewAtPosition(0)->bounds());
    content->setAutoresizingMask(kit::ViewWidthSizable | kit::ViewHeightSizable);
    split->subviewAtPosition(0)->addSubview(content.get());
    QJsonObject file = QJsonDocument::fromJson(kit::KeyedArchiver::archivedDataWithRootObject(kit::Value(split))).object();
    QJsonArray objects = file[QStringLiteral("$objects")].toArray();
    const QString key = QStringLiteral("autoresizesSubviews");
    int flipped = 0;
    for (int i = 0; i < objects.size(); ++i) {
        QJsonObject object = objects[i].toObject();
        if (!object.contains(key))
            continue;
        object[key] = i == 0; // the root, the split view, says YES; every pane says NO
        objects[i] = object;
        ++flipped;
    }
    ASSERT_GE(flipped, 3);
    file[QStringLiteral("$objects")] = objects;
    auto unarchiver = kit::make<kit::KeyedUnarchiver>(QJsonDocument(file).toJson());
    const auto copy = unarchiver->decodeObjectForKey(QStringLiteral("root")).objectAs<ZQSplitView>();
    ASSERT_TRUE(copy);
    kit::RunLoop::main().runPending();
    EXPECT_FALSE(copy->autoresizesSubviews());
    auto pane = copy->subviewAtPosition(0);
    ASSERT_TRUE(pane);
    EXPECT_TRUE(pane->autoresizesSubviews());
    ASSERT_EQ(pane->subviews().size(), 1u);
    copy->setFrameSize(MakeSize(1000, 100));
    EXPECT_EQ(pane->frame().size.width, 400);
    EXPECT_EQ(pane->subviews()[0]->frame().size.width, 400) << "the contents follow the pane";
}

TEST(SplitViewCodingTest, AResizeButtonKeepsItsOwnCellAndSettings)
{
    auto split = makeSplitView({ 100, 150 });
    auto grip = kit::make<JVLSplitSubviewResizeButton>(MakeRect(2, 3, 20, 20));
    grip->setImagePosition(kit::ImageLeft);
    grip->setEnabled(false);
    split->subviewAtPosition(0)->addSubview(grip.get());
    auto copy = roundTrip(*split);
    ASSERT_TRUE(copy);
    ASSERT_EQ(copy->subviewAtPosition(0)->subviews().size(), 1u);
    auto gripCopy = kit::dynamic_pointer_cast<JVLSplitSubviewResizeButton>(copy->subviewAtPosition(0)->subviews()[0]);
    ASSERT_TRUE(gripCopy && gripCopy->resizeCell());
    EXPECT_EQ(gripCopy->frame(), MakeRect(2, 3, 20, 20));
    EXPECT_EQ(gripCopy->imagePosition(), kit::ImageLeft);
    EXPECT_FALSE(gripCopy->isEnabled());
    EXPECT_EQ(gripCopy->resizeCell()->controlView().get(), gripCopy.get());
    kit::RunLoop::main().runPending();
}

} // namespace
