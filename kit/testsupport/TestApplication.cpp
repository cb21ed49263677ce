#include "kit/testsupport/TestApplication.h"

#include <QApplication>
#include <QFile>
#include <QFont>
#include <QFontDatabase>
#include <QStyleFactory>

#include <cstdlib>
#include <stdexcept>

namespace kit::test {

namespace {
constexpr const char* dejaVuPath = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
}

std::unique_ptr<QApplication> createTestApplication(int& argc, char** argv)
{
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    // One pinned screen density: results must not depend on the developer's display.
    ::setenv("QT_ENABLE_HIGHDPI_SCALING", "0", 0);
    auto app = std::make_unique<QApplication>(argc, argv);
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));

    if (!QFile::exists(QString::fromLatin1(dejaVuPath)) || QFontDatabase::addApplicationFont(QString::fromLatin1(dejaVuPath)) < 0)
        throw std::runtime_error("the DejaVu Sans test font is missing (install fonts-dejavu-core)");
    QFont font(testFontFamily);
    font.setPixelSize(13);
    QApplication::setFont(font);
    return app;
}

} // namespace kit::test
