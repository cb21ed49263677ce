#include "kit/appkit/DesktopEntry.h"

#include <QFile>

namespace kit {

namespace {

QString desktopEntryUnescape(const QString& raw)
{
    QString out;
    out.reserve(raw.size());
    for (qsizetype i = 0; i < raw.size(); ++i) {
        const QChar c = raw[i];
        if (c != QLatin1Char('\\') || i + 1 == raw.size()) {
            out += c;
            continue;
        }
        const QChar next = raw[++i];
        switch (next.unicode()) {
        case 's': out += QLatin1Char(' '); break;
        case 'n': out += QLatin1Char('\n'); break;
        case 't': out += QLatin1Char('\t'); break;
        case 'r': out += QLatin1Char('\r'); break;
        case '\\': out += QLatin1Char('\\'); break;
        default: // not an escape of the format: kept as written
            out += c;
            out += next;
            break;
        }
    }
    return out;
}

} // namespace

std::optional<DesktopEntry> DesktopEntry::entryWithContentsOfFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return entryWithData(file.readAll());
}

std::optional<DesktopEntry> DesktopEntry::entryWithData(const QByteArray& data)
{
    DesktopEntry entry;
    bool inGroup = false;
    bool found = false;
    for (const QByteArray& rawLine : data.split('\n')) {
        const QString line = QString::fromUtf8(rawLine).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        if (line.startsWith(QLatin1Char('['))) {
            inGroup = line == QLatin1String("[Desktop Entry]");
            found = found || inGroup;
            continue;
        }
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (!inGroup || equals <= 0)
            continue;
        const QString key = line.left(equals).trimmed();
        // Localised values ("Name[de]") are not what the workspace looks at.
        if (key.contains(QLatin1Char('[')))
            continue;
        if (!entry.raw_.contains(key)) // the first of duplicate keys counts
            entry.raw_.insert(key, line.mid(equals + 1).trimmed());
    }
    if (!found)
        return std::nullopt;
    return entry;
}

QString DesktopEntry::stringForKey(const QString& key) const { return desktopEntryUnescape(raw_.value(key)); }

QStringList DesktopEntry::listForKey(const QString& key) const
{
    const QString raw = raw_.value(key);
    QStringList elements;
    QString current;
    for (qsizetype i = 0; i < raw.size(); ++i) {
        if (raw[i] == QLatin1Char('\\') && i + 1 < raw.size() && raw[i + 1] == QLatin1Char(';')) {
            current += QLatin1Char(';');
            ++i;
        } else if (raw[i] == QLatin1Char('\\') && i + 1 < raw.size()) {
            current += raw[i];
            current += raw[++i];
        } else if (raw[i] == QLatin1Char(';')) {
            elements << desktopEntryUnescape(current);
            current.clear();
        } else {
            current += raw[i];
        }
    }
    if (!current.isEmpty())
        elements << desktopEntryUnescape(current);
    return elements;
}

QStringList DesktopEntry::splitExec(const QString& exec)
{
    QStringList words;
    QString word;
    bool inWord = false;
    bool keep = false; // the word has more than field codes (quotes count: "" is an empty argument)
    bool quoted = false;
    auto endWord = [&] {
        if (inWord && keep)
            words << word;
        word.clear();
        inWord = keep = false;
    };
    for (qsizetype i = 0; i < exec.size(); ++i) {
        const QChar c = exec[i];
        if (quoted) {
            if (c == QLatin1Char('\\') && i + 1 < exec.size() && QStringLiteral("\"`$\\").contains(exec[i + 1]))
                word += exec[++i];
            else if (c == QLatin1Char('"'))
                quoted = false;
            else
                word += c;
            continue;
        }
        if (c == QLatin1Char(' ') || c == QLatin1Char('\t')) {
            endWord();
            continue;
        }
        inWord = true;
        if (c == QLatin1Char('"')) {
            quoted = keep = true;
        } else if (c == QLatin1Char('%') && i + 1 < exec.size()) {
            // Other field codes stand for files, URLs, the icon or the name: none are passed.
            if (exec[++i] == QLatin1Char('%')) {
                word += QLatin1Char('%');
                keep = true;
            }
        } else {
            word += c;
            keep = true;
        }
    }
    endWord();
    return words;
}

} // namespace kit
