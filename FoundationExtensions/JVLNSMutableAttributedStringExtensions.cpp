#include "FoundationExtensions/JVLNSMutableAttributedStringExtensions.h"

#include <QUrl>

namespace JVLNSMutableAttributedStringExtensions {

using namespace kit;

namespace {

bool isWordBreak(QChar c) { return c.isSpace() || c == QChar(0x2028) || c == QChar(0x2029) || c == QChar(0x0085); }

// The URL a word makes, or an empty string.
QString urlForWord(const QString& word)
{
    QString candidate;
    if (word.contains(QLatin1String("://")))
        candidate = word;
    else if (word.startsWith(QLatin1String("www.")))
        candidate = QStringLiteral("http://") + word;
    else if (word.startsWith(QLatin1String("ftp.")))
        candidate = QStringLiteral("ftp://") + word;
    else if (word.startsWith(QLatin1String("gopher.")))
        candidate = QStringLiteral("gopher://") + word;
    else if (word.startsWith(QLatin1String("mailto:")))
        candidate = word;
    if (candidate.isEmpty())
        return {};
    const QUrl url(candidate, QUrl::StrictMode);
    if (!url.isValid() || url.scheme().isEmpty())
        return {};
    return candidate;
}

} // namespace

void detectURLs(AttributedString& string, const Ref<Color>& color)
{
    const QString text = string.string();
    const int length = int(text.size());
    string.beginEditing();
    for (int i = 0; i < length;) {
        while (i < length && isWordBreak(text.at(i)))
            ++i;
        const int start = i;
        while (i < length && !isWordBreak(text.at(i)))
            ++i;
        if (i == start)
            continue;
        const QString url = urlForWord(text.mid(start, i - start));
        if (url.isEmpty())
            continue;
        const Range range = MakeRange(start, i - start);
        string.addAttributeValueRange(LinkAttributeName, url, range);
        string.addAttributeValueRange(UnderlineStyleAttributeName, UnderlineStyleSingle, range);
        if (color)
            string.addAttributeValueRange(ForegroundColorAttributeName, color, range);
    }
    string.endEditing();
}

} // namespace JVLNSMutableAttributedStringExtensions
