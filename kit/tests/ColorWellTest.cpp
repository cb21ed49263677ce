#include "kit/controls/ColorWell.h"

#include "ControlsTestSupport.h"
#include "kit/appkit/Accessibility.h"
#include "kit/appkit/AccessibilityBridge.h"
#include "kit/foundation/RunLoop.h"

#include <QAccessible>
#include <QApplication>
#include <QColorDialog>

#include <gtest/gtest.h>

namespace {

using namespace kit;
using namespace kit::test;

class ScriptedColorPanel : public ColorPanelPresenter {
public:
    void showWithColor(const QColor& color) override
    {
        visible = true;
        shown.push_back(color);
    }
    void setColor(const QColor& color) override { current = color; }
    void close() override { visible = false; }
    bool isVisible() const override { return visible; }
    bool visible = false;
    QColor current;
    std::vector<QColor> shown;
};

class ColorWells : public testing::Test {
protected:
    void SetUp() override
    {
        ColorPanel::resetForTesting(presenter);
        a->setColor(Color::redColor());
        b->setColor(Color::blueColor());
        for (const Ref<ColorWell>& well : { a, b }) {
            well->setTarget(target.get());
            well->setAction("act");
            w.content->addSubview(well.get());
        }
    }
    void TearDown() override { ColorPanel::resetForTesting(); }

    ControlWindow w;
    std::shared_ptr<ScriptedColorPanel> presenter = std::make_shared<ScriptedColorPanel>();
    Ref<RecordingTarget> target = make<RecordingTarget>();
    Ref<ColorWell> a = make<ColorWell>(MakeRect(10, 10, 44, 24));
    Ref<ColorWell> b = make<ColorWell>(MakeRect(70, 10, 44, 24));
};

TEST_F(ColorWells, AClickActivatesOneWellAndShowsItsColour)
{
    w.script->click(MakePoint(20, 20));
    w.script->run();
    EXPECT_TRUE(a->isActive());
    ASSERT_EQ(presenter->shown.size(), 1u);
    EXPECT_EQ(presenter->shown[0], QColor(Qt::red));
    w.script->click(MakePoint(80, 20));
    w.script->run();
    EXPECT_FALSE(a->isActive());
    EXPECT_TRUE(b->isActive());
    EXPECT_EQ(presenter->shown.back(), QColor(Qt::blue));
}

// To a screen reader a well is a colour chooser that says its colour; pressing it does what a
// click does.
TEST_F(ColorWells, AScreenReaderHearsAColourChooserAndPressesItAsAClick)
{
    a->setToolTip(QStringLiteral("Fill"));
    a->setColor(Color::colorWithSRGBRedGreenBlueAlpha(1, 0.5, 0, 1));
    QAccessibleInterface* iface = AccessibilityBridge::interfaceFor(a->accessibilityElement());
    ASSERT_NE(iface, nullptr);
    EXPECT_EQ(iface->role(), QAccessible::ColorChooser);
    EXPECT_EQ(AccessibilityRoleDescriptionForUIElement(a->accessibilityElement()), QStringLiteral("color well"));
    EXPECT_EQ(iface->text(QAccessible::Name), QStringLiteral("Fill"));
    // A reader says only a colour chooser's label, never its name: the name comes as a label too.
    const auto labels = iface->relations(QAccessible::Label);
    ASSERT_EQ(labels.size(), 1);
    EXPECT_NE(labels[0].first, iface);
    EXPECT_EQ(labels[0].first->role(), QAccessible::StaticText);
    EXPECT_EQ(labels[0].first->text(QAccessible::Name), QStringLiteral("Fill"));
    EXPECT_FALSE(labels[0].first->state().focused);
    EXPECT_TRUE(AccessibilityBridge::interfaceFor(b->accessibilityElement())->relations(QAccessible::Label).isEmpty()) << "no name, no label";
    // Named by its form (an override, as the Inspector names its fields), it is labelled by that name.
    AccessibilitySetOverrideValueForAttribute(b->accessibilityElement(), Value(QStringLiteral("Colour")), AccessibilityTitleAttribute);
    const auto named = AccessibilityBridge::interfaceFor(b->accessibilityElement())->relations(QAccessible::Label);
    ASSERT_EQ(named.size(), 1);
    EXPECT_EQ(named[0].first->text(QAccessible::Name), QStringLiteral("Colour"));
    EXPECT_EQ(iface->text(QAccessible::Value), QStringLiteral("red 100%, green 50%, blue 0%"));
    // Qt's bridge publishes no value text for a colour chooser: the description says it too.
    EXPECT_EQ(iface->text(QAccessible::Description), QStringLiteral("red 100%, green 50%, blue 0%"));
    ASSERT_NE(iface->actionInterface(), nullptr);
    iface->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    RunLoop::main().runPending();
    EXPECT_TRUE(a->isActive());
    ASSERT_EQ(presenter->shown.size(), 1u);
    EXPECT_EQ(presenter->shown[0], QColor::fromRgbF(1, 0.5, 0));

    // A disabled well stays as it is.
    b->setEnabled(false);
    AccessibilityBridge::interfaceFor(b->accessibilityElement())->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    RunLoop::main().runPending();
    EXPECT_FALSE(b->isActive());
    EXPECT_EQ(presenter->shown.size(), 1u);
}

TEST_F(ColorWells, PanelChangesReachTheActiveWellsWithAnActionEach)
{
    b->activate(true);
    ColorPanel::sharedColorPanel()->userChoseColor(Qt::green);
    ColorPanel::sharedColorPanel()->userChoseColor(Qt::yellow);
    EXPECT_EQ(b->color()->toQColor(), QColor(Qt::yellow));
    EXPECT_EQ(a->color()->toQColor(), QColor(Qt::red));
    ASSERT_EQ(target->calls.size(), 2u);
    EXPECT_EQ(target->calls[0].sender, b.get());

    a->activate(false);
    ColorPanel::sharedColorPanel()->userChoseColor(Qt::black);
    EXPECT_EQ(a->color()->toQColor(), QColor(Qt::black));
    EXPECT_EQ(b->color()->toQColor(), QColor(Qt::black));
}

TEST_F(ColorWells, ClosingThePanelDeactivates)
{
    a->activate(true);
    ColorPanel::sharedColorPanel()->orderFront();
    ColorPanel::sharedColorPanel()->close();
    EXPECT_FALSE(a->isActive());
    EXPECT_FALSE(presenter->visible);
    ColorPanel::sharedColorPanel()->userChoseColor(Qt::green);
    EXPECT_EQ(a->color()->toQColor(), QColor(Qt::red));
    EXPECT_TRUE(target->calls.empty());
}

// A well that is not continuous shows each colour but sends once, as it lets go of the panel:
// when the panel closes or another well takes over, and not at all when nothing changed.
TEST_F(ColorWells, ANonContinuousWellSendsOnceWhenItLetsGo)
{
    EXPECT_TRUE(a->isContinuous());
    a->setContinuous(false);
    const Ref<ColorPanel> panel = ColorPanel::sharedColorPanel();
    a->activate(true);
    panel->userChoseColor(Qt::green);
    panel->userChoseColor(Qt::yellow);
    EXPECT_EQ(a->color()->toQColor(), QColor(Qt::yellow));
    EXPECT_TRUE(target->calls.empty());
    panel->close();
    ASSERT_EQ(target->calls.size(), 1u);
    EXPECT_EQ(target->calls[0].sender, a.get());

    a->activate(true);
    panel->close(); // no change: no action
    EXPECT_EQ(target->calls.size(), 1u);

    a->activate(true);
    panel->userChoseColor(Qt::black);
    b->activate(true); // exclusive: a lets go
    EXPECT_FALSE(a->isActive());
    ASSERT_EQ(target->calls.size(), 2u);
    EXPECT_EQ(target->calls[1].sender, a.get());
}

TEST_F(ColorWells, ClearIsDrawnUnlikeWhite)
{
    a->setColor(Color::clearColor());
    b->setColor(Color::whiteColor());
    const QImage shot = w.window->snapshot();
    const auto swatch = [&](double x) { return shot.copy(QRect(int(x) + 6, shot.height() - 34 + 6, 32, 12)); };
    EXPECT_NE(swatch(10), swatch(70));
}

// The real panel: one shared QColorDialog whose colour changes go to the active well.
TEST(ColorPanelDialog, ReportsDialogChangesToTheActiveWell)
{
    ColorPanel::resetForTesting();
    auto well = make<ColorWell>(MakeRect(0, 0, 40, 20));
    well->activate(true);
    ColorPanel::sharedColorPanel()->orderFront();
    QColorDialog* dialog = nullptr;
    for (QWidget* top : QApplication::topLevelWidgets())
        if (auto* d = qobject_cast<QColorDialog*>(top); d && d->isVisible())
            dialog = d;
    ASSERT_TRUE(dialog);
    EXPECT_TRUE(dialog->testOption(QColorDialog::NoButtons));
    dialog->setCurrentColor(QColor(10, 200, 30));
    EXPECT_EQ(well->color()->toQColor(), QColor(10, 200, 30));
    dialog->reject();
    EXPECT_FALSE(well->isActive());
    ColorPanel::resetForTesting();
}

} // namespace
