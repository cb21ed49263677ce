// A shortcut recorder through Qt's accessibility: a field reading the shortcut, and its clear button.

#include "KRRecorderTestSupport.h"

#include "kit/appkit/Accessibility.h"
#include "kit/appkit/AccessibilityBridge.h"
#include "kit/foundation/RunLoop.h"
#include "kit/tests/AccessibilityTestSupport.h"

#include <QAccessible>
#include <QAccessibleActionInterface>

namespace {

using namespace kit;
using krtest::krCodeK;

class RecorderAccessibility : public krtest::RecorderFixture {
protected:
    QAccessibleInterface* field() const { return AccessibilityBridge::interfaceFor(recorder->accessibilityElement()); }
};

TEST_F(RecorderAccessibility, AFocusableFieldWhoseTextIsTheShortcutOrItsPromptWhileEmpty)
{
    QAccessibleInterface* f = field();
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->role(), QAccessible::EditableText);
    EXPECT_TRUE(f->state().focusable);
    EXPECT_TRUE(f->state().focused);
    EXPECT_EQ(f->text(QAccessible::Value), QString());
    EXPECT_EQ(f->text(QAccessible::Description), QStringLiteral("Click to record shortcut"));
    EXPECT_EQ(f->childCount(), 0);

    recorder->setKeyCombo({ CommandKeyMask, krCodeK });
    const QString shown = QStringLiteral("Ctrl+K");
    EXPECT_EQ(f->text(QAccessible::Value), shown);
    ASSERT_NE(f->textInterface(), nullptr);
    EXPECT_EQ(f->textInterface()->text(0, f->textInterface()->characterCount()), shown);
    EXPECT_EQ(f->text(QAccessible::Description), QString());
    // Read-only: a shortcut is recorded by typing it, not by editing text.
    EXPECT_EQ(f->editableTextInterface(), nullptr);
}

TEST_F(RecorderAccessibility, TheClearButtonIsNamedAndEmptiesTheShortcut)
{
    recorder->setKeyCombo({ CommandKeyMask, krCodeK });
    QAccessibleInterface* f = field();
    ASSERT_EQ(f->childCount(), 1);
    QAccessibleInterface* clear = f->child(0);
    EXPECT_EQ(clear->role(), QAccessible::Button);
    EXPECT_EQ(clear->text(QAccessible::Name), QStringLiteral("Clear shortcut"));
    EXPECT_EQ(clear->parent(), f);
    const QPoint centre = clear->rect().center();
    EXPECT_EQ(f->childAt(centre.x(), centre.y()), clear);
    clear->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    kit::RunLoop::main().runPending(); // the action follows the call
    EXPECT_EQ(recorder->keyCombo(), (KRKeyCombo { 0, -1 }));
    EXPECT_EQ(f->childCount(), 0);
}

// A synthesiser reads glyphs by their names ("upwards white arrow, place of interest sign"): the
// field says the shortcut in this desktop's words instead.
TEST_F(RecorderAccessibility, TheShortcutIsReadInWords)
{
    struct Case {
        std::uint64_t flags;
        std::int16_t code;
        const char* spoken;
    };
    const Case cases[] = {
        { ShiftKeyMask | CommandKeyMask, krCodeK, "Shift+Ctrl+K" },
        { CommandKeyMask, krCodeK, "Ctrl+K" },
        { ControlKeyMask | AlternateKeyMask, krCodeK, "Alt+Super+K" },
        { CommandKeyMask, 51, "Ctrl+Backspace" },
        { ShiftKeyMask | CommandKeyMask, 123, "Shift+Ctrl+Left" },
        { CommandKeyMask | 0x800000, 96, "Ctrl+F5" },
    };
    for (const Case& c : cases) {
        recorder->setKeyCombo({ c.flags, c.code });
        EXPECT_EQ(field()->text(QAccessible::Value), QString::fromUtf8(c.spoken)) << c.spoken;
    }
}

// Recording changes what the field reads, and says so: a prompt, then the modifiers held.
TEST_F(RecorderAccessibility, RecordingIsAnnounced)
{
    recorder->setKeyCombo({ ShiftKeyMask | CommandKeyMask, krCodeK });
    QAccessibleInterface* f = field();
    EXPECT_EQ(f->text(QAccessible::Value), QStringLiteral("Shift+Ctrl+K"));
    AccessibilityBridge::setEventObserverForTesting(test::recordEvent);
    test::events().clear();
    startRecording();
    ASSERT_TRUE(cell().isRecording());
    EXPECT_EQ(test::eventsOf(QAccessible::TextUpdated), std::vector<const QAccessibleInterface*> { f });
    EXPECT_EQ(f->text(QAccessible::Value), QStringLiteral("Type shortcut"));
    test::events().clear();
    recorder->flagsChanged(*krtest::krKey(0, QString(), ShiftKeyMask | AlternateKeyMask, FlagsChanged));
    EXPECT_EQ(test::eventsOf(QAccessible::TextUpdated), std::vector<const QAccessibleInterface*> { f });
    EXPECT_EQ(f->text(QAccessible::Value), QStringLiteral("Shift+Alt"));
    AccessibilityBridge::setEventObserverForTesting(nullptr);
}

} // namespace
