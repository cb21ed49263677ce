#pragma once

// How a registered connection name becomes a D-Bus name, one function for both sides of a
// connection: "<bundle identifier>:<server name>" becomes "<identifier's elements>.LiveLink.
// <server name as one element>". Inside each element every UTF-8 byte outside [A-Za-z0-9], "_"
// included, and a leading digit become "_" and two hex digits, so different names never meet.

#include <QString>

#include <optional>

namespace kit {

// Nullopt when the name has no ":", an element would be empty, or the result passes 255 bytes.
std::optional<QString> BusNameForRegisteredName(const QString& registeredName);

} // namespace kit
