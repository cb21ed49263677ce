#include "gallery/ReportReceiver.h"

#include "JVLAppKit/JVLCrashReporter/JVLMultipartForm.h"
#include "kit/foundation/Bundle.h"
#include "kit/linux/LoopbackHttpListener.h"

#include <QFile>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

#include <atomic>

namespace {

using namespace kit;

class GalleryReceiver : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(bundle.isValid());
        QFile info(bundle.filePath(QStringLiteral("Info.json")));
        ASSERT_TRUE(info.open(QIODevice::WriteOnly));
        info.write(R"({"CFBundleIdentifier": "org.example.GalleryReceiverTest",
            "JVLCrashReporterCGIURL": "http://127.0.0.1:47811/crashreport",
            "JVLFeedbackProviderCGIURL": "http://127.0.0.1:47811/feedback"})");
        info.close();
        Bundle::setMainBundlePathForTesting(bundle.path());
    }
    void TearDown() override { Bundle::setMainBundlePathForTesting(QString()); }

    static QString upload(const char* key) { return Bundle::mainBundle()->infoDictionary().objectForKey(QString::fromLatin1(key)).string(); }
    static bool send(const char* key, const QString& text)
    {
        return JVLPostMultipartForm(upload(key), QStringLiteral("GalleryReceiverTest"),
            JVLMultipartForm::formWithFields({ { QStringLiteral("message"), text } }));
    }

    QTemporaryDir bundle;
};

// Another gallery holds the port Info.json names: this one listens on its own, gets its own forms
// there, and after a stop its sending fails as its status says.
TEST_F(GalleryReceiver, ListensOnItsOwnPortAndPointsThisProcessesUploadsThere)
{
    std::atomic<int> toTheOther = 0;
    // Null when something else on this machine holds the port already: the same case.
    auto other = LoopbackHttpListener::listen(47811, [&](const HttpRequest&) {
        ++toTheOther;
        return LoopbackHttpListener::Answer::withStatus(200);
    });

    GalleryReportReceiver receiver;
    ASSERT_TRUE(receiver.start()) << receiver.status().toStdString();
    const std::uint16_t port = receiver.port();
    EXPECT_NE(port, 47811);
    EXPECT_TRUE(receiver.status().contains(QStringLiteral("127.0.0.1:%1").arg(port))) << receiver.status().toStdString();
    EXPECT_EQ(upload("JVLFeedbackProviderCGIURL"), QStringLiteral("http://127.0.0.1:%1/feedback").arg(port));
    EXPECT_EQ(upload("JVLCrashReporterCGIURL"), QStringLiteral("http://127.0.0.1:%1/crashreport").arg(port));

    for (const auto& [key, path] : { std::pair("JVLFeedbackProviderCGIURL", "/feedback"), std::pair("JVLCrashReporterCGIURL", "/crashreport") }) {
        ASSERT_TRUE(send(key, QString::fromLatin1(path)));
        const auto form = receiver.lastForm();
        ASSERT_TRUE(form);
        EXPECT_EQ(form->path, QString::fromLatin1(path));
        ASSERT_EQ(form->fields.size(), 1u);
        EXPECT_EQ(form->fields.front().value, QString::fromLatin1(path).toUtf8());
    }
    EXPECT_EQ(toTheOther, 0);

    receiver.stop();
    EXPECT_FALSE(receiver.isRunning());
    EXPECT_TRUE(receiver.status().contains(QStringLiteral("sending fails")));
    EXPECT_FALSE(send("JVLFeedbackProviderCGIURL", QStringLiteral("after the stop")));
    EXPECT_FALSE(send("JVLCrashReporterCGIURL", QStringLiteral("after the stop")));
    EXPECT_EQ(toTheOther, 0);
}

} // namespace
