#include "kit/foundation/Date.h"

#include "kit/foundation/Clock.h"

#include <QDateTime>
#include <QTimeZone>

#include <atomic>
#include <cmath>
#include <cstdlib>

namespace kit {

CalendarDate CalendarDate::fromDate(Date date)
{
    CalendarDate c;
    c.date_ = date;
    const double since1970 = date.timeIntervalSince1970();
    const double wholeSeconds = std::floor(since1970);
    const auto ms = qint64(wholeSeconds) * 1000 + qint64(std::floor((since1970 - wholeSeconds) * 1000.0));
    const QDateTime local = QDateTime::fromMSecsSinceEpoch(ms, Qt::LocalTime);
    c.year_ = local.date().year();
    c.month_ = local.date().month();
    c.day_ = local.date().day();
    c.hour_ = local.time().hour();
    c.minute_ = local.time().minute();
    c.second_ = local.time().second();
    c.millisecond_ = local.time().msec();
    c.offset_ = local.offsetFromUtc();
    return c;
}

CalendarDate CalendarDate::dateWithYearMonthDay(int year, int month, int day)
{
    const QDate d(year, month, day);
    // Midnight may fall into a daylight-saving gap; the day then starts at the first valid minute.
    for (int minute = 0; minute < 24 * 60; ++minute) {
        const QDateTime t(d, QTime(0, 0).addSecs(minute * 60), Qt::LocalTime);
        if (t.isValid() && t.date() == d && t.time() == QTime(0, 0).addSecs(minute * 60))
            return fromDate(Date::dateWithTimeIntervalSince1970(double(t.toMSecsSinceEpoch()) / 1000.0));
    }
    return fromDate(Date::dateWithTimeIntervalSince1970(double(QDateTime(d, QTime(0, 0), Qt::UTC).toMSecsSinceEpoch()) / 1000.0));
}

QString CalendarDate::descriptionWithCalendarFormat(const QString& format) const
{
    QString out;
    out.reserve(format.size() + 16);
    auto num = [&](int v, int width) { out += QStringLiteral("%1").arg(v, width, 10, QLatin1Char('0')); };
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar ch = format.at(i);
        if (ch != u'%' || i + 1 == format.size()) {
            out += ch;
            continue;
        }
        const QChar f = format.at(++i);
        switch (f.unicode()) {
        case 'Y':
            num(year_, 4);
            break;
        case 'y':
            num(year_ % 100, 2);
            break;
        case 'm':
            num(month_, 2);
            break;
        case 'd':
            num(day_, 2);
            break;
        case 'e':
            out += QString::number(day_);
            break;
        case 'j':
            num(QDate(year_, month_, day_).dayOfYear(), 3);
            break;
        case 'H':
            num(hour_, 2);
            break;
        case 'M':
            num(minute_, 2);
            break;
        case 'S':
            num(second_, 2);
            break;
        case 'F':
            num(millisecond_, 3);
            break;
        case 'z': {
            const int minutes = std::abs(offset_) / 60;
            out += offset_ < 0 ? u'-' : u'+';
            num(minutes / 60, 2);
            num(minutes % 60, 2);
            break;
        }
        case '%':
            out += u'%';
            break;
        default:
            out += u'%';
            out += f;
        }
    }
    return out;
}

QString timeStampForFileOperation()
{
    static std::atomic<unsigned> counter { 0 };
    return CalendarDate::fromDate(Clock::currentDate()).descriptionWithCalendarFormat(QStringLiteral("%Y%m%d%H%M%S%z%F")) + u'-'
        + QString::number(counter.fetch_add(1));
}

} // namespace kit
