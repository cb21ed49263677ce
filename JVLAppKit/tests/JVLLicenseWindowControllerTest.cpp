#include "JVLAppKit/JVLFeedbackProvider/JVLLicenseWindowController.h"

#include "kit/appkit/Window.h"
#include "kit/foundation/Bundle.h"
#include "kit/graphics/Color.h"
#include "kit/graphics/StringDrawing.h"
#include "kit/testsupport/RuntimeRecorders.h"
#include "kit/text/TextStorage.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QWidget>

#include <gtest/gtest.h>

using namespace kit;

namespace {

class LicenseWindowTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        QFile info(dir.filePath("Info.json"));
        ASSERT_TRUE(info.open(QIODevice::WriteOnly));
        info.write(R"({"CFBundleExecutable": "Gallery", "CFBundleName": "Sampler"})");
        info.close();
        Bundle::setMainBundlePathForTesting(dir.path());
        JVLLicenseWindowController::resetSharedLicenseWindowForTesting();
    }
    void TearDown() override
    {
        JVLLicenseWindowController::resetSharedLicenseWindowForTesting();
        Bundle::setMainBundlePathForTesting(QString());
    }
    QTemporaryDir dir;
};

TEST_F(LicenseWindowTest, OneInstancePerProcess)
{
    const Ref<JVLLicenseWindowController> first = JVLLicenseWindowController::sharedLicenseWindow();
    ASSERT_TRUE(first);
    EXPECT_FALSE(JVLLicenseWindowController::makeLicenseWindowController());
    EXPECT_EQ(JVLLicenseWindowController::sharedLicenseWindow(), first);
}

TEST_F(LicenseWindowTest, ShowsTheLicenceWithBlueLinksUnderItsTitle)
{
    const Ref<JVLLicenseWindowController> controller = JVLLicenseWindowController::sharedLicenseWindow();
    controller->showLicenseWindow(nullptr);
    const Ref<Window> window = controller->window();
    ASSERT_TRUE(window);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->title(), QStringLiteral("Sampler Licence"));
    ASSERT_TRUE(controller->textView());
    const Ref<TextStorage> text = controller->textView()->textStorage();
    ASSERT_TRUE(text);
    const QString string = text->string();
    EXPECT_TRUE(string.contains(QStringLiteral("Redistribution and use")));
    int links = 0;
    for (const char* address : { "https://jvl-components.example.org/news", "www.jvl-components.example.org/source" }) {
        const qsizetype at = string.indexOf(QString::fromUtf8(address));
        ASSERT_GE(at, 0) << address;
        EXPECT_TRUE(text->attributeAtIndexEffectiveRange(LinkAttributeName, at).isString()) << address;
        const auto color = text->attributeAtIndexEffectiveRange(ForegroundColorAttributeName, at).objectAs<Color>();
        ASSERT_TRUE(color) << address;
        EXPECT_EQ(std::tuple(color->redComponent(), color->greenComponent(), color->blueComponent()), std::tuple(0.0, 0.0, 1.0));
        ++links;
    }
    EXPECT_EQ(links, 2);
    window->orderOut(nullptr);
}

TEST_F(LicenseWindowTest, HasACloseBoxThatOrdersItOut)
{
    const Ref<JVLLicenseWindowController> controller = JVLLicenseWindowController::sharedLicenseWindow();
    controller->showLicenseWindow(nullptr);
    const Ref<Window> window = controller->window();
    ASSERT_TRUE(window);
    EXPECT_TRUE(window->styleMask() & ClosableWindowMask);
    const Ref<TitleBarButton> close = window->standardWindowButton(WindowCloseButton);
    ASSERT_TRUE(close);
    EXPECT_TRUE(close->isEnabled());
    EXPECT_TRUE(window->hostWidget()->windowFlags() & Qt::WindowCloseButtonHint);
    window->performClose();
    EXPECT_FALSE(window->isVisible());
}

TEST_F(LicenseWindowTest, AMissingTextGivesAnEmptyViewAndALogLine)
{
    JVLLicenseWindowController::resetSharedLicenseWindowForTesting(QStringLiteral("JVLLicenseMissing.rtf"));
    test::LogRecorder logs;
    const Ref<JVLLicenseWindowController> controller = JVLLicenseWindowController::sharedLicenseWindow();
    ASSERT_TRUE(controller->window());
    ASSERT_TRUE(controller->textView());
    EXPECT_EQ(controller->textView()->textStorage()->length(), 0);
    EXPECT_TRUE(logs.contains(QStringLiteral("JVLLicenseMissing.rtf")));
    EXPECT_EQ(controller->window()->title(), QStringLiteral("Sampler Licence"));
}

} // namespace
