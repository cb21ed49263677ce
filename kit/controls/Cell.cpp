#include "kit/controls/Cell.h"

#include "kit/appkit/Application.h"
#include "kit/appkit/View.h"
#include "kit/appkit/Window.h"
#include "kit/controls/CellDrawing.h"
#include "kit/controls/Control.h"
#include "kit/controls/ControlTextEditingDelegate.h"
#include "kit/foundation/NumberFormatter.h"
#include "kit/graphics/Color.h"
#include "kit/graphics/Image.h"

#include <QApplication>
#include <QStyle>
#include <QStyleOptionFrame>

#include <cmath>

namespace kit {

KIT_REGISTER_CLASS(Cell, Object)
{
    c.copyable();
    // The window clicks its default button cell by name.
    c.action("performClick", &Cell::performClick);
}

namespace {

// Horizontal room the field editor keeps on each side of the text; drawn text starts there too.
constexpr double TextInset = 2;

std::int64_t leadingInteger(const QString& s)
{
    bool ok = false;
    const double d = s.trimmed().toDouble(&ok);
    if (ok)
        return std::int64_t(d);
    // Leading digits, as a scanner would read them.
    QString digits;
    for (QChar c : s.trimmed()) {
        if (c.isDigit() || (digits.isEmpty() && (c == u'-' || c == u'+')))
            digits.append(c);
        else
            break;
    }
    return digits.toLongLong();
}

} // namespace

Cell::Cell() { s_.font = controlContentFontOfSize(systemFontSizeForControlSize(RegularControlSize)); }

Cell::Cell(const QString& text)
    : Cell()
{
    s_.value = Value(text);
}

Cell::Cell(Ref<Image> image)
    : Cell()
{
    s_.type = ImageCellType;
    s_.image = std::move(image);
}

Cell::~Cell() = default;

void Cell::copyTo(Object& copy) const
{
    Object::copyTo(copy);
    auto& c = static_cast<Cell&>(copy);
    c.s_ = s_;
    // Immutable and checked against the copy's own font and style at each use.
    c.titleAttributes_ = titleAttributes_;
}

void Cell::setType(CellType type)
{
    if (s_.type == type)
        return;
    s_.type = type;
    if (type == TextCellType && s_.value.isNil())
        s_.value = Value(QString());
    changed();
}

const Formatter* Cell::valueFormatter() const { return dynamic_cast<const Formatter*>(s_.formatter.get()); }

void Cell::setFormatter(Ref<Object> formatter)
{
    s_.formatter = std::move(formatter);
    changed();
}

QString Cell::plainStringForValue(const Value& value) const
{
    switch (value.kind()) {
    case Value::Kind::Nil:
        return {};
    case Value::Kind::String:
        return value.stringValue();
    case Value::Kind::Bool:
    case Value::Kind::Integer:
        return QString::number(value.integerValue());
    case Value::Kind::Real:
        return QString::number(value.doubleValue(), 'g', 15);
    default:
        return value.stringValue();
    }
}

QString Cell::stringValue() const
{
    if (const Formatter* formatter = valueFormatter()) {
        // A formatter that does not handle the value leaves it to the plain text.
        const QString text = formatter->stringForObjectValue(s_.value);
        if (!text.isNull())
            return text;
    }
    return plainStringForValue(s_.value);
}

struct Cell::TitleAttributes {
    QFont font;
    TextAlignment alignment;
    LineBreakMode lineBreakMode;
    Dictionary dictionary;
};

AttributedString Cell::attributedStringValue() const
{
    const TitleAttributes* made = titleAttributes_.get();
    if (!made || made->alignment != s_.alignment || made->lineBreakMode != s_.lineBreakMode || made->font != s_.font) {
        auto paragraph = make<ParagraphStyle>();
        paragraph->setAlignment(s_.alignment);
        paragraph->setLineBreakMode(s_.lineBreakMode);
        StringAttributes attributes;
        attributes.font = CellFont(s_.font);
        attributes.paragraphStyle = paragraph;
        titleAttributes_
            = std::make_shared<const TitleAttributes>(TitleAttributes { s_.font, s_.alignment, s_.lineBreakMode, attributes.dictionary() });
        made = titleAttributes_.get();
    }
    return AttributedString(stringValue(), made->dictionary);
}

std::int64_t Cell::integerValue() const
{
    if (s_.value.isString()) {
        // Text a formatter reads as a number counts as that number.
        Value number;
        if (const Formatter* formatter = valueFormatter();
            formatter && formatter->getObjectValueForStringErrorDescription(&number, s_.value.stringValue(), nullptr) && number.isNumber())
            return number.integerValue();
        return leadingInteger(s_.value.stringValue());
    }
    return s_.value.isNumber() ? s_.value.integerValue() : 0;
}

double Cell::doubleValue() const
{
    if (s_.value.isString()) {
        Value number;
        if (const Formatter* formatter = valueFormatter();
            formatter && formatter->getObjectValueForStringErrorDescription(&number, s_.value.stringValue(), nullptr) && number.isNumber())
            return number.doubleValue();
        return s_.value.stringValue().trimmed().toDouble();
    }
    return s_.value.isNumber() ? s_.value.doubleValue() : 0;
}

void Cell::setObjectValue(const Value& value)
{
    s_.value = value;
    s_.validValue = true;
    changed();
    accessibilityValueChanged();
}

void Cell::setStringValue(const QString& value)
{
    const Formatter* formatter = valueFormatter();
    if (!formatter) {
        setObjectValue(Value(value));
        return;
    }
    Value object;
    QString error;
    if (formatter->getObjectValueForStringErrorDescription(&object, value, &error)) {
        setObjectValue(object);
        return;
    }
    // The delegate of the control showing this cell may take the text as it is.
    const Ref<Cell> keep(this);
    if (const Ref<View> view = controlView(); view && view->respondsToSelector(Selector("delegate"))) {
        const Ref<Object> delegate = view->valueForKey(QStringLiteral("delegate")).object();
        auto* listener = dynamic_cast<ControlTextEditingDelegate*>(delegate.get());
        if (listener && delegate->respondsToSelector(Selector(ControlDidFailToFormatStringErrorDescriptionOperation))
            && listener->controlDidFailToFormatStringErrorDescription(dynamic_cast<Control*>(view.get()), value, error)) {
            setObjectValue(Value(value));
            return;
        }
    }
    s_.validValue = false;
}

void Cell::setIntegerValue(std::int64_t value) { setObjectValue(Value(value)); }
void Cell::setDoubleValue(double value) { setObjectValue(Value(value)); }

void Cell::setState(int state)
{
    if (state == MixedState && !s_.allowsMixedState)
        state = OnState;
    else if (state != MixedState && state != OffState)
        state = OnState;
    if (s_.state == state)
        return;
    s_.state = state;
    changed();
    accessibilityValueChanged();
}

void Cell::setAllowsMixedState(bool flag)
{
    s_.allowsMixedState = flag;
    if (!flag && s_.state == MixedState)
        setState(OnState);
}

int Cell::nextState() const
{
    if (s_.allowsMixedState) {
        switch (s_.state) {
        case OnState:
            return OffState;
        case OffState:
            return MixedState;
        default:
            return OnState;
        }
    }
    return s_.state == OffState ? OnState : OffState;
}

void Cell::setEnabled(bool flag)
{
    if (s_.enabled == flag)
        return;
    s_.enabled = flag;
    changed();
}

void Cell::setEditable(bool flag)
{
    s_.editable = flag;
    if (flag)
        s_.selectable = true;
}

void Cell::setSelectable(bool flag)
{
    s_.selectable = flag;
    if (!flag)
        s_.editable = false;
}

void Cell::setBordered(bool flag)
{
    s_.bordered = flag;
    if (flag)
        s_.bezeled = false;
    changed();
}

void Cell::setBezeled(bool flag)
{
    s_.bezeled = flag;
    if (flag)
        s_.bordered = false;
    changed();
}

void Cell::setHighlighted(bool flag)
{
    if (s_.highlighted == flag)
        return;
    s_.highlighted = flag;
    changed();
}

void Cell::setAlignment(TextAlignment alignment)
{
    s_.alignment = alignment;
    changed();
}

void Cell::setFont(const QFont& font)
{
    s_.font = font;
    changed();
}

void Cell::setControlSize(ControlSize size)
{
    s_.controlSize = size;
    changed();
}

void Cell::setLineBreakMode(LineBreakMode mode)
{
    s_.lineBreakMode = mode;
    changed();
}

void Cell::setImage(Ref<Image> image)
{
    s_.image = std::move(image);
    changed();
}

void Cell::setBackgroundStyle(BackgroundStyle style)
{
    s_.backgroundStyle = style;
    changed();
}

void Cell::setShowsFirstResponder(bool flag)
{
    s_.showsFirstResponder = flag;
    changed();
}

void Cell::setCellAttributeTo(CellAttribute attribute, int value)
{
    switch (attribute) {
    case CellDisabled:
        setEnabled(value == 0);
        break;
    case CellState:
        setState(value);
        break;
    case CellEditable:
        setEditable(value != 0);
        break;
    case CellHighlighted:
        setHighlighted(value != 0);
        break;
    case CellIsBordered:
        setBordered(value != 0);
        break;
    case CellAllowsMixedState:
        setAllowsMixedState(value != 0);
        break;
    default:
        break;
    }
}

int Cell::cellAttribute(CellAttribute attribute) const
{
    switch (attribute) {
    case CellDisabled:
        return !isEnabled();
    case CellState:
        return state();
    case CellEditable:
        return isEditable();
    case CellHighlighted:
        return isHighlighted();
    case CellIsBordered:
        return isBordered();
    case CellAllowsMixedState:
        return allowsMixedState();
    default:
        return 0;
    }
}

Ref<View> Cell::controlView() const { return s_.controlView.lock(); }
void Cell::setControlView(View* view) { s_.controlView = view; }

std::uint64_t Cell::sendActionOn(std::uint64_t mask)
{
    const std::uint64_t old = s_.actionMask;
    s_.actionMask = mask;
    return old;
}

Ref<Control> Cell::owningControl() const
{
    Ref<Control> control = dynamic_pointer_cast<Control>(controlView());
    return control && control->cell().get() == this ? control : nullptr;
}

bool Cell::sendActionFromCell()
{
    const Selector a = action();
    if (a.isNull())
        return false;
    if (const Ref<Control> control = owningControl())
        return control->sendActionTo(a, targetForSending());
    const Ref<Cell> keep(this);
    return Application::sharedApplication()->sendActionToFrom(a, targetForSending(), this);
}

// Geometry ----------------------------------------------------------------------------------------

namespace {
double borderWidth(const Cell& cell)
{
    if (cell.isBezeled())
        return QApplication::style()->pixelMetric(QStyle::PM_DefaultFrameWidth);
    return cell.isBordered() ? 1 : 0;
}
} // namespace

Size Cell::cellSize() const { return cellSizeForBounds(MakeRect(0, 0, 1e6, 1e6)); }

Size Cell::cellSizeForBounds(Rect bounds) const
{
    const double border = borderWidth(*this);
    Size content;
    if (s_.type == TextCellType) {
        const Size text = TextSize(stringValue(), s_.font);
        content = { text.width + 2 * TextInset, text.height };
    } else if (s_.type == ImageCellType && s_.image) {
        content = s_.image->size();
    }
    Size size { content.width + 2 * border, content.height + 2 * border };
    if (s_.type == TextCellType && wraps())
        size.width = std::min(size.width, bounds.width());
    return size;
}

Rect Cell::drawingRectForBounds(Rect bounds) const
{
    const double border = borderWidth(*this);
    return InsetRect(bounds, border, border);
}

Rect Cell::titleRectForBounds(Rect bounds) const
{
    const Rect r = drawingRectForBounds(bounds);
    return s_.type == TextCellType ? InsetRect(r, TextInset, 0) : r;
}

Rect Cell::imageRectForBounds(Rect bounds) const { return drawingRectForBounds(bounds); }

// Drawing -----------------------------------------------------------------------------------------

void Cell::drawWithFrameInView(Rect cellFrame, View* view)
{
    QPainter* painter = View::currentPainter();
    if (painter && (s_.bordered || s_.bezeled)) {
        UprightPainter up(painter, cellFrame, view && view->isFlipped());
        const QRectF box = up.map(cellFrame);
        if (s_.bezeled) {
            QStyleOptionFrame option;
            InitStyleOption(option, view, box, isEnabled(), false);
            if (showsFocusInBezel(view))
                option.state |= QStyle::State_HasFocus | QStyle::State_KeyboardFocusChange;
            option.lineWidth = QApplication::style()->pixelMetric(QStyle::PM_DefaultFrameWidth);
            QApplication::style()->drawPrimitive(QStyle::PE_FrameLineEdit, &option, painter);
        } else {
            painter->setPen(QApplication::palette().color(QPalette::WindowText));
            painter->setBrush(Qt::NoBrush);
            painter->drawRect(box.adjusted(0.5, 0.5, -0.5, -0.5));
        }
    }
    drawInteriorWithFrameInView(cellFrame, view);
}

bool Cell::showsFocusInBezel(const View* view) const { return ShowsFocusRing(view, s_.focusRingType); }

void Cell::drawInteriorWithFrameInView(Rect cellFrame, View* view)
{
    const bool flipped = view && view->isFlipped();
    if (s_.type == TextCellType) {
        // Through attributedStringValue, so formatted and restyled text is what shows.
        const QColor color = QApplication::palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled,
            s_.backgroundStyle == BackgroundStyleDark ? QPalette::HighlightedText : QPalette::Text);
        StringAttributes defaults;
        defaults.foregroundColor = Color::fromQColor(color);
        DrawCellAttributedTitle(attributedStringValue(), titleRectForBounds(cellFrame), defaults, flipped);
        return;
    }
    QPainter* painter = View::currentPainter();
    if (!painter || s_.type != ImageCellType || !s_.image)
        return;
    UprightPainter up(painter, cellFrame, flipped);
    const Rect box = imageRectForBounds(cellFrame);
    const Size fit = ImageFitSize(s_.image->size(), box.size, ImageScaleProportionallyDown);
    const Rect placed = MakeRect(box.midX() - fit.width / 2, box.midY() - fit.height / 2, fit.width, fit.height);
    DrawCellImage(*painter, *s_.image, up.map(placed), isEnabled() ? 1.0 : 0.5);
}

void Cell::highlightWithFrameInView(bool flag, Rect cellFrame, View* view)
{
    if (s_.highlighted == flag)
        return;
    setHighlighted(flag);
    if (view)
        view->setNeedsDisplayInRect(cellFrame);
}

Ref<Color> Cell::highlightColorWithFrameInView(Rect, View*) const { return nullptr; }

// Tracking ----------------------------------------------------------------------------------------

bool Cell::startTrackingAtInView(Point, View*) { return true; }
bool Cell::continueTrackingAtInView(Point, Point, View*) { return true; }
void Cell::stopTrackingAtInViewMouseIsUp(Point, Point, View*, bool) { }

void Cell::getPeriodicDelayInterval(double& delay, double& interval) const
{
    delay = 0.2;
    interval = 0.025;
}

bool Cell::trackMouseInRectOfViewUntilMouseUp(const Event& event, Rect cellFrame, View* view, bool untilMouseUp)
{
    const Ref<Cell> keep(this);
    const Ref<View> keepView(view);
    const Ref<Application> app = Application::sharedApplication();
    const auto local
        = [view](const Event& e) { return view ? view->convertPointFromView(e.locationInWindow(), nullptr) : e.locationInWindow(); };
    const auto inside = [view, cellFrame](Point p) { return view ? view->mouseInRect(p, cellFrame) : MouseInRect(p, cellFrame, false); };

    Point last = local(event);
    if (!startTrackingAtInView(last, view))
        return false;
    const std::uint64_t mask = actionMask();
    if (mask & LeftMouseDownMask)
        sendActionFromCell();

    // Periodic events, for continuous cells: a wait that times out at the due date is the event.
    double interval = 0;
    double due = DistantFuture;
    if (isContinuous()) {
        double delay = 0;
        getPeriodicDelayInterval(delay, interval);
        due = app->now() + delay;
    }
    for (;;) {
        const Ref<Event> e = app->nextEventMatchingMaskUntilDateInModeDequeue(
            LeftMouseUpMask | LeftMouseDraggedMask | PeriodicMask, due, EventTrackingRunLoopMode, true);
        if (!e) {
            if (!(app->now() >= due))
                return false; // nothing can arrive any more
            sendActionFromCell();
            while (due <= app->now())
                due += interval > 0 ? interval : 1;
            continue;
        }
        if (e->type() == EventType(PeriodicEventType)) {
            sendActionFromCell();
            continue;
        }
        const Point p = local(*e);
        if (e->type() == LeftMouseDragged) {
            if (!untilMouseUp && !inside(p)) {
                stopTrackingAtInViewMouseIsUp(last, p, view, false);
                return false;
            }
            if (!continueTrackingAtInView(last, p, view)) {
                stopTrackingAtInViewMouseIsUp(last, p, view, true);
                return untilMouseUp || inside(p);
            }
            if (mask & LeftMouseDraggedMask)
                sendActionFromCell();
            last = p;
            continue;
        }
        stopTrackingAtInViewMouseIsUp(last, p, view, true);
        return untilMouseUp || inside(p);
    }
}

void Cell::performClick(Object*)
{
    if (!isEnabled())
        return;
    const Ref<Cell> keep(this);
    const Ref<View> view = controlView();
    const Rect frame = view ? view->bounds() : ZeroRect;
    const auto show = [&view] {
        if (view && view->window())
            view->display();
    };
    highlightWithFrameInView(true, frame, view.get());
    show();
    setNextState();
    sendActionFromCell();
    highlightWithFrameInView(false, frame, view.get());
    show();
}

} // namespace kit
