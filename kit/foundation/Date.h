#pragma once

// Calendar dates in the local time zone with the few fields and the formatting the components
// use, and the time stamp for file operations.

#include "kit/core/Date.h"

#include <QString>

namespace kit {

// A date seen in the local time zone (or a given fixed offset).
class CalendarDate {
public:
    // Local midnight of the given day; a midnight that does not exist (a daylight-saving jump at
    // midnight) moves forward to the first existing time of that day.
    static CalendarDate dateWithYearMonthDay(int year, int month, int day);
    // `date` seen in the local time zone.
    static CalendarDate fromDate(Date date);

    Date date() const { return date_; }
    int yearOfCommonEra() const { return year_; }
    int monthOfYear() const { return month_; }
    int dayOfMonth() const { return day_; }
    int hourOfDay() const { return hour_; }
    int minuteOfHour() const { return minute_; }
    int secondOfMinute() const { return second_; }
    int millisecond() const { return millisecond_; }
    // Offset of the local zone from UTC at this date, in seconds (east positive).
    int offsetFromUTC() const { return offset_; }

    // Formats with %Y %m %d %H %M %S %z ("+hhmm") %F (milliseconds, three digits) %y %e %j and %%.
    QString descriptionWithCalendarFormat(const QString& format) const;

private:
    Date date_;
    int year_ = 2001, month_ = 1, day_ = 1, hour_ = 0, minute_ = 0, second_ = 0, millisecond_ = 0, offset_ = 0;
};

// "%Y%m%d%H%M%S%z%F" of now, with a per-process counter appended so that stamps made in the same
// millisecond stay distinct.
QString timeStampForFileOperation();

} // namespace kit
