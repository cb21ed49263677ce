#pragma once

// Points in time as seconds since 2001-01-01 UTC, read from kit::Clock, and calendar dates in
// the local time zone with the few fields and the formatting the components use.

#include <QString>

#include <compare>

namespace kit {

using TimeInterval = double;

class Date {
public:
    // Seconds between 1970-01-01 and 2001-01-01 UTC.
    static constexpr TimeInterval timeIntervalBetween1970AndReferenceDate = 978307200.0;

    constexpr Date() = default;
    constexpr explicit Date(TimeInterval sinceReferenceDate)
        : seconds_(sinceReferenceDate)
    { }

    // Now, from the installed kit::Clock (a test's manual clock included).
    static Date date();
    static Date dateWithTimeIntervalSinceNow(TimeInterval seconds);
    static constexpr Date dateWithTimeIntervalSince1970(TimeInterval seconds)
    {
        return Date(seconds - timeIntervalBetween1970AndReferenceDate);
    }
    static constexpr Date distantFuture() { return Date(63113904000.0); }
    static constexpr Date distantPast() { return Date(-63114076800.0); }

    constexpr TimeInterval timeIntervalSinceReferenceDate() const { return seconds_; }
    constexpr TimeInterval timeIntervalSince1970() const { return seconds_ + timeIntervalBetween1970AndReferenceDate; }
    constexpr TimeInterval timeIntervalSinceDate(Date other) const { return seconds_ - other.seconds_; }
    TimeInterval timeIntervalSinceNow() const;
    constexpr Date dateByAddingTimeInterval(TimeInterval seconds) const { return Date(seconds_ + seconds); }

    // "2001-01-01 00:00:00 +0000".
    QString description() const;

    friend constexpr bool operator==(Date, Date) = default;
    friend constexpr auto operator<=>(Date, Date) = default;

private:
    TimeInterval seconds_ = 0;
};

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
