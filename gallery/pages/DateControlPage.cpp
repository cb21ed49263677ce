#include "gallery/pages/DateControlPage.h"

#include "gallery/pages/GallerySwatch.h"

#include "JVLAppKit/WBSmallDateControl/WBSmallDateControl.h"
#include "kit/controls/ControlTextEditingDelegate.h"
#include "kit/controls/TextField.h"
#include "kit/core/NotificationCenter.h"
#include "kit/foundation/Locale.h"

namespace {

using namespace kit;

class DateControlPageView : public View, public ControlTextEditingDelegate {
    KIT_CLASS(DateControlPageView)
public:
    explicit DateControlPageView(Rect frame)
        : View(frame)
    {
        setAutoresizingMask(ViewWidthSizable | ViewHeightSizable);
    }

    Ref<TextField> shown;

    // ControlTextEditingDelegate:
    void controlTextDidEndEditing(Notification* n) override
    {
        const Ref<WBSmallDateControl> control = dynamic_pointer_cast<WBSmallDateControl>(n->object());
        if (!control)
            return;
        // In the locale's short-date order and separator, as the control shows its parts.
        const ShortDateFormat format = Locale::currentLocale()->shortDateFormat();
        const CalendarDate date = control->date();
        QStringList parts(3);
        parts[control->positionOfTag(WBSmallDateControl::DayTag)] = WBSmallDateControl::dayString(date.dayOfMonth());
        parts[control->positionOfTag(WBSmallDateControl::MonthTag)] = WBSmallDateControl::monthString(date.monthOfYear());
        parts[control->positionOfTag(WBSmallDateControl::YearTag)] = WBSmallDateControl::yearString(date.yearOfCommonEra());
        shown->setStringValue(QStringLiteral("Edited date: %1").arg(parts.join(format.separator)));
    }
};

KIT_REGISTER_CLASS(DateControlPageView, View) { c.optionalOperation(ControlTextDidEndEditingOperation); }

} // namespace

Ref<View> makeDateControlPage(Rect frame)
{
    const double top = frame.height() - 16;
    auto page = make<DateControlPageView>(frame);
    View* v = page.get();

    galleryLabel(MakeRect(16, top - 20, 220, 20), QStringLiteral("Flat, with an aligned stepper:"), v);
    auto flat = make<WBSmallDateControl>(MakeRect(240, top - 26, 10, 10));
    flat->setToolTip(QStringLiteral("Date, flat"));
    v->addSubview(flat.get());
    auto stepper = make<Stepper>(MakeRect(0, 0, 13, 22));
    stepper->setToolTip(QStringLiteral("Steps the chosen part of the date"));
    v->addSubview(stepper.get());
    stepper->setTarget(flat.get());
    stepper->setAction(Selector("handleStepperClick"));
    flat->setStepper(stepper);
    flat->setDelegate(v);
    flat->setDate(CalendarDate::dateWithYearMonthDay(2024, 1, 31).date());
    flat->awakeFromNib();

    galleryLabel(MakeRect(16, top - 60, 220, 20), QStringLiteral("Bevelled, without a stepper:"), v);
    auto bevelled = make<WBSmallDateControl>(MakeRect(240, top - 66, 10, 10));
    bevelled->setAppearance(WBSmallDateControl::BorderedAppearance);
    bevelled->setToolTip(QStringLiteral("Date, bevelled"));
    v->addSubview(bevelled.get());
    bevelled->setDelegate(v);
    bevelled->setDate(CalendarDate::dateWithYearMonthDay(2000, 2, 29).date());
    bevelled->awakeFromNib();

    page->shown = galleryLabel(MakeRect(16, top - 104, 420, 20), QStringLiteral("Edited date: (click or tab into a part, type digits or step)"), v);
    galleryMarkStatusLine(page->shown->accessibilityElement());
    galleryLabel(MakeRect(16, top - 128, 560, 20), QStringLiteral("Change the month of 31 January to February: the day follows the month's end."), v);
    return page;
}
