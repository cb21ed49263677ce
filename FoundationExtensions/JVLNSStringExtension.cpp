#include "FoundationExtensions/JVLNSStringExtension.h"

namespace JVLNSStringExtension {

namespace {

// The first `c` exists and lies strictly inside the string.
bool stringExtensionFirstIsInside(const QString& string, QChar c)
{
    const qsizetype at = string.indexOf(c);
    return at > 0 && at < string.size() - 1;
}

} // namespace

bool validateURL(const QString& string)
{
    return stringExtensionFirstIsInside(string, QLatin1Char('.'));
}

bool validateEMailAddress(const QString& string)
{
    return stringExtensionFirstIsInside(string, QLatin1Char('@')) && stringExtensionFirstIsInside(string, QLatin1Char('.'));
}

QString completedURLStringForString(const QString& string)
{
    if (string.contains(QLatin1String("://")))
        return string;
    return QStringLiteral("http://") + string;
}

QString stringWithStrings(std::initializer_list<QString> strings)
{
    QString joined = QStringLiteral("");
    for (const QString& s : strings)
        joined += s;
    return joined;
}

} // namespace JVLNSStringExtension
