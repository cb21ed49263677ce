#pragma once

// A moment in time as seconds since the reference date, 2001-01-01 00:00:00 UTC.

#include <QString>

namespace kit {

using TimeInterval = double;

class Date {
public:
    constexpr Date() = default;
    constexpr explicit Date(TimeInterval sinceReferenceDate)
        : t_(sinceReferenceDate)
    { }

    static Date date(); // now, from the system clock
    static constexpr Date dateWithTimeIntervalSince1970(TimeInterval t) { return Date(t - timeIntervalBetween1970AndReferenceDate); }
    static constexpr Date distantFuture() { return Date(63113904000.0); }
    static constexpr Date distantPast() { return Date(-63114076800.0); }

    constexpr TimeInterval timeIntervalSinceReferenceDate() const { return t_; }
    constexpr TimeInterval timeIntervalSince1970() const { return t_ + timeIntervalBetween1970AndReferenceDate; }
    constexpr TimeInterval timeIntervalSinceDate(Date other) const { return t_ - other.t_; }
    constexpr Date dateByAddingTimeInterval(TimeInterval t) const { return Date(t_ + t); }

    // "2001-01-01 00:00:00 +0000".
    QString description() const;

    friend constexpr bool operator==(Date, Date) = default;
    friend constexpr auto operator<=>(Date, Date) = default;

    static constexpr TimeInterval timeIntervalBetween1970AndReferenceDate = 978307200.0;

private:
    TimeInterval t_ = 0;
};

} // namespace kit
