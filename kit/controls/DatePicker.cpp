#include "kit/controls/DatePicker.h"

#include "kit/appkit/Window.h"
#include "kit/controls/CellDrawing.h"
#include "kit/foundation/Clock.h"
#include "kit/foundation/Date.h"
#include "kit/graphics/Color.h"

#include <QApplication>
#include <QDate>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>

#include <algorithm>

namespace kit {

KIT_REGISTER_CLASS(DatePickerCell, ActionCell) { c.copyable(); }

KIT_REGISTER_CLASS(DatePicker, Control) { }

KIT_REGISTER_CLASS(DatePartElement, Object) { }

namespace {
// Room between the bezel and the elements, and around each element's highlight.
constexpr double datePickerInsetX = 1;
constexpr double datePickerElementPad = 0;
const QString datePickerDrawsBackgroundKey = QStringLiteral("kit.drawsBackground");
const QString datePickerBackgroundColorKey = QStringLiteral("kit.backgroundColor");
const QString datePickerTextColorKey = QStringLiteral("kit.textColor");

int datePickerDaysInMonth(int year, int month) { return QDate(year, month, 1).daysInMonth(); }
} // namespace

DatePickerCell::DatePickerCell()
{
    setBezeled(true);
    setAlignment(LeftTextAlignment);
}

void DatePickerCell::copyTo(Object& copy) const
{
    ActionCell::copyTo(copy);
    auto& c = static_cast<DatePickerCell&>(copy);
    c.drawsBackground_ = drawsBackground_;
    c.backgroundColor_ = backgroundColor_;
    c.textColor_ = textColor_;
    c.locale_ = locale_;
}

void DatePickerCell::encodeWithCoder(Coder& coder) const
{
    ActionCell::encodeWithCoder(coder);
    coder.encodeBoolForKey(drawsBackground_, datePickerDrawsBackgroundKey);
    if (backgroundColor_)
        coder.encodeObjectForKey(Value(backgroundColor_), datePickerBackgroundColorKey);
    if (textColor_)
        coder.encodeObjectForKey(Value(textColor_), datePickerTextColorKey);
}

void DatePickerCell::initWithCoder(Coder& coder)
{
    ActionCell::initWithCoder(coder);
    if (coder.containsValueForKey(datePickerDrawsBackgroundKey))
        drawsBackground_ = coder.decodeBoolForKey(datePickerDrawsBackgroundKey);
    if (coder.containsValueForKey(datePickerBackgroundColorKey))
        backgroundColor_ = dynamic_pointer_cast<Color>(coder.decodeObjectOfClassForKey(Color::staticClass(), datePickerBackgroundColorKey));
    if (coder.containsValueForKey(datePickerTextColorKey))
        textColor_ = dynamic_pointer_cast<Color>(coder.decodeObjectOfClassForKey(Color::staticClass(), datePickerTextColorKey));
    if (!objectValue().isNil() && objectValue().kind() != ValueKind::Date)
        setObjectValue(Value());
}

void DatePickerCell::setDatePickerStyle(DatePickerStyle style)
{
    Q_ASSERT_X(style == TextFieldDatePickerStyle, "DatePickerCell", "only the text-field style is offered");
    (void)style;
}

void DatePickerCell::setDatePickerMode(DatePickerMode mode)
{
    Q_ASSERT_X(mode == SingleDateMode, "DatePickerCell", "only single dates are offered");
    (void)mode;
}

void DatePickerCell::setDatePickerElements(unsigned elements)
{
    Q_ASSERT_X(elements == YearMonthDayDatePickerElementFlag, "DatePickerCell", "only year, month and day are offered");
    (void)elements;
}

void DatePickerCell::setDateValue(const Value& date)
{
    setObjectValue(date.kind() == ValueKind::Date ? date : Value());
    typed_.clear();
}

std::vector<DatePickerCell::Element> DatePickerCell::elementOrder() const
{
    const Ref<Locale> l = locale_ ? locale_ : Locale::currentLocale();
    switch (l->shortDateFormat().order) {
    case DateOrderMDY:
        return { Month, Day, Year };
    case DateOrderYMD:
        return { Year, Month, Day };
    case DateOrderMYD:
        return { Month, Year, Day };
    case DateOrderDYM:
        return { Day, Year, Month };
    case DateOrderYDM:
        return { Year, Day, Month };
    case DateOrderDMY:
        break;
    }
    return { Day, Month, Year };
}

QString DatePickerCell::separator() const
{
    const Ref<Locale> l = locale_ ? locale_ : Locale::currentLocale();
    return l->shortDateFormat().separator;
}

QString DatePickerCell::textOfElement(Element element) const
{
    const Value date = dateValue();
    if (date.isNil())
        return {};
    const CalendarDate day = CalendarDate::fromDate(date.date());
    switch (element) {
    case Day:
        return QStringLiteral("%1").arg(day.dayOfMonth(), 2, 10, QLatin1Char('0'));
    case Month:
        return QStringLiteral("%1").arg(day.monthOfYear(), 2, 10, QLatin1Char('0'));
    case Year:
        return QStringLiteral("%1").arg(day.yearOfCommonEra(), 4, 10, QLatin1Char('0'));
    }
    return {};
}

QString DatePickerCell::shownDate() const
{
    if (dateValue().isNil())
        return {};
    QStringList texts;
    for (Element e : elementOrder())
        texts << textOfElement(e);
    return texts.join(separator());
}

double DatePickerCell::elementWidth(Element element) const
{
    return TextSize(element == Year ? QStringLiteral("0000") : QStringLiteral("00"), font()).width + 2 * datePickerElementPad;
}

double DatePickerCell::separatorWidth() const { return TextSize(separator(), font()).width; }

Rect DatePickerCell::textBoxForBounds(Rect bounds) const { return InsetRect(bounds, datePickerInsetX, 0); }

Rect DatePickerCell::rectOfElementInFrame(std::size_t index, Rect frame) const
{
    const std::vector<Element> order = elementOrder();
    if (index >= order.size())
        return ZeroRect;
    const Rect box = textBoxForBounds(frame);
    double x = box.minX();
    for (std::size_t i = 0; i < index; ++i)
        x += elementWidth(order[i]) + separatorWidth();
    const double height = TextSize(QStringLiteral("0"), font()).height;
    return MakeRect(x, box.midY() - height / 2, elementWidth(order[index]), height);
}

Size DatePickerCell::cellSizeForBounds(Rect) const
{
    double width = 2 * datePickerInsetX + 2 * separatorWidth();
    for (Element e : elementOrder())
        width += elementWidth(e);
    return { std::ceil(width), std::ceil(TextSize(QStringLiteral("0"), font()).height + 2) };
}

void DatePickerCell::setFocusedElement(int index)
{
    index = index < 0 ? -1 : std::min(index, 2);
    if (index == focused_)
        return;
    focused_ = index;
    typed_.clear();
    if (const Ref<View> view = controlView())
        view->setNeedsDisplay(true);
}

DatePickerCell::Day3 DatePickerCell::shownOrToday() const
{
    // A nil date starts from today, on the kit clock.
    const Date date = dateValue().isNil() ? Clock::currentDate() : dateValue().date();
    const CalendarDate day = CalendarDate::fromDate(date);
    return { day.yearOfCommonEra(), day.monthOfYear(), day.dayOfMonth() };
}

bool DatePickerCell::apply(Day3 day)
{
    day.day = std::min(day.day, datePickerDaysInMonth(day.year, day.month));
    const Value date(CalendarDate::dateWithYearMonthDay(day.year, day.month, day.day).date());
    if (dateValue().isEqual(date))
        return false;
    setObjectValue(date);
    return true;
}

bool DatePickerCell::typeDigit(int digit)
{
    if (focused_ < 0 || digit < 0 || digit > 9)
        return false;
    const Element element = elementOrder()[std::size_t(focused_)];
    const int most = element == Year ? 4 : 2;
    if (typed_.size() >= most)
        typed_.clear();
    typed_ += QChar('0' + digit);
    if (element == Year)
        return typed_.size() == most && commitTypedYear();
    const int value = typed_.toInt();
    Day3 day = shownOrToday();
    switch (element) {
    case Day:
        if (value < 1 || value > datePickerDaysInMonth(day.year, day.month))
            return false;
        day.day = value;
        break;
    case Month:
        if (value < 1 || value > 12)
            return false;
        day.month = value;
        break;
    case Year:
        break;
    }
    return apply(day);
}

bool DatePickerCell::commitTypedYear()
{
    if (focused_ < 0 || typed_.isEmpty() || elementOrder()[std::size_t(focused_)] != Year)
        return false;
    const QString digits = typed_;
    typed_.clear();
    int year = digits.toInt();
    if (digits.size() == 3)
        return false;
    if (digits.size() < 3) {
        const int earliest = CalendarDate::fromDate(Clock::currentDate()).yearOfCommonEra() - 80;
        year = earliest + ((year - earliest) % 100 + 100) % 100;
    }
    if (year < 1 || year > 9999)
        return false;
    Day3 day = shownOrToday();
    day.year = year;
    return apply(day);
}

bool DatePickerCell::stepFocusedElement(int delta)
{
    if (focused_ < 0)
        return false;
    typed_.clear();
    Day3 day = shownOrToday();
    const auto wrap = [](int value, int low, int high) { return low + ((value - low) % (high - low + 1) + (high - low + 1)) % (high - low + 1); };
    switch (elementOrder()[std::size_t(focused_)]) {
    case Day:
        day.day = wrap(day.day + delta, 1, datePickerDaysInMonth(day.year, day.month));
        break;
    case Month:
        day.month = wrap(day.month + delta, 1, 12);
        break;
    case Year:
        day.year = wrap(day.year + delta, 1, 9999);
        break;
    }
    return apply(day);
}

void DatePickerCell::drawWithFrameInView(Rect cellFrame, View* view)
{
    QPainter* painter = View::currentPainter();
    if (painter) {
        UprightPainter up(painter, cellFrame, view && view->isFlipped());
        const QRectF box = up.map(cellFrame);
        if (drawsBackground_ && backgroundColor_)
            painter->fillRect(box, backgroundColor_->toQColor());
        if (isBezeled()) {
            QStyleOptionFrame option;
            InitStyleOption(option, view, box, isEnabled(), false);
            option.lineWidth = 0;
            if (!(drawsBackground_ && backgroundColor_))
                QApplication::style()->drawPrimitive(QStyle::PE_PanelLineEdit, &option, painter);
            option.lineWidth = QApplication::style()->pixelMetric(QStyle::PM_DefaultFrameWidth);
            QApplication::style()->drawPrimitive(QStyle::PE_FrameLineEdit, &option, painter);
        }
    }
    drawInteriorWithFrameInView(cellFrame, view);
}

void DatePickerCell::drawInteriorWithFrameInView(Rect cellFrame, View* view)
{
    const bool flipped = view && view->isFlipped();
    const std::vector<Element> order = elementOrder();
    const bool focusShown = view && view->window() && view->window()->firstResponder().get() == view;
    const QPalette palette = QApplication::palette();
    const QColor text = textColor_ ? textColor_->toQColor() : palette.color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::Text);
    StringAttributes attributes;
    attributes.font = CellFont(font());
    for (std::size_t i = 0; i < order.size(); ++i) {
        const Rect r = rectOfElementInFrame(i, cellFrame);
        const bool focused = focusShown && int(i) == focused_;
        if (focused)
            if (QPainter* painter = View::currentPainter()) {
                UprightPainter up(painter, cellFrame, flipped);
                painter->fillRect(up.map(r), palette.color(QPalette::Active, QPalette::Highlight));
            }
        attributes.foregroundColor = Color::fromQColor(focused ? palette.color(QPalette::Active, QPalette::HighlightedText) : text);
        DrawCellAttributedTitle(AttributedString(textOfElement(order[i]), attributes), InsetRect(r, datePickerElementPad, 0), attributes, flipped);
        // Also without a date: the empty boxes still show the format.
        if (i + 1 < order.size()) {
            attributes.foregroundColor = Color::fromQColor(text);
            const Rect sep = MakeRect(r.maxX(), r.minY(), separatorWidth(), r.height());
            DrawCellAttributedTitle(AttributedString(separator(), attributes), sep, attributes, flipped);
        }
    }
}

// --- The control -------------------------------------------------------------------------------------

DatePicker::DatePicker(Rect frame)
    : DatePicker(frame, cellClass()())
{ }

DatePicker::DatePicker(Rect frame, Ref<Cell> cell)
    : Control(frame, std::move(cell))
{ }

Value DatePicker::dateValue() const
{
    const Ref<DatePickerCell> c = datePickerCell();
    return c ? c->dateValue() : Value();
}

void DatePicker::setDateValue(const Value& date)
{
    if (const Ref<DatePickerCell> c = datePickerCell()) {
        c->setDateValue(date);
        c->accessibilityValueChanged();
    }
    parts_.valuesChanged(this);
    setNeedsDisplay(true);
}

void DatePicker::setBezeled(bool flag)
{
    if (cell())
        cell()->setBezeled(flag);
    setNeedsDisplay(true);
}

void DatePicker::setFocusRingType(FocusRingType type)
{
    if (cell())
        cell()->setFocusRingType(type);
    setNeedsDisplay(true);
}

void DatePicker::setDrawsBackground(bool flag)
{
    if (const Ref<DatePickerCell> c = datePickerCell())
        c->setDrawsBackground(flag);
    setNeedsDisplay(true);
}

void DatePicker::setBackgroundColor(Ref<Color> color)
{
    if (const Ref<DatePickerCell> c = datePickerCell())
        c->setBackgroundColor(std::move(color));
    setNeedsDisplay(true);
}

void DatePicker::setTextColor(Ref<Color> color)
{
    if (const Ref<DatePickerCell> c = datePickerCell())
        c->setTextColor(std::move(color));
    setNeedsDisplay(true);
}

void DatePicker::changed()
{
    setNeedsDisplay(true);
    if (const Ref<DatePickerCell> c = datePickerCell())
        c->accessibilityValueChanged();
    parts_.valuesChanged(this);
    sendAction();
}

void DatePicker::focusElement(int index)
{
    const Ref<DatePickerCell> c = datePickerCell();
    if (!c)
        return;
    if (std::clamp(index, -1, 2) != c->focusedElement() && c->commitTypedYear())
        changed();
    const int before = c->focusedElement();
    c->setFocusedElement(index);
    // The part the keyboard is on stands for the focus: a screen reader hears each move (leaving
    // the picker, the window announces where the keys went).
    if (c->focusedElement() != before && c->focusedElement() >= 0)
        accessibilityFocusedUIElementChanged();
}

void DatePicker::mouseDown(const Event& event)
{
    const Ref<DatePickerCell> c = datePickerCell();
    if (!isEnabled() || !c)
        return;
    const Ref<DatePicker> keep(this);
    const Point p = convertPointFromView(event.locationInWindow(), nullptr);
    // The element under the pointer; a separator belongs to the element before it. Without a date
    // the first element: the others would start from parts of today nobody typed.
    int hit = 2;
    for (int i = 0; i < 2; ++i)
        if (p.x < c->rectOfElementInFrame(std::size_t(i + 1), bounds()).minX()) {
            hit = i;
            break;
        }
    if (c->dateValue().isNil())
        hit = 0;
    if (const Ref<Window> w = window(); w && w->firstResponder().get() != this)
        w->makeFirstResponder(this);
    focusElement(hit);
    setNeedsDisplay(true);
}

void DatePicker::keyDown(const Event& event)
{
    const Ref<DatePickerCell> c = datePickerCell();
    const QString characters = event.characters();
    if (!c || characters.isEmpty()) {
        Control::keyDown(event);
        return;
    }
    const Ref<DatePicker> keep(this);
    const char16_t key = characters.at(0).unicode();
    const bool backward = key == 0x19 || (key == u'\t' && (event.modifierFlags() & ShiftKeyMask));
    if (key >= u'0' && key <= u'9') {
        if (c->typeDigit(key - u'0'))
            changed();
    } else if (key == UpArrowFunctionKey || key == DownArrowFunctionKey) {
        if (c->stepFocusedElement(key == UpArrowFunctionKey ? 1 : -1))
            changed();
    } else if (key == LeftArrowFunctionKey) {
        focusElement(std::max(0, c->focusedElement() - 1));
    } else if (key == RightArrowFunctionKey) {
        focusElement(c->focusedElement() + 1);
    } else if (key == u'\t' || backward) {
        const int next = c->focusedElement() + (backward ? -1 : 1);
        if (next < 0 || next > 2) {
            // Past either end the key goes on up: the window moves to the next key view, or a
            // view holding the picker moves on inside itself.
            Control::keyDown(event);
            return;
        }
        focusElement(next);
    } else {
        Control::keyDown(event);
        return;
    }
    setNeedsDisplay(true);
}

bool DatePicker::becomeFirstResponder()
{
    const bool became = Control::becomeFirstResponder();
    // Entered backwards (Shift+Tab), the last element takes the keys.
    const Ref<Window> w = window();
    const bool backwards = w && w->keyViewSelectionDirection() == SelectingPrevious;
    if (const Ref<DatePickerCell> c = datePickerCell(); became && c && c->focusedElement() < 0)
        c->setFocusedElement(backwards && !c->dateValue().isNil() ? 2 : 0);
    setNeedsDisplay(true);
    return became;
}

bool DatePicker::resignFirstResponder()
{
    const Ref<DatePicker> keep(this);
    const bool resigned = Control::resignFirstResponder();
    if (resigned)
        focusElement(-1);
    setNeedsDisplay(true);
    return resigned;
}

// --- Accessibility -------------------------------------------------------------------------------

QStringList DatePickerCell::accessibilityAttributeNames() const
{
    return ActionCell::accessibilityAttributeNames() << AccessibilityHelpAttribute;
}

Value DatePickerCell::accessibilityAttributeValue(const QString& attribute) const
{
    if (attribute == AccessibilityRoleAttribute)
        return Value(AccessibilityGroupRole);
    if (attribute == AccessibilityValueAttribute)
        return Value(shownDate());
    // Without a name of its own, it is called by the date it shows; with one, it says the date too.
    const bool named = !accessibilityOwnName().isEmpty();
    if (attribute == AccessibilityTitleAttribute)
        return named ? ActionCell::accessibilityAttributeValue(attribute) : Value(shownDate());
    if (attribute == AccessibilityHelpAttribute)
        return named && !shownDate().isEmpty() ? Value(shownDate()) : Value();
    const Ref<View> view = controlView();
    // While a part has the keys, that part is the one focused element.
    if (const auto* picker = dynamic_cast<const DatePicker*>(view.get());
        attribute == AccessibilityFocusedAttribute && picker && picker->accessibilityFocusedDatePart() >= 0)
        return Value(false);
    if (attribute == AccessibilityChildrenAttribute) {
        const auto* picker = dynamic_cast<const DatePicker*>(view.get());
        return picker ? Value(picker->accessibilityDatePartElements().children(view.get())) : Value(Array {});
    }
    return ActionCell::accessibilityAttributeValue(attribute);
}

QString DatePickerCell::accessibilityOwnName() const
{
    const Value overridden = accessibilityOverrideValue(AccessibilityTitleAttribute);
    return overridden.isNil() ? ActionCell::accessibilityAttributeValue(AccessibilityTitleAttribute).string() : overridden.string();
}

Value DatePickerCell::accessibilityFocusedUIElement() const
{
    const Ref<View> view = controlView();
    const auto* picker = dynamic_cast<const DatePicker*>(view.get());
    const Value part = picker ? picker->accessibilityDatePartElements().focused(view.get()) : Value();
    return part.isObject() ? part : self();
}

DatePickerCell::Element DatePicker::accessibilityDatePartAt(int position) const
{
    const Ref<DatePickerCell> c = datePickerCell();
    const std::vector<DatePickerCell::Element> order = c ? c->elementOrder() : std::vector<DatePickerCell::Element> {};
    return position >= 0 && std::size_t(position) < order.size() ? order[std::size_t(position)] : DatePickerCell::Day;
}

Value DatePicker::accessibilityDatePartValueAt(int position) const
{
    const Ref<DatePickerCell> c = datePickerCell();
    const QString text = c ? c->textOfElement(accessibilityDatePartAt(position)) : QString();
    return text.isEmpty() ? Value() : Value(std::int64_t(text.toInt()));
}

Rect DatePicker::accessibilityDatePartRectAt(int position) const
{
    const Ref<DatePickerCell> c = datePickerCell();
    return c ? c->rectOfElementInFrame(std::size_t(position), bounds()) : ZeroRect;
}

int DatePicker::accessibilityFocusedDatePart() const
{
    const Ref<DatePickerCell> c = datePickerCell();
    const Ref<Window> w = window();
    return c && w && w->firstResponder().get() == this ? c->focusedElement() : -1;
}

void DatePicker::accessibilityFocusDatePart(int position)
{
    const Ref<DatePicker> keep(this);
    if (const Ref<Window> w = window(); w && w->firstResponder().get() != this)
        w->makeFirstResponder(this);
    if (const Ref<Window> w = window(); w && w->firstResponder().get() == this)
        focusElement(position);
}

void DatePicker::accessibilityStepDatePart(int position, int delta)
{
    const Ref<DatePickerCell> c = datePickerCell();
    if (!c || !isEnabled())
        return;
    const Ref<DatePicker> keep(this);
    const int before = c->focusedElement();
    c->setFocusedElement(position);
    const bool stepped = c->stepFocusedElement(delta);
    c->setFocusedElement(before);
    if (stepped)
        changed();
}

DatePartElement::DatePartElement(View* control, int position)
    : control_(control)
    , position_(position)
{ }

QString DatePartElement::nameOfPart(DatePickerCell::Element part)
{
    switch (part) {
    case DatePickerCell::Day:
        return QStringLiteral("day");
    case DatePickerCell::Month:
        return QStringLiteral("month");
    case DatePickerCell::Year:
        return QStringLiteral("year");
    }
    return {};
}

DatePartsAccessibilityOwner* DatePartElement::owner(Ref<View>& holder) const
{
    holder = control_.lock();
    return dynamic_cast<DatePartsAccessibilityOwner*>(holder.get());
}

QStringList DatePartElement::accessibilityAttributeNames() const
{
    return ViewAccessibilityAttributeNames() << AccessibilityTitleAttribute << AccessibilityValueAttribute;
}

Value DatePartElement::accessibilityAttributeValue(const QString& attribute) const
{
    Ref<View> control;
    const DatePartsAccessibilityOwner* parts = owner(control);
    if (!parts)
        return {};
    if (attribute == AccessibilityRoleAttribute)
        return Value(AccessibilityIncrementorRole);
    if (attribute == AccessibilityRoleDescriptionAttribute)
        return Value(AccessibilityRoleDescription(AccessibilityIncrementorRole));
    if (attribute == AccessibilityTitleAttribute) {
        const QString own = parts->accessibilityDatePartsName();
        const QString part = nameOfPart(parts->accessibilityDatePartAt(position_));
        return Value(own.isEmpty() ? part : QStringLiteral("%1, %2").arg(own, part));
    }
    if (attribute == AccessibilityValueAttribute)
        return parts->accessibilityDatePartValueAt(position_);
    if (attribute == AccessibilityParentAttribute)
        return parts->accessibilityDatePartsParent();
    if (attribute == AccessibilityChildrenAttribute)
        return Value(Array {});
    if (attribute == AccessibilityFocusedAttribute)
        return Value(parts->accessibilityFocusedDatePart() == position_);
    if (attribute == AccessibilityEnabledAttribute) {
        const auto* c = dynamic_cast<const Control*>(control.get());
        return Value(!c || c->isEnabled());
    }
    if (attribute == AccessibilityPositionAttribute || attribute == AccessibilitySizeAttribute) {
        const Rect onScreen = AccessibilityScreenRectOfRectInView(*control, parts->accessibilityDatePartRectAt(position_));
        return attribute == AccessibilitySizeAttribute ? Value(onScreen.size) : Value(onScreen.origin);
    }
    return ViewAccessibilityAttributeValue(*control, attribute);
}

bool DatePartElement::accessibilityIsAttributeSettable(const QString& attribute) const
{
    const Ref<View> control = control_.lock();
    return attribute == AccessibilityFocusedAttribute && control && AccessibilityViewIsFocusable(*control);
}

void DatePartElement::accessibilitySetValueForAttribute(const Value& value, const QString& attribute)
{
    Ref<View> control;
    if (DatePartsAccessibilityOwner* parts = owner(control); parts && value.boolValue() && accessibilityIsAttributeSettable(attribute))
        parts->accessibilityFocusDatePart(position_);
}

QStringList DatePartElement::accessibilityActionNames() const { return { AccessibilityIncrementAction, AccessibilityDecrementAction }; }

void DatePartElement::accessibilityPerformAction(const QString& action)
{
    Ref<View> control;
    DatePartsAccessibilityOwner* parts = owner(control);
    if (parts && (action == AccessibilityIncrementAction || action == AccessibilityDecrementAction))
        parts->accessibilityStepDatePart(position_, action == AccessibilityIncrementAction ? 1 : -1);
}

Ref<DatePartElement> DatePartElements::at(View* control, int position) const
{
    if (position < 0 || position >= int(elements_.size()))
        return nullptr;
    Ref<DatePartElement>& element = elements_[std::size_t(position)];
    if (!element) {
        element = make<DatePartElement>(control, position);
        if (const auto* owner = dynamic_cast<const DatePartsAccessibilityOwner*>(control))
            announced_[std::size_t(position)] = owner->accessibilityDatePartValueAt(position);
    }
    return element;
}

Array DatePartElements::children(View* control) const
{
    Array parts;
    for (int i = 0; i < int(elements_.size()); ++i)
        parts.addObject(Value(at(control, i)));
    return parts;
}

Value DatePartElements::focused(View* control) const
{
    const auto* owner = dynamic_cast<const DatePartsAccessibilityOwner*>(control);
    const int position = owner ? owner->accessibilityFocusedDatePart() : -1;
    return position >= 0 ? Value(at(control, position)) : Value();
}

void DatePartElements::valuesChanged(View* control) const
{
    const auto* owner = dynamic_cast<const DatePartsAccessibilityOwner*>(control);
    for (std::size_t i = 0; owner && i < elements_.size(); ++i) {
        const Value now = owner->accessibilityDatePartValueAt(int(i));
        if (!elements_[i] || announced_[i].isEqual(now))
            continue;
        announced_[i] = now;
        elements_[i]->accessibilityValueChanged();
    }
}

} // namespace kit
