#include "JVLAppKit/WBSmallDateControl/WBSmallDateControl.h"

#include "kit/appkit/Application.h"
#include "kit/appkit/Event.h"
#include "kit/appkit/FieldEditing.h"
#include "kit/appkit/Window.h"
#include "kit/controls/ControlTextEditingDelegate.h"
#include "kit/core/NotificationCenter.h"
#include "kit/foundation/Locale.h"
#include "kit/graphics/BezierPath.h"
#include "kit/graphics/Color.h"
#include "kit/graphics/Font.h"
#include "kit/graphics/GraphicsContext.h"
#include "kit/text/TextView.h"

#include <QDate>

#include <algorithm>
#include <cmath>
#include <tuple>

using namespace kit;

KIT_REGISTER_CLASS(WBSmallDateControl, kit::Control)
{
    c.action("handleStepperClick", &WBSmallDateControl::handleStepperClick);
    // The interface file's outlet.
    c.property(
        "stepper", [](const WBSmallDateControl& x) { return Value(x.stepper()); },
        [](WBSmallDateControl& x, const Value& v) { x.setStepper(v.objectAs<Stepper>()); });
    c.property(
        "delegate", [](const WBSmallDateControl& x) { return Value(x.delegate()); },
        [](WBSmallDateControl& x, const Value& v) { x.setDelegate(v.object().get()); });
    c.property("appearance", &WBSmallDateControl::appearance, &WBSmallDateControl::setAppearance);
    c.property("alignStepper", &WBSmallDateControl::alignStepper, &WBSmallDateControl::setAlignStepper);
    c.property("day", &WBSmallDateControl::day, &WBSmallDateControl::setDay);
    c.property("month", &WBSmallDateControl::month, &WBSmallDateControl::setMonth);
    c.property("year", &WBSmallDateControl::year, &WBSmallDateControl::setYear);
    c.optionalOperations({ TextViewShouldChangeTextInRangeReplacementStringOperation, TextViewDoCommandBySelectorOperation, TextDidEndEditingOperation });
}

namespace {

const QString wbAppearanceKey = QStringLiteral("WBSmallDateControlAppearance");
const QString wbAlignStepperKey = QStringLiteral("WBSmallDateControlAlignStepper");

// ASCII digits only: another script's digits would pass a Unicode test and then read as 0.
bool wbIsDigits(const QString& text)
{
    for (QChar c : text)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    return true;
}

// The digits as a number; -1 for an empty or non-digit text.
std::int64_t wbDigitsValue(const QString& text)
{
    if (text.isEmpty() || text.size() > 18 || !wbIsDigits(text))
        return -1;
    return text.toLongLong();
}

} // namespace

// Construction -------------------------------------------------------------------------------------

WBSmallDateControl::WBSmallDateControl(Rect frame)
    : Control(frame)
{
    alignStepper_ = true;
    appearance_ = AutomaticAppearance;
    finishInit();
}

WBSmallDateControl::~WBSmallDateControl() { observeDelegate(nullptr, false); }

void WBSmallDateControl::finishInit()
{
    usingFieldEditor_ = false;
    day_ = 1;
    month_ = 1;
    year_ = 2000;
    setEnabled(true);
    determineDateFormatInfo();
    interiorDesign();
}

void WBSmallDateControl::determineDateFormatInfo()
{
    const ShortDateFormat format = Locale::currentLocale()->shortDateFormat();
    separator_ = format.separator;
    // Display positions of month, day and year by order code; anything else reads day-month-year.
    static constexpr int positions[6][3] = { { 0, 1, 2 }, { 1, 0, 2 }, { 1, 2, 0 }, { 0, 2, 1 }, { 2, 0, 1 }, { 2, 1, 0 } };
    const int code = format.order >= 0 && format.order <= 5 ? int(format.order) : int(DateOrderDMY);
    monthLocation_ = positions[code][0];
    dayLocation_ = positions[code][1];
    yearLocation_ = positions[code][2];
}

Ref<TextFieldCell> WBSmallDateControl::makePartLikeCell(const QString& text) const
{
    auto cell = make<TextFieldCell>(text);
    cell->setDrawsBackground(true);
    cell->setEditable(true);
    cell->setBordered(false);
    cell->setControlSize(SmallControlSize);
    cell->setFont(Font::controlContentFontOfSize(Font::systemFontSizeForControlSize(SmallControlSize))->qFont());
    cell->setAlignment(RightTextAlignment);
    return cell;
}

void WBSmallDateControl::interiorDesign()
{
    // The old cells go: a part edited with one of them stops first.
    if (usingFieldEditor_)
        editOff();
    for (auto& cell : cells_) {
        if (cell)
            cell->setControlView(nullptr);
        cell = makePartLikeCell(QString());
        cell->setControlView(this);
        cell->setEnabled(isEnabled());
    }
    for (auto& cell : separatorCells_) {
        if (cell)
            cell->setControlView(nullptr);
        cell = makePartLikeCell(separator_);
        cell->setDrawsBackground(false);
        cell->setEditable(false);
        cell->setControlView(this);
        cell->setEnabled(isEnabled());
    }
    cells_[dayLocation_]->setTag(DayTag);
    cells_[monthLocation_]->setTag(MonthTag);
    cells_[yearLocation_]->setTag(YearTag);
    sizeToFit();
    updateCells();
    if (alignStepper_ && stepper_)
        alignStepperNow();
}

// The date --------------------------------------------------------------------------------------------

std::int64_t WBSmallDateControl::daysInMonth(std::int64_t month, std::int64_t year)
{
    static constexpr std::int64_t days[12] = { 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31 };
    if (month < 1 || month > 12)
        return 0;
    const bool leap = year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
    return month == 2 && leap ? 29 : days[month - 1];
}

CalendarDate WBSmallDateControl::date() const
{
    // A stored day past the month's end (setDay stores as given) runs on into the next month.
    const QDate day = QDate(int(year_), 1, 1).addMonths(int(month_ - 1)).addDays(day_ - 1);
    return CalendarDate::dateWithYearMonthDay(day.year(), day.month(), day.day());
}

void WBSmallDateControl::setDate(Date date)
{
    const CalendarDate local = CalendarDate::fromDate(date);
    // Year first: a month set against the old year would clamp 29 February away.
    setYear(local.yearOfCommonEra());
    setMonth(local.monthOfYear());
    setDay(local.dayOfMonth());
    updateCells();
}

void WBSmallDateControl::setMonth(std::int64_t month)
{
    month_ = month;
    const std::int64_t last = daysInMonth(month_, year_);
    // A month outside 1…12 has no last day to clamp to.
    if (last > 0 && day_ > last) {
        day_ = last;
        setNeedsDisplay(true);
    }
}

void WBSmallDateControl::setYear(std::int64_t year)
{
    year_ = year;
    const std::int64_t last = daysInMonth(month_, year_);
    if (last > 0 && day_ > last) {
        day_ = last;
        setNeedsDisplay(true);
    }
}

std::int64_t WBSmallDateControl::minimumForTag(std::int64_t tag) const { return tag == YearTag ? 1000 : 1; }

std::int64_t WBSmallDateControl::maximumForTag(std::int64_t tag) const
{
    switch (tag) {
    case DayTag:
        // This control's own month and year: never another control's.
        return daysInMonth(month_, year_);
    case MonthTag:
        return 12;
    default:
        return 9999;
    }
}

std::int64_t WBSmallDateControl::valueForTag(std::int64_t tag) const
{
    return tag == DayTag ? day_ : tag == MonthTag ? month_ : year_;
}

void WBSmallDateControl::setValueForTag(std::int64_t tag, std::int64_t value)
{
    if (tag == DayTag)
        setDay(value);
    else if (tag == MonthTag)
        setMonth(value);
    else
        setYear(value);
}

std::int64_t WBSmallDateControl::tagAtPosition(int position) const
{
    return position == dayLocation_ ? DayTag : position == monthLocation_ ? MonthTag : YearTag;
}

int WBSmallDateControl::positionOfTag(std::int64_t tag) const
{
    return tag == DayTag ? dayLocation_ : tag == MonthTag ? monthLocation_ : yearLocation_;
}

QString WBSmallDateControl::dayString(std::int64_t day) { return QStringLiteral("%1").arg(day, 2, 10, QLatin1Char('0')); }
QString WBSmallDateControl::monthString(std::int64_t month) { return QStringLiteral("%1").arg(month, 2, 10, QLatin1Char('0')); }
QString WBSmallDateControl::yearString(std::int64_t year) { return QString::number(year); }

// Settings ------------------------------------------------------------------------------------------

void WBSmallDateControl::setSelected(std::int64_t position)
{
    selected_ = std::clamp<std::int64_t>(position, 0, PartCount - 1);
    updateStepperValue();
    setNeedsDisplay(true);
}

void WBSmallDateControl::setAlignStepper(bool flag)
{
    alignStepper_ = flag;
    if (flag && stepper_)
        alignStepperNow();
}

void WBSmallDateControl::setAppearance(std::int64_t appearance)
{
    if (appearance == appearance_)
        return;
    appearance_ = appearance;
    interiorDesign();
    setNeedsDisplay(true);
}

void WBSmallDateControl::setStepper(Ref<Stepper> stepper) { stepper_ = std::move(stepper); }

void WBSmallDateControl::setEnabled(bool flag)
{
    if (flag == isEnabled())
        return;
    if (!flag && usingFieldEditor_)
        editOff();
    for (const auto& cell : cells_)
        if (cell)
            cell->setEnabled(flag);
    for (const auto& cell : separatorCells_)
        if (cell)
            cell->setEnabled(flag);
    if (stepper_)
        stepper_->setEnabled(flag);
    Control::setEnabled(flag);
}

void WBSmallDateControl::setDelegate(Object* delegate)
{
    // Not the base subscription: the delegate hears only the end of editing.
    if (delegate_.lock().get() == delegate)
        return;
    observeDelegate(nullptr, false);
    delegate_ = delegate;
    if (delegate)
        observeDelegate(delegate, true);
}

void WBSmallDateControl::observeDelegate(Object* delegate, bool observe)
{
    const Ref<NotificationCenter> center = NotificationCenter::defaultCenter();
    if (!observe) {
        // By identity, so that a delegate freed before us leaves nothing behind either.
        if (Object* old = const_cast<Object*>(delegate_.unsafeRaw()))
            center->removeObserverNameObject(old, QString(), this);
        return;
    }
    auto* listener = dynamic_cast<ControlTextEditingDelegate*>(delegate);
    if (!listener || !delegate->respondsToSelector(Selector(ControlTextDidEndEditingOperation)))
        return;
    center->addObserverSelectorNameObject(
        delegate, [listener](Notification* n) { listener->controlTextDidEndEditing(n); }, ControlTextDidEndEditingNotification, this);
}

// Cells, size and stepper ---------------------------------------------------------------------------

void WBSmallDateControl::updateCells()
{
    const std::int64_t values[PartCount] = { day_, month_, year_ };
    if (usingFieldEditor_) {
        if (auto* editing = dynamic_cast<FieldEditing*>(fieldEditor().get())) {
            const std::int64_t tag = tagAtPosition(int(selected_));
            const QString text = tag == YearTag ? yearString(values[tag]) : dayString(values[tag]);
            editing->setEditorString(text);
            editing->setEditorSelectedRange({ 0, text.size() });
        }
    }
    cells_[dayLocation_]->setStringValue(dayString(day_));
    cells_[monthLocation_]->setStringValue(monthString(month_));
    cells_[yearLocation_]->setStringValue(yearString(year_));
    setNeedsDisplay(true);
    accessibilityValueChanged();
    parts_.valuesChanged(this);
}

void WBSmallDateControl::updateStepperValue()
{
    if (!stepper_)
        return;
    const std::int64_t tag = tagAtPosition(int(selected_));
    stepper_->setMinValue(double(minimumForTag(tag)));
    stepper_->setMaxValue(double(maximumForTag(tag)));
    stepper_->setIntegerValue(valueForTag(tag));
    stepperMidValue_ = double(valueForTag(tag));
}

void WBSmallDateControl::handleStepperClick(Object*)
{
    if (!stepper_)
        return;
    const Ref<WBSmallDateControl> keep(this);
    const auto before = std::tuple(day_, month_, year_);
    setValueForTag(tagAtPosition(int(selected_)), stepper_->integerValue());
    updateCells();
    // The click took the focus (an edit ended before it with the old date) or came while nothing
    // was edited: an owner that commits on the end of editing hears of the stepped date here.
    if (before == std::tuple(day_, month_, year_))
        return;
    Dictionary info { { Value(TextMovementKey), Value(std::int64_t(OtherTextMovement)) } };
    if (usingFieldEditor_)
        if (const Ref<Responder> editor = fieldEditor())
            info.setObjectForKey(Value(editor), Value(FieldEditorKey));
    NotificationCenter::defaultCenter()->postNotificationNameObjectUserInfo(ControlTextDidEndEditingNotification, this, info);
}

void WBSmallDateControl::sizeToFit()
{
    // Measured as a part draws, with the layouter the field editor uses: typed text does not jump.
    const Ref<TextFieldCell> measure = makePartLikeCell(QStringLiteral("99"));
    const Size two = measure->cellSize();
    measure->setStringValue(QStringLiteral("9999"));
    const Size four = measure->cellSize();
    measure->setStringValue(separator_);
    const Size sep = measure->cellSize();

    Size sizes[PartCount];
    for (int p = 0; p < PartCount; ++p)
        sizes[p] = tagAtPosition(p) == YearTag ? four : two;
    rects_[0] = MakeRect(1, MarkerBandHeight, sizes[0].width, sizes[0].height);
    separatorRects_[0] = MakeRect(std::floor(rects_[0].width() + 1) - 0.5, MarkerBandHeight, sep.width, sep.height);
    rects_[1] = MakeRect(std::floor(separatorRects_[0].minX() + sep.width) - 0.5, MarkerBandHeight, sizes[1].width, sizes[1].height);
    separatorRects_[1] = MakeRect(std::floor(rects_[1].width() + rects_[1].minX()) - 0.5, MarkerBandHeight, sep.width, sep.height);
    rects_[2] = MakeRect(std::floor(sep.width + separatorRects_[1].minX() - 0.5), MarkerBandHeight, sizes[2].width, sizes[2].height);

    const double pad = isFlatAppearance() ? 1 : 2;
    setFrameSize(MakeSize(std::floor(pad + 2 * two.width + four.width + 2 * sep.width), std::floor(two.height) + 13));
}

void WBSmallDateControl::alignStepperNow()
{
    const Ref<View> superview = this->superview();
    if (!stepper_ || !superview)
        return;
    const Rect f = frame();
    const Size size = stepper_->frame().size;
    // Top edges level: in a flipped superview the top is the smaller y.
    const double y = superview->isFlipped() ? std::floor(f.minY()) : std::floor(f.minY() + f.height() - size.height);
    Rect placed = MakeRect(std::floor(f.minX() + f.width() + 2), y, std::floor(size.width), std::floor(size.height));
    if (const Ref<View> stepperSuper = stepper_->superview(); stepperSuper && stepperSuper != superview)
        placed = stepperSuper->convertRectFromView(placed, superview.get());
    stepper_->setFrame(placed);
}

void WBSmallDateControl::awakeFromNib()
{
    setSelected(0);
    updateStepperValue();
    if (alignStepper_ && stepper_)
        alignStepperNow();
}

void WBSmallDateControl::encodeWithCoder(Coder& coder) const
{
    Control::encodeWithCoder(coder);
    coder.encodeIntegerForKey(appearance_, wbAppearanceKey);
    coder.encodeBoolForKey(alignStepper_, wbAlignStepperKey);
}

void WBSmallDateControl::initWithCoder(Coder& coder)
{
    Control::initWithCoder(coder);
    if (coder.containsValueForKey(wbAlignStepperKey))
        alignStepper_ = coder.decodeBoolForKey(wbAlignStepperKey);
    if (coder.containsValueForKey(wbAppearanceKey))
        setAppearance(coder.decodeIntegerForKey(wbAppearanceKey));
}

// Editing -------------------------------------------------------------------------------------------

Ref<Responder> WBSmallDateControl::fieldEditor() const
{
    const Ref<Window> w = window();
    return w ? w->fieldEditorForObject(false, const_cast<WBSmallDateControl*>(this)) : nullptr;
}

void WBSmallDateControl::editCell(int position)
{
    const Ref<Window> w = window();
    if (!w || position < 0 || position >= PartCount)
        return;
    const Ref<WBSmallDateControl> keep(this);
    const Ref<Responder> editor = w->fieldEditorForObject(true, this);
    const Ref<TextFieldCell> cell = cells_[position];
    // The part being edited stands for the focus: it is chosen first, so that the window, handing
    // the keys to the editor, announces this part; an editor that has the keys already moves on
    // quietly, and the part is announced here.
    const bool editorHadTheKeys = w->firstResponder().get() == editor.get();
    usingFieldEditor_ = true;
    setSelected(position);
    cell->setUpFieldEditorAttributes(editor.get());
    cell->selectWithFrameInViewEditorDelegateStartLength(rects_[position], this, editor.get(), this, 0, cell->stringValue().size());
    usingFieldEditor_ = true;
    if (editorHadTheKeys)
        accessibilityFocusedUIElementChanged();
}

void WBSmallDateControl::editOff()
{
    const Ref<Responder> editor = fieldEditor();
    cells_[selected_]->endEditing(editor.get());
    usingFieldEditor_ = false;
    setNeedsDisplay(true);
}

bool WBSmallDateControl::acceptNewValueInSelectedCell(Responder* editor)
{
    if (auto* editing = dynamic_cast<FieldEditing*>(editor)) {
        const std::int64_t tag = tagAtPosition(int(selected_));
        const std::int64_t value = wbDigitsValue(editing->editorString());
        if (value >= minimumForTag(tag) && value <= maximumForTag(tag))
            setValueForTag(tag, value);
    }
    updateCells();
    return true;
}

bool WBSmallDateControl::textViewShouldChangeTextInRangeReplacementString(TextView* view, Range range, const QString& replacement)
{
    const std::int64_t tag = tagAtPosition(int(selected_));
    if (tag == YearTag ? (range.location > 3 || replacement.size() > 4) : (range.location > 1 || replacement.size() >= 3))
        return false;
    if (!wbIsDigits(replacement))
        return false;
    if (stepper_ && view) {
        QString after = view->string();
        const qsizetype at = std::min<qsizetype>(range.location, after.size());
        after.replace(at, std::min<qsizetype>(range.length, after.size() - at), replacement);
        const std::int64_t value = wbDigitsValue(after);
        if (value >= minimumForTag(tag) && value <= maximumForTag(tag))
            stepper_->setIntegerValue(value);
        else
            stepper_->setDoubleValue(stepperMidValue_);
    }
    return true;
}

bool WBSmallDateControl::textViewDoCommandBySelector(TextView* view, Selector action)
{
    const int delta = action == Selector("moveUp") ? 1 : action == Selector("moveDown") ? -1 : 0;
    if (delta == 0 || !usingFieldEditor_)
        return false;
    const Ref<WBSmallDateControl> keep(this);
    // Digits typed so far count: the step starts from them.
    acceptNewValueInSelectedCell(view);
    stepPart(int(selected_), delta);
    return true;
}

void WBSmallDateControl::stepPart(int position, int delta)
{
    const std::int64_t tag = tagAtPosition(position);
    const std::int64_t low = minimumForTag(tag);
    const std::int64_t count = maximumForTag(tag) - low + 1;
    if (count <= 0)
        return;
    setValueForTag(tag, low + ((valueForTag(tag) - low + delta) % count + count) % count);
    updateCells();
    if (position == selected_)
        updateStepperValue();
}

void WBSmallDateControl::textDidEndEditing(Notification* notification)
{
    const Ref<WBSmallDateControl> keep(this);
    const Ref<Responder> editor = notification ? dynamic_pointer_cast<Responder>(notification->object()) : nullptr;
    const auto before = std::tuple(day_, month_, year_);
    acceptNewValueInSelectedCell(editor.get());
    cells_[selected_]->endEditing(editor.get());
    // The marker click on the selected part hides an end that changed nothing; a changed date is
    // always told, or an owner that commits on the end would lose it.
    if (!notReallyTheEnd_ || before != std::tuple(day_, month_, year_)) {
        Dictionary info = notification ? notification->userInfo() : Dictionary();
        if (editor)
            info.setObjectForKey(Value(editor), Value(FieldEditorKey));
        NotificationCenter::defaultCenter()->postNotificationNameObjectUserInfo(ControlTextDidEndEditingNotification, this, info);
    }
    notReallyTheEnd_ = false;
    usingFieldEditor_ = false;
    setNeedsDisplay(true);

    const std::int64_t movement = notification ? notification->userInfo().objectForKey(Value(TextMovementKey)).integerValue() : 0;
    const Ref<Window> w = window();
    if (!w)
        return;
    if (movement == BacktabTextMovement) {
        if (selected_ > 0) {
            editCell(int(selected_ - 1));
        } else {
            w->selectKeyViewPrecedingView(this);
            if (w->firstResponder().get() == w.get())
                editCell(PartCount - 1);
        }
    } else if (movement == TabTextMovement) {
        if (selected_ < PartCount - 1) {
            editCell(int(selected_ + 1));
        } else {
            w->selectKeyViewFollowingView(this);
            if (w->firstResponder().get() == w.get())
                editCell(0);
        }
    } else if (movement == ReturnTextMovement && !sendActionTo(action(), Weak<Object>(target()))) {
        // Nobody took the action: the key goes to the control, then to the window (its default button).
        if (const Ref<Event> event = Application::sharedApplication()->currentEvent(); event && event->type() == KeyDown)
            if (!performKeyEquivalent(*event))
                w->performKeyEquivalent(*event);
    }
}

bool WBSmallDateControl::becomeFirstResponder()
{
    if (!Control::becomeFirstResponder())
        return false;
    const Ref<Window> w = window();
    editCell(w && w->keyViewSelectionDirection() == SelectingPrevious ? PartCount - 1 : 0);
    return true;
}

void WBSmallDateControl::mouseDown(const Event& event)
{
    if (!isEnabled())
        return;
    const Ref<WBSmallDateControl> keep(this);
    // A session the kit ended by itself (the control left its window) leaves nothing being edited.
    if (usingFieldEditor_ && !cells_[selected_]->isEditingWithFieldEditor())
        usingFieldEditor_ = false;
    const Point p = convertPointFromView(event.locationInWindow(), nullptr);
    const double separatorWidth = separatorRects_[0].width();
    for (int i = 0; i < PartCount; ++i) {
        const Rect marker = MakeRect(rects_[i].minX() - separatorWidth / 2, 0, rects_[i].width() + separatorWidth, MarkerBandHeight);
        if (!mouseInRect(p, marker))
            continue;
        if (i == selected_)
            notReallyTheEnd_ = true;
        if (usingFieldEditor_)
            editOff();
        editCell(i);
        return;
    }
    for (int i = 0; i < PartCount; ++i) {
        if (!mouseInRect(p, rects_[i]))
            continue;
        if (usingFieldEditor_ && i == selected_)
            return;
        if (usingFieldEditor_) {
            editOff();
            editCell(i);
            return;
        }
        if (const Ref<Window> w = window()) {
            w->endEditingFor(nullptr);
            w->makeFirstResponder(this);
        }
        // Becoming first responder may have started on a part of its own.
        if (usingFieldEditor_ && i == selected_)
            return;
        if (usingFieldEditor_)
            editOff();
        editCell(i);
        return;
    }
}

// Drawing -------------------------------------------------------------------------------------------

void WBSmallDateControl::drawRect(Rect)
{
    const Rect b = bounds();
    const bool flat = isFlatAppearance();
    const Rect field = flat ? MakeRect(b.minX(), 8, b.width(), b.height() - 10) : MakeRect(b.minX(), 6, b.width(), b.height() - 6);
    Color::whiteColor()->set();
    RectFill(field);

    const double x = field.minX(), y = field.minY(), w = field.width(), h = field.height();
    if (flat) {
        Color::colorWithCalibratedRedGreenBlueAlpha(158.0 / 255.0, 158.0 / 255.0, 158.0 / 255.0, 1)->set();
        FrameRect(field);
    } else {
        Color::colorWithDeviceWhiteAlpha(0.3333, 1)->set();
        BezierPath::strokeLineFromPointToPoint(MakePoint(x + 0.5, y + 1), MakePoint(x + 0.5, y + h));
        BezierPath::strokeLineFromPointToPoint(MakePoint(x, y + h - 0.5), MakePoint(x + w, y + h - 0.5));
        BezierPath::strokeLineFromPointToPoint(MakePoint(x + 1.5, y + 2), MakePoint(x + 1.5, y + h - 1));
        BezierPath::strokeLineFromPointToPoint(MakePoint(x + 1, y + h - 1.5), MakePoint(x + w - 1, y + h - 1.5));
        Color::colorWithDeviceWhiteAlpha(0.6667, 1)->set();
        BezierPath::strokeLineFromPointToPoint(MakePoint(x + 1, y + 1.5), MakePoint(x + w - 1, y + 1.5));
        BezierPath::strokeLineFromPointToPoint(MakePoint(x + w - 1.5, y + 1), MakePoint(x + w - 1.5, y + h - 2));
    }

    if (isEnabled()) {
        const Rect part = rects_[selected_];
        const double m = std::floor(part.minX() + part.width() / 2);
        // The default line width belongs to the graphics state: saved and restored around the caret.
        GraphicsContext::saveCurrentGraphicsState();
        Color::colorWithDeviceWhiteAlpha(0.5765, 1)->set();
        BezierPath::setDefaultLineWidth(2);
        BezierPath::strokeLineFromPointToPoint(MakePoint(m - 4, 1), MakePoint(m, 5));
        BezierPath::strokeLineFromPointToPoint(MakePoint(m, 5), MakePoint(m + 4, 1));
        GraphicsContext::restoreCurrentGraphicsState();
    }

    for (int i = 0; i < SeparatorCount; ++i)
        separatorCells_[i]->drawWithFrameInView(separatorRects_[i], this);
    for (int i = 0; i < PartCount; ++i)
        cells_[i]->drawWithFrameInView(rects_[i], this);
}

// Accessibility ----------------------------------------------------------------------------------

QStringList WBSmallDateControl::accessibilityAttributeNames() const
{
    return kit::ViewAccessibilityAttributeNames() << kit::AccessibilityTitleAttribute << kit::AccessibilityValueAttribute
                                                  << kit::AccessibilityHelpAttribute;
}

kit::Value WBSmallDateControl::accessibilityAttributeValue(const QString& attribute) const
{
    QStringList texts;
    for (int position = 0; position < PartCount; ++position)
        texts << cells_[position]->stringValue();
    const QString shown = texts.join(separator_);
    const bool named = !accessibilityDatePartsName().isEmpty();
    if (attribute == kit::AccessibilityRoleAttribute)
        return kit::Value(kit::AccessibilityGroupRole);
    if (attribute == kit::AccessibilityRoleDescriptionAttribute)
        return kit::Value(kit::AccessibilityRoleDescription(kit::AccessibilityGroupRole));
    // Called by the date it shows; what it is for (its tool tip) is its description.
    if (attribute == kit::AccessibilityTitleAttribute || attribute == kit::AccessibilityValueAttribute)
        return kit::Value(shown);
    if (attribute == kit::AccessibilityHelpAttribute)
        return named ? kit::Value(accessibilityDatePartsName()) : kit::Value();
    if (attribute == kit::AccessibilityChildrenAttribute)
        return kit::Value(parts_.children(const_cast<WBSmallDateControl*>(this)));
    if (attribute == kit::AccessibilityEnabledAttribute)
        return kit::Value(isEnabled());
    // While a part has the keys, that part is the one focused element.
    if (attribute == kit::AccessibilityFocusedAttribute && accessibilityFocusedDatePart() >= 0)
        return kit::Value(false);
    return kit::ViewAccessibilityAttributeValue(*this, attribute);
}

bool WBSmallDateControl::accessibilityIsAttributeSettable(const QString& attribute) const
{
    return attribute == kit::AccessibilityFocusedAttribute && window() && acceptsFirstResponder();
}

void WBSmallDateControl::accessibilitySetValueForAttribute(const kit::Value& value, const QString& attribute)
{
    if (value.boolValue() && accessibilityIsAttributeSettable(attribute))
        window()->makeFirstResponder(this);
}

QString WBSmallDateControl::accessibilityDatePartsName() const
{
    const kit::Value overridden = accessibilityOverrideValue(kit::AccessibilityTitleAttribute);
    return overridden.isNil() ? toolTip() : overridden.string();
}

kit::Value WBSmallDateControl::accessibilityFocusedUIElement() const
{
    const kit::Value part = parts_.focused(const_cast<WBSmallDateControl*>(this));
    return part.isObject() ? part : self();
}

kit::DatePickerCell::Element WBSmallDateControl::accessibilityDatePartAt(int position) const
{
    const std::int64_t tag = tagAtPosition(position);
    return tag == DayTag ? kit::DatePickerCell::Day : tag == MonthTag ? kit::DatePickerCell::Month : kit::DatePickerCell::Year;
}

kit::Value WBSmallDateControl::accessibilityDatePartValueAt(int position) const { return kit::Value(valueForTag(tagAtPosition(position))); }

int WBSmallDateControl::accessibilityFocusedDatePart() const
{
    // The field editor edits the selected part while the control has the keys.
    return usingFieldEditor_ && kit::ViewAccessibilityAttributeValue(*this, kit::AccessibilityFocusedAttribute).boolValue() ? int(selected_) : -1;
}

void WBSmallDateControl::accessibilityFocusDatePart(int position)
{
    const Ref<WBSmallDateControl> keep(this);
    if (const Ref<Window> w = window(); w && !usingFieldEditor_)
        w->makeFirstResponder(this);
    if (usingFieldEditor_ && position != selected_) {
        editOff();
        editCell(position);
    }
}

void WBSmallDateControl::accessibilityStepDatePart(int position, int delta)
{
    if (!isEnabled())
        return;
    const Ref<WBSmallDateControl> keep(this);
    stepPart(position, delta);
}
