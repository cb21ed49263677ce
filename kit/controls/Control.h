#pragma once

// A view that shows one cell and sends an action: it forwards values and flags to its cell,
// draws the cell in its bounds, hands mouse downs to the cell's tracking loop (re-highlighting
// when the pointer comes back) and sends the action on the cell's terms.
//
// Each control class names its cell class with KIT_CONTROL_CELL_CLASS; a subclass that wants a
// different cell calls setCellClass on itself, or declares its own with the macro. Constructors
// come in pairs: `explicit X(Rect frame = {})` makes the class's cell and delegates to the
// protected `X(Rect frame, Ref<Cell> cell)`, which subclasses call with their own cell.

#include "kit/appkit/FieldEditing.h"
#include "kit/appkit/View.h"
#include "kit/controls/ActionCell.h"
#include "kit/controls/Menu.h"

#include <functional>
#include <string>
#include <string_view>

namespace kit {

using CellClass = std::function<Ref<Cell>()>;
template <class C> CellClass cellClassOf()
{
    return [] { return make<C>(); };
}

namespace detail {
// The cell classes set per control class, keyed by the class; null when none is set.
CellClass registeredCellClass(const Class& controlClass);
void registerCellClass(const Class& controlClass, CellClass cellClass);
} // namespace detail

// Declares `cellClass()` (the class's own, else `DefaultCell`) and `setCellClass` (null restores
// the default), both keyed by Self's kit::Class. A subclass without the macro shares its nearest
// macro-declaring superclass's functions, hence its setting: a class that sets its own declares it.
#define KIT_CONTROL_CELL_CLASS(Self, DefaultCell)                                                                                          \
public:                                                                                                                                    \
    static ::kit::CellClass cellClass()                                                                                                    \
    {                                                                                                                                      \
        ::kit::CellClass set = ::kit::detail::registeredCellClass(Self::staticClass());                                                    \
        return set ? set : ::kit::cellClassOf<DefaultCell>();                                                                              \
    }                                                                                                                                      \
    static void setCellClass(::kit::CellClass cellClass) { ::kit::detail::registerCellClass(Self::staticClass(), std::move(cellClass)); }  \
                                                                                                                                           \
public:

class Control : public View, public virtual TextDelegate, public Accessibility {
    KIT_CLASS(Control)
    KIT_CONTROL_CELL_CLASS(Control, ActionCell)
public:
    explicit Control(Rect frame = {});
    ~Control() override;

    Ref<Cell> cell() const { return cell_; }
    virtual void setCell(Ref<Cell> cell);

    // Accessibility: the control stands back for its cell, its only child; hit tests and focus
    // lead there. Without a cell it is a plain view.
    bool accessibilityIsIgnored() const override { return true; }
    // The element the control stands back for: its cell, unless a subclass shows another.
    virtual Value accessibilityElement() const;
    QStringList accessibilityAttributeNames() const override;
    Value accessibilityAttributeValue(const QString& attribute) const override;
    Value accessibilityHitTest(Point point) const override;
    Value accessibilityFocusedUIElement() const override;

    // kit::Coding: the view part and the cell, which holds enabled, tag, target and action.
    void encodeWithCoder(Coder& coder) const override;
    void initWithCoder(Coder& coder) override;
    Ref<Cell> selectedCell() const { return cell_; }
    // Test-only: every control class back to its default cell class.
    static void resetCellClassesForTesting();

    // --- Forwarded to the cell. While the field editor edits this control, the getters take its
    // text first (validateEditing). ---
    Value objectValue() const;
    virtual void setObjectValue(const Value& value);
    QString stringValue() const;
    int intValue() const { return int(integerValue()); }
    std::int64_t integerValue() const;
    double doubleValue() const;
    float floatValue() const { return float(doubleValue()); }
    virtual void setStringValue(const QString& value);
    void setIntValue(int value) { setIntegerValue(value); }
    virtual void setIntegerValue(std::int64_t value);
    virtual void setDoubleValue(double value);
    void setFloatValue(float value) { setDoubleValue(value); }
    TextAlignment alignment() const { return cell_ ? cell_->alignment() : NaturalTextAlignment; }
    void setAlignment(TextAlignment alignment);
    QFont font() const { return cell_ ? cell_->font() : QFont(); }
    void setFont(const QFont& font);
    Ref<Object> formatter() const { return cell_ ? cell_->formatter() : nullptr; }
    void setFormatter(Ref<Object> formatter);
    bool isEnabled() const { return cell_ && cell_->isEnabled(); }
    virtual void setEnabled(bool flag);
    bool isContinuous() const { return cell_ && cell_->isContinuous(); }
    void setContinuous(bool flag);
    std::uint64_t sendActionOn(std::uint64_t mask) { return cell_ ? cell_->sendActionOn(mask) : 0; }
    std::int64_t tag() const { return cell_ ? cell_->tag() : -1; }
    void setTag(std::int64_t tag);
    Ref<Object> target() const { return cell_ ? cell_->target() : nullptr; }
    void setTarget(Object* target);
    Selector action() const { return cell_ ? cell_->action() : Selector(); }
    void setAction(Selector action);
    ControlSize controlSize() const { return cell_ ? cell_->controlSize() : RegularControlSize; }
    void setControlSize(ControlSize size);
    bool refusesFirstResponder() const { return cell_ && cell_->refusesFirstResponder(); }
    void setRefusesFirstResponder(bool flag);

    // Held weakly (key "delegate"). A delegate that is a ControlTextEditingDelegate observes this
    // control's text notifications for the operations it registered; the old one stops.
    Ref<Object> delegate() const { return delegate_.lock(); }
    virtual void setDelegate(Object* delegate);

    // Sends `action` to `target` (null walks the responder chain) with this control as sender.
    virtual bool sendActionTo(Selector action, const Weak<Object>& target);
    // The cell's action to the cell's target.
    bool sendAction();
    virtual void performClick(Object* sender);

    // --- Display and size. ---
    virtual void updateCell(Cell* cell);
    virtual void updateCellInside(Cell* cell);
    // The cell's size; the origin stays.
    virtual void sizeToFit();
    virtual void calcSize();

    // --- Editing. The field editor while a session of this control runs (the control is its
    // delegate or the view it edits in), else null. ---
    Ref<Responder> currentEditor() const;
    // Ends the session with nothing stored and no end message; YES when one ran.
    bool abortEditing();
    // The editor's text through the cell (and its formatter) into the value.
    void validateEditing();

    // kit::TextDelegate, as the field editor's session delegate: should-begin and should-end ask
    // the delegate's controlTextShould…; begin and change post the control's notifications; the
    // end validates, ends the cell's editing, posts "NSControlTextDidEndEditingNotification" and
    // moves on by the movement (Tab, Backtab: the next key view; Return: the action, else the key
    // equivalent of the control and then the window).
    bool textShouldBeginEditing(Responder* text) override;
    void textDidBeginEditing(Notification* notification) override;
    void textDidChange(Notification* notification) override;
    bool textShouldEndEditing(Responder* text) override;
    void textDidEndEditing(Notification* notification) override;

    // kit::View:
    void drawRect(Rect dirtyRect) override;
    bool acceptsFirstResponder() const override;
    bool becomeFirstResponder() override;
    bool resignFirstResponder() override;
    void mouseDown(const Event& event) override;
    bool performKeyEquivalent(const Event& event) override;
    // A control leaving its window while edited abandons the session.
    void viewWillMoveToWindow(Window* window) override;

protected:
    Control(Rect frame, Ref<Cell> cell);
    // Posts `name` with this control as the object and the editor (the text notification's
    // object) under "NSFieldEditor".
    void postTextNotification(const QString& name, Notification* from);

private:
    bool askDelegateShould(const char* operation, Responder* text);
    void observeTextNotifications(Object* delegate, bool observe);
    Ref<Cell> cell_;
    Weak<Object> delegate_;
    bool validating_ = false; // a formatter's delegate may read the value while it is taken
};

} // namespace kit
