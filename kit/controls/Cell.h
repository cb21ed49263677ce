#pragma once

// A cell: the drawing and mouse-tracking half of a control. It holds a value, a state and the
// appearance flags, measures itself, draws through a chain of virtual steps that subclasses
// replace one at a time, and runs the tracking loop a control hands it on mouse down. Cells are
// cheap to copy (shallow), so a control or a tab bar may copy a template per use.

#include "kit/appkit/Accessibility.h"
#include "kit/appkit/Event.h"
#include "kit/appkit/Responder.h"
#include "kit/controls/ControlTypes.h"
#include "kit/core/Class.h"
#include "kit/core/Geometry.h"
#include "kit/core/Object.h"
#include "kit/core/Value.h"
#include "kit/foundation/Coder.h"
#include "kit/graphics/AttributedString.h"
#include "kit/graphics/Image.h"

#include <memory>

#include <QFont>
#include <QString>

#include <cstdint>
#include <string>

class QPainter;

namespace kit {

class Color;
class Control;
class Formatter;
class Responder;
class View;
struct FieldEditorAttributes;

// A cell may own tracking areas and rectangles itself (MouseTrackingTarget): the window then tells
// it, not its view, when the pointer enters and leaves them.
class Cell : public Object, public Coding, public MouseTrackingTarget, public Accessibility {
    KIT_CLASS(Cell)
public:
    // Settings only (no target, control view or transient highlight).
    void encodeWithCoder(Coder& coder) const override;
    void initWithCoder(Coder& coder) override;
    // A text cell with an empty string.
    Cell();
    explicit Cell(const QString& text);
    explicit Cell(Ref<Image> image);
    ~Cell() override;

    // Shallow: shared references stay shared; subclasses copy their own fields after the base.
    void copyTo(Object& copy) const override;

    // --- Value and type. With a kit::Formatter, strings are its text of the value and go
    // through it on the way in; without one they are the value's own text. ---
    CellType type() const { return s_.type; }
    Value objectValue() const { return s_.value; }
    virtual void setObjectValue(const Value& value);
    virtual void setType(CellType type);
    // The formatter's stringForObjectValue, else the value's own text.
    QString stringValue() const;
    // stringValue with the cell's font and paragraph settings (alignment, line breaks).
    virtual AttributedString attributedStringValue() const;
    int intValue() const { return int(integerValue()); }
    std::int64_t integerValue() const;
    double doubleValue() const;
    float floatValue() const { return float(doubleValue()); }
    // Read by the formatter. When it refuses the string, the control view's delegate hears of it
    // (ControlTextEditingDelegate) and may take the string as it is; otherwise the value stays
    // and hasValidObjectValue turns NO until the next value is set.
    virtual void setStringValue(const QString& value);
    bool hasValidObjectValue() const { return s_.validValue; }
    void setIntValue(int value) { setIntegerValue(value); }
    virtual void setIntegerValue(std::int64_t value);
    virtual void setDoubleValue(double value);
    void setFloatValue(float value) { setDoubleValue(value); }
    // Any object; only a kit::Formatter converts.
    Ref<Object> formatter() const { return s_.formatter; }
    void setFormatter(Ref<Object> formatter);
    // Any value; objects keep their identity.
    Value representedObject() const { return s_.representedObject; }
    void setRepresentedObject(const Value& object) { s_.representedObject = object; }

    // --- State. Mixed is kept only while mixed state is allowed; otherwise it reads as On. ---
    int state() const { return s_.state; }
    virtual void setState(int state);
    bool allowsMixedState() const { return s_.allowsMixedState; }
    virtual void setAllowsMixedState(bool flag);
    // On → Off → Mixed → On with mixed allowed, else a toggle.
    virtual int nextState() const;
    virtual void setNextState() { setState(nextState()); }

    // --- Appearance flags. ---
    bool isEnabled() const { return s_.enabled; }
    virtual void setEnabled(bool flag);
    bool isEditable() const { return s_.editable; }
    void setEditable(bool flag);
    bool isSelectable() const { return s_.selectable || s_.editable; }
    void setSelectable(bool flag);
    bool isScrollable() const { return s_.scrollable; }
    void setScrollable(bool flag) { s_.scrollable = flag; }
    bool isBordered() const { return s_.bordered; }
    virtual void setBordered(bool flag);
    bool isBezeled() const { return s_.bezeled; }
    virtual void setBezeled(bool flag);
    bool isHighlighted() const { return s_.highlighted; }
    virtual void setHighlighted(bool flag);
    TextAlignment alignment() const { return s_.alignment; }
    void setAlignment(TextAlignment alignment);
    QFont font() const { return s_.font; }
    virtual void setFont(const QFont& font);
    ControlSize controlSize() const { return s_.controlSize; }
    virtual void setControlSize(ControlSize size);
    int controlTint() const { return s_.controlTint; }
    void setControlTint(int tint) { s_.controlTint = tint; }
    LineBreakMode lineBreakMode() const { return s_.lineBreakMode; }
    void setLineBreakMode(LineBreakMode mode);
    bool wraps() const { return s_.lineBreakMode == LineBreakByWordWrapping || s_.lineBreakMode == LineBreakByCharWrapping; }
    void setWraps(bool flag) { setLineBreakMode(flag ? LineBreakByWordWrapping : LineBreakByClipping); }
    Ref<Image> image() const { return s_.image; }
    virtual void setImage(Ref<Image> image);
    virtual QString title() const { return stringValue(); }
    virtual void setTitle(const QString& title) { setStringValue(title); }
    BackgroundStyle backgroundStyle() const { return s_.backgroundStyle; }
    void setBackgroundStyle(BackgroundStyle style);
    bool showsFirstResponder() const { return s_.showsFirstResponder; }
    void setShowsFirstResponder(bool flag);
    bool refusesFirstResponder() const { return s_.refusesFirstResponder; }
    void setRefusesFirstResponder(bool flag) { s_.refusesFirstResponder = flag; }
    virtual bool acceptsFirstResponder() const { return isEnabled() && !refusesFirstResponder(); }
    FocusRingType focusRingType() const { return s_.focusRingType; }
    void setFocusRingType(FocusRingType type) { s_.focusRingType = type; }
    // The numbered attributes interface files use.
    virtual void setCellAttributeTo(CellAttribute attribute, int value);
    virtual int cellAttribute(CellAttribute attribute) const;

    // The view the cell draws in (weak).
    Ref<View> controlView() const;
    virtual void setControlView(View* view);

    // --- Target and action: plain cells have no storage (ActionCell has). ---
    virtual Selector action() const { return {}; }
    virtual void setAction(Selector) { }
    virtual Ref<Object> target() const { return nullptr; }
    virtual void setTarget(Object*) { }
    virtual std::int64_t tag() const { return -1; }
    virtual void setTag(std::int64_t) { }
    bool isContinuous() const { return s_.continuous; }
    virtual void setContinuous(bool flag) { s_.continuous = flag; }
    std::uint64_t actionMask() const { return s_.actionMask; }
    // Which events send the action while tracking; answers the previous mask.
    std::uint64_t sendActionOn(std::uint64_t mask);

    // --- Geometry, in the control view's coordinates. ---
    Size cellSize() const;
    virtual Size cellSizeForBounds(Rect bounds) const;
    virtual Rect drawingRectForBounds(Rect bounds) const;
    virtual Rect titleRectForBounds(Rect bounds) const;
    virtual Rect imageRectForBounds(Rect bounds) const;
    virtual void calcDrawInfo(Rect) { }

    // --- Drawing: each step is reached through the virtual, so a subclass may replace one. ---
    // Border or bezel, then drawInteriorWithFrameInView.
    virtual void drawWithFrameInView(Rect cellFrame, View* controlView);
    virtual void drawInteriorWithFrameInView(Rect cellFrame, View* controlView);
    // Whether the bezel drawn by drawWithFrameInView takes its focused look: the control view
    // shows a ring (ShowsFocusRing).
    virtual bool showsFocusInBezel(const View* controlView) const;
    virtual void highlightWithFrameInView(bool flag, Rect cellFrame, View* controlView);
    // Null: no highlight colour.
    virtual Ref<Color> highlightColorWithFrameInView(Rect cellFrame, View* controlView) const;

    // --- Tracking. ---
    virtual bool startTrackingAtInView(Point startPoint, View* controlView);
    virtual bool continueTrackingAtInView(Point lastPoint, Point currentPoint, View* controlView);
    virtual void stopTrackingAtInViewMouseIsUp(Point lastPoint, Point stopPoint, View* controlView, bool mouseIsUp);
    // Runs until the mouse goes up (YES when it went up inside `cellFrame`, or anywhere with
    // `untilMouseUp`) or leaves the frame without `untilMouseUp` (NO, the mouse still down).
    virtual bool trackMouseInRectOfViewUntilMouseUp(const Event& event, Rect cellFrame, View* controlView, bool untilMouseUp);
    virtual bool prefersTrackingUntilMouseUp() const { return false; }
    virtual void getPeriodicDelayInterval(double& delay, double& interval) const;
    // MouseTrackingTarget:
    void mouseEntered(const Event&) override { }
    void mouseExited(const Event&) override { }
    void mouseMoved(const Event&) override { }
    void cursorUpdate(const Event&) override { }

    // Highlight, next state, action, unhighlight, each shown at once.
    virtual void performClick(Object* sender);
    virtual bool performKeyEquivalent(const Event&) { return false; }

    // --- Editing with the window's field editor (any Responder implementing FieldEditing; others
    // are ignored). The caller sets the editor up first; the session's delegate hears the rest. ---
    // Font, colour, alignment, background, plain text and the formatted string; answers `editor`.
    virtual Ref<Responder> setUpFieldEditorAttributes(Responder* editor);
    // A session with the caret at the end, or with `event` acting as a press in the editor.
    virtual void editWithFrameInViewEditorDelegateEvent(Rect frame, View* controlView, Responder* editor, Object* delegate, const Event* event);
    // A session with `length` characters from `start` selected.
    virtual void selectWithFrameInViewEditorDelegateStartLength(
        Rect frame, View* controlView, Responder* editor, Object* delegate, std::int64_t start, std::int64_t length);
    // Ends this cell's own session (no end message, nothing stored); harmless with a null editor or
    // one whose session another cell started.
    virtual void endEditing(Responder* editor);
    // Whether the field editor runs a session this cell started.
    bool isEditingWithFieldEditor() const;
    // Takes the editor's text as the value (setStringValue); a token cell takes its tokens.
    virtual void takeValueFromFieldEditor(Responder* editor);

    // --- Accessibility: the cell is the element its control shows. Its role comes from its type
    // (static text, an editable text field, or image), a text cell's value is its string, and
    // its place, window, parent and focus are its control view's. ---
    QStringList accessibilityAttributeNames() const override;
    Value accessibilityAttributeValue(const QString& attribute) const override;
    // An enabled, editable text cell takes a new value as a user edit of its control would.
    bool accessibilityIsAttributeSettable(const QString& attribute) const override;
    void accessibilitySetValueForAttribute(const Value& value, const QString& attribute) override;
    Ref<View> accessibilityDrawingView() const override;

    // Sends the action with the sender rule of cells: the control view when it is a control whose
    // cell is this one, else the cell. Answers whether someone handled it.
    bool sendActionFromCell();

protected:
    // The text of a value that no formatter handled.
    virtual QString plainStringForValue(const Value& value) const;
    // What setUpFieldEditorAttributes hands the editor; subclasses add their colours.
    virtual void fillFieldEditorAttributes(FieldEditorAttributes& attributes) const;
    // A value or appearance changed: ActionCell asks its control to update.
    virtual void changed() { }
    Ref<Control> owningControl() const;
    // The formatter, when it is a kit::Formatter.
    const Formatter* valueFormatter() const;
    // The target as sending needs it: null walks the responder chain, expired drops the action.
    virtual Weak<Object> targetForSending() const { return {}; }

private:
    void startEditingSession(Rect frame, View* controlView, Responder* editor, Object* delegate, const Event* event, Range selection);
    // The session this cell started, never copied with the cell.
    Weak<Responder> editor_;
    std::uint64_t editingSession_ = 0;

    struct State {
        CellType type = TextCellType;
        Value value;
        bool validValue = true;
        Ref<Object> formatter;
        Value representedObject;
        int state = OffState;
        bool allowsMixedState = false;
        bool enabled = true;
        bool editable = false;
        bool selectable = false;
        bool scrollable = false;
        bool bordered = false;
        bool bezeled = false;
        bool highlighted = false;
        bool continuous = false;
        bool showsFirstResponder = false;
        bool refusesFirstResponder = false;
        TextAlignment alignment = NaturalTextAlignment;
        QFont font;
        ControlSize controlSize = RegularControlSize;
        int controlTint = 0;
        LineBreakMode lineBreakMode = LineBreakByWordWrapping;
        Ref<Image> image;
        BackgroundStyle backgroundStyle = BackgroundStyleLight;
        FocusRingType focusRingType = FocusRingTypeDefault;
        std::uint64_t actionMask = LeftMouseUpMask;
        Weak<View> controlView;
    };
    State s_;
    // The attributes of attributedStringValue, made once for the font, alignment and line break
    // mode they were made for (cells draw thousands of titles per page).
    struct TitleAttributes;
    mutable std::shared_ptr<const TitleAttributes> titleAttributes_;
};

} // namespace kit
