#include "JVLAppKit/JVLFeedbackProvider/JVLFeedbackProvider.h"

#include "kit/appkit/AccessibilityBridge.h"
#include "kit/appkit/Application.h"
#include "kit/appkit/Event.h"
#include "kit/appkit/KeyCodes.h"
#include "kit/foundation/Bundle.h"
#include "kit/foundation/OperationQueue.h"
#include "kit/foundation/UserDefaults.h"
#include "kit/testsupport/CallRecorder.h"
#include "kit/testsupport/LoopbackHttpServer.h"
#include "kit/testsupport/ManualClockScope.h"
#include "kit/testsupport/ScriptedPanels.h"

#include <QAccessible>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <map>

using namespace kit;
using kit::test::LoopbackHttpServer;

namespace {

class FeedbackProviderTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        QDir().mkpath(dir.filePath("bundle"));
        useEndpoint(QStringLiteral("http://127.0.0.1:1/unused"), QStringLiteral("[Gallery] "));
        UserDefaults::resetStandardUserDefaultsForTesting(dir.filePath("defaults.json"));
        JVLFeedbackProvider::registerDefaults();
    }
    void TearDown() override
    {
        UserDefaults::resetStandardUserDefaultsForTesting();
        Bundle::setMainBundlePathForTesting(QString());
    }
    void useEndpoint(const QString& url, const QString& prefix)
    {
        Bundle::setMainBundlePathForTesting(QString());
        QFile info(dir.filePath("bundle/Info.json"));
        ASSERT_TRUE(info.open(QIODevice::WriteOnly | QIODevice::Truncate));
        info.write(QStringLiteral(R"({"CFBundleExecutable": "Gallery", "CFBundleName": "Gallery", "CFBundleShortVersionString": "2.5",
            "JVLFeedbackProviderCGIURL": "%1", "JVLFeedbackSubjectPrefix": "%2",
            "JVLFeedbackURL": "https://feedback.example.org/form"})")
                       .arg(url, prefix)
                       .toUtf8());
        info.close();
        Bundle::setMainBundlePathForTesting(dir.filePath("bundle"));
    }
    // Runs `step` with the provider inside the modal session the next showFeedbackProviderDialog starts.
    void whileFormRuns(std::function<void(JVLFeedbackProvider&)> step)
    {
        OperationQueue::mainQueue()->addOperationWithBlock([this, step = std::move(step)] {
            const Ref<Window> window = Application::sharedApplication()->modalWindow();
            ASSERT_TRUE(window);
            auto* provider = dynamic_cast<JVLFeedbackProvider*>(send(*window)->target().get());
            ASSERT_TRUE(provider);
            formShown = true;
            step(*provider);
            // A closed form has stopped its session (that takes effect once this block returns).
            if (window->isVisible()) {
                ADD_FAILURE() << "the form is still running";
                Application::sharedApplication()->abortModal();
            }
        });
    }
    static Ref<Control> send(Window& window)
    {
        for (const Ref<View>& sub : window.contentView()->subviews())
            if (auto button = dynamic_pointer_cast<Button>(sub); button && button->title() == QStringLiteral("Send"))
                return button;
        return nullptr;
    }
    static void fill(JVLFeedbackProvider& provider, std::int64_t subject, const QString& address, const QString& message, bool copy)
    {
        provider.subjectField()->selectItemAtIndex(subject);
        provider.emailAdress()->setStringValue(address);
        provider.messageText()->setString(message);
        provider.sendMeACopyButton()->setState(copy ? OnState : OffState);
    }
    static void pressKey(Window& window, std::uint16_t code, const QString& characters, std::uint64_t flags = 0)
    {
        window.sendEvent(
            *Event::keyEventWithTypeLocationModifierFlagsTimestampWindowNumberContextCharactersCharactersIgnoringModifiersIsARepeatKeyCode(
                KeyDown, ZeroPoint, flags, 0, window.windowNumber(), nullptr, characters, characters, false, code));
    }
    QString storedAddress() const { return UserDefaults::standardUserDefaults()->stringForKey(JVLFeedbackProvidereMailAddressDefaultKey); }
    bool storedCopy() const { return UserDefaults::standardUserDefaults()->boolForKey(JVLFeedbackProviderSendMeACopyDefaultKey); }

    QTemporaryDir dir;
    test::EnvironmentScope home { "HOME", dir.filePath("home").toUtf8().constData() };
    test::EnvironmentScope state { "XDG_STATE_HOME", dir.filePath("state").toUtf8().constData() };
    test::ManualClockScope clock;
    test::ScriptedAlertPresenter alerts;
    bool formShown = false;
};

TEST_F(FeedbackProviderTest, SendingPostsTheFormWithItsPreambleAndCloses)
{
    LoopbackHttpServer server({ LoopbackHttpServer::Answer::withStatus(200) });
    useEndpoint(server.url(QStringLiteral("/feedback")), QStringLiteral("[Gallery] "));
    EXPECT_EQ(storedAddress(), QString());
    EXPECT_TRUE(storedCopy());
    whileFormRuns([](JVLFeedbackProvider& provider) {
        EXPECT_EQ(provider.sendMeACopyButton()->state(), OnState);
        EXPECT_EQ(provider.subjectField()->indexOfSelectedItem(), 0);
        fill(provider, 1, QStringLiteral("me@example.org"), QStringLiteral("Line one\nline two"), true);
        provider.sendFeedbackButtonAction(send(*provider.feedbackWindow()).get());
        EXPECT_FALSE(provider.feedbackWindow()->isVisible());
    });
    JVLFeedbackProvider::showFeedbackProviderDialog();
    ASSERT_TRUE(formShown);

    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].header("User-Agent"), QByteArray("JVLFeedbackProvider"));
    EXPECT_EQ(requests[0].header("Content-Type"), QByteArray("multipart/form-data; boundary=0xKhTmLbOuNdArY"));
    const QByteArray expected = "Content-Type: multipart/form-data; boundary=0xKhTmLbOuNdArY\r\n\r\n"
                                "--0xKhTmLbOuNdArY\r\nContent-Disposition: form-data; name=\"subject\"\r\n\r\n[Gallery] Feature request"
                                "\r\n--0xKhTmLbOuNdArY\r\nContent-Disposition: form-data; name=\"from\"\r\n\r\nme@example.org"
                                "\r\n--0xKhTmLbOuNdArY\r\nContent-Disposition: form-data; name=\"message\"\r\n\r\nLine one\nline two"
                                "\r\n--0xKhTmLbOuNdArY\r\nContent-Disposition: form-data; name=\"sendmeacopy\"\r\n\r\nYES"
                                "\r\n--0xKhTmLbOuNdArY\r\nContent-Disposition: form-data; name=\"appversion\"\r\n\r\n2.5"
                                "\r\n--0xKhTmLbOuNdArY--\r\n";
    EXPECT_EQ(requests[0].body, expected);
    ASSERT_EQ(alerts.shown.size(), 1u);
    EXPECT_EQ(alerts.shown[0].messageText, QStringLiteral("Thank you for your feedback"));
    EXPECT_EQ(alerts.shown[0].buttons, QStringList { QStringLiteral("OK") });
    EXPECT_EQ(storedAddress(), QStringLiteral("me@example.org"));
}

TEST_F(FeedbackProviderTest, EmptyAddressAndNoCopyAreSentStoredAndShownNextTime)
{
    LoopbackHttpServer server({ LoopbackHttpServer::Answer::withStatus(204) });
    useEndpoint(server.url(), QStringLiteral("Re:"));
    UserDefaults::standardUserDefaults()->setObjectForKey(Value(QStringLiteral("old@example.org")), JVLFeedbackProvidereMailAddressDefaultKey);
    whileFormRuns([](JVLFeedbackProvider& provider) {
        EXPECT_EQ(provider.emailAdress()->stringValue(), QStringLiteral("old@example.org"));
        fill(provider, 0, QString(), QStringLiteral("hi"), false);
        provider.sendFeedbackButtonAction(send(*provider.feedbackWindow()).get());
    });
    JVLFeedbackProvider::showFeedbackProviderDialog();
    ASSERT_EQ(server.requests().size(), 1u);
    const auto fields = parseMultipartForm(server.requests()[0].body, "0xKhTmLbOuNdArY");
    ASSERT_TRUE(fields);
    ASSERT_EQ(fields->size(), 5u);
    EXPECT_EQ((*fields)[0].value, QByteArray("Re:Bug report"));
    EXPECT_EQ((*fields)[1].value, QByteArray());
    EXPECT_EQ((*fields)[3].value, QByteArray("NO"));
    EXPECT_EQ(storedAddress(), QString());
    EXPECT_FALSE(storedCopy());

    formShown = false;
    whileFormRuns([](JVLFeedbackProvider& provider) {
        EXPECT_EQ(provider.sendMeACopyButton()->state(), OffState);
        EXPECT_EQ(provider.emailAdress()->stringValue(), QString());
        provider.closeFeedbackWindow(nullptr);
    });
    JVLFeedbackProvider::showFeedbackProviderDialog();
    EXPECT_TRUE(formShown);
    EXPECT_EQ(server.requests().size(), 1u);
}

// Escape is the form's Cancel button, from wherever the caret is but the message, where it is the
// text's own key: the form closes and nothing is sent.
struct EscapeCase {
    const char* name;
    const char* focus; // "none", "subject", "address" or "message"
    bool closes;
};

void PrintTo(const EscapeCase& c, std::ostream* os) { *os << c.name; }

class FeedbackEscapeTest : public FeedbackProviderTest, public testing::WithParamInterface<EscapeCase> { };

TEST_P(FeedbackEscapeTest, ClosesTheFormUnsentUnlessTheCaretIsInTheMessage)
{
    const EscapeCase c = GetParam();
    LoopbackHttpServer server({ LoopbackHttpServer::Answer::withStatus(200) });
    useEndpoint(server.url(), QStringLiteral("Re:"));
    whileFormRuns([c](JVLFeedbackProvider& provider) {
        Window& window = *provider.feedbackWindow();
        const std::map<std::string, Responder*> fields { { "none", nullptr }, { "subject", provider.subjectField().get() },
            { "address", provider.emailAdress().get() }, { "message", provider.messageText().get() } };
        if (Responder* field = fields.at(c.focus))
            ASSERT_TRUE(window.makeFirstResponder(field));
        pressKey(window, KeyCodeEscape, QString(QChar(0x1B)));
        EXPECT_EQ(window.isVisible(), !c.closes);
        if (!c.closes)
            provider.closeFeedbackWindow(nullptr);
    });
    JVLFeedbackProvider::showFeedbackProviderDialog();
    EXPECT_TRUE(formShown);
    EXPECT_TRUE(server.requests().empty());
    EXPECT_TRUE(alerts.shown.empty());
}

INSTANTIATE_TEST_SUITE_P(Focus, FeedbackEscapeTest,
    testing::Values(EscapeCase { "NoField", "none", true }, EscapeCase { "Subject", "subject", true },
        EscapeCase { "Address", "address", true }, EscapeCase { "Message", "message", false }),
    [](const auto& info) { return std::string(info.param.name); });

// A screen reader names each field by the label beside it, and Tab leaves the message as it
// leaves every other field of the form, typing nothing.
TEST_F(FeedbackProviderTest, EachFieldIsNamedByItsLabelAndTabLeavesTheMessage)
{
    whileFormRuns([](JVLFeedbackProvider& provider) {
        const auto nameOf = [](const Value& element) { return AccessibilityBridge::interfaceFor(element)->text(QAccessible::Name); };
        // The subject is a combo box: named by its text, labelled by its caption.
        QAccessibleInterface* subject = AccessibilityBridge::interfaceFor(provider.subjectField()->accessibilityElement());
        EXPECT_EQ(subject->role(), QAccessible::ComboBox);
        EXPECT_EQ(subject->text(QAccessible::Name), provider.subjectField()->stringValue());
        const auto labels = subject->relations(QAccessible::Label);
        ASSERT_EQ(labels.size(), 1);
        EXPECT_EQ(labels[0].first->text(QAccessible::Name), QStringLiteral("Subject:"));
        EXPECT_EQ(nameOf(provider.emailAdress()->accessibilityElement()), QStringLiteral("Your e-mail:"));
        EXPECT_EQ(nameOf(Value(provider.messageText())), QStringLiteral("Message:"));

        Window& window = *provider.feedbackWindow();
        ASSERT_TRUE(window.makeFirstResponder(provider.messageText().get()));
        pressKey(window, KeyCodeTab, QStringLiteral("\t"));
        EXPECT_EQ(provider.messageText()->string(), QString());
        EXPECT_EQ(window.firstResponder(), provider.sendMeACopyButton());
        pressKey(window, KeyCodeTab, QStringLiteral("\t"), ShiftKeyMask);
        EXPECT_EQ(window.firstResponder(), provider.messageText());
        provider.closeFeedbackWindow(nullptr);
    });
    JVLFeedbackProvider::showFeedbackProviderDialog();
    EXPECT_TRUE(formShown);
}

TEST_F(FeedbackProviderTest, APrefixEndingInABlankGivesOneBlank)
{
    LoopbackHttpServer server({ LoopbackHttpServer::Answer::withStatus(200) });
    useEndpoint(server.url(), QStringLiteral("Gallery: "));
    whileFormRuns([](JVLFeedbackProvider& provider) {
        fill(provider, 2, QStringLiteral("a@b.c"), QStringLiteral("?"), true);
        provider.sendFeedbackButtonAction(nullptr);
    });
    JVLFeedbackProvider::showFeedbackProviderDialog();
    ASSERT_EQ(server.requests().size(), 1u);
    const auto fields = parseMultipartForm(server.requests()[0].body, "0xKhTmLbOuNdArY");
    ASSERT_TRUE(fields && !fields->empty());
    EXPECT_EQ((*fields)[0].value, QByteArray("Gallery: Question"));
}

// A form that did not go out stays open with everything in it; the defaults are stored anyway.
class FeedbackProviderFailureTest : public FeedbackProviderTest, public testing::WithParamInterface<bool> { };

TEST_P(FeedbackProviderFailureTest, TheErrorAlertLeavesTheFormOpenAndIntact)
{
    std::optional<LoopbackHttpServer> server;
    if (GetParam()) {
        server.emplace(std::vector { LoopbackHttpServer::Answer::withStatus(500, "<html>error</html>") });
        useEndpoint(server->url(), QStringLiteral("[G] "));
    } else {
        useEndpoint(QStringLiteral("http://127.0.0.1:%1/").arg(LoopbackHttpServer::refusedPort()), QStringLiteral("[G] "));
    }
    whileFormRuns([this](JVLFeedbackProvider& provider) {
        fill(provider, 3, QStringLiteral("x@y.z"), QStringLiteral("keep me"), false);
        provider.sendFeedbackButtonAction(send(*provider.feedbackWindow()).get());
        ASSERT_EQ(alerts.shown.size(), 1u);
        EXPECT_EQ(alerts.shown[0].messageText, QStringLiteral("Your feedback could not be sent"));
        EXPECT_TRUE(provider.feedbackWindow()->isVisible());
        EXPECT_EQ(Application::sharedApplication()->modalWindow(), provider.feedbackWindow());
        EXPECT_EQ(provider.subjectField()->stringValue(), QStringLiteral("Praise"));
        EXPECT_EQ(provider.emailAdress()->stringValue(), QStringLiteral("x@y.z"));
        EXPECT_EQ(provider.messageText()->string(), QStringLiteral("keep me"));
        EXPECT_EQ(provider.sendMeACopyButton()->state(), OffState);
        EXPECT_EQ(storedAddress(), QStringLiteral("x@y.z"));
        EXPECT_FALSE(storedCopy());
        provider.closeFeedbackWindow(nullptr);
    });
    JVLFeedbackProvider::showFeedbackProviderDialog();
    EXPECT_TRUE(formShown);
}

INSTANTIATE_TEST_SUITE_P(Failures, FeedbackProviderFailureTest, testing::Values(true, false),
    [](const auto& info) { return std::string(info.param ? "Status500" : "Refused"); });

TEST_F(FeedbackProviderTest, OpenURLOpensTheFeedbackPageAndCloses)
{
    test::URLOpenRecorder opened;
    Weak<JVLFeedbackProvider> gone;
    whileFormRuns([&](JVLFeedbackProvider& provider) {
        gone = Ref<JVLFeedbackProvider>(&provider);
        provider.messageText()->setString(QStringLiteral("draft"));
        provider.openURL(nullptr);
        EXPECT_FALSE(provider.feedbackWindow()->isVisible());
        EXPECT_EQ(provider.messageText()->string(), QString());
    });
    JVLFeedbackProvider::showFeedbackProviderDialog();
    ASSERT_EQ(opened.urls().size(), 1u);
    EXPECT_EQ(opened.urls()[0], QUrl(QStringLiteral("https://feedback.example.org/form")));
    EXPECT_FALSE(gone.lock());
}

} // namespace
