#include "kit/appkit/AccessibilityBridge.h"

#include "kit/appkit/Accessibility.h"
#include "kit/appkit/AccessibilityTable.h"
#include "kit/appkit/Screen.h"
#include "kit/appkit/View.h"
#include "kit/appkit/Window.h"
#include "kit/appkit/WindowHost.h"
#include "kit/linux/AccessibilityBusGuard.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QTextBoundaryFinder>
#include <QWindow>

#include <algorithm>
#include <climits>
#include <cmath>
#include <unordered_map>

namespace kit {

namespace accessibilitybridge {

// Protocol elements are keyed by their kit::Accessibility part (their destructor reports that
// one); views and windows by their object.
const void* keyOf(const Object& object)
{
    if (auto* a = dynamic_cast<const Accessibility*>(&object))
        return a;
    return &object;
}

std::unordered_map<const void*, QAccessible::Id>& interfaces()
{
    static std::unordered_map<const void*, QAccessible::Id> map;
    return map;
}

// An editable combo box's role (kit/controls answers it; appkit names no such role).
const QString comboBoxRole = QStringLiteral("AXComboBox");

QAccessible::Role roleFor(const QString& role)
{
    static const QHash<QString, QAccessible::Role> table {
        { comboBoxRole, QAccessible::ComboBox },
        { AccessibilityListRole, QAccessible::List },
        { AccessibilityListItemRole, QAccessible::ListItem },
        { AccessibilityImageRole, QAccessible::Graphic },
        { AccessibilityScrollBarRole, QAccessible::ScrollBar },
        // A scroll bar's knob: screen readers know no indicator, but read a slider's value.
        { AccessibilityValueIndicatorRole, QAccessible::Slider },
        { AccessibilityCheckBoxRole, QAccessible::CheckBox },
        { AccessibilityScrollAreaRole, QAccessible::Pane },
        { AccessibilityGroupRole, QAccessible::Grouping },
        { AccessibilityButtonRole, QAccessible::Button },
        { AccessibilityRadioButtonRole, QAccessible::RadioButton },
        { AccessibilityPopUpButtonRole, QAccessible::ButtonMenu },
        { AccessibilityTabGroupRole, QAccessible::PageTabList },
        { AccessibilityPageTabRole, QAccessible::PageTab },
        { AccessibilityStaticTextRole, QAccessible::StaticText },
        { AccessibilityTextFieldRole, QAccessible::EditableText },
        { AccessibilityTextAreaRole, QAccessible::EditableText },
        { AccessibilityWindowRole, QAccessible::Window },
        { AccessibilityIncrementorRole, QAccessible::SpinBox },
        { AccessibilityLevelIndicatorRole, QAccessible::Slider },
        { AccessibilitySliderRole, QAccessible::Slider },
        { AccessibilityTableRole, QAccessible::Table },
        { AccessibilityOutlineRole, QAccessible::Tree },
        { AccessibilityRowRole, QAccessible::Row },
        { AccessibilityCellRole, QAccessible::Cell },
        { AccessibilityProgressIndicatorRole, QAccessible::ProgressBar },
        { AccessibilityBusyIndicatorRole, QAccessible::Animation },
        { AccessibilityColorWellRole, QAccessible::ColorChooser },
        { AccessibilitySheetRole, QAccessible::Dialog },
    };
    return table.value(role, QAccessible::Client);
}

// Children one at a time: an element with many (a table's rows) makes only those Qt asks for.
int childCountOf(const Value& element) { return int(AccessibilityArrayAttributeCount(element, AccessibilityChildrenAttribute)); }

QAccessibleInterface* childOf(const Value& element, int index)
{
    // Qt passes a client's index on: an element need not cut its list to it.
    if (index < 0 || index >= childCountOf(element))
        return nullptr;
    const Array one = AccessibilityArrayAttributeValues(element, AccessibilityChildrenAttribute, index, 1);
    return one.isEmpty() ? nullptr : AccessibilityBridge::interfaceFor(one.objectAtIndex(0));
}

int indexOfChildOf(const Value& element, const QAccessibleInterface* child);

// What a screen reader speaks for a value: an absent string is an empty one, never "(null)".
QString spokenText(const Value& v)
{
    if (v.isString())
        return v.stringValue();
    if (v.isNumber())
        return QString::number(v.doubleValue());
    return {};
}

// A scroll bar's knob is named after its scroll bar ("vertical scroll bar"), as it moves it.
QString knobName(const Value& scrollBar)
{
    if (AccessibilityAttributeValue(scrollBar, AccessibilityRoleAttribute).stringValue() != AccessibilityScrollBarRole)
        return {};
    const QString orientation = AccessibilityAttributeValue(scrollBar, AccessibilityOrientationAttribute).stringValue();
    const QString bar = AccessibilityRoleDescription(AccessibilityScrollBarRole);
    if (orientation == AccessibilityHorizontalOrientationValue)
        return QStringLiteral("horizontal ") + bar;
    if (orientation == AccessibilityVerticalOrientationValue)
        return QStringLiteral("vertical ") + bar;
    return bar;
}

bool sameElement(const Value& a, const Value& b) { return a.isObject() && b.isObject() && a.object() == b.object(); }

// The step whose decimals show `value` as it is (1 for a whole number, 0.01 for 0.25): a reader
// prints a value with the decimals of its step, and one below 1 with one decimal without a step.
double stepOfDigits(double value)
{
    double step = 1;
    for (int digits = 0; digits < 6 && std::isfinite(value); ++digits, step /= 10)
        if (std::abs(value - std::round(value / step) * step) <= 1e-9 * std::max(1.0, std::abs(value)))
            break;
    return step;
}

// Whether the element lies wholly outside what shows of the nearest view or window it is part of
// (a scroll view's visible part, the window): a screen reader then finds it off screen.
bool outsideShownPart(const Value& element)
{
    Rect shown = ZeroRect;
    Value e = element;
    if (const Accessibility* a = dynamic_cast<const Accessibility*>(element.isObject() ? element.object().get() : nullptr))
        if (const Ref<View> drawing = a->accessibilityDrawingView())
            e = Value(drawing);
    for (int guard = 0; guard < 1000 && e.isObject(); ++guard) {
        if (const Ref<View> view = e.objectAs<View>()) {
            if (!view->window())
                return false;
            shown = AccessibilityScreenRectOfRectInView(*view, view->visibleRect());
            break;
        }
        if (const Ref<Window> window = e.objectAs<Window>()) {
            shown = window->frame();
            break;
        }
        e = AccessibilityAttributeValue(e, AccessibilityParentAttribute);
    }
    if (!e.isObject())
        return false;
    const Rect box { AccessibilityAttributeValue(element, AccessibilityPositionAttribute).pointValue(),
        AccessibilityAttributeValue(element, AccessibilitySizeAttribute).sizeValue() };
    return !IsEmptyRect(box) && !IntersectsRect(box, shown);
}

// The states a change of value may touch, those of `now` that differ from `before`. A check box's
// mixed state carries `checked` along: Qt 6.4's bus bridge passes on only that one, and a reader
// then reads the check box's state again.
QAccessible::State changedStates(QAccessible::State before, QAccessible::State now)
{
    QAccessible::State changed;
    changed.checked = before.checked != now.checked;
    changed.checkStateMixed = before.checkStateMixed != now.checkStateMixed;
    changed.checked = changed.checked || changed.checkStateMixed;
    changed.pressed = before.pressed != now.pressed;
    changed.busy = before.busy != now.busy;
    changed.selected = before.selected != now.selected;
    changed.expanded = before.expanded != now.expanded;
    changed.collapsed = before.collapsed != now.collapsed;
    return changed;
}

bool anyState(QAccessible::State s) { return s.checked || s.checkStateMixed || s.pressed || s.busy || s.selected || s.expanded || s.collapsed; }

QAccessibleInterface* hostInterfaceOf(const Ref<Window>& window)
{
    QWidget* host = window ? window->hostWidget() : nullptr;
    return host ? QAccessible::queryAccessibleInterface(host) : nullptr;
}

// One kit element, object-less.
class ElementInterface : public QAccessibleInterface,
                         public QAccessibleActionInterface,
                         public QAccessibleValueInterface,
                         public QAccessibleTextInterface,
                         public QAccessibleEditableTextInterface {
public:
    explicit ElementInterface(const Ref<Object>& element)
        : element_(element)
    { }

    Value element() const { return Value(element_.lock()); }
    bool isLive() const
    {
        const Value live = attribute(AccessibilityARIALiveAttribute);
        return live.isString() && !live.stringValue().isEmpty() && live.stringValue() != QStringLiteral("off");
    }
    bool has(const QString& attribute) const { return AccessibilityAttributeNames(element()).contains(attribute); }
    Value attribute(const QString& name) const { return AccessibilityAttributeValue(element(), name); }

    // QAccessibleInterface:
    bool isValid() const override { return static_cast<bool>(element_.lock()); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override
    {
        const Ref<Window> w = attribute(AccessibilityWindowAttribute).objectAs<Window>();
        QWidget* host = w ? w->hostWidget() : nullptr;
        if (QWindow* shown = host ? host->windowHandle() : nullptr)
            return shown;
        // Qt reads the window unchecked (a point in window coordinates): an element in none (a
        // label of a tab page not shown) answers the application's.
        if (QWindow* focused = QGuiApplication::focusWindow())
            return focused;
        const QWindowList all = QGuiApplication::topLevelWindows();
        return all.isEmpty() ? nullptr : all.first();
    }
    QAccessibleInterface* focusChild() const override
    {
        const Value focused = AccessibilityFocusedUIElement(element());
        return sameElement(focused, element()) ? nullptr : directChildOnPathTo(focused);
    }
    QAccessibleInterface* childAt(int x, int y) const override
    {
        const Point p = ScreenRectFromQt(QRectF(x, y, 0, 0)).origin;
        return directChildOnPathTo(AccessibilityHitTest(element(), p));
    }
    QAccessibleInterface* parent() const override
    {
        const Value up = attribute(AccessibilityParentAttribute);
        if (const Ref<Window> w = up.objectAs<Window>())
            return hostInterfaceOf(w);
        return AccessibilityBridge::interfaceFor(up);
    }
    QAccessibleInterface* child(int index) const override { return childOf(element(), index); }
    int childCount() const override { return childCountOf(element()); }
    int indexOfChild(const QAccessibleInterface* child) const override { return indexOfChildOf(element(), child); }
    QString text(QAccessible::Text t) const override
    {
        switch (t) {
        case QAccessible::Name: {
            if (!liveAddition.isEmpty() && isLive())
                return liveAddition;
            // A reader says a combo box's label (its Label relation), else its name, then its choice
            // (its text).
            if (role() == QAccessible::ComboBox) {
                if (const QString purpose = comboBoxPurpose(); !purpose.isEmpty())
                    return purpose;
                if (const QString choice = fullText(); !choice.isEmpty())
                    return choice;
            }
            if (QAccessibleInterface* label = titleElementInterface())
                return label->text(QAccessible::Name);
            const QString title = spokenText(attribute(AccessibilityTitleAttribute));
            // A label and a table's cell are named by what they show.
            if (title.isEmpty() && (isRole(AccessibilityStaticTextRole) || isRole(AccessibilityCellRole)))
                return fullText();
            if (title.isEmpty() && isRole(AccessibilityValueIndicatorRole))
                return knobName(attribute(AccessibilityParentAttribute));
            return title;
        }
        case QAccessible::Help:
            return spokenText(attribute(AccessibilityHelpAttribute));
        case QAccessible::Description: {
            const QString help = spokenText(attribute(AccessibilityHelpAttribute));
            // Qt 6.4's bus bridge publishes no value text for a colour chooser: it says its colour here.
            if (help.isEmpty() && isRole(AccessibilityColorWellRole))
                return spokenText(attribute(AccessibilityValueAttribute));
            // An empty field says what it is for.
            return help.isEmpty() && fullText().isEmpty() ? spokenText(attribute(AccessibilityPlaceholderValueAttribute)) : help;
        }
        case QAccessible::Value:
            return spokenText(attribute(AccessibilityValueAttribute));
        default:
            return {};
        }
    }
    // A settable text value takes the text, as if the user typed it.
    void setText(QAccessible::Text t, const QString& text) override
    {
        const Value e = element();
        if (t == QAccessible::Value && AccessibilityIsAttributeSettable(e, AccessibilityValueAttribute) && !attribute(AccessibilityValueAttribute).isNumber())
            AccessibilitySetValueForAttribute(e, Value(text), AccessibilityValueAttribute);
    }
    // Labelled by its title element.
    QList<std::pair<QAccessibleInterface*, QAccessible::Relation>> relations(QAccessible::Relation match) const override
    {
        QAccessibleInterface* label = titleElementInterface();
        if (!label || !(match & QAccessible::Label))
            return {};
        return { { label, QAccessible::Label } };
    }
    QRect rect() const override
    {
        // Position is the bottom-left corner, y up.
        const Point p = attribute(AccessibilityPositionAttribute).pointValue();
        const Size s = attribute(AccessibilitySizeAttribute).sizeValue();
        // A table of a hundred million rows is taller than an int reaches: cut it to what does.
        const double reach = double(1 << 30);
        const QRectF r = QtRectFromScreen(Rect { p, s });
        if (!std::isfinite(r.x()) || !std::isfinite(r.y()) || !std::isfinite(r.width()) || !std::isfinite(r.height()))
            return {};
        return r.intersected(QRectF(-reach, -reach, 2 * reach, 2 * reach)).toRect();
    }
    QAccessible::Role role() const override
    {
        const QString kind = attribute(AccessibilityRoleAttribute).stringValue();
        if (kind == AccessibilityRowRole && attribute(AccessibilitySubroleAttribute).stringValue() == AccessibilityOutlineRowSubrole)
            return QAccessible::TreeItem;
        // Qt 6.4 has no toggle-button role: a button that stays in reads as a check box, whose
        // state a reader speaks and announces.
        if (kind == AccessibilityButtonRole && attribute(AccessibilityCheckedAttribute).isNumber())
            return QAccessible::CheckBox;
        // A pop-up that shows a choice is a combo box: Qt renames one on the bus when its value
        // changes, and a reader says its label (the Label relation) and its name, the choice.
        if (kind == AccessibilityPopUpButtonRole && attribute(AccessibilityValueAttribute).isString())
            return QAccessible::ComboBox;
        // Qt 6.4 publishes no live-region attributes and no announcements, but a reader speaks
        // a notification that shows: a live region is one, shown again when its text changes.
        if (isLive())
            return QAccessible::Notification;
        return roleFor(kind);
    }
    QAccessible::State state() const override
    {
        QAccessible::State s;
        s.focusable = AccessibilityIsAttributeSettable(element(), AccessibilityFocusedAttribute);
        s.focused = attribute(AccessibilityFocusedAttribute).boolValue();
        if (has(AccessibilityEnabledAttribute))
            s.disabled = !attribute(AccessibilityEnabledAttribute).boolValue();
        if (has(AccessibilitySelectedAttribute)) {
            s.selectable = true;
            s.selected = attribute(AccessibilitySelectedAttribute).boolValue();
        }
        // Check boxes and radio buttons: off 0, on 1, mixed 2.
        if (isCheckBox() || isRole(AccessibilityRadioButtonRole)) {
            const std::int64_t v = attribute(AccessibilityValueAttribute).integerValue();
            s.checkable = true;
            s.checked = v == 1;
            s.checkStateMixed = v == 2;
        }
        if (const Value in = attribute(AccessibilityCheckedAttribute); in.isNumber()) {
            s.checkable = true;
            s.checked = in.boolValue();
            s.pressed = in.boolValue() && !isRole(AccessibilityRadioButtonRole);
        }
        s.busy = isRole(AccessibilityBusyIndicatorRole);
        // Text fields, and cells of a table that edits them, take text.
        if (isTextField() || role() == QAccessible::Cell)
            s.editable = AccessibilityIsAttributeSettable(element(), AccessibilityValueAttribute);
        if (isRole(AccessibilityTextAreaRole)) {
            s.multiLine = true;
            s.readOnly = !s.editable;
        }
        if (AccessibilityIsAttributeSettable(element(), AccessibilityDisclosingAttribute)) {
            s.expandable = true;
            s.expanded = attribute(AccessibilityDisclosingAttribute).boolValue();
            s.collapsed = !s.expanded;
        }
        // Among a parent's children, those it does not list as visible are off screen.
        const Value up = attribute(AccessibilityParentAttribute);
        if (AccessibilityAttributeNames(up).contains(AccessibilityVisibleChildrenAttribute)) {
            const Value visible = AccessibilityAttributeValue(up, AccessibilityVisibleChildrenAttribute);
            bool listed = false;
            if (visible.isArray())
                for (const Value& v : visible.array())
                    listed = listed || sameElement(v, element());
            s.offscreen = !listed;
        }
        s.offscreen = s.offscreen || outsideShownPart(element());
        return s;
    }
    void* interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::ActionInterface && !actionNames().isEmpty())
            return static_cast<QAccessibleActionInterface*>(this);
        if (type == QAccessible::ValueInterface && !isCheckBox() && !isRole(AccessibilityRadioButtonRole)
            && attribute(AccessibilityValueAttribute).isNumber())
            return static_cast<QAccessibleValueInterface*>(this);
        if (type == QAccessible::TextInterface && isText())
            return static_cast<QAccessibleTextInterface*>(this);
        // Qt reaches the editable text through the text interface.
        // A pop-up's choice is read, never typed; an editable combo box's text is typed.
        if (type == QAccessible::EditableTextInterface && isText() && (role() != QAccessible::ComboBox || isTextField())
            && AccessibilityIsAttributeSettable(element(), AccessibilityValueAttribute))
            return static_cast<QAccessibleEditableTextInterface*>(this);
        if (type == QAccessible::TableInterface || type == QAccessible::TableCellInterface)
            return AccessibilityTableInterfaceCast(element(), type, tableAdapter_);
        return nullptr;
    }

    // QAccessibleActionInterface:
    QStringList actionNames() const override
    {
        QStringList names;
        const Value e = element();
        if (AccessibilityActionNames(e).contains(AccessibilityPressAction) || AccessibilityIsAttributeSettable(e, AccessibilitySelectedAttribute))
            names << pressAction();
        if ((isCheckBox() && AccessibilityIsAttributeSettable(e, AccessibilityValueAttribute))
            || AccessibilityIsAttributeSettable(e, AccessibilityDisclosingAttribute))
            names << toggleAction();
        const QStringList own = AccessibilityActionNames(e);
        if (own.contains(AccessibilityIncrementAction))
            names << increaseAction();
        if (own.contains(AccessibilityDecrementAction))
            names << decreaseAction();
        if (own.contains(AccessibilityShowMenuAction))
            names << showMenuAction();
        if (AccessibilityIsAttributeSettable(e, AccessibilityFocusedAttribute))
            names << setFocusAction();
        return names;
    }
    void doAction(const QString& action) override
    {
        // A press or a menu may run a modal session (a dialog, a menu): the client's call returns
        // first, and the action follows at the next turn of the loop, as a click would.
        if (action == pressAction() || action == showMenuAction()) {
            QMetaObject::invokeMethod(
                QCoreApplication::instance(),
                [weak = element_, action] {
                    if (const Ref<Object> e = weak.lock())
                        performAction(Value(e), action);
                },
                Qt::QueuedConnection);
            return;
        }
        performAction(element(), action);
    }
    static void performAction(const Value& e, const QString& action)
    {
        if (action == pressAction()) {
            if (AccessibilityActionNames(e).contains(AccessibilityPressAction))
                AccessibilityPerformAction(e, AccessibilityPressAction);
            else if (AccessibilityIsAttributeSettable(e, AccessibilitySelectedAttribute))
                AccessibilitySetValueForAttribute(e, Value(true), AccessibilitySelectedAttribute);
        } else if (action == toggleAction()) {
            const QString& which = AccessibilityIsAttributeSettable(e, AccessibilityDisclosingAttribute) ? AccessibilityDisclosingAttribute
                                                                                                          : AccessibilityValueAttribute;
            AccessibilitySetValueForAttribute(e, Value(!AccessibilityAttributeValue(e, which).boolValue()), which);
        } else if (action == increaseAction()) {
            AccessibilityPerformAction(e, AccessibilityIncrementAction);
        } else if (action == decreaseAction()) {
            AccessibilityPerformAction(e, AccessibilityDecrementAction);
        } else if (action == showMenuAction()) {
            AccessibilityPerformAction(e, AccessibilityShowMenuAction);
        } else if (action == setFocusAction()) {
            AccessibilitySetValueForAttribute(e, Value(true), AccessibilityFocusedAttribute);
        }
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

    // QAccessibleValueInterface (writable when the element lets its value be set):
    QVariant currentValue() const override { return attribute(AccessibilityValueAttribute).doubleValue(); }
    // A client's number may be anything: only a finite one, into the range, reaches the element.
    void setCurrentValue(const QVariant& value) override
    {
        const Value e = element();
        double v = value.toDouble();
        if (!std::isfinite(v) || !AccessibilityIsAttributeSettable(e, AccessibilityValueAttribute))
            return;
        if (const Value min = attribute(AccessibilityMinValueAttribute); min.isNumber())
            v = std::max(v, min.doubleValue());
        if (const Value max = attribute(AccessibilityMaxValueAttribute); max.isNumber())
            v = std::min(v, max.doubleValue());
        AccessibilitySetValueForAttribute(e, Value(v), AccessibilityValueAttribute);
    }
    QVariant maximumValue() const override { return attribute(AccessibilityMaxValueAttribute).doubleValue(); }
    QVariant minimumValue() const override { return attribute(AccessibilityMinValueAttribute).doubleValue(); }
    QVariant minimumStepSize() const override { return stepOfDigits(attribute(AccessibilityValueAttribute).doubleValue()); }

    // QAccessibleTextInterface: the value as text; the caret and selection while it is edited.
    QString fullText() const { return spokenText(attribute(AccessibilityValueAttribute)); }
    Range selectedRange() const
    {
        const Value v = attribute(AccessibilitySelectedTextRangeAttribute);
        const qsizetype count = fullText().size();
        if (v.kind() != Value::Kind::Range)
            return { 0, 0 };
        const Range r = v.rangeValue();
        const std::int64_t start = std::clamp<std::int64_t>(r.location, 0, count);
        return { start, std::clamp<std::int64_t>(r.length, 0, count - start) };
    }
    void selectRange(int start, int end)
    {
        const Value e = element();
        const int count = characterCount();
        start = std::clamp(start, 0, count);
        end = std::clamp(end, 0, count);
        if (AccessibilityIsAttributeSettable(e, AccessibilitySelectedTextRangeAttribute))
            AccessibilitySetValueForAttribute(e, Value(Range { std::min(start, end), std::abs(end - start) }), AccessibilitySelectedTextRangeAttribute);
    }
    void selection(int selectionIndex, int* startOffset, int* endOffset) const override
    {
        const Range r = selectedRange();
        const bool any = selectionIndex == 0 && r.length > 0;
        *startOffset = any ? int(r.location) : 0;
        *endOffset = any ? int(r.location + r.length) : 0;
    }
    int selectionCount() const override { return selectedRange().length > 0 ? 1 : 0; }
    void addSelection(int startOffset, int endOffset) override { selectRange(startOffset, endOffset); }
    void removeSelection(int selectionIndex) override
    {
        if (selectionIndex == 0)
            setCursorPosition(cursorPosition());
    }
    void setSelection(int selectionIndex, int startOffset, int endOffset) override
    {
        if (selectionIndex == 0)
            selectRange(startOffset, endOffset);
    }
    int cursorPosition() const override
    {
        const Range r = selectedRange();
        return int(r.location + r.length);
    }
    void setCursorPosition(int position) override { selectRange(position, position); }
    QString text(int startOffset, int endOffset) const override
    {
        const QString all = fullText();
        startOffset = std::clamp(startOffset, 0, int(all.size()));
        endOffset = std::clamp(endOffset, startOffset, int(all.size()));
        return all.mid(startOffset, endOffset - startOffset);
    }
    int characterCount() const override { return int(fullText().size()); }
    // Qt's own walks past the end for ever when asked for the word or sentence at the end (a
    // client's -1 is the end): the last character's stands for it.
    QString textAtOffset(int offset, QAccessible::TextBoundaryType type, int* startOffset, int* endOffset) const override
    {
        const int count = characterCount();
        if (offset == -1 || offset > count)
            offset = count;
        if (type != QAccessible::CharBoundary && offset == count && count > 0)
            offset = count - 1;
        if (type == QAccessible::WordBoundary || type == QAccessible::SentenceBoundary)
            return AccessibilityBridge::textAtOffset(fullText(), offset, type, startOffset, endOffset);
        return QAccessibleTextInterface::textAtOffset(offset, type, startOffset, endOffset);
    }
    QRect characterRect(int) const override { return {}; }
    int offsetAtPoint(const QPoint&) const override { return -1; }
    void scrollToSubstring(int, int) override { }
    QString attributes(int, int* startOffset, int* endOffset) const override
    {
        *startOffset = 0;
        *endOffset = characterCount();
        return {};
    }

    // QAccessibleEditableTextInterface: an edit sets the whole new value, as the user's own would.
    void deleteText(int startOffset, int endOffset) override { replaceText(startOffset, endOffset, QString()); }
    void insertText(int offset, const QString& text) override { replaceText(offset, offset, text); }
    void replaceText(int startOffset, int endOffset, const QString& text) override
    {
        const Value e = element();
        QString all = fullText();
        const int start = std::clamp(startOffset, 0, int(all.size()));
        const int end = std::clamp(endOffset, start, int(all.size()));
        // Qt counts characters in an int: a text that would grow past that is refused.
        if (all.size() - (end - start) + text.size() > qsizetype(INT_MAX))
            return;
        // An element that replaces its selection edits in place, as the user selecting and typing.
        if (AccessibilityIsAttributeSettable(e, AccessibilitySelectedTextAttribute)) {
            selectRange(startOffset, endOffset);
            AccessibilitySetValueForAttribute(e, Value(text), AccessibilitySelectedTextAttribute);
            return;
        }
        all.replace(start, end - start, text);
        AccessibilitySetValueForAttribute(element(), Value(all), AccessibilityValueAttribute);
    }

    // The text last announced, so an update says what it replaced; the selection and the states
    // likewise.
    QString announcedText;
    // What a live region's last change added: its name, which a reader speaks when it shows again.
    QString liveAddition;
    Range announcedSelection { 0, 0 };
    QAccessible::State announcedState;

private:
    bool isRole(const QString& role) const { return attribute(AccessibilityRoleAttribute).stringValue() == role; }
    // The interface of the element that names this one; null without one (or when it is this one).
    QAccessibleInterface* titleElementInterface() const
    {
        const Value title = attribute(AccessibilityTitleUIElementAttribute);
        return title.isObject() && !sameElement(title, element()) ? AccessibilityBridge::interfaceFor(title) : nullptr;
    }
    // What a combo box without a label is for: a title of its own that is not the choice.
    QString comboBoxPurpose() const
    {
        const QString own = titleElementInterface() ? QString() : spokenText(attribute(AccessibilityTitleAttribute));
        return own != fullText() ? own : QString();
    }
    // A live region is named by its text and has no text of its own: a reader would say it twice.
    bool isText() const
    {
        // A pop-up's text is its choice: a reader reads a combo box's value there.
        return (isRole(AccessibilityStaticTextRole) || isTextField() || isRole(AccessibilityCellRole) || role() == QAccessible::ComboBox)
            && !isLive();
    }

    bool isCheckBox() const { return attribute(AccessibilityRoleAttribute).stringValue() == AccessibilityCheckBoxRole; }
    bool isTextField() const { return isRole(AccessibilityTextFieldRole) || isRole(AccessibilityTextAreaRole) || isRole(comboBoxRole); }

    // The child of this element on the way up from `target`; null when `target` is not below it.
    QAccessibleInterface* directChildOnPathTo(Value target) const
    {
        const Value self = element();
        for (int guard = 0; guard < 1000 && target.isObject(); ++guard) {
            const Value up = AccessibilityAttributeValue(target, AccessibilityParentAttribute);
            if (sameElement(up, self))
                return AccessibilityBridge::interfaceFor(target);
            target = up;
        }
        return nullptr;
    }

    Weak<Object> element_;
    AccessibilityTableAdapterPtr tableAdapter_;
};

// A window's host widget: its children are the window's unignored elements.
class HostInterface : public QAccessibleWidget {
public:
    HostInterface(WindowHost* host)
        : QAccessibleWidget(host, QAccessible::Window)
        , host_(host)
    { }

    Value windowValue() const { return Value(host_->window()); }
    int childCount() const override { return childCountOf(windowValue()); }
    QAccessibleInterface* child(int index) const override { return childOf(windowValue(), index); }
    int indexOfChild(const QAccessibleInterface* child) const override { return indexOfChildOf(windowValue(), child); }
    QAccessibleInterface* childAt(int x, int y) const override
    {
        const Point p = ScreenRectFromQt(QRectF(x, y, 0, 0)).origin;
        Value target = AccessibilityHitTest(windowValue(), p);
        for (int guard = 0; guard < 1000 && target.isObject(); ++guard) {
            const Value up = AccessibilityAttributeValue(target, AccessibilityParentAttribute);
            if (up.objectAs<Window>())
                return AccessibilityBridge::interfaceFor(target);
            target = up;
        }
        return nullptr;
    }
    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name)
            if (const Ref<Window> w = host_->window())
                return w->title();
        return QAccessibleWidget::text(t);
    }
    // A sheet is a dialog of the window it is up over.
    QAccessible::Role role() const override
    {
        return roleFor(AccessibilityAttributeValue(windowValue(), AccessibilityRoleAttribute).stringValue()) == QAccessible::Dialog
            ? QAccessible::Dialog
            : QAccessible::Window;
    }
    QAccessibleInterface* parent() const override
    {
        if (const Ref<Window> up = AccessibilityAttributeValue(windowValue(), AccessibilityParentAttribute).objectAs<Window>())
            return hostInterfaceOf(up);
        return QAccessibleWidget::parent();
    }
    // Qt's focus stays on the host for every element of the window: the window itself reads
    // focused only while none of them has the kit's.
    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        if (s.focused && !AccessibilityFocusedUIElement(windowValue()).objectAs<Window>())
            s.focused = false;
        return s;
    }

private:
    WindowHost* host_;
};

int indexOfChildOf(const Value& element, const QAccessibleInterface* child)
{
    // Our own interfaces know their element; asking the parent for its index spares a walk.
    std::int64_t index = -1;
    if (const auto* ours = dynamic_cast<const ElementInterface*>(child))
        index = AccessibilityIndexOfChild(element, ours->element());
    else if (const auto* sheet = dynamic_cast<const HostInterface*>(child))
        index = AccessibilityIndexOfChild(element, sheet->windowValue());
    return index <= INT_MAX ? int(index) : -1;
}

QAccessibleInterface* hostFactory(const QString&, QObject* object)
{
    if (auto* host = dynamic_cast<WindowHost*>(object))
        return new HostInterface(host);
    return nullptr;
}

AccessibilityBridge::EventObserver& eventObserver()
{
    static AccessibilityBridge::EventObserver observer = nullptr;
    return observer;
}

void notify(QAccessibleEvent& event)
{
    if (const auto observer = eventObserver())
        observer(event);
    QAccessible::updateAccessibility(&event);
}

void sendEvent(const void* key, QAccessible::Event type)
{
    const auto it = interfaces().find(key);
    if (it == interfaces().end() || !QCoreApplication::instance())
        return;
    if (QAccessibleInterface* iface = QAccessible::accessibleInterface(it->second)) {
        QAccessibleEvent event(iface, type);
        notify(event);
    }
}

} // namespace accessibilitybridge

namespace accessibilitybridge {

// Qt asks the most recently installed factory first, and the application installs one for every
// widget when it starts: ours goes in again after it, and again whenever accessibility turns on
// (before any client asks).
void reinstallFactory()
{
    QAccessible::removeFactory(hostFactory);
    QAccessible::installFactory(hostFactory);
}

class FactoryKeeper : public QAccessible::ActivationObserver {
public:
    void accessibilityActiveChanged(bool active) override
    {
        if (!active)
            return;
        reinstallFactory();
        AccessibilityBusGuard::takeOverSoon();
    }
};

} // namespace accessibilitybridge

void AccessibilityBridge::install()
{
    static accessibilitybridge::FactoryKeeper keeper;
    static bool observing = false;
    static bool afterApplication = false;
    if (!observing) {
        QAccessible::installActivationObserver(&keeper);
        observing = true;
    }
    if (afterApplication)
        return;
    accessibilitybridge::reinstallFactory();
    afterApplication = QCoreApplication::instance() != nullptr;
}

void AccessibilityBridge::putFactoryFirst()
{
    install();
    accessibilitybridge::reinstallFactory();
}

namespace accessibilitybridge {
// Qt may ask for a host widget's interface before any kit code runs.
const bool installedAtLoad = (AccessibilityBridge::install(), true);
} // namespace accessibilitybridge

QAccessibleInterface* AccessibilityBridge::interfaceFor(const Value& element)
{
    const Ref<Object> object = element.isObject() ? element.object() : nullptr;
    if (!object)
        return nullptr;
    install();
    if (const Ref<Window> w = dynamic_pointer_cast<Window>(object))
        return accessibilitybridge::hostInterfaceOf(w);
    const void* key = accessibilitybridge::keyOf(*object);
    auto& map = accessibilitybridge::interfaces();
    if (const auto it = map.find(key); it != map.end())
        if (QAccessibleInterface* existing = QAccessible::accessibleInterface(it->second); existing && existing->isValid())
            return existing;
    auto* iface = new accessibilitybridge::ElementInterface(object);
    iface->announcedText = iface->fullText();
    iface->announcedSelection = iface->selectedRange();
    iface->announcedState = iface->state();
    map[key] = QAccessible::registerAccessibleInterface(iface);
    return iface;
}

void AccessibilityBridge::elementDestroyed(const Accessibility* element)
{
    auto& map = accessibilitybridge::interfaces();
    const auto it = map.find(element);
    if (it == map.end())
        return;
    const QAccessible::Id id = it->second;
    accessibilitybridge::sendEvent(element, QAccessible::ObjectDestroyed);
    map.erase(it);
    if (QAccessible::accessibleInterface(id))
        QAccessible::deleteAccessibleInterface(id);
}

QString AccessibilityBridge::textAtOffset(const QString& text, int offset, QAccessible::TextBoundaryType type, int* startOffset, int* endOffset)
{
    *startOffset = *endOffset = -1;
    if (text.isEmpty() || offset < 0 || offset > text.size())
        return {};
    QTextBoundaryFinder finder(type == QAccessible::SentenceBoundary ? QTextBoundaryFinder::Sentence : QTextBoundaryFinder::Word, text);
    const auto item = QTextBoundaryFinder::StartOfItem | QTextBoundaryFinder::EndOfItem;
    finder.setPosition(offset);
    // Back to where the piece holding the offset starts; the text's start is one whatever starts it.
    while (finder.position() > 0 && !(finder.boundaryReasons() & item))
        finder.toPreviousBoundary();
    const qsizetype start = std::max<qsizetype>(finder.position(), 0);
    finder.setPosition(start);
    qsizetype end = finder.toNextBoundary();
    while (end >= 0 && end < text.size() && !(finder.boundaryReasons() & item))
        end = finder.toNextBoundary();
    if (end < 0)
        end = text.size();
    *startOffset = int(start);
    *endOffset = int(end);
    return text.mid(start, end - start);
}

void AccessibilityBridge::setEventObserverForTesting(EventObserver observer) { accessibilitybridge::eventObserver() = observer; }

namespace accessibilitybridge {

// The element's interface when Qt has asked for one; else null.
ElementInterface* askedInterfaceOf(const Accessibility* element)
{
    const auto& map = interfaces();
    const auto it = map.find(element);
    if (it == map.end() || !QCoreApplication::instance())
        return nullptr;
    auto* iface = dynamic_cast<ElementInterface*>(QAccessible::accessibleInterface(it->second));
    return iface && iface->isValid() ? iface : nullptr;
}

} // namespace accessibilitybridge

void AccessibilityBridge::valueChanged(const Accessibility* element)
{
    auto* iface = accessibilitybridge::askedInterfaceOf(element);
    if (!iface)
        return;
    if (iface->isLive() || iface->role() == QAccessible::ComboBox) {
        // Named by the text: Qt renames a combo box on the bus itself; a live region is renamed
        // and shown again, which a reader speaks.
        if (const QString text = iface->fullText(); text != iface->announcedText) {
            const QString added = AccessibilityLiveRegionAddition(iface->announcedText, text);
            iface->announcedText = text;
            if (iface->isLive() && !added.isEmpty()) {
                iface->liveAddition = added;
                QAccessibleEvent renamed(iface, QAccessible::NameChanged);
                accessibilitybridge::notify(renamed);
                QAccessibleEvent shown(iface, QAccessible::ObjectShow);
                accessibilitybridge::notify(shown);
            } else if (!iface->isLive()) {
                QAccessibleValueChangeEvent event(iface, text);
                accessibilitybridge::notify(event);
            }
        }
    } else if (iface->textInterface()) {
        // The same text again (an announcement made early, before the caret's) is no news.
        if (const QString text = iface->fullText(); text != iface->announcedText) {
            const TextChange change = AccessibilityTextChangeBetween(iface->announcedText, text);
            // Qt adds the position and the inserted length in an int.
            const int position = int(std::min<std::int64_t>(change.location, INT_MAX));
            QAccessibleTextUpdateEvent event(iface, position, change.removed.left(INT_MAX - position), change.inserted.left(INT_MAX - position));
            iface->announcedText = text;
            accessibilitybridge::notify(event);
        }
    } else if (QAccessibleValueInterface* value = iface->valueInterface()) {
        QAccessibleValueChangeEvent event(iface, value->currentValue());
        accessibilitybridge::notify(event);
    }
    // Only the states that changed, of those the element has (a tab is never a check box).
    const QAccessible::State now = iface->state();
    const QAccessible::State changed = accessibilitybridge::changedStates(iface->announcedState, now);
    iface->announcedState = now;
    if (accessibilitybridge::anyState(changed)) {
        QAccessibleStateChangeEvent event(iface, changed);
        accessibilitybridge::notify(event);
    }
}

void AccessibilityBridge::titleChanged(const Accessibility* element)
{
    if (auto* iface = accessibilitybridge::askedInterfaceOf(element)) {
        QAccessibleEvent renamed(iface, QAccessible::NameChanged);
        accessibilitybridge::notify(renamed);
    }
}

void AccessibilityBridge::selectedTextChanged(const Accessibility* element)
{
    auto* iface = accessibilitybridge::askedInterfaceOf(element);
    if (!iface || !iface->textInterface())
        return;
    const Range before = iface->announcedSelection;
    const Range now = iface->selectedRange();
    iface->announcedSelection = now;
    if (now.length != before.length || (now.length > 0 && now.location != before.location)) {
        QAccessibleTextSelectionEvent event(iface, int(now.location), int(MaxRange(now)));
        accessibilitybridge::notify(event);
    }
    if (MaxRange(now) != MaxRange(before)) {
        QAccessibleTextCursorEvent event(iface, int(MaxRange(now)));
        accessibilitybridge::notify(event);
    }
}

void AccessibilityBridge::focusChanged(Window* window)
{
    // Without a screen reader no one listens: no interface is made for nothing.
    if (!window || !QCoreApplication::instance() || (!QAccessible::isActive() && !accessibilitybridge::eventObserver()))
        return;
    const Ref<Window> keep(window);
    const Value focused = AccessibilityFocusedUIElement(Value(keep));
    if (QAccessibleInterface* iface = interfaceFor(focused)) {
        QAccessibleEvent event(iface, QAccessible::Focus);
        accessibilitybridge::notify(event);
    }
}

void AccessibilityBridge::selectionChanged(const Accessibility* element)
{
    // A container's selection moved among its children (selection-changed on it).
    const bool container = element->accessibilityAttributeNames().contains(AccessibilitySelectedChildrenAttribute);
    accessibilitybridge::sendEvent(element, container ? QAccessible::SelectionWithin : QAccessible::Selection);
}

void AccessibilityBridge::childrenChanged(const Accessibility* element)
{
    accessibilitybridge::sendEvent(element, QAccessible::ObjectReorder);
}

} // namespace kit
