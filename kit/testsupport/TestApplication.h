#pragma once

// The environment every kit test runs in: Qt's offscreen platform, the Fusion style and the
// DejaVu Sans test font, so that pixels and text metrics are the same on every machine.

#include <QApplication>
#include <QString>

#include <memory>

namespace kit::test {

// Family of the pinned test font.
inline const QString testFontFamily = QStringLiteral("DejaVu Sans");

// Creates the application object and pins style and font. The test main keeps it alive for the
// whole run; `argc` and `argv` must outlive it.
std::unique_ptr<QApplication> createTestApplication(int& argc, char** argv);

} // namespace kit::test
