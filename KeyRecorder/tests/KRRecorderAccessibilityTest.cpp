// A shortcut recorder through Qt's accessibility: a field reading the shortcut, and its clear button.

#include "KRRecorderTestSupport.h"

#include "kit/appkit/Accessibility.h"
#include "kit/appkit/AccessibilityBridge.h"
#include "kit/foundation/RunLoop.h"
#include "kit/tests/AccessibilityTestSupport.h"

#include <QAccessible>
#include <QAccessibleActionInterface>

#include <utility>

namespace {

using namespace kit;
using krtest::krCodeK;

class RecorderAccessibility : public krtest::RecorderFixture {
protected:
    QAccessibleInterface* field() const { return AccessibilityBridge::interfaceFor(recorder->accessibilityElement()); }
    // The field's buttons (its other child is the news a reader is told).
    std::vector<QAccessibleInterface*> buttons() const
    {
        std::vector<QAccessibleInterface*> found;
        for (int i = 0; i < field()->childCount(); ++i)
            if (field()->child(i)->role() == QAccessible::Button)
                found.push_back(field()->child(i));
        return found;
    }
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
    EXPECT_TRUE(buttons().empty());

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
    ASSERT_EQ(buttons().size(), 1u);
    QAccessibleInterface* clear = buttons()[0];
    EXPECT_EQ(clear->role(), QAccessible::Button);
    EXPECT_EQ(clear->text(QAccessible::Name), QStringLiteral("Clear shortcut"));
    EXPECT_EQ(clear->parent(), f);
    const QPoint centre = clear->rect().center();
    EXPECT_EQ(f->childAt(centre.x(), centre.y()), clear);
    clear->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    kit::RunLoop::main().runPending(); // the action follows the call
    EXPECT_EQ(recorder->keyCombo(), (KRKeyCombo { 0, -1 }));
    EXPECT_TRUE(buttons().empty());
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

// A reader drops a text change it cannot tie to a key (Space starts recording, a key ends it): each
// result is also told as news, a notification named by what the field now says.
QStringList& krToldNews()
{
    static QStringList told;
    return told;
}

// What a notification says as it shows, taken as it happens.
void krRecordNews(const QAccessibleEvent& event)
{
    if (event.type() == QAccessible::ObjectShow && event.accessibleInterface()->role() == QAccessible::Notification)
        krToldNews() << event.accessibleInterface()->text(QAccessible::Name);
}

TEST_F(RecorderAccessibility, EachResultIsToldAsNews)
{
    AccessibilityBridge::setEventObserverForTesting(krRecordNews);
    field();
    const auto news = [] { return std::exchange(krToldNews(), {}); };
    krToldNews().clear();
    startRecording();
    EXPECT_EQ(news(), QStringList { QStringLiteral("Type shortcut") });
    press(krCodeK, QStringLiteral("k"), CommandKeyMask | ShiftKeyMask);
    EXPECT_EQ(news(), QStringList { QStringLiteral("Shift+Ctrl+K") });
    startRecording();
    press(53, QString(QChar(0x1B)));
    EXPECT_EQ(news(), (QStringList { QStringLiteral("Type shortcut"), QStringLiteral("Shift+Ctrl+K") })) << "a cancel tells the shortcut kept";
    recorder->keyDown(*krtest::krKey(51, QString(QChar(0x7F)), 0));
    EXPECT_EQ(news(), QStringList { QStringLiteral("Click to record shortcut") }) << "cleared";
    for (int i = 0; i < field()->childCount(); ++i)
        EXPECT_FALSE(field()->child(i)->state().focused) << "one focused element: the field";
    AccessibilityBridge::setEventObserverForTesting(nullptr);
}

} // namespace
