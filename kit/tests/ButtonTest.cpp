#include "kit/controls/Button.h"

#include "ControlsTestSupport.h"
#include "kit/appkit/Application.h"
#include "kit/appkit/KeyCodes.h"
#include "kit/controls/CellDrawing.h"
#include "kit/graphics/GraphicsContext.h"
#include "kit/graphics/RecordingBackend.h"
#include "kit/testsupport/CallRecorder.h"

#include <QApplication>
#include <QPainter>
#include <QPalette>

#include <gtest/gtest.h>

namespace {

using namespace kit;
using namespace kit::test;

struct PresetCase {
    ButtonType type;
    int highlightsBy;
    int showsStateBy;
};

class ButtonPresets : public testing::TestWithParam<PresetCase> { };

TEST_P(ButtonPresets, TypeSetsBothMasks)
{
    auto cell = make<ButtonCell>();
    cell->setHighlightsBy(0xFF);
    cell->setShowsStateBy(0xFF);
    cell->setButtonType(GetParam().type);
    EXPECT_EQ(cell->highlightsBy(), GetParam().highlightsBy) << "type " << GetParam().type;
    EXPECT_EQ(cell->showsStateBy(), GetParam().showsStateBy) << "type " << GetParam().type;
}

INSTANTIATE_TEST_SUITE_P(Types, ButtonPresets,
    testing::Values(PresetCase { MomentaryLightButton, ChangeBackgroundCellMask | ChangeGrayCellMask, 0 },
        PresetCase { PushOnPushOffButton, PushInCellMask | ChangeGrayCellMask, ChangeBackgroundCellMask | ChangeGrayCellMask },
        PresetCase { ToggleButton, PushInCellMask | ContentsCellMask, ContentsCellMask },
        PresetCase { SwitchButton, ContentsCellMask, ContentsCellMask }, PresetCase { MomentaryChangeButton, ContentsCellMask, 0 },
        PresetCase { MomentaryPushInButton, PushInCellMask | ChangeGrayCellMask | ChangeBackgroundCellMask, 0 }));

// Records what the drawing steps were asked to show.
class ShowingCell : public ButtonCell {
public:
    void drawImageWithFrameInView(const Image* image, Rect frame, View* view) override
    {
        shownImage = image;
        ButtonCell::drawImageWithFrameInView(image, frame, view);
    }
    Rect drawTitleWithFrameInView(const AttributedString& title, Rect frame, View* view) override
    {
        shownTitle = title.string();
        return ButtonCell::drawTitleWithFrameInView(title, frame, view);
    }
    const Image* shownImage = nullptr;
    QString shownTitle;
};

struct ShownCase {
    const char* name;
    ButtonType type;
    int highlightsBy; // -1: the type's preset
    bool highlighted;
    int state;
    bool alternate;
};

class ButtonAlternates : public testing::TestWithParam<ShownCase> { };

TEST_P(ButtonAlternates, ShowTheAlternateByTheContentsBits)
{
    const ShownCase& c = GetParam();
    auto cell = make<ShowingCell>();
    auto normal = make<Image>(MakeSize(8, 8));
    auto pressed = make<Image>(MakeSize(8, 8));
    cell->setButtonType(c.type);
    if (c.highlightsBy >= 0)
        cell->setHighlightsBy(c.highlightsBy);
    cell->setTitle("Normal");
    cell->setAlternateTitle("Alternate");
    cell->setImage(normal);
    cell->setAlternateImage(pressed);
    cell->setImagePosition(ImageLeft);
    cell->setHighlighted(c.highlighted);
    cell->setState(c.state);
    cell->drawWithFrameInView(MakeRect(0, 0, 120, 24), nullptr);
    EXPECT_EQ(cell->shownImage, c.alternate ? pressed.get() : normal.get()) << c.name;
    EXPECT_EQ(cell->shownTitle, c.alternate ? "Alternate" : "Normal") << c.name;
}

INSTANTIATE_TEST_SUITE_P(Masks, ButtonAlternates,
    testing::Values(ShownCase { "change, pressed", MomentaryChangeButton, -1, true, 0, true },
        ShownCase { "change, on", MomentaryChangeButton, -1, false, 1, false },
        ShownCase { "toggle, pressed", ToggleButton, -1, true, 0, true }, ShownCase { "toggle, on", ToggleButton, -1, false, 1, true },
        ShownCase { "toggle, off", ToggleButton, -1, false, 0, false },
        ShownCase { "push in, pressed", MomentaryPushInButton, -1, true, 0, false },
        ShownCase { "on/off, on", PushOnPushOffButton, -1, false, 1, false },
        // Light type re-masked to push-in plus contents (3): the pressed picture shows.
        ShownCase { "light, push in and contents", MomentaryLightButton, PushInCellMask | ContentsCellMask, true, 0, true },
        ShownCase { "light, push in only", MomentaryLightButton, PushInCellMask, true, 0, false }));

struct FitCase {
    const char* name;
    Size image;
    Size box;
    ImageScaling scaling;
    Size expected;
};

class ImageFit : public testing::TestWithParam<FitCase> { };

TEST_P(ImageFit, Arithmetic)
{
    const FitCase& c = GetParam();
    EXPECT_EQ(ImageFitSize(c.image, c.box, c.scaling), c.expected) << c.name;
}

INSTANTIATE_TEST_SUITE_P(Table, ImageFit,
    testing::Values(FitCase { "down, too wide", { 32, 16 }, { 16, 16 }, ImageScaleProportionallyDown, { 16, 8 } },
        FitCase { "down, fits", { 8, 8 }, { 16, 16 }, ImageScaleProportionallyDown, { 8, 8 } },
        FitCase { "down, empty image", { 0, 5 }, { 16, 16 }, ImageScaleProportionallyDown, { 0, 0 } },
        FitCase { "down, empty box", { 8, 8 }, { 0, 16 }, ImageScaleProportionallyDown, { 0, 0 } },
        FitCase { "independent", { 8, 4 }, { 20, 30 }, ImageScaleAxesIndependently, { 20, 30 } },
        FitCase { "none", { 40, 40 }, { 16, 16 }, ImageScaleNone, { 40, 40 } },
        FitCase { "unknown", { 40, 40 }, { 16, 16 }, ImageScaling(9), { 40, 40 } },
        FitCase { "up or down, up", { 8, 8 }, { 16, 32 }, ImageScaleProportionallyUpOrDown, { 16, 16 } },
        FitCase { "up or down, down", { 64, 32 }, { 16, 16 }, ImageScaleProportionallyUpOrDown, { 16, 8 } }));

struct LookCase {
    const char* name;
    ButtonType type;
    bool bordered;
    BezelStyle bezel;
    // Fitted without slack: one unit narrower cuts the title.
    bool snug = false;
};

class ButtonSizes : public testing::TestWithParam<LookCase> { };

TEST_P(ButtonSizes, TheCellSizeHoldsTheTitleItDraws)
{
    auto button = make<Button>();
    button->setButtonType(GetParam().type);
    button->setBordered(GetParam().bordered);
    button->setBezelStyle(GetParam().bezel);
    button->setTitle("9999 Wide");
    button->sizeToFit();
    const Rect title = button->cell()->titleRectForBounds(button->bounds());
    EXPECT_GE(title.width(), TextSize("9999 Wide", button->font()).width) << GetParam().name;
    EXPECT_GE(title.height(), TextSize("9999 Wide", button->font()).height - 1) << GetParam().name;
    EXPECT_TRUE(ContainsRect(button->bounds(), title)) << GetParam().name;
    if (GetParam().snug) {
        button->setFrameSize(MakeSize(button->frame().width() - 1, button->frame().height()));
        EXPECT_LT(button->cell()->titleRectForBounds(button->bounds()).width(), TextSize("9999 Wide", button->font()).width)
            << GetParam().name;
    }
}

INSTANTIATE_TEST_SUITE_P(Looks, ButtonSizes,
    testing::Values(LookCase { "push", MomentaryPushInButton, true, RoundedBezelStyle },
        LookCase { "square", MomentaryPushInButton, true, RegularSquareBezelStyle },
        LookCase { "recessed", PushOnPushOffButton, true, RecessedBezelStyle, true },
        LookCase { "textured", MomentaryPushInButton, true, TexturedSquareBezelStyle, true },
        LookCase { "small square", MomentaryPushInButton, true, SmallSquareBezelStyle, true },
        LookCase { "shadowless square", ToggleButton, true, ShadowlessSquareBezelStyle, true },
        LookCase { "checkbox", SwitchButton, false, RoundedBezelStyle, true },
        LookCase { "radio", RadioButton, false, RoundedBezelStyle, true },
        LookCase { "plain", MomentaryChangeButton, false, RoundedBezelStyle, true }));

class ButtonKeys : public testing::Test {
protected:
    void SetUp() override
    {
        button = make<Button>(MakeRect(10, 10, 80, 24));
        target = make<RecordingTarget>();
        button->setTarget(target.get());
        button->setAction("act");
        w.content->addSubview(button.get());
    }
    Ref<Event> key(std::uint16_t code, const QString& chars, std::uint64_t flags = 0)
    {
        return Event::
            keyEventWithTypeLocationModifierFlagsTimestampWindowNumberContextCharactersCharactersIgnoringModifiersIsARepeatKeyCode(
                KeyDown, ZeroPoint, flags, 0, w.window->windowNumber(), nullptr, chars, chars, false, code);
    }
    ControlWindow w;
    Ref<Button> button;
    Ref<RecordingTarget> target;
};

TEST_F(ButtonKeys, SpaceOnTheFocusedButtonClicksIt)
{
    button->setButtonType(PushOnPushOffButton);
    ASSERT_TRUE(w.window->makeFirstResponder(button.get()));
    w.script->key(KeyCodeSpace, " ");
    w.script->run();
    EXPECT_EQ(target->calls.size(), 1u);
    EXPECT_EQ(button->state(), OnState);
}

TEST_F(ButtonKeys, KeyEquivalentsClickWithTheirModifiers)
{
    button->setKeyEquivalent("\r");
    EXPECT_TRUE(button->buttonCell()->isDefaultButton());
    EXPECT_FALSE(button->performKeyEquivalent(*key(KeyCodeReturn, "\r", CommandKeyMask)));
    EXPECT_TRUE(button->performKeyEquivalent(*key(KeyCodeReturn, "\r")));
    button->setKeyEquivalent("A");
    button->setKeyEquivalentModifierMask(CommandKeyMask);
    EXPECT_FALSE(button->performKeyEquivalent(*key(KeyCodeA, "a", CommandKeyMask)));
    EXPECT_TRUE(button->performKeyEquivalent(*key(KeyCodeA, "A", CommandKeyMask | ShiftKeyMask)));
    button->setEnabled(false);
    EXPECT_FALSE(button->performKeyEquivalent(*key(KeyCodeA, "A", CommandKeyMask | ShiftKeyMask)));
    EXPECT_EQ(target->calls.size(), 2u);
    for (const auto& c : target->calls)
        EXPECT_EQ(c.sender, button.get());
}

TEST_F(ButtonKeys, AReturnButtonIsItsWindowsDefaultButton)
{
    EXPECT_FALSE(w.window->defaultButtonCell());
    button->setKeyEquivalent("\r");
    EXPECT_EQ(w.window->defaultButtonCell(), button->cell());
    w.script->key(KeyCodeReturn, "\r").key(KeyCodeReturn, "\r", CommandKeyMask);
    w.script->run();
    ASSERT_EQ(target->calls.size(), 1u);
    EXPECT_EQ(target->calls[0].sender, button.get());
    // Another key gives the role up; leaving the window too; entering one takes it.
    button->buttonCell()->setKeyEquivalent("x");
    EXPECT_FALSE(w.window->defaultButtonCell());
    button->setKeyEquivalent("\r");
    button->removeFromSuperview();
    EXPECT_FALSE(w.window->defaultButtonCell());
    w.content->addSubview(button.get());
    EXPECT_EQ(w.window->defaultButtonCell(), button->cell());
    // The window holds the cell weakly.
    button->removeFromSuperview();
    w.window->setDefaultButtonCell(button->cell().get());
    const Weak<Cell> cell = button->cell();
    button = nullptr;
    EXPECT_FALSE(cell.lock());
    EXPECT_FALSE(w.window->defaultButtonCell());
}

// Escape, unhandled by the views, and a cancelOperation sent to the window press the Escape button;
// a window without one beeps.
TEST_F(ButtonKeys, TheWindowsCancelOperationPressesItsEscapeButton)
{
    const QString escape(QChar(0x1B));
    button->setKeyEquivalent(escape);
    BeepRecorder beeps;
    EXPECT_TRUE(Application::sharedApplication()->sendActionToFrom(Selector("cancelOperation"), Weak<Object>(), nullptr));
    ASSERT_EQ(target->calls.size(), 1u);
    EXPECT_EQ(target->calls[0].sender, button.get());
    w.script->key(KeyCodeEscape, escape);
    w.script->run();
    EXPECT_EQ(target->calls.size(), 2u);
    button->setKeyEquivalent(QStringLiteral("x"));
    EXPECT_TRUE(Application::sharedApplication()->sendActionToFrom(Selector("cancelOperation"), Weak<Object>(), nullptr));
    EXPECT_EQ(target->calls.size(), 2u);
    EXPECT_EQ(beeps.count(), 1);
}

TEST_F(ButtonKeys, ADisabledButtonRefusesFocusAndSpace)
{
    button->setEnabled(false);
    EXPECT_FALSE(w.window->makeFirstResponder(button.get()));
    button->keyDown(*key(KeyCodeSpace, " "));
    EXPECT_TRUE(target->calls.empty());
}

TEST(ButtonStates, OnlyTogglingTypesChangeStateOnAClick)
{
    const std::pair<ButtonType, int> cases[] = { { MomentaryPushInButton, OffState }, { MomentaryChangeButton, OffState },
        { PushOnPushOffButton, OnState }, { ToggleButton, OnState }, { SwitchButton, OnState }, { RadioButton, OnState } };
    for (const auto& [type, expected] : cases) {
        auto button = make<Button>();
        button->setButtonType(type);
        button->performClick(nullptr);
        EXPECT_EQ(button->state(), expected) << "type " << type;
    }
    auto radio = make<Button>();
    radio->setButtonType(RadioButton);
    radio->setState(OnState);
    radio->performClick(nullptr);
    EXPECT_EQ(radio->state(), OnState);
}

TEST(ButtonHover, TheBorderFollowsThePointerThroughATrackingArea)
{
    ControlWindow w;
    auto button = make<Button>(MakeRect(10, 10, 80, 24));
    button->setBezelStyle(RecessedBezelStyle);
    button->setShowsBorderOnlyWhileMouseInside(true);
    w.content->addSubview(button.get());
    ASSERT_EQ(button->trackingAreas().size(), 1u);
    w.script->mouseMoved(MakePoint(50, 20));
    w.script->run();
    EXPECT_TRUE(button->buttonCell()->isMouseInside());
    w.script->mouseMoved(MakePoint(200, 100));
    w.script->run();
    EXPECT_FALSE(button->buttonCell()->isMouseInside());
    // The button moves under the resting pointer: hovered at once, no crossing needed.
    button->setFrameOrigin(MakePoint(180, 90));
    EXPECT_TRUE(button->buttonCell()->isMouseInside());
    button->setFrameSize(MakeSize(10, 5));
    EXPECT_FALSE(button->buttonCell()->isMouseInside());
}

// Rendering under Fusion: every look draws, and the states a user must tell apart differ.
TEST(ButtonRendering, StatesAndLooksDrawDistinctly)
{
    ControlWindow w(MakeSize(300, 200));
    const auto add = [&](Rect frame, ButtonType type, int state) {
        auto b = make<Button>(frame);
        b->setButtonType(type);
        b->setAllowsMixedState(true);
        b->setState(state);
        b->setTitle("Box");
        w.content->addSubview(b.get());
        return b;
    };
    add(MakeRect(10, 170, 80, 20), SwitchButton, OnState);
    add(MakeRect(10, 140, 80, 20), SwitchButton, MixedState);
    add(MakeRect(10, 110, 80, 20), SwitchButton, OffState);
    auto push = add(MakeRect(100, 160, 90, 30), MomentaryPushInButton, OffState);
    auto disabled = add(MakeRect(100, 120, 90, 30), MomentaryPushInButton, OffState);
    disabled->setEnabled(false);
    auto image = make<Image>(MakeSize(16, 16));
    auto tool = add(MakeRect(200, 160, 40, 30), MomentaryPushInButton, OffState);
    tool->setBezelStyle(TexturedSquareBezelStyle);
    tool->setImage(image);
    tool->setImagePosition(ImageOnly);

    const QImage shot = w.window->snapshot();
    const auto region = [&](Rect base) {
        return shot.copy(QRect(int(base.minX()), int(shot.height() - base.maxY()), int(base.width()), int(base.height())));
    };
    const QImage on = region(MakeRect(10, 170, 20, 20));
    const QImage mixed = region(MakeRect(10, 140, 20, 20));
    const QImage off = region(MakeRect(10, 110, 20, 20));
    EXPECT_NE(on, mixed);
    EXPECT_NE(on, off);
    EXPECT_NE(mixed, off);
    // The enabled and disabled push buttons differ only by their state.
    EXPECT_NE(region(MakeRect(100, 160, 90, 30)), region(MakeRect(100, 120, 90, 30)));
    // Something was drawn where the textured button is.
    const QImage toolPixels = region(MakeRect(200, 160, 40, 30));
    const QRgb corner = toolPixels.pixel(0, 0);
    bool varied = false;
    for (int y = 0; y < toolPixels.height() && !varied; ++y)
        for (int x = 0; x < toolPixels.width() && !varied; ++x)
            varied = toolPixels.pixel(x, y) != corner;
    EXPECT_TRUE(varied);
}

// Titles drawn into a recording context: what text, font, colour and where.
class ButtonTitles : public testing::Test {
protected:
    std::vector<DrawRecord> drawTitle(ButtonCell& cell, Rect frame, Rect* used = nullptr)
    {
        auto backend = std::make_shared<RecordingBackend>(QSize(300, 100));
        {
            GraphicsContext::Scope scope(GraphicsContext::graphicsContextWithBackend(backend, true));
            const Rect r = cell.drawTitleWithFrameInView(cell.attributedTitle(), frame, nullptr);
            if (used)
                *used = r;
        }
        std::vector<DrawRecord> texts;
        for (const DrawRecord& r : backend->records)
            if (r.kind == DrawRecord::Kind::Text)
                texts.push_back(r);
        return texts;
    }
    static StringAttributes bigRedRight()
    {
        auto paragraph = make<ParagraphStyle>();
        paragraph->setAlignment(RightTextAlignment);
        StringAttributes a;
        a.font = Font::boldSystemFontOfSize(24);
        a.foregroundColor = Color::redColor();
        a.paragraphStyle = paragraph;
        return a;
    }
};

TEST_F(ButtonTitles, AnAttributedTitleDrawsWithItsOwnAttributes)
{
    auto cell = make<ButtonCell>("Plain");
    cell->setAttributedTitle(AttributedString("Save", bigRedRight()));
    EXPECT_EQ(cell->title(), "Save");
    Rect used;
    const auto texts = drawTitle(*cell, MakeRect(0, 0, 200, 40), &used);
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].text, "Save");
    EXPECT_EQ(texts[0].font.pixelSize(), 24);
    EXPECT_TRUE(texts[0].font.bold());
    EXPECT_EQ(texts[0].color(), QColor(Qt::red));
    // Right-aligned: the text ends at the frame's right edge.
    EXPECT_DOUBLE_EQ(used.maxX(), 200);
    EXPECT_NEAR(texts[0].baseline.x(), used.minX(), 0.01);
}

TEST_F(ButtonTitles, APlainTitleTakesTheCellsFontAlignmentAndStateColour)
{
    auto cell = make<ButtonCell>("Plain");
    cell->setAttributedTitle(AttributedString("Save", bigRedRight()));
    cell->setTitle("Plain");
    EXPECT_FALSE(cell->attributedTitle().attributesAtIndex(0).foregroundColor);
    Rect used;
    auto texts = drawTitle(*cell, MakeRect(0, 0, 200, 40), &used);
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].font.pixelSize(), cell->font().pixelSize());
    EXPECT_EQ(texts[0].color(), QApplication::palette().color(QPalette::Active, QPalette::ButtonText));
    EXPECT_NEAR(used.midX(), 100, 0.5); // centred
    cell->setEnabled(false);
    texts = drawTitle(*cell, MakeRect(0, 0, 200, 40));
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].color(), QApplication::palette().color(QPalette::Disabled, QPalette::ButtonText));
}

TEST_F(ButtonTitles, ButtonSizesToItsAttributedTitle)
{
    auto button = make<Button>();
    button->setTitle("Save Everything");
    button->sizeToFit();
    const Size plain = button->frame().size;
    button->setAttributedTitle(AttributedString("Save Everything", bigRedRight()));
    EXPECT_EQ(button->title(), "Save Everything");
    button->sizeToFit();
    const Rect title = button->cell()->titleRectForBounds(button->bounds());
    const Size text = button->attributedTitle().size();
    EXPECT_GT(button->frame().size.width, plain.width);
    EXPECT_GE(title.width(), std::floor(text.width));
    EXPECT_GE(title.height(), std::floor(text.height) - 1);
}

} // namespace
