#include "QVTabBarView/QVMetalTabStyle.h"
#include "QVTabBarView/tests/QVTabBarTestSupport.h"
#include "kit/appkit/AnimationContext.h"
#include "kit/appkit/Window.h"
#include "kit/foundation/KeyedArchiver.h"
#include "kit/foundation/KeyedUnarchiver.h"
#include "kit/testsupport/ManualClockScope.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

namespace {

TEST(QVTabBarCoding, ARoundTripKeepsTheSettingsAndTheDecodedBarLaysItselfOut)
{
    QVBarFixture f(kit::MakeRect(0, 0, 600, 22), 3, false);
    f.bar->setSizeButtonsToFit(true);
    f.bar->setButtonMinWidth(80);
    f.bar->setShowAddTabButton(true);
    auto owner = kit::make<QVRecordingDelegate>();
    f.bar->setDelegate(owner.get());
    kit::RunLoop::main().runPending();
    const QByteArray data = kit::KeyedArchiver::archivedDataWithRootObject(kit::Value(kit::Ref<kit::Object>(f.bar)));
    ASSERT_FALSE(data.isEmpty());
    // The delegate is conditional: the bar alone does not archive its owner.
    EXPECT_FALSE(data.contains("QVRecordingDelegate"));
    auto decoded = kit::KeyedUnarchiver::unarchiveObjectWithData(data).objectAs<QVTabBarView>();
    ASSERT_TRUE(decoded);
    EXPECT_TRUE(decoded->sizeButtonsToFit());
    EXPECT_EQ(decoded->buttonMinWidth(), 80);
    EXPECT_TRUE(decoded->showAddTabButton());
    EXPECT_EQ(decoded->styleName(), QStringLiteral("Metal"));
    EXPECT_FALSE(decoded->delegate());
    ASSERT_TRUE(decoded->tabView());
    EXPECT_EQ(decoded->tabView()->numberOfTabViewItems(), 3);
    // One add-tab button and one overflow button: the decoded ones replaced the made ones.
    int adds = 0;
    for (const auto& sub : decoded->subviews())
        if (sub == decoded->addTabButton())
            ++adds;
    EXPECT_EQ(adds, 1);
    EXPECT_EQ(decoded->numberOfAttachedButtons(), 3);
    EXPECT_TRUE(decoded->needsUpdate());
    kit::RunLoop::main().runPending();
    for (const auto& b : decoded->orderedAttachedButtons())
        EXPECT_GT(b->frame().size.width, 30);
}

TEST(QVTabBarCoding, AnArchiveHoldsNoAttachedButtonNorItsParts)
{
    QVBarFixture f(kit::MakeRect(0, 0, 600, 22), 3, false);
    f.item(1)->setValueForKey(kit::Value(true), QStringLiteral("hasCloseButton"));
    f.item(2)->setValueForKey(kit::Value(true), QStringLiteral("isProcessing"));
    auto outside = kit::make<kit::View>(kit::MakeRect(500, 0, 10, 10));
    f.bar->addSubview(outside.get());
    const QByteArray data = kit::KeyedArchiver::archivedDataWithRootObject(kit::Value(kit::Ref<kit::Object>(f.bar)));
    for (const char* part : { "QVAttachedTabBarButton", "QVAttachedTabBarButtonCell", "QVProgressIndicator" })
        EXPECT_FALSE(data.contains(part)) << part;
    // The subviews added from outside still come back, and the buttons from the tab view.
    auto decoded = kit::KeyedUnarchiver::unarchiveObjectWithData(data).objectAs<QVTabBarView>();
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->numberOfAttachedButtons(), 3);
    int plain = 0;
    for (const auto& sub : decoded->subviews())
        if (sub->isMemberOfClass(kit::View::staticClass()))
            ++plain;
    EXPECT_EQ(plain, 1);
}

TEST(QVTabBarCoding, AbsentKeysKeepTheDefaults)
{
    QVBarFixture f(kit::MakeRect(0, 0, 600, 22), 0, false);
    QJsonDocument doc = QJsonDocument::fromJson(kit::KeyedArchiver::archivedDataWithRootObject(kit::Value(kit::Ref<kit::Object>(f.bar))));
    QJsonObject root = doc.object();
    QJsonArray objects = root.value(QStringLiteral("$objects")).toArray();
    for (int i = 0; i < objects.size(); ++i) {
        QJsonObject o = objects[i].toObject();
        if (o.value(QStringLiteral("$class")).toString() == QLatin1String("QVTabBarView")) {
            for (const char* key : { "QVbuttonMinWidth", "QVbuttonMaxWidth", "QVuseOverflowMenu", "QVselectsTabsOnMouseDown", "QVstyle" })
                o.remove(QString::fromLatin1(key));
            objects[i] = o;
        }
    }
    root.insert(QStringLiteral("$objects"), objects);
    auto decoded = kit::KeyedUnarchiver::unarchiveObjectWithData(QJsonDocument(root).toJson()).objectAs<QVTabBarView>();
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->buttonMinWidth(), 100);
    EXPECT_EQ(decoded->buttonMaxWidth(), 280);
    EXPECT_TRUE(decoded->useOverflowMenu());
    EXPECT_TRUE(decoded->selectsTabsOnMouseDown());
    EXPECT_EQ(decoded->styleName(), QStringLiteral("Metal"));
}

TEST(QVOverflowButton, AlwaysPullsDownAndPulsesOnlyWhenShownWithASecondImage)
{
    kit::test::ManualClockScope clock;
    auto button = kit::make<QVOverflowPopUpButton>(kit::MakeRect(0, 0, 14, 22), false);
    EXPECT_TRUE(button->pullsDown());
    button->setSecondImage(kit::make<kit::Image>(kit::MakeSize(10, 10)));
    EXPECT_FALSE(button->isAnimating()); // not in a window
    auto window = kit::make<kit::Window>(kit::MakeRect(0, 0, 100, 40), kit::TitledWindowMask);
    window->contentView()->addSubview(button.get());
    EXPECT_TRUE(button->isAnimating());
    EXPECT_TRUE(kit::IsAnimatingKey(button.get(), QStringLiteral("isAnimating")));
    clock.advance(0.5);
    EXPECT_GT(button->secondImageAlpha(), 0);
    button->setHidden(true);
    EXPECT_FALSE(button->isAnimating());
    EXPECT_FALSE(kit::IsAnimatingKey(button.get(), QStringLiteral("isAnimating")));
    button->setHidden(false);
    EXPECT_TRUE(button->isAnimating());
    button->setSecondImage(nullptr);
    EXPECT_FALSE(button->isAnimating());
    button->removeFromSuperview();
}

TEST(QVOverflowButton, ItsImageStandsRightAlignedAndShrinksToTheDrawingHeight)
{
    auto cell = kit::make<QVOverflowPopUpButtonCell>();
    auto tall = kit::make<kit::Image>(kit::MakeSize(10, 30));
    const kit::Rect bounds = kit::MakeRect(0, 0, 40, 20);
    const kit::Rect d = cell->drawingRectForBounds(bounds);
    const kit::Rect r = cell->_imageRectForBoundsForImage(bounds, tall.get());
    EXPECT_LE(r.size.height, d.size.height + 1);
    EXPECT_NEAR(r.maxX(), d.maxX(), 1);
    auto small = kit::make<kit::Image>(kit::MakeSize(10, 10));
    const kit::Rect s = cell->_imageRectForBoundsForImage(bounds, small.get());
    EXPECT_EQ(s.size, kit::MakeSize(10, 10));
}

} // namespace
