// A shortcut recorder through Qt's accessibility: a field reading the shortcut, and its clear button.

#include "KRRecorderTestSupport.h"

#include "kit/appkit/Accessibility.h"
#include "kit/appkit/AccessibilityBridge.h"
#include "kit/foundation/RunLoop.h"

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
    const QString shown = cell().keyComboString();
    ASSERT_FALSE(shown.isEmpty());
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

} // namespace
