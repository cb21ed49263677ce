#pragma once

// String helpers of the form fields and the crash reporter: the loose checks a URL or e-mail field
// validates its text with, completing a bare address to a web URL, and joining strings.

#include <QString>

#include <initializer_list>

namespace JVLNSStringExtension {

// YES when the string holds a "." that is neither its first nor its last character (UTF-16 indexes).
bool validateURL(const QString& string);
// YES when the first "@" and the first "." both exist and neither is the first or last character.
// The two are not related: "a.b@c" passes. Empty and null strings give NO.
bool validateEMailAddress(const QString& string);
// The string unchanged when it contains "://", else "http://" in front.
QString completedURLStringForString(const QString& string);
// The strings joined in order with nothing between; an empty list gives "".
QString stringWithStrings(std::initializer_list<QString> strings);

} // namespace JVLNSStringExtension
