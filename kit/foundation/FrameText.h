#pragma once

// The text form of a saved window frame under the defaults key "NSWindow Frame <name>":
// "x y w h sx sy sw sh " (window frame, then its screen's visible frame; y up, whole numbers,
// single blanks, a trailing blank). Reading is defensive: the text comes from a file a user may edit.

#include "kit/core/Geometry.h"

#include <QString>

#include <optional>
#include <vector>

namespace kit {

inline const QString WindowFrameDefaultsKeyFormat = QStringLiteral("NSWindow Frame %1");

QString windowFrameDefaultsKey(const QString& autosaveName);

// The largest coordinate or length a native window takes (Qt's geometry limit).
inline constexpr double WindowGeometryLimit = 16777215;

// One field of a saved text as a number: nullopt unless it reads as a finite number within
// ±WindowGeometryLimit (anything else could never have been written for a real window).
std::optional<double> savedFrameNumber(const QString& field);

QString stringWithSavedFrame(Rect frame, Rect visibleScreenFrame);

// The leading numeric fields of a saved text, split at blanks; stops at the first field that is
// not a number (savedFrameNumber).
std::vector<double> savedFrameFields(const QString& text);

// The window frame of a saved text, or nullopt when it has fewer than four numeric fields.
std::optional<Rect> savedFrameFromString(const QString& text);

// Where a window of `currentSize` goes so that its top-left corner sits at the saved one; nullopt
// (centre the window instead) when the text has fewer than four numeric fields.
std::optional<Point> originKeepingSavedTopLeft(const QString& text, Size currentSize);

} // namespace kit
