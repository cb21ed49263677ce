#include "kit/foundation/BusNames.h"

#include <QStringList>

namespace kit {

namespace {

QString busNamesEscapeElement(const QString& element)
{
    const QByteArray bytes = element.toUtf8();
    QString out;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        const bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
        const bool digit = c >= '0' && c <= '9';
        if (letter || (digit && i > 0))
            out += QLatin1Char(char(c));
        else
            out += QStringLiteral("_%1").arg(c, 2, 16, QLatin1Char('0'));
    }
    return out;
}

} // namespace

std::optional<QString> BusNameForRegisteredName(const QString& registeredName)
{
    const qsizetype colon = registeredName.indexOf(QLatin1Char(':'));
    if (colon < 0)
        return std::nullopt;
    QStringList elements = registeredName.left(colon).split(QLatin1Char('.'));
    elements << QStringLiteral("LiveLink") << registeredName.mid(colon + 1);
    QStringList escaped;
    for (qsizetype i = 0; i < elements.size(); ++i) {
        if (elements[i].isEmpty())
            return std::nullopt;
        // The fixed middle element is ours and stays as written.
        escaped << (i == elements.size() - 2 ? elements[i] : busNamesEscapeElement(elements[i]));
    }
    const QString name = escaped.join(QLatin1Char('.'));
    if (name.toUtf8().size() > 255)
        return std::nullopt;
    return name;
}

} // namespace kit
