#pragma once

// Property lists (strings, numbers, booleans, data, dates, arrays, dictionaries with string keys)
// in the kit's JSON form, shared by Info.json, strings tables, defaults and pasteboards. Data is
// {"$data": "<base64>"}, a date {"$date": <seconds since 2001>}; a dictionary key that starts
// with "$" is written with one more "$" in front, so no user key is taken for a marker.

#include "kit/core/Value.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace kit::PropertyList {

bool isPropertyList(const Value& value);

// The JSON-ready form of a property list, or nullopt (with `error`) if it is none.
std::optional<Value> toJsonValue(const Value& plist, QString* error = nullptr);
// The property list of a parsed JSON value; markers that do not decode fail.
std::optional<Value> fromJsonValue(const Value& json, QString* error = nullptr);

std::optional<QByteArray> dataFromPropertyList(const Value& plist, QString* error = nullptr, bool indented = false);
std::optional<Value> propertyListFromData(const QByteArray& data, QString* error = nullptr);

} // namespace kit::PropertyList
