#include "kit/core/Date.h"

#include "kit/core/Clock.h"

#include <QDateTime>

#include <cmath>

namespace kit {

// From the installed clock, so a test's manual clock moves dates too.
Date Date::date() { return dateWithTimeIntervalSince1970(Clock::currentNow()); }

QString Date::description() const
{
    const double ms = std::floor(timeIntervalSince1970() * 1000.0);
    return QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(ms), Qt::UTC).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss +0000"));
}

} // namespace kit
