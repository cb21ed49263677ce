#include "KRRecorderTestSupport.h"

#include "KeyRecorder/KRSharedImageProvider.h"

#include "kit/appkit/InputState.h"
#include "kit/controls/MenuItem.h"
#include "kit/graphics/ImageRep.h"
#include "kit/testsupport/EventScript.h"
#include "kit/testsupport/ManualClockScope.h"
#include "kit/testsupport/PixelProbe.h"

namespace {

using namespace kit;
using namespace krtest;

const QString krCmdK = QString::fromUtf16(u"\u2303K");

// --- Keys ---

class RecorderKeys : public RecorderFixture { };

TEST_F(RecorderKeys, CommandKRecordsAndEndsRecording)
{
    startRecording();
    ASSERT_TRUE(cell().isRecording());
    press(krCodeK, QStringLiteral("k"), CommandKeyMask);
    EXPECT_FALSE(cell().isRecording());
    EXPECT_EQ(cell().keyCombo(), (KRKeyCombo { 0x100000, 40 }));
    EXPECT_EQ(recorder->keyComboString(), krCmdK);
    EXPECT_EQ(cell().labelString(), krCmdK);
    EXPECT_EQ(recorder->keyChars(), QStringLiteral("k"));
}

TEST_F(RecorderKeys, KeyWithoutModifierIsNotRecordedUnlessKeyOnlyIsAllowed)
{
    startRecording();
    press(krCodeK, QStringLiteral("k"));
    EXPECT_TRUE(cell().isRecording());
    EXPECT_EQ(cell().keyCombo(), KRKeyCombo {});
    EXPECT_EQ(cell().labelString(), QStringLiteral("Type shortcut"));

    recorder->setAllowsKeyOnly(true);
    press(krCodeK, QStringLiteral("k"));
    EXPECT_FALSE(cell().isRecording());
    EXPECT_EQ(cell().keyCombo(), (KRKeyCombo { 0, 40 }));
    EXPECT_EQ(recorder->keyComboString(), QStringLiteral("K"));
}

TEST_F(RecorderKeys, ModifiersHeldShowWhileRecording)
{
    startRecording();
    recorder->flagsChanged(*krKey(0, {}, CommandKeyMask | ShiftKeyMask | AlphaShiftKeyMask, FlagsChanged));
    EXPECT_EQ(cell().recordingFlags(), CommandKeyMask | ShiftKeyMask) << "Caps Lock drops out";
    EXPECT_EQ(cell().labelString(), QString::fromUtf16(u"\u2303\u21E7"));
}

struct KRCancelCase {
    std::uint16_t code;
    const char* name;
};

class RecorderCancelKeys : public RecorderFixture, public testing::WithParamInterface<KRCancelCase> { };

TEST_P(RecorderCancelKeys, CancelAndKeepTheOldShortcut)
{
    recorder->setKeyCombo({ CommandKeyMask, krCodeK });
    startRecording();
    press(GetParam().code, QString(QChar(0x1B)));
    EXPECT_FALSE(cell().isRecording());
    EXPECT_EQ(cell().keyCombo(), (KRKeyCombo { CommandKeyMask, krCodeK })) << "cancel never clears";

    recorder->setAllowsKeyOnly(true);
    startRecording();
    press(GetParam().code, QString(QChar(0x1B)));
    EXPECT_FALSE(cell().isRecording());
    EXPECT_EQ(cell().keyCombo().code, krCodeK) << "key-only alone still cancels";

    recorder->setAllowsKeyOnlyEscapeKeysRecord(true, true);
    startRecording();
    press(GetParam().code, QString(QChar(0x1B)));
    EXPECT_EQ(cell().keyCombo(), (KRKeyCombo { 0, GetParam().code })) << "escape keys record";
}

INSTANTIATE_TEST_SUITE_P(Keys, RecorderCancelKeys, testing::Values(KRCancelCase { 53, "Escape" }, KRCancelCase { 51, "Delete" }, KRCancelCase { 117, "ForwardDelete" }),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(RecorderKeys, FunctionKeysRecordAloneUnderTheDefaultFlags)
{
    test::EventScript script(window.get());
    script.key(krCodeSpace, QStringLiteral(" ")).key(96); // F5
    script.run();
    EXPECT_EQ(cell().keyCombo(), (KRKeyCombo { FunctionKeyMask, 96 }));
    EXPECT_EQ(recorder->keyComboString(), QStringLiteral("F5"));
    script.key(krCodeSpace, QStringLiteral(" ")).key(123); // left arrow
    script.run();
    EXPECT_EQ(cell().keyCombo(), (KRKeyCombo { FunctionKeyMask, 123 }));
}

TEST_F(RecorderKeys, RequiredFlagIsHeldFromTheStart)
{
    recorder->setRequiredFlags(CommandKeyMask);
    startRecording();
    EXPECT_EQ(cell().recordingFlags(), CommandKeyMask);
    EXPECT_EQ(cell().labelString(), QString::fromUtf16(u"\u2303"));
    press(krCodeK, QStringLiteral("k"));
    EXPECT_EQ(cell().keyCombo(), (KRKeyCombo { CommandKeyMask, krCodeK }));
}

TEST_F(RecorderKeys, MenuConflictShowsTheAlertAndKeepsRecording)
{
    auto main = make<Menu>(QStringLiteral("Main"));
    auto file = make<MenuItem>(QStringLiteral("File"), Selector(), QString());
    auto sub = make<Menu>(QStringLiteral("File"));
    auto quit = make<MenuItem>(QStringLiteral("Quit 100%"), Selector(), QStringLiteral("q"));
    quit->setKeyEquivalentModifierMask(CommandKeyMask);
    sub->addItem(quit);
    file->setSubmenu(sub);
    main->addItem(file);
    Menu::setMainMenu(main);

    startRecording();
    press(12, QStringLiteral("q"), CommandKeyMask);
    ASSERT_EQ(alerts.shown.size(), 1u);
    EXPECT_EQ(alerts.shown[0].style, CriticalAlertStyle);
    EXPECT_TRUE(alerts.shown[0].informativeText.contains(QStringLiteral("\"Quit 100%\""))) << alerts.shown[0].informativeText.toStdString();
    EXPECT_TRUE(cell().isRecording());
    EXPECT_EQ(cell().keyCombo(), KRKeyCombo {});
}

// The alert takes the key-up of the refused combination's modifiers: what shows afterwards is what
// the keyboard still holds, not the flags of the refused key.
TEST_F(RecorderKeys, AfterARefusalTheModifiersShownAreThoseStillHeld)
{
    auto main = make<Menu>(QStringLiteral("Main"));
    auto quit = make<MenuItem>(QStringLiteral("Quit"), Selector(), QStringLiteral("q"));
    quit->setKeyEquivalentModifierMask(CommandKeyMask);
    main->addItem(quit);
    Menu::setMainMenu(main);
    alerts.whileShown = [] { InputState::shared().modifierFlags = 0; };
    test::EventScript script(window.get());
    script.key(krCodeSpace, QStringLiteral(" ")).key(12, QStringLiteral("q"), CommandKeyMask);
    script.run();
    ASSERT_EQ(alerts.shown.size(), 1u);
    EXPECT_TRUE(cell().isRecording());
    EXPECT_EQ(cell().recordingFlags(), 0u);
    EXPECT_EQ(cell().labelString(), QStringLiteral("Type shortcut"));
}

// Clearing is the remove button's job; the keyboard reaches it too: Backspace or Delete on the
// focused recorder presses it while it shows (a shortcut held, enabled, not recording).
TEST_F(RecorderKeys, BackspaceOrDeleteOnTheIdleRecorderPressesTheRemoveButton)
{
    for (const std::uint16_t code : { std::uint16_t(51), std::uint16_t(117) }) {
        recorder->setEnabled(true);
        recorder->setKeyCombo({ CommandKeyMask, krCodeK });
        test::EventScript script(window.get());
        script.key(code, QString(QChar(0x7F)));
        script.run();
        EXPECT_EQ(cell().keyCombo(), (KRKeyCombo { 0, -1 })) << code;
        EXPECT_FALSE(cell().isRecording());

        recorder->setKeyCombo({ CommandKeyMask, krCodeK });
        recorder->setEnabled(false);
        script.key(code, QString(QChar(0x7F)));
        script.run();
        EXPECT_EQ(cell().keyCombo(), (KRKeyCombo { CommandKeyMask, krCodeK })) << "a disabled recorder has no remove button";
    }
}

TEST_F(RecorderKeys, EmptyCharactersBeepAndCancel)
{
    recorder->setKeyCombo({ CommandKeyMask, krCodeK });
    startRecording();
    press(0, QString(), CommandKeyMask);
    EXPECT_EQ(beeps, 1);
    EXPECT_FALSE(cell().isRecording());
    EXPECT_EQ(cell().keyCombo(), (KRKeyCombo { CommandKeyMask, krCodeK }));
}

TEST_F(RecorderKeys, BothKeyPathsReachTheCell)
{
    // A command key goes to the views as a key equivalent before the menu: Ctrl+Q is recorded, not quit.
    auto main = make<Menu>(QStringLiteral("Main"));
    Menu::setMainMenu(main);
    test::EventScript script(window.get());
    script.key(krCodeSpace, QStringLiteral(" "));
    script.run();
    ASSERT_TRUE(cell().isRecording()) << "keyDown path";
    script.key(krCodeK, QStringLiteral("k"), CommandKeyMask);
    script.run();
    EXPECT_EQ(cell().keyCombo(), (KRKeyCombo { CommandKeyMask, krCodeK }));

    // performKeyEquivalent only acts for the first responder.
    window->makeFirstResponder(nullptr);
    startRecording();
    EXPECT_FALSE(recorder->performKeyEquivalent(*krKey(12, QStringLiteral("q"), CommandKeyMask)));
    window->makeFirstResponder(recorder.get());
    startRecording();
    EXPECT_TRUE(recorder->performKeyEquivalent(*krKey(12, QStringLiteral("q"), CommandKeyMask)));
    EXPECT_EQ(cell().keyCombo(), (KRKeyCombo { CommandKeyMask, 12 }));
}

TEST_F(RecorderKeys, DisabledRecorderIgnoresSpace)
{
    recorder->setEnabled(false);
    startRecording();
    EXPECT_FALSE(cell().isRecording());
    EXPECT_FALSE(cell().isAnimatingNow());
}

// --- Time ---

class RecorderTransition : public RecorderFixture {
protected:
    test::ManualClockScope clock;
    void tick() { clock.advance(KRRecorderCell::TickInterval); }
};

TEST_F(RecorderTransition, ElevenTicksThenRecording)
{
    recorder->setStyle(1);
    recorder->setAnimates(true);
    startRecording();
    EXPECT_TRUE(cell().isAnimatingNow());
    for (int i = 0; i < 10; ++i) {
        tick();
        ASSERT_FALSE(cell().isRecording()) << "tick " << i + 1;
    }
    tick();
    EXPECT_TRUE(cell().isRecording());
    EXPECT_FALSE(cell().isAnimatingNow());
    EXPECT_EQ(cell().transitionProgress(), 0);
}

TEST_F(RecorderTransition, NewTransitionRestartsInTheNewDirection)
{
    recorder->setStyle(1);
    recorder->setAnimates(true);
    startRecording();
    for (int i = 0; i < 5; ++i)
        tick();
    cell().endRecordingTransition();
    EXPECT_FALSE(cell().isAnimatingTowardsRecording());
    EXPECT_EQ(cell().transitionProgress(), 0);
    for (int i = 0; i < 11; ++i)
        tick();
    EXPECT_FALSE(cell().isAnimatingNow());
    EXPECT_FALSE(cell().isRecording());
}

TEST_F(RecorderTransition, StyleRules)
{
    recorder->setStyle(7);
    EXPECT_EQ(recorder->style(), 0);
    recorder->setAnimates(true);
    startRecording();
    EXPECT_TRUE(cell().isRecording()) << "style 0 never animates";
    EXPECT_FALSE(cell().isAnimatingNow());
    EXPECT_TRUE(KRRecorderCell::styleSupportsAnimation(1));
    EXPECT_FALSE(KRRecorderCell::styleSupportsAnimation(0));
}

// --- Hot-key mode: pushes and pops balance on every path ---

TEST_F(RecorderTransition, CaptureTokenIsHeldExactlyWhileRecording)
{
    recorder->setCanCaptureGlobalHotKeys(true);
    startRecording();
    EXPECT_FALSE(SymbolicHotKeysEnabled());
    recorder->setCanCaptureGlobalHotKeys(false);
    press(krCodeK, QStringLiteral("k"), CommandKeyMask);
    EXPECT_TRUE(SymbolicHotKeysEnabled()) << "turning capture off while recording still pops";

    startRecording();
    recorder->setCanCaptureGlobalHotKeys(true);
    press(53, QString(QChar(0x1B)));
    EXPECT_TRUE(SymbolicHotKeysEnabled());
    EXPECT_FALSE(cell().holdsHotKeyModeToken());
}

TEST_F(RecorderTransition, ResignDuringEnteringTurnsBack)
{
    recorder->setStyle(1);
    recorder->setAnimates(true);
    recorder->setCanCaptureGlobalHotKeys(true);
    startRecording();
    tick();
    window->makeFirstResponder(nullptr);
    for (int i = 0; i < 30; ++i)
        tick();
    EXPECT_FALSE(cell().isRecording());
    EXPECT_TRUE(SymbolicHotKeysEnabled());
}

TEST_F(RecorderTransition, DestructionAndCopiesGiveTokensBack)
{
    recorder->setCanCaptureGlobalHotKeys(true);
    startRecording();
    auto copy = dynamic_pointer_cast<KRRecorderCell>(cell().copy());
    ASSERT_TRUE(copy);
    EXPECT_FALSE(copy->holdsHotKeyModeToken());
    EXPECT_EQ(copy->removeTrackingRectTag(), 0);
    EXPECT_EQ(copy->snapbackTrackingRectTag(), 0);
    EXPECT_EQ(copy->validator()->delegate().get(), copy.get()) << "a copy validates for itself";
    copy = nullptr;
    EXPECT_FALSE(SymbolicHotKeysEnabled()) << "the original still records";
    recorder->removeFromSuperview();
    recorder = nullptr;
    EXPECT_TRUE(SymbolicHotKeysEnabled());
    recorder = make<KRRecorderControl>(MakeRect(0, 0, 100, 22));
}

// --- Mouse ---

class RecorderMouse : public RecorderFixture {
protected:
    Point inWindow(Point p) const { return recorder->convertPointToView(p, nullptr); }
    Point centreOf(Rect r) const { return inWindow({ r.origin.x + r.size.width / 2, r.origin.y + r.size.height / 2 }); }
};

TEST_F(RecorderMouse, RemoveButtonOnlyWithAShortcutWhenEnabled)
{
    const Rect bounds = recorder->bounds();
    EXPECT_EQ(cell().removeButtonRectForFrame(bounds), ZeroRect);
    recorder->setKeyCombo({ CommandKeyMask, krCodeK });
    EXPECT_EQ(cell().removeButtonRectForFrame(bounds), MakeRect(200 - 14 - 4, 4, 14, 14));
    EXPECT_EQ(cell().snapbackRectForFrame(bounds), MakeRect(200 - 14 - 2, 5, 14, 14));
    recorder->setEnabled(false);
    EXPECT_EQ(cell().removeButtonRectForFrame(bounds), ZeroRect);
}

TEST_F(RecorderMouse, ClicksRemoveRecordAndSnapBack)
{
    recorder->setKeyCombo({ CommandKeyMask, krCodeK });
    const Point remove = centreOf(cell().removeButtonRectForFrame(recorder->bounds()));
    test::EventScript script(window.get());

    // Pressed on the button, dragged out of the field, released: nothing.
    script.mouseDown(remove).mouseDragged(inWindow({ 100, 60 })).mouseUp(inWindow({ 100, 60 }));
    script.run();
    EXPECT_EQ(cell().keyCombo(), (KRKeyCombo { CommandKeyMask, krCodeK }));
    EXPECT_FALSE(cell().isRecording());

    // A click in the field records; the snap-back button keeps the old shortcut.
    script.click(inWindow({ 40, 11 }));
    script.run();
    ASSERT_TRUE(cell().isRecording());
    script.click(centreOf(cell().snapbackRectForFrame(recorder->bounds())));
    script.run();
    EXPECT_FALSE(cell().isRecording());
    EXPECT_EQ(cell().keyCombo(), (KRKeyCombo { CommandKeyMask, krCodeK }));

    // A click on the remove button empties.
    script.click(remove);
    script.run();
    EXPECT_EQ(cell().keyCombo(), KRKeyCombo {});
    EXPECT_FALSE(cell().isRecording());
}

TEST_F(RecorderMouse, HoverChangesTheRemoveImage)
{
    recorder->setKeyCombo({ CommandKeyMask, krCodeK });
    recorder->resetTrackingRects();
    EXPECT_NE(cell().removeTrackingRectTag(), 0);
    const Point remove = centreOf(cell().removeButtonRectForFrame(recorder->bounds()));
    test::EventScript script(window.get());
    script.mouseMoved(inWindow({ 40, 11 })).mouseMoved(remove);
    script.run();
    EXPECT_TRUE(cell().mouseInsideTrackingArea());
    script.mouseMoved(inWindow({ 40, 11 }));
    script.run();
    EXPECT_FALSE(cell().mouseInsideTrackingArea());
}

TEST_F(RecorderMouse, FrameChangeResetsTrackingRects)
{
    recorder->setKeyCombo({ CommandKeyMask, krCodeK });
    recorder->resetTrackingRects();
    const std::int64_t before = cell().removeTrackingRectTag();
    recorder->setFrameSize(MakeSize(150, 22));
    EXPECT_NE(cell().removeTrackingRectTag(), before);
    EXPECT_NE(cell().removeTrackingRectTag(), 0);
    recorder->setEnabled(false);
    recorder->resetTrackingRects();
    EXPECT_EQ(cell().removeTrackingRectTag(), 0) << "disabled: no rectangles";
}

// --- Images and drawing ---

TEST(KRSharedImages, NamedImagesAreSharedAndDrawnInCode)
{
    for (const char* name : { "KRSnapback", "KRRemoveShortcut", "KRRemoveShortcutRollover", "KRRemoveShortcutPressed" }) {
        auto image = KRSharedImageProvider::supportingImageWithName(QString::fromLatin1(name));
        ASSERT_TRUE(image) << name;
        EXPECT_EQ(image->size(), MakeSize(14, 14));
        EXPECT_EQ(image.get(), KRSharedImageProvider::supportingImageWithName(QString::fromLatin1(name)).get());
        ASSERT_EQ(image->representations().size(), 1u);
        EXPECT_TRUE(dynamic_pointer_cast<CustomImageRep>(image->representations()[0]));
    }
    EXPECT_FALSE(KRSharedImageProvider::supportingImageWithName(QStringLiteral("KRNothing")));
}

TEST(KRSharedImages, SnapbackTranslationActsBeforeTheScale)
{
    // The first point (0.0489685, 0.6181513) of a 100 × 100 image: (0.9 · (x + 0.5), y − 0.5).
    auto path = KRSharedImageProvider::snapbackPathForSize({ 100, 100 });
    const Rect box = path->bounds();
    EXPECT_NEAR(box.origin.x, 0.9 * (4.89685 + 0.5), 1e-6);
}

TEST(KRSharedImages, RemoveBoxDarkensWithThePress)
{
    auto shade = [](const char* name) {
        const QImage pixels = KRSharedImageProvider::supportingImageWithName(QString::fromLatin1(name))->bitmapForDrawing(2.0);
        return test::pixel(pixels, 4, 14).alpha(); // inside the oval, off the cross
    };
    EXPECT_NEAR(shade("KRRemoveShortcut"), 255 * 0.25, 3);
    EXPECT_NEAR(shade("KRRemoveShortcutRollover"), 255 * 0.35, 3);
    EXPECT_NEAR(shade("KRRemoveShortcutPressed"), 255 * 0.45, 3);
}

class RecorderDrawing : public RecorderFixture { };

TEST_F(RecorderDrawing, IdleLooksOfBothStyles)
{
    window->makeFirstResponder(nullptr);
    for (int style : { 0, 1 }) {
        recorder->setStyle(style);
        recorder->setKeyCombo({ CommandKeyMask, krCodeK });
        window->display();
        const QImage image = window->snapshot();
        // Window y runs up, the snapshot's down; the recorder spans x 20..220, y 30..52.
        const int top = image.height() - 52;
        EXPECT_TRUE(test::pixelIs(image, 30, top + 11, Qt::white, 8)) << "field, style " << style;
        // Off the cross, inside the box's oval.
        EXPECT_LT(test::pixel(image, 220 - 18 + 2, top + 11).lightness(), 215) << "remove box, style " << style;
    }
}

TEST_F(RecorderDrawing, RecordingLookOfStyleZero)
{
    startRecording();
    window->display();
    const QImage image = window->snapshot();
    const int top = image.height() - 52;
    EXPECT_TRUE(test::pixelIs(image, 40, top + 11, Qt::white, 8)) << "inner field";
    const QColor edge = test::pixel(image, 210, top + 2);
    EXPECT_GT(edge.saturation(), 60) << "recording gradient behind the snap-back arrow: " << test::describe(edge);
}

TEST_F(RecorderDrawing, StyleOneSlidesTheRecordingLookIn)
{
    test::ManualClockScope clock;
    recorder->setStyle(1);
    recorder->setAnimates(true);
    startRecording();
    for (int i = 0; i < 11; ++i)
        clock.advance(KRRecorderCell::TickInterval);
    ASSERT_TRUE(cell().isRecording());
    window->display();
    const QImage image = window->snapshot();
    const int top = image.height() - 52;
    // The snap-back box (grey gradient) sits at the right end once the look has slid in.
    const QColor box = test::pixel(image, 20 + 200 - 3, top + 11);
    EXPECT_LT(box.lightness(), 245) << test::describe(box);
    EXPECT_TRUE(test::pixelIs(image, 40, top + 11, Qt::white, 8)) << "field";
}

} // namespace
