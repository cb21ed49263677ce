#pragma once

// String and path helpers over QString (ranges in UTF-16 units, NotFound when absent), and strict
// reading of UTF-8 files: any invalid sequence makes the read fail instead of being repaired.

#include "kit/core/Geometry.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace kit {

enum class CharacterSet { Whitespace, WhitespaceAndNewline, Newline };

enum StringCompareOptions : unsigned { CaseInsensitiveSearch = 1, LiteralSearch = 2, BackwardsSearch = 4, AnchoredSearch = 8 };

namespace String {

bool characterIsMember(CharacterSet set, char32_t c);

// Keeps empty parts: "" gives [""], "a,,b" gives ["a", "", "b"].
QStringList componentsSeparatedByString(const QString& s, const QString& separator);
QStringList componentsSeparatedByCharactersInSet(const QString& s, CharacterSet set);
QString componentsJoinedByString(const QStringList& parts, const QString& separator);
QString stringByTrimmingCharactersInSet(const QString& s, CharacterSet set);
Range rangeOfString(const QString& s, const QString& needle, unsigned options = 0);

// Paths.
QString stringByExpandingTildeInPath(const QString& path);
// Expands the tilde, removes "." and empty components and resolves ".." textually.
QString stringByStandardizingPath(const QString& path);
QString lastPathComponent(const QString& path);
QString stringByDeletingLastPathComponent(const QString& path);
QString stringByAppendingPathComponent(const QString& path, const QString& component);
// "a.tar.gz" -> "gz"; "" when the last component has none (".profile" has none).
QString pathExtension(const QString& path);
QString stringByDeletingPathExtension(const QString& path);
QString stringByAppendingPathExtension(const QString& path, const QString& extension);
QStringList pathComponents(const QString& path);

// The file's text if it is entirely valid UTF-8, else nullopt.
std::optional<QString> stringWithContentsOfFileUTF8(const QString& path);

} // namespace String

} // namespace kit
