// The spinner as a screen reader meets it through Qt's accessibility: busy while indeterminate, a
// progress indicator with its value from 0 to its maximum while determinate.

#include "KSSpinningProgressIndicator/KSSpinningProgressIndicator.h"

#include "kit/appkit/Accessibility.h"
#include "kit/appkit/AccessibilityBridge.h"
#include "kit/appkit/Window.h"
#include "kit/foundation/RunLoop.h"
#include "kit/tests/AccessibilityTestSupport.h"

#include <QAccessible>

#include <gtest/gtest.h>

#include <vector>

namespace {

using kit::Ref;
using kit::Value;
using kit::test::events;
using kit::test::eventsOf;
using kit::test::recordEvent;

class SpinnerAccessibility : public testing::Test {
protected:
    void SetUp() override
    {
        kit::AccessibilityBridge::setEventObserverForTesting(recordEvent);
        events().clear();
        window = kit::make<kit::Window>(kit::MakeRect(0, 0, 100, 100), kit::BorderlessWindowMask);
        spinner = kit::make<KSSpinningProgressIndicator>(kit::MakeRect(10, 10, 32, 32));
        window->contentView()->addSubview(spinner.get());
        iface = kit::AccessibilityBridge::interfaceFor(Value(spinner));
    }
    void TearDown() override
    {
        kit::AccessibilityBridge::setEventObserverForTesting(nullptr);
        spinner->removeFromSuperview();
        spinner = nullptr;
        window = nullptr;
        kit::RunLoop::main().runPending();
    }
    QString role() const { return kit::AccessibilityAttributeValue(Value(spinner), kit::AccessibilityRoleAttribute).stringValue(); }

    Ref<kit::Window> window;
    Ref<KSSpinningProgressIndicator> spinner;
    QAccessibleInterface* iface = nullptr;
};

TEST_F(SpinnerAccessibility, IndeterminateItIsABusyIndicatorWithoutAValue)
{
    ASSERT_NE(iface, nullptr);
    EXPECT_EQ(role(), kit::AccessibilityBusyIndicatorRole);
    EXPECT_EQ(kit::AccessibilityRoleDescriptionForUIElement(Value(spinner)), QStringLiteral("busy indicator"));
    EXPECT_EQ(iface->role(), QAccessible::Animation);
    EXPECT_TRUE(iface->state().busy);
    EXPECT_EQ(iface->valueInterface(), nullptr);
    // The window's one element.
    EXPECT_EQ(kit::AccessibilityBridge::interfaceFor(Value(window))->child(0), iface);
}

TEST_F(SpinnerAccessibility, DeterminateItIsAProgressIndicatorFromZeroToItsMaximum)
{
    spinner->setMaxValue(40);
    spinner->setDoubleValue(10);
    EXPECT_EQ(role(), kit::AccessibilityProgressIndicatorRole);
    EXPECT_EQ(iface->role(), QAccessible::ProgressBar);
    EXPECT_FALSE(iface->state().busy);
    QAccessibleValueInterface* value = iface->valueInterface();
    ASSERT_NE(value, nullptr);
    EXPECT_DOUBLE_EQ(value->currentValue().toDouble(), 10);
    EXPECT_DOUBLE_EQ(value->minimumValue().toDouble(), 0);
    EXPECT_DOUBLE_EQ(value->maximumValue().toDouble(), 40);
    EXPECT_EQ(iface->text(QAccessible::Value), QStringLiteral("10"));

    // Each new value is announced.
    events().clear();
    spinner->setDoubleValue(30);
    spinner->setDoubleValue(35);
    EXPECT_EQ(eventsOf(QAccessible::ValueChanged), (std::vector<const QAccessibleInterface*> { iface, iface }));
    EXPECT_DOUBLE_EQ(value->currentValue().toDouble(), 35);

    // Back to indeterminate: busy again.
    spinner->setIndeterminate(true);
    EXPECT_EQ(iface->role(), QAccessible::Animation);
    EXPECT_TRUE(iface->state().busy);
    EXPECT_EQ(iface->valueInterface(), nullptr);
}

} // namespace
