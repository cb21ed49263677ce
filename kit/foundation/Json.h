#pragma once

// The kit's JSON reader and writer over kit::Value. Unlike QJsonDocument it keeps integers and
// reals apart ("1" is an integer, "1.0" a real), writes reals with a decimal point and never
// depends on the process locale. The reader is strict and bounded (depth, size), so untrusted
// input gives an error, never a crash.

#include "kit/core/Value.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace kit::Json {

struct ReadOptions {
    int maxDepth = 256;
    qsizetype maxBytes = 64 * 1024 * 1024;
};

// Objects become dictionaries (string keys, in order; a repeated key keeps the last value),
// arrays arrays, numbers integers or reals by their spelling, null Null.
std::optional<Value> read(const QByteArray& json, QString* error = nullptr, ReadOptions options = {});

// Writes nil and Null as null, numbers, strings, arrays and dictionaries with string keys.
// Any other kind (or a non-finite real) fails with `error`.
std::optional<QByteArray> write(const Value& value, QString* error = nullptr, bool indented = false);

} // namespace kit::Json
