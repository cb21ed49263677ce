#include "kit/core/Date.h"

#include <QDateTime>

#include <cmath>

namespace kit {

Date Date::date() { return dateWithTimeIntervalSince1970(static_cast<double>(QDateTime::currentMSecsSinceEpoch()) / 1000.0); }

QString Date::description() const
{
    const double ms = std::floor(timeIntervalSince1970() * 1000.0);
    return QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(ms), Qt::UTC).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss +0000"));
}

} // namespace kit
