#include "kit/foundation/String.h"

#include <QDir>
#include <QFile>
#include <QStringDecoder>

#include <pwd.h>
#include <unistd.h>

namespace kit::String {

bool characterIsMember(CharacterSet set, char32_t c)
{
    const bool newline = (c >= 0x0A && c <= 0x0D) || c == 0x85 || c == 0x2028 || c == 0x2029;
    const bool blank = c == u' ' || c == u'\t' || QChar::category(c) == QChar::Separator_Space;
    switch (set) {
    case CharacterSet::Newline:
        return newline;
    case CharacterSet::Whitespace:
        return blank;
    case CharacterSet::WhitespaceAndNewline:
        return blank || newline;
    }
    return false;
}

QStringList componentsSeparatedByString(const QString& s, const QString& separator)
{
    if (separator.isEmpty())
        return { s };
    return s.split(separator, Qt::KeepEmptyParts);
}

QStringList componentsSeparatedByCharactersInSet(const QString& s, CharacterSet set)
{
    QStringList out;
    QString current;
    for (QChar c : s) {
        if (characterIsMember(set, c.unicode())) {
            out << current;
            current.clear();
        } else {
            current += c;
        }
    }
    out << current;
    return out;
}

QString componentsJoinedByString(const QStringList& parts, const QString& separator) { return parts.join(separator); }

QString stringByTrimmingCharactersInSet(const QString& s, CharacterSet set)
{
    qsizetype begin = 0, end = s.size();
    while (begin < end && characterIsMember(set, s.at(begin).unicode()))
        ++begin;
    while (end > begin && characterIsMember(set, s.at(end - 1).unicode()))
        --end;
    return s.mid(begin, end - begin);
}

Range rangeOfString(const QString& s, const QString& needle, unsigned options)
{
    if (needle.isEmpty())
        return { NotFound, 0 };
    const auto cs = (options & CaseInsensitiveSearch) ? Qt::CaseInsensitive : Qt::CaseSensitive;
    qsizetype at;
    if (options & AnchoredSearch) {
        const bool hit = (options & BackwardsSearch) ? s.endsWith(needle, cs) : s.startsWith(needle, cs);
        at = hit ? ((options & BackwardsSearch) ? s.size() - needle.size() : 0) : -1;
    } else {
        at = (options & BackwardsSearch) ? s.lastIndexOf(needle, -1, cs) : s.indexOf(needle, 0, cs);
    }
    if (at < 0)
        return { NotFound, 0 };
    return { at, needle.size() };
}

QString stringByExpandingTildeInPath(const QString& path)
{
    if (!path.startsWith(u'~'))
        return path;
    const qsizetype slash = path.indexOf(u'/');
    const QString user = path.mid(1, slash < 0 ? -1 : slash - 1);
    QString home;
    if (user.isEmpty()) {
        home = QDir::homePath();
    } else {
        const QByteArray name = user.toLocal8Bit();
        const passwd* pw = getpwnam(name.constData());
        if (!pw)
            return path;
        home = QString::fromLocal8Bit(pw->pw_dir);
    }
    QString rest = slash < 0 ? QString() : path.mid(slash);
    while (home.size() > 1 && home.endsWith(u'/'))
        home.chop(1);
    return home + rest;
}

QString stringByStandardizingPath(const QString& path)
{
    const QString expanded = stringByExpandingTildeInPath(path);
    const bool absolute = expanded.startsWith(u'/');
    QStringList out;
    for (const QString& part : expanded.split(u'/', Qt::SkipEmptyParts)) {
        if (part == u".")
            continue;
        if (part == u".." && !out.isEmpty() && out.last() != u"..") {
            out.removeLast();
            continue;
        }
        if (part == u".." && absolute)
            continue;
        out << part;
    }
    const QString joined = out.join(u'/');
    return absolute ? u'/' + joined : (joined.isEmpty() && !expanded.isEmpty() ? QStringLiteral(".") : joined);
}

namespace {
QString withoutTrailingSlashes(QString path)
{
    while (path.size() > 1 && path.endsWith(u'/'))
        path.chop(1);
    return path;
}
} // namespace

QString lastPathComponent(const QString& path)
{
    const QString p = withoutTrailingSlashes(path);
    if (p == u"/")
        return p;
    return p.mid(p.lastIndexOf(u'/') + 1);
}

QString stringByDeletingLastPathComponent(const QString& path)
{
    const QString p = withoutTrailingSlashes(path);
    const qsizetype slash = p.lastIndexOf(u'/');
    if (slash < 0)
        return {};
    if (slash == 0)
        return QStringLiteral("/");
    return p.left(slash);
}

QString stringByAppendingPathComponent(const QString& path, const QString& component)
{
    if (path.isEmpty())
        return component;
    QString c = component;
    while (c.startsWith(u'/'))
        c.remove(0, 1);
    return withoutTrailingSlashes(path) + (path == u"/" ? QString() : QStringLiteral("/")) + c;
}

QString pathExtension(const QString& path)
{
    const QString name = lastPathComponent(path);
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot <= 0 || dot == name.size() - 1)
        return {};
    return name.mid(dot + 1);
}

QString stringByDeletingPathExtension(const QString& path)
{
    const QString ext = pathExtension(path);
    const QString p = withoutTrailingSlashes(path);
    if (ext.isEmpty())
        return p;
    return p.left(p.size() - ext.size() - 1);
}

QString stringByAppendingPathExtension(const QString& path, const QString& extension)
{
    return withoutTrailingSlashes(path) + u'.' + extension;
}

QStringList pathComponents(const QString& path)
{
    QStringList out;
    if (path.startsWith(u'/'))
        out << QStringLiteral("/");
    out << path.split(u'/', Qt::SkipEmptyParts);
    return out;
}

std::optional<QString> stringWithContentsOfFileUTF8(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray bytes = file.readAll();
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

} // namespace kit::String
