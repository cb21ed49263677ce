// How controls look under Fusion: focus rings, pop-up bezels and arrows, and sizes that match
// what is drawn. Pixel probes on window snapshots, in the content view's y-up coordinates.

#include "ControlsTestSupport.h"
#include "kit/controls/Button.h"
#include "kit/controls/CellDrawing.h"
#include "kit/controls/ColorWell.h"
#include "kit/controls/ComboBox.h"
#include "kit/controls/ImageView.h"
#include "kit/controls/LevelIndicator.h"
#include "kit/controls/PopUpButton.h"
#include "kit/controls/Stepper.h"
#include "kit/controls/TextField.h"
#include "kit/controls/TokenField.h"
#include "kit/appkit/KeyCodes.h"
#include "kit/testsupport/PixelProbe.h"

#include <QPainter>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <functional>
#include <string>

namespace {

using namespace kit;
using namespace kit::test;

// The snapshot's pixel at content point (x, y), y up.
QColor at(const QImage& shot, double x, double y) { return pixel(shot, int(x), int(shot.height() - 1 - y)); }

bool sameColour(QColor a, QColor b) { return a.rgba() == b.rgba(); }

// The part of the snapshot under `r` (content coordinates, y up).
QImage region(const QImage& shot, Rect r)
{
    return shot.copy(QRect(int(r.minX()), int(shot.height() - r.maxY()), int(r.width()), int(r.height())));
}

// Whether any pixel of the column x, rows y0..y1, differs from `background`.
bool columnDrawn(const QImage& shot, double x, double y0, double y1, QColor background)
{
    for (double y = y0; y <= y1; ++y)
        if (!sameColour(at(shot, x, y), background))
            return true;
    return false;
}

// A case's name as a test name: anything but letters and digits becomes "_".
template <class Case> std::string caseName(const testing::TestParamInfo<Case>& info)
{
    std::string name = info.param.name;
    std::replace_if(
        name.begin(), name.end(), [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); }, '_');
    return name;
}

// --- Focus rings -------------------------------------------------------------------------------

struct FocusCase {
    const char* name;
    std::function<Ref<Control>(Rect)> make;
    bool ringsTheFrame = true; // else only what it shows (a check box's box and title)
};

class ControlFocusRings : public testing::TestWithParam<FocusCase> { };

TEST_P(ControlFocusRings, TheFirstResponderOfTheKeyWindowShowsARingInsideItsBounds)
{
    ControlWindow w(MakeSize(200, 80));
    const Rect frame = MakeRect(20, 20, 140, 26);
    const Ref<Control> control = GetParam().make(frame);
    w.content->addSubview(control.get());
    const Rect around = InsetRect(frame, -4, -4);

    const QImage plain = w.window->snapshot();
    // Focus changes ask the control to redraw its ring (the control's own business, not the cell's).
    ASSERT_TRUE(w.window->makeFirstResponder(control.get()));
    const QImage focused = w.window->snapshot();
    EXPECT_NE(region(plain, frame), region(focused, frame)) << GetParam().name;
    // The ring runs along the right edge, just inside; a check box's stops short of the empty end.
    bool edge = false;
    for (double x = frame.maxX() - 4; x < frame.maxX(); ++x)
        edge |= !sameColour(at(plain, x, frame.midY()), at(focused, x, frame.midY()));
    EXPECT_EQ(edge, GetParam().ringsTheFrame) << GetParam().name;
    // Nothing outside the bounds changes.
    QImage outside = region(focused, around), outsidePlain = region(plain, around);
    for (QImage* image : { &outside, &outsidePlain }) {
        QPainter p(image);
        p.fillRect(QRect(4, 4, int(frame.width()), int(frame.height())), Qt::black);
    }
    EXPECT_EQ(outside, outsidePlain) << GetParam().name;

    // No ring when the type is None, or when the window is not key.
    control->cell()->setFocusRingType(FocusRingTypeNone);
    control->setNeedsDisplay(true);
    EXPECT_EQ(region(w.window->snapshot(), frame), region(plain, frame)) << GetParam().name;
    control->cell()->setFocusRingType(FocusRingTypeDefault);
    ControlWindow other(MakeSize(50, 50));
    ASSERT_FALSE(w.window->isKeyWindow());
    control->setNeedsDisplay(true);
    const QImage inactive = w.window->snapshot();
    // Back in the key window the ring shows again, and goes when focus leaves.
    w.window->makeKeyWindow();
    EXPECT_EQ(region(w.window->snapshot(), frame), region(focused, frame)) << GetParam().name;
    w.window->makeFirstResponder(nullptr);
    EXPECT_EQ(region(w.window->snapshot(), frame), region(plain, frame)) << GetParam().name;
    ASSERT_TRUE(w.window->makeFirstResponder(control.get()));
    other.window->makeKeyWindow();
    w.window->makeFirstResponder(nullptr);
    EXPECT_EQ(region(inactive, frame), region(w.window->snapshot(), frame)) << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(Controls, ControlFocusRings,
    testing::Values(FocusCase { "checkbox",
                        [](Rect frame) -> Ref<Control> {
                            auto b = make<Button>(frame);
                            b->setButtonType(SwitchButton);
                            b->setTitle("Check");
                            return b;
                        },
                        false },
        FocusCase { "pop-up",
            [](Rect frame) -> Ref<Control> {
                auto p = make<PopUpButton>(frame);
                p->addItemsWithTitles({ "One", "Two" });
                return p;
            } },
        FocusCase { "textured pull-down",
            [](Rect frame) -> Ref<Control> {
                auto p = make<PopUpButton>(frame, true);
                p->addItemsWithTitles({ "Actions", "Copy" });
                p->setBezelStyle(TexturedSquareBezelStyle);
                return p;
            } },
        FocusCase { "stepper", [](Rect frame) -> Ref<Control> { return make<Stepper>(frame); } },
        FocusCase { "rating",
            [](Rect frame) -> Ref<Control> {
                auto l = make<LevelIndicator>(frame);
                l->setMaxValue(5);
                l->setIntValue(3);
                l->cell()->setEditable(true);
                return l;
            } },
        FocusCase { "colour well", [](Rect frame) -> Ref<Control> { return make<ColorWell>(frame); } },
        FocusCase { "image view",
            [](Rect frame) -> Ref<Control> {
                // Only an image view that acts takes the focus.
                auto view = make<ImageView>(frame);
                view->cell()->setEditable(true);
                return view;
            } }),
    caseName<FocusCase>);

// --- Bezels fill the fitted frame ------------------------------------------------------------

struct LookFitCase {
    const char* name;
    std::function<Ref<Control>()> make;
};

class FittedBezels : public testing::TestWithParam<LookFitCase> { };

// sizeToFit gives the frame the style draws into: the bezel reaches each side and stays inside.
TEST_P(FittedBezels, TheDrawnBezelFillsTheFittedFrame)
{
    ControlWindow w(MakeSize(240, 80));
    const Ref<Control> control = GetParam().make();
    control->setFrameOrigin(MakePoint(30, 20));
    control->sizeToFit();
    w.content->addSubview(control.get());
    const Rect f = control->frame();
    ASSERT_GT(f.width(), 0);
    const QImage shot = w.window->snapshot();
    const QColor background = at(shot, 2, 2);
    const double y0 = f.minY() + 2, y1 = f.maxY() - 3;
    EXPECT_TRUE(columnDrawn(shot, f.minX(), y0, y1, background) || columnDrawn(shot, f.minX() + 1, y0, y1, background))
        << GetParam().name << " left edge of " << f.width();
    EXPECT_TRUE(columnDrawn(shot, f.maxX() - 1, y0, y1, background) || columnDrawn(shot, f.maxX() - 2, y0, y1, background))
        << GetParam().name << " right edge of " << f.width();
    EXPECT_FALSE(columnDrawn(shot, f.minX() - 1, f.minY() - 2, f.maxY() + 1, background)) << GetParam().name;
    EXPECT_FALSE(columnDrawn(shot, f.maxX(), f.minY() - 2, f.maxY() + 1, background)) << GetParam().name;
}

Ref<Control> popUp(bool pullsDown, BezelStyle bezel, PopUpArrowPosition arrow = PopUpArrowAtCenter)
{
    auto p = make<PopUpButton>(MakeRect(0, 0, 10, 10), pullsDown);
    p->addItemsWithTitles({ "Actions", "Copy", "Paste" });
    p->setBezelStyle(bezel);
    p->popUpCell()->setArrowPosition(arrow);
    return p;
}

INSTANTIATE_TEST_SUITE_P(Looks, FittedBezels,
    testing::Values(LookFitCase { "textured pull-down", [] { return popUp(true, TexturedSquareBezelStyle); } },
        LookFitCase { "recessed pop-up", [] { return popUp(false, RecessedBezelStyle); } },
        LookFitCase { "small square pop-up without arrow", [] { return popUp(false, SmallSquareBezelStyle, PopUpNoArrow); } },
        LookFitCase { "rounded pop-up", [] { return popUp(false, RoundedBezelStyle); } }),
    [](const testing::TestParamInfo<LookFitCase>& info) { return "case" + std::to_string(info.index); });

// --- Pop-up looks and arrows -------------------------------------------------------------------

// A textured pull-down is a tool panel, not a combo box: its title starts near the left edge and
// room is left for the arrow on the right.
TEST(PopUpLook, ToolBezelsFitTheTitleAndTheArrow)
{
    const Ref<Control> textured = popUp(true, TexturedSquareBezelStyle);
    const Ref<Control> plain = popUp(true, TexturedSquareBezelStyle, PopUpNoArrow);
    textured->sizeToFit();
    plain->sizeToFit();
    const Rect title = textured->cell()->titleRectForBounds(textured->bounds());
    EXPECT_GE(title.width(), TextSize("Actions", textured->font()).width);
    EXPECT_GT(textured->bounds().maxX() - title.maxX(), 10); // the arrow's room
    EXPECT_GT(textured->frame().width(), plain->frame().width());
    const Rect plainTitle = plain->cell()->titleRectForBounds(plain->bounds());
    EXPECT_LT(plain->bounds().maxX() - plainTitle.maxX(), 8);
}

struct ArrowCase {
    const char* name;
    bool pullsDown;
    bool bordered;
    PopUpArrowPosition arrow;
    bool drawn;
};

class PopUpArrows : public testing::TestWithParam<ArrowCase> { };

// The arrow's place is the right end of the button; a short title leaves it otherwise empty.
TEST_P(PopUpArrows, ArrowNoneHidesTheArrowOfPopUpsAndPullDowns)
{
    ControlWindow w(MakeSize(200, 60));
    auto p = make<PopUpButton>(MakeRect(20, 20, 120, 22), GetParam().pullsDown);
    p->addItemsWithTitles({ "A", "B" });
    p->setBordered(GetParam().bordered);
    if (GetParam().bordered)
        p->setBezelStyle(TexturedSquareBezelStyle);
    p->popUpCell()->setArrowPosition(GetParam().arrow);
    w.content->addSubview(p.get());
    const QImage shot = w.window->snapshot();
    // The panel's own colour where there is one, else the window's.
    const QColor base = at(shot, 60, 31);
    bool drawn = false;
    for (double x = 122; x < 136; ++x)
        for (double y = 24; y < 38; ++y)
            drawn |= !sameColour(at(shot, x, y), base) && at(shot, x, y).lightness() < base.lightness() - 60;
    EXPECT_EQ(drawn, GetParam().drawn) << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(Positions, PopUpArrows,
    testing::Values(ArrowCase { "plain pop-up, centre", false, false, PopUpArrowAtCenter, true },
        ArrowCase { "plain pop-up, none", false, false, PopUpNoArrow, false },
        ArrowCase { "plain pull-down, none", true, false, PopUpNoArrow, false },
        ArrowCase { "plain pull-down, bottom", true, false, PopUpArrowAtBottom, true },
        ArrowCase { "textured pop-up, centre", false, true, PopUpArrowAtCenter, true },
        ArrowCase { "textured pop-up, none", false, true, PopUpNoArrow, false },
        ArrowCase { "textured pull-down, none", true, true, PopUpNoArrow, false }),
    [](const testing::TestParamInfo<ArrowCase>& info) { return "case" + std::to_string(info.index); });

// --- Stepper -----------------------------------------------------------------------------------

namespace {

// A stepper of its fitted size at (30, 20) in the window.
Ref<Stepper> fittedStepper(ControlWindow& w)
{
    auto stepper = make<Stepper>(MakeRect(30, 20, 50, 50));
    stepper->sizeToFit();
    w.content->addSubview(stepper.get());
    return stepper;
}

} // namespace

// The fitted stepper is its two arrows: the upper half holds the up arrow, the lower the down one.
TEST(StepperLook, TheFittedSizeHoldsBothArrows)
{
    ControlWindow w(MakeSize(100, 80));
    const Ref<Stepper> stepper = fittedStepper(w);
    const Rect f = stepper->frame();
    EXPECT_GE(f.width(), 8);
    EXPECT_GE(f.height(), 14);
    const QImage shot = w.window->snapshot();
    const QColor background = at(shot, 2, 2);
    const auto drawnIn = [&](double y0, double y1) {
        for (double x = f.minX(); x < f.maxX(); ++x)
            if (columnDrawn(shot, x, y0, y1, background))
                return true;
        return false;
    };
    EXPECT_TRUE(drawnIn(f.midY() + 1, f.maxY() - 1));
    EXPECT_TRUE(drawnIn(f.minY(), f.midY() - 1));
    // The arrows start at the frame's left edge and nothing is drawn around the frame.
    EXPECT_TRUE(columnDrawn(shot, f.minX(), f.minY(), f.maxY() - 1, background)
        || columnDrawn(shot, f.minX() + 1, f.minY(), f.maxY() - 1, background));
    for (double x : { f.minX() - 2, f.minX() - 1, f.maxX(), f.maxX() + 1 })
        EXPECT_FALSE(columnDrawn(shot, x, f.minY() - 2, f.maxY() + 1, background)) << x;
    for (double y : { f.minY() - 2, f.minY() - 1, f.maxY(), f.maxY() + 1 })
        for (double x = f.minX(); x < f.maxX(); ++x)
            EXPECT_TRUE(sameColour(at(shot, x, y), background)) << x << ", " << y;
}

// Two framed buttons: along each side of the frame a line is drawn, nearly all its length.
TEST(StepperLook, TheButtonsAreFramedOnAllFourSides)
{
    ControlWindow w(MakeSize(100, 80));
    const Ref<Stepper> stepper = fittedStepper(w);
    const Rect f = stepper->frame();
    const QImage shot = w.window->snapshot();
    const QColor background = at(shot, 2, 2);
    // How many points of a line, inset 3 from its ends, differ from the background.
    const auto share = [&](bool vertical, double at0, double from, double to) {
        int drawn = 0, all = 0;
        for (double t = from + 3; t < to - 3; ++t, ++all)
            drawn += !sameColour(vertical ? at(shot, at0, t) : at(shot, t, at0), background);
        return all ? double(drawn) / all : 0.0;
    };
    const auto side = [&](bool vertical, double outer, double inner, double from, double to) {
        return std::max(share(vertical, outer, from, to), share(vertical, inner, from, to));
    };
    EXPECT_GE(side(false, f.maxY() - 1, f.maxY() - 2, f.minX(), f.maxX()), 0.9) << "top";
    EXPECT_GE(side(false, f.minY(), f.minY() + 1, f.minX(), f.maxX()), 0.9) << "bottom";
    EXPECT_GE(side(true, f.minX(), f.minX() + 1, f.minY(), f.maxY()), 0.9) << "left";
    EXPECT_GE(side(true, f.maxX() - 1, f.maxX() - 2, f.minY(), f.maxY()), 0.9) << "right";
}

// A click on a stepper leaves no ring; an arrow key after it rings the stepper as Tab would.
TEST(StepperFocus, AnArrowAfterAClickShowsTheRing)
{
    ControlWindow w(MakeSize(100, 80));
    const Ref<Stepper> stepper = fittedStepper(w);
    const Rect frame = stepper->frame();
    ASSERT_TRUE(w.window->makeFirstResponder(stepper.get()));
    const QImage ringed = region(w.window->snapshot(), frame);
    w.window->makeFirstResponder(nullptr);
    w.script->click(MakePoint(frame.midX(), frame.maxY() - 3));
    w.script->run();
    ASSERT_EQ(w.window->firstResponder().get(), stepper.get());
    EXPECT_NE(region(w.window->snapshot(), frame), ringed) << "clicked";
    w.script->key(KeyCodeUpArrow);
    w.script->run();
    EXPECT_EQ(region(w.window->snapshot(), frame), ringed) << "an arrow after the click";
}

// --- Check box focus ----------------------------------------------------------------------------

// A click leaves no ring; Tab does, around the box and its title, not across the wide frame.
TEST(CheckBoxFocus, AClickLeavesTheBackgroundAndTabRingsTheIndicatorAndTitle)
{
    ControlWindow w(MakeSize(260, 60));
    const Rect frame = MakeRect(20, 20, 200, 20);
    auto box = make<Button>(frame);
    box->setButtonType(SwitchButton);
    box->setTitle("Rows");
    w.content->addSubview(box.get());
    auto other = make<Button>(MakeRect(20, 44, 60, 14));
    other->setButtonType(SwitchButton);
    other->setTitle("x");
    w.content->addSubview(other.get());
    const QImage plain = w.window->snapshot();

    w.script->click(MakePoint(frame.minX() + 8, frame.midY()));
    w.script->run();
    ASSERT_EQ(w.window->firstResponder().get(), box.get());
    const QImage clicked = w.window->snapshot();
    // The box toggled; the far part of the frame, past the title, kept the background.
    const Rect far = MakeRect(frame.minX() + 100, frame.minY(), 100, frame.height());
    EXPECT_EQ(region(clicked, far), region(plain, far)) << "the click tinted the frame";
    EXPECT_EQ(at(clicked, frame.maxX() - 3, frame.midY()).rgba(), at(plain, frame.maxX() - 3, frame.midY()).rgba());

    // Tab away and back: keyboard focus shows the ring, still only near the box and title.
    w.script->key(KeyCodeTab).key(KeyCodeTab, {}, ShiftKeyMask);
    w.script->run();
    ASSERT_EQ(w.window->firstResponder().get(), box.get());
    const QImage tabbed = w.window->snapshot();
    EXPECT_NE(region(tabbed, frame), region(clicked, frame)) << "no ring after Tab";
    EXPECT_EQ(region(tabbed, far), region(plain, far)) << "the ring runs across the empty frame";
}

// --- Text field focus ----------------------------------------------------------------------------

// While the field editor edits a field of the key window, the field's bezel shows the focus, a
// click or Tab alike (the editor is first responder then, not the field).
struct EditingFocusCase {
    const char* name;
    std::function<Ref<TextField>(Rect)> make;
};

class EditingFocusRings : public testing::TestWithParam<EditingFocusCase> { };

TEST_P(EditingFocusRings, TheFieldBeingEditedInTheKeyWindowShowsTheRing)
{
    ControlWindow w(MakeSize(220, 80));
    const Rect frame = MakeRect(20, 20, 160, 24);
    const Ref<TextField> field = GetParam().make(frame);
    w.content->addSubview(field.get());
    const QImage plain = w.window->snapshot();
    // The bezel's top edge, clear of the text and the caret.
    const auto ringed = [&](const QImage& shot) {
        bool changed = false;
        for (double y = frame.maxY() - 2; y < frame.maxY(); ++y)
            changed |= !sameColour(at(shot, frame.minX() + 40, y), at(plain, frame.minX() + 40, y));
        return changed;
    };
    w.script->click(MakePoint(frame.minX() + 40, frame.midY()));
    w.script->run();
    ASSERT_TRUE(field->currentEditor()) << GetParam().name;
    EXPECT_TRUE(ringed(w.window->snapshot())) << GetParam().name << ": clicked";

    // Not in a window that is not key, nor with the ring type None.
    {
        ControlWindow other(MakeSize(50, 50));
        ASSERT_FALSE(w.window->isKeyWindow());
        field->setNeedsDisplay(true);
        EXPECT_FALSE(ringed(w.window->snapshot())) << GetParam().name << ": not key";
    }
    w.window->makeKeyWindow();
    ASSERT_TRUE(w.window->isKeyWindow());
    field->cell()->setFocusRingType(FocusRingTypeNone);
    field->setNeedsDisplay(true);
    EXPECT_FALSE(ringed(w.window->snapshot())) << GetParam().name << ": type None";
    field->cell()->setFocusRingType(FocusRingTypeDefault);
    field->setNeedsDisplay(true);

    // Editing ends: the ring goes; chosen again by the program, it is back.
    w.window->makeFirstResponder(nullptr);
    EXPECT_FALSE(ringed(w.window->snapshot())) << GetParam().name << ": ended";
    ASSERT_TRUE(w.window->makeFirstResponder(field.get()));
    EXPECT_TRUE(ringed(w.window->snapshot())) << GetParam().name << ": chosen by the program";
    w.window->makeFirstResponder(nullptr);
}

INSTANTIATE_TEST_SUITE_P(Fields, EditingFocusRings,
    testing::Values(EditingFocusCase { "text field", [](Rect frame) { return make<TextField>(frame); } },
        EditingFocusCase { "token field",
            [](Rect frame) -> Ref<TextField> {
                auto f = make<TokenField>(frame);
                f->setStringValue(QStringLiteral("one"));
                return f;
            } },
        EditingFocusCase { "combo box",
            [](Rect frame) -> Ref<TextField> {
                auto c = make<ComboBox>(frame);
                c->addItemsWithObjectValues({ Value(QStringLiteral("One")), Value(QStringLiteral("Two")) });
                return c;
            } }),
    caseName<EditingFocusCase>);

} // namespace
