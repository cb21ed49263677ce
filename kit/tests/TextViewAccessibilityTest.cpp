// A text view as a screen reader meets it through Qt's accessibility: a multi-line text area with
// its text, caret and selection, edits that go the way the user's own do, a text update for every
// change of its text, and focus; the window's field editor stays out of sight behind its field.

#include "kit/appkit/Accessibility.h"
#include "kit/appkit/AccessibilityBridge.h"
#include "kit/appkit/KeyCodes.h"
#include "kit/appkit/ScrollView.h"
#include "kit/controls/TextField.h"
#include "kit/tests/AccessibilityTestSupport.h"
#include "kit/tests/ControlsTestSupport.h"
#include "kit/tests/TextViewTestSupport.h"
#include "kit/testsupport/CallRecorder.h"
#include "kit/text/TextStorage.h"
#include "kit/text/TextView.h"

#include <QAccessible>
#include <QAccessibleActionInterface>

#include <gtest/gtest.h>

namespace text_view_accessibility_test {

using namespace kit;
using test::CallRecorder;
using test::ControlWindow;
using test::events;
using test::eventsOf;
using test::PipelineDelegate;
using test::recordEvent;

// A text view as a scroll view's document, the way a feedback form shows one.
class TextViewAccessibility : public testing::Test {
protected:
    void SetUp() override
    {
        AccessibilityBridge::setEventObserverForTesting(recordEvent);
        events().clear();
        scroll = make<ScrollView>(MakeRect(10, 10, 300, 200));
        scroll->setHasVerticalScroller(true);
        view = make<TextView>(MakeRect(0, 0, 280, 200));
        scroll->setDocumentView(view.get());
        w.content->addSubview(scroll.get());
        view->setString(QStringLiteral("Line one\nLine two"));
        view->setDelegate(delegate.get());
        iface = AccessibilityBridge::interfaceFor(Value(view));
    }
    void TearDown() override
    {
        view->setDelegate(nullptr);
        AccessibilityBridge::setEventObserverForTesting(nullptr);
    }

    ControlWindow w { Size { 400, 300 } };
    Ref<ScrollView> scroll;
    Ref<TextView> view;
    Ref<PipelineDelegate> delegate = make<PipelineDelegate>();
    QAccessibleInterface* iface = nullptr;
};

TEST_F(TextViewAccessibility, ItIsAMultiLineTextAreaShownOnceWithItsText)
{
    ASSERT_NE(iface, nullptr);
    EXPECT_EQ(AccessibilityAttributeValue(Value(view), AccessibilityRoleAttribute).stringValue(), QStringLiteral("AXTextArea"));
    EXPECT_EQ(AccessibilityRoleDescriptionForUIElement(Value(view)), QStringLiteral("text entry area"));
    EXPECT_TRUE(AccessibilityAttributeValue(Value(view), AccessibilityPlaceholderValueAttribute).isNil());
    EXPECT_EQ(iface->role(), QAccessible::EditableText);
    EXPECT_TRUE(iface->state().multiLine);
    EXPECT_TRUE(iface->state().editable);
    EXPECT_FALSE(iface->state().readOnly);
    EXPECT_EQ(iface->text(QAccessible::Value), QStringLiteral("Line one\nLine two"));
    // Untitled, it is named by its tool tip, as controls are.
    EXPECT_EQ(iface->text(QAccessible::Name), QString());
    view->setToolTip(QStringLiteral("Notes"));
    EXPECT_EQ(iface->text(QAccessible::Name), QStringLiteral("Notes"));

    // The scroll view, its clip view and its scrollers stand for nothing: the text area is the
    // window's one element.
    QAccessibleInterface* host = AccessibilityBridge::interfaceFor(Value(w.window));
    ASSERT_EQ(host->childCount(), 1);
    EXPECT_EQ(host->child(0), iface);
    EXPECT_EQ(iface->parent(), host);

    // Read-only text is still read and selected, but takes no edits.
    view->setEditable(false);
    EXPECT_FALSE(iface->state().editable);
    EXPECT_TRUE(iface->state().readOnly);
    EXPECT_NE(iface->textInterface(), nullptr);
    EXPECT_EQ(iface->editableTextInterface(), nullptr);
    EXPECT_TRUE(AccessibilityIsAttributeSettable(Value(view), AccessibilitySelectedTextRangeAttribute));
    iface->setText(QAccessible::Value, QStringLiteral("Gone"));
    EXPECT_EQ(view->string(), QStringLiteral("Line one\nLine two"));
}

TEST_F(TextViewAccessibility, TextCaretAndSelectionReadAsTheViewHasThem)
{
    QAccessibleTextInterface* text = iface->textInterface();
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->characterCount(), 17);
    EXPECT_EQ(text->text(5, 8), QStringLiteral("one"));
    EXPECT_EQ(text->text(9, 17), QStringLiteral("Line two"));
    // setString leaves the caret at the end.
    EXPECT_EQ(text->cursorPosition(), 17);
    EXPECT_EQ(text->selectionCount(), 0);

    view->setSelectedRange({ 14, 3 });
    EXPECT_EQ(text->selectionCount(), 1);
    int start = -1, end = -1;
    text->selection(0, &start, &end);
    EXPECT_EQ(start, 14);
    EXPECT_EQ(end, 17);
    EXPECT_EQ(text->cursorPosition(), 17);
    EXPECT_EQ(AccessibilityAttributeValue(Value(view), AccessibilitySelectedTextRangeAttribute).rangeValue(), (Range { 14, 3 }));
}

TEST_F(TextViewAccessibility, MovingTheCaretOrSelectionGoesThroughTheViewsSelectionHook)
{
    QAccessibleTextInterface* text = iface->textInterface();
    ASSERT_NE(text, nullptr);
    delegate->calls.clear();
    text->setSelection(0, 0, 4);
    EXPECT_EQ(view->selectedRange(), (Range { 0, 4 }));
    text->setCursorPosition(9);
    EXPECT_EQ(view->selectedRange(), (Range { 9, 0 }));
    // Beyond the text: clamped to its end.
    text->setCursorPosition(99);
    EXPECT_EQ(view->selectedRange(), (Range { 17, 0 }));
    EXPECT_EQ(delegate->calls.only({ QStringLiteral("willChangeSelection") }),
        (QStringList { QStringLiteral("willChangeSelection {0,4}"), QStringLiteral("willChangeSelection {9,0}"),
            QStringLiteral("willChangeSelection {17,0}") }));

    // Text that cannot be selected keeps its selection.
    view->setSelectable(false);
    EXPECT_FALSE(AccessibilityIsAttributeSettable(Value(view), AccessibilitySelectedTextRangeAttribute));
    text->setSelection(0, 0, 4);
    EXPECT_EQ(view->selectedRange(), (Range { 17, 0 }));
}

TEST_F(TextViewAccessibility, EditsAreUserChangesTheDelegateMayRefuse)
{
    QAccessibleEditableTextInterface* editable = iface->editableTextInterface();
    ASSERT_NE(editable, nullptr);
    delegate->calls.clear();
    editable->insertText(4, QStringLiteral("s"));
    EXPECT_EQ(view->string(), QStringLiteral("Lines one\nLine two"));
    editable->replaceText(6, 9, QStringLiteral("1"));
    EXPECT_EQ(view->string(), QStringLiteral("Lines 1\nLine two"));
    editable->deleteText(0, 8);
    EXPECT_EQ(view->string(), QStringLiteral("Line two"));
    // Each edit is asked about as the change it makes, and heard of after it is made.
    EXPECT_EQ(delegate->calls.only({ QStringLiteral("shouldChange"), QStringLiteral("textDidChange") }),
        (QStringList { QStringLiteral("shouldChange {4,0} \"s\""), QStringLiteral("textDidChange"),
            QStringLiteral("shouldChange {6,3} \"1\""), QStringLiteral("textDidChange"), QStringLiteral("shouldChange {0,8} \"\""),
            QStringLiteral("textDidChange") }));
    // The caret follows the edit, as after typing.
    EXPECT_EQ(view->selectedRange(), (Range { 0, 0 }));

    // A new value as a whole is a user change too.
    iface->setText(QAccessible::Value, QStringLiteral("Line three"));
    EXPECT_EQ(view->string(), QStringLiteral("Line three"));
    EXPECT_EQ(delegate->calls.calls().last(), QStringLiteral("textDidChange"));

    delegate->allowChange = false;
    delegate->calls.clear();
    editable->insertText(0, QStringLiteral("x"));
    iface->setText(QAccessible::Value, QStringLiteral("Nothing"));
    EXPECT_EQ(view->string(), QStringLiteral("Line three"));
    EXPECT_FALSE(delegate->calls.calls().contains(QStringLiteral("textDidChange")));
}

TEST_F(TextViewAccessibility, EveryChangeOfTheTextIsAnnounced)
{
    events().clear();
    view->setString(QStringLiteral("New text"));
    ASSERT_EQ(eventsOf(QAccessible::TextUpdated).size(), 1u);
    EXPECT_EQ(eventsOf(QAccessible::TextUpdated).front(), iface);
    // An edit of the storage itself, and one the user makes.
    view->textStorage()->replaceCharactersInRangeWithString({ 0, 3 }, QStringLiteral("Old"));
    iface->editableTextInterface()->insertText(0, QStringLiteral(">"));
    EXPECT_EQ(eventsOf(QAccessible::TextUpdated).size(), 3u);
    EXPECT_EQ(iface->text(QAccessible::Value), QStringLiteral(">Old text"));
}

TEST_F(TextViewAccessibility, CaretAndSelectionMovesAreAnnounced)
{
    events().clear();
    view->setSelectedRange({ 3, 0 });
    EXPECT_EQ(eventsOf(QAccessible::TextCaretMoved), (std::vector<const QAccessibleInterface*> { iface }));
    EXPECT_TRUE(eventsOf(QAccessible::TextSelectionChanged).empty());
    // Selecting forward from there takes the caret to the selection's end.
    view->setSelectedRange({ 3, 4 });
    EXPECT_EQ(eventsOf(QAccessible::TextSelectionChanged), (std::vector<const QAccessibleInterface*> { iface }));
    EXPECT_EQ(eventsOf(QAccessible::TextCaretMoved).size(), 2u);
    // The same place again says nothing new; the selection given up does.
    view->setSelectedRange({ 3, 4 });
    EXPECT_EQ(eventsOf(QAccessible::TextCaretMoved).size(), 2u);
    view->setSelectedRange({ 7, 0 });
    EXPECT_EQ(eventsOf(QAccessible::TextSelectionChanged).size(), 2u);
    EXPECT_EQ(eventsOf(QAccessible::TextCaretMoved).size(), 2u);
}

TEST_F(TextViewAccessibility, ItTakesFocusAndFocusEventsNameIt)
{
    EXPECT_TRUE(iface->state().focusable);
    EXPECT_FALSE(iface->state().focused);
    events().clear();
    ASSERT_TRUE(w.window->makeFirstResponder(view.get()));
    ASSERT_FALSE(eventsOf(QAccessible::Focus).empty());
    EXPECT_EQ(eventsOf(QAccessible::Focus).back(), iface);
    EXPECT_TRUE(iface->state().focused);

    ASSERT_TRUE(w.window->makeFirstResponder(nullptr));
    ASSERT_NE(iface->actionInterface(), nullptr);
    ASSERT_TRUE(iface->actionInterface()->actionNames().contains(QAccessibleActionInterface::setFocusAction()));
    iface->actionInterface()->doAction(QAccessibleActionInterface::setFocusAction());
    EXPECT_EQ(w.window->firstResponder().get(), view.get());

    // Out of a window there is nothing to focus.
    auto loose = make<TextView>(MakeRect(0, 0, 100, 100));
    EXPECT_FALSE(AccessibilityIsAttributeSettable(Value(loose), AccessibilityFocusedAttribute));
}

TEST(FieldEditorAccessibility, TheFieldStandsForItsEditor)
{
    AccessibilityBridge::setEventObserverForTesting(recordEvent);
    ControlWindow w { Size { 300, 200 } };
    auto field = make<TextField>(MakeRect(10, 10, 200, 22));
    field->setStringValue(QStringLiteral("Lyon"));
    w.content->addSubview(field.get());
    const Value cell(field->cell());
    QAccessibleInterface* fieldInterface = AccessibilityBridge::interfaceFor(cell);
    events().clear();
    ASSERT_TRUE(w.window->makeFirstResponder(field.get()));
    const Ref<Responder> editor = field->currentEditor();
    ASSERT_TRUE(dynamic_cast<TextView*>(editor.get()));
    EXPECT_TRUE(AccessibilityIsIgnored(Value(editor)));
    EXPECT_EQ(fieldInterface->childCount(), 0);
    QAccessibleInterface* host = AccessibilityBridge::interfaceFor(Value(w.window));
    ASSERT_EQ(host->childCount(), 1);
    EXPECT_EQ(host->child(0), fieldInterface);
    ASSERT_FALSE(eventsOf(QAccessible::Focus).empty());
    EXPECT_EQ(eventsOf(QAccessible::Focus).back(), fieldInterface);
    // The caret the user moves in the editor moves in the field.
    events().clear();
    dynamic_cast<FieldEditing*>(editor.get())->setEditorSelectedRange({ 1, 0 });
    EXPECT_EQ(eventsOf(QAccessible::TextCaretMoved), (std::vector<const QAccessibleInterface*> { fieldInterface }));
    EXPECT_EQ(fieldInterface->textInterface()->cursorPosition(), 1);
    // Typing: the text change is heard before the caret that moves past it.
    events().clear();
    w.script->type("x");
    w.script->run();
    EXPECT_EQ(dynamic_cast<FieldEditing*>(editor.get())->editorString(), QStringLiteral("Lxyon"));
    std::vector<QAccessible::Event> heard;
    for (const auto& [type, target] : events())
        if (target == fieldInterface && (type == QAccessible::TextUpdated || type == QAccessible::TextCaretMoved))
            heard.push_back(type);
    EXPECT_EQ(heard, (std::vector<QAccessible::Event> { QAccessible::TextUpdated, QAccessible::TextCaretMoved }));
    AccessibilityBridge::setEventObserverForTesting(nullptr);
}

// A field the focus comes to is heard as focused first, with its label; its editor's selection of
// the whole text follows. Tab, Shift+Tab, and from a view that is no field.
TEST(FieldEditorAccessibility, TheFocusIsAnnouncedBeforeTheSelection)
{
    AccessibilityBridge::setEventObserverForTesting(recordEvent);
    ControlWindow w { Size { 300, 200 } };
    auto name = make<TextField>(MakeRect(10, 150, 200, 22));
    auto size = make<TextField>(MakeRect(10, 110, 200, 22));
    name->setStringValue(QStringLiteral("Bo"));
    size->setStringValue(QStringLiteral("12"));
    w.content->addSubview(name.get());
    w.content->addSubview(size.get());
    QAccessibleInterface* nameInterface = AccessibilityBridge::interfaceFor(Value(name->cell()));
    QAccessibleInterface* sizeInterface = AccessibilityBridge::interfaceFor(Value(size->cell()));
    const auto heardOn = [](const QAccessibleInterface* target) {
        std::vector<QAccessible::Event> heard;
        for (const auto& [type, to] : events())
            if (to == target && (type == QAccessible::Focus || type == QAccessible::TextSelectionChanged || type == QAccessible::TextCaretMoved))
                heard.push_back(type);
        return heard;
    };
    const std::vector<QAccessible::Event> focusThenSelection { QAccessible::Focus, QAccessible::TextSelectionChanged, QAccessible::TextCaretMoved };
    events().clear();
    ASSERT_TRUE(w.window->makeFirstResponder(name.get()));
    EXPECT_EQ(heardOn(nameInterface), focusThenSelection) << "made first responder";
    events().clear();
    w.script->key(KeyCodeTab);
    w.script->run();
    ASSERT_EQ(size->currentEditor(), w.window->firstResponder());
    EXPECT_EQ(heardOn(sizeInterface), focusThenSelection) << "Tab";
    // Back in a field whose whole text the reader last heard selected: the focus alone is news.
    events().clear();
    w.script->key(KeyCodeTab, {}, ShiftKeyMask);
    w.script->run();
    ASSERT_EQ(name->currentEditor(), w.window->firstResponder());
    EXPECT_EQ(heardOn(nameInterface), std::vector<QAccessible::Event> { QAccessible::Focus }) << "Shift+Tab";
    AccessibilityBridge::setEventObserverForTesting(nullptr);
}

} // namespace text_view_accessibility_test
