#include "kit/appkit/Application.h"
#include "kit/appkit/View.h"
#include "kit/appkit/ViewController.h"
#include "kit/appkit/Window.h"
#include "kit/appkit/WindowController.h"
#include "kit/core/NotificationCenter.h"
#include "kit/foundation/Bundle.h"
#include "kit/foundation/Coder.h"
#include "kit/testsupport/RuntimeRecorders.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace kit;

// A window an interface file can hold: the kit window itself is made in code only.
class WCNibWindow : public Window, public Coding {
    KIT_CLASS(WCNibWindow)
    void encodeWithCoder(Coder&) const override { }
    void initWithCoder(Coder& coder) override { setTitle(coder.decodeStringForKey(QStringLiteral("title"))); }
};
KIT_REGISTER_CLASS(WCNibWindow, Window) { }

namespace {

// Counts what the base class calls; its constructor set-up must run on both ways of making it.
class WCCountingController : public WindowController {
public:
    explicit WCCountingController(Window* window)
        : WindowController(window)
    {
        setUp();
    }
    explicit WCCountingController(const QString& name)
        : WindowController(name)
    {
        setUp();
    }
    Ref<Window> window() override
    {
        ++windowCalls;
        return WindowController::window();
    }
    int setUpRuns = 0;
    int windowCalls = 0;
    int didLoad = 0;
    int willLoad = 0;
    bool loadedAtDidLoad = false;

protected:
    void windowWillLoad() override { ++willLoad; }
    void windowDidLoad() override
    {
        ++didLoad;
        loadedAtDidLoad = isWindowLoaded();
        // Asking again from inside must not load a second time.
        WindowController::window();
    }

private:
    void setUp() { ++setUpRuns; }
};

class WindowControllerTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        QDir().mkpath(dir.filePath("ui"));
        QFile f(dir.filePath("ui/Panel.json"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(R"({"$archiver": "KeyedArchiver", "$version": 1,
          "$top": {"objects": [{"$ref": 0}],
                   "outlets": [{"source": {"$placeholder": "File's Owner"}, "key": "window", "destination": {"$ref": 0}}]},
          "$objects": [{"$class": "WCNibWindow", "title": "From the file"}]})");
        f.close();
        QFile view(dir.filePath("ui/Accessory.json"));
        ASSERT_TRUE(view.open(QIODevice::WriteOnly));
        view.write(R"({"$archiver": "KeyedArchiver", "$version": 1,
          "$top": {"objects": [{"$ref": 0}],
                   "outlets": [{"source": {"$placeholder": "File's Owner"}, "key": "view", "destination": {"$ref": 0}}]},
          "$objects": [{"$class": "View", "frame": {"$rect": [0, 0, 120, 40]}}]})");
        view.close();
        Bundle::setMainBundlePathForTesting(dir.path());
        Application::resetForTesting();
    }
    void TearDown() override
    {
        Bundle::setMainBundlePathForTesting(QString());
        Application::resetForTesting();
    }
    QTemporaryDir dir;
};

TEST_F(WindowControllerTest, MadeWithAWindowHoldsItAndLoadsNothing)
{
    auto window = make<Window>();
    Weak<Window> weak(window.get());
    auto controller = make<WCCountingController>(window.get());
    window = nullptr;
    EXPECT_EQ(controller->setUpRuns, 1);
    EXPECT_TRUE(controller->isWindowLoaded());
    EXPECT_TRUE(weak.lock()); // held strongly
    EXPECT_EQ(controller->window(), weak.lock());
    EXPECT_EQ(controller->didLoad, 0);
    EXPECT_TRUE(controller->windowNibName().isEmpty());
}

TEST_F(WindowControllerTest, NamedFileLoadsAtTheFirstWindowCallWithTheControllerAsOwner)
{
    auto controller = make<WCCountingController>(QStringLiteral("Panel"));
    EXPECT_EQ(controller->setUpRuns, 1);
    EXPECT_EQ(controller->windowNibName(), QStringLiteral("Panel"));
    EXPECT_FALSE(controller->isWindowLoaded());
    Ref<Window> window = controller->window();
    ASSERT_TRUE(window);
    EXPECT_EQ(window->title(), QStringLiteral("From the file"));
    EXPECT_EQ(controller->willLoad, 1);
    EXPECT_EQ(controller->didLoad, 1);
    EXPECT_TRUE(controller->loadedAtDidLoad);
    EXPECT_EQ(controller->window(), window);
    EXPECT_EQ(controller->didLoad, 1);
}

TEST_F(WindowControllerTest, MissingFileLeavesNoWindowAndLogs)
{
    test::LogRecorder log;
    auto controller = make<WCCountingController>(QStringLiteral("NoSuchPanel"));
    EXPECT_FALSE(controller->window());
    EXPECT_EQ(controller->didLoad, 0);
    EXPECT_FALSE(log.lines().isEmpty());
}

TEST_F(WindowControllerTest, ShowWindowAsksTheOverriddenWindowAndCloseClosesIt)
{
    auto controller = make<WCCountingController>(QStringLiteral("Panel"));
    controller->showWindow(nullptr);
    EXPECT_EQ(controller->windowCalls, 1);
    Ref<Window> window = controller->window();
    EXPECT_TRUE(window->isVisible());
    controller->close();
    EXPECT_FALSE(window->isVisible());
    // Closing an unloaded controller loads nothing.
    auto idle = make<WCCountingController>(QStringLiteral("Panel"));
    idle->close();
    EXPECT_FALSE(idle->isWindowLoaded());
}

TEST(ApplicationWillTerminate, PostedWhenQtIsAboutToQuit)
{
    Ref<Application> app = Application::sharedApplication();
    int posted = 0;
    Object* poster = nullptr;
    Ref<Object> token = NotificationCenter::defaultCenter()->addObserverForNameObjectQueueUsingBlock(
        ApplicationWillTerminateNotification, nullptr, nullptr, [&](Notification* n) {
            ++posted;
            poster = n->object().get();
        });
    EXPECT_EQ(ApplicationWillTerminateNotification, QStringLiteral("NSApplicationWillTerminateNotification"));
    ASSERT_TRUE(QMetaObject::invokeMethod(QCoreApplication::instance(), "aboutToQuit", Qt::DirectConnection));
    NotificationCenter::defaultCenter()->removeObserver(token.get());
    EXPECT_EQ(posted, 1);
    EXPECT_EQ(poster, app.get());
}

TEST(BundleFolderListing, ListsFilesAndFoldersWithTheExtension)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QDir().mkpath(dir.filePath("General.prefPane/Resources"));
    QDir().mkpath(dir.filePath("Accounts.prefPane"));
    QDir().mkpath(dir.filePath("Other"));
    QFile(dir.filePath("Loose.prefPane")).open(QIODevice::WriteOnly);
    QFile(dir.filePath("notes.txt")).open(QIODevice::WriteOnly);

    const QStringList panes = Bundle::folderPathsForResourcesOfTypeInDirectory(QStringLiteral("prefPane"), dir.path());
    const QStringList expected { dir.filePath("Accounts.prefPane"), dir.filePath("General.prefPane"), dir.filePath("Loose.prefPane") };
    EXPECT_EQ(panes, expected);
    EXPECT_EQ(Bundle::folderPathsForResourcesOfTypeInDirectory(QString(), dir.path()).size(), 5);
    EXPECT_TRUE(Bundle::folderPathsForResourcesOfTypeInDirectory(QStringLiteral("prefPane"), dir.filePath("missing")).isEmpty());
}

} // namespace

TEST_F(WindowControllerTest, ViewControllerLoadsItsViewOnceAndKeepsAGivenOne)
{
    auto controller = make<ViewController>(QStringLiteral("Accessory"));
    EXPECT_FALSE(controller->isViewLoaded());
    Ref<View> view = controller->view();
    ASSERT_TRUE(view);
    EXPECT_EQ(controller->view(), view);
    EXPECT_EQ(controller->valueForKey(QStringLiteral("view")).object(), view);

    auto handMade = make<ViewController>();
    EXPECT_FALSE(handMade->view());
    auto given = make<View>();
    handMade->setView(given.get());
    EXPECT_EQ(handMade->view(), given);

    test::LogRecorder log;
    EXPECT_FALSE(make<ViewController>(QStringLiteral("NoSuchAccessory"))->view());
    EXPECT_FALSE(log.lines().isEmpty());

    // A place in the responder chain like any responder.
    auto window = make<Window>();
    handMade->setNextResponder(window.get());
    EXPECT_EQ(handMade->nextResponder(), window.get());
}

TEST_F(WindowControllerTest, ViewControllerRepresentedObjectIsObservableAndBindable)
{
    auto controller = make<ViewController>();
    auto recorder = make<test::KeyValueRecorder>();
    controller->addObserverForKeyPathOptionsContext(recorder.get(), QStringLiteral("representedObject"), 0, nullptr);
    controller->setRepresentedObject(Value(QStringLiteral("first")));
    EXPECT_EQ(recorder->records.size(), 1u);
    controller->removeObserverForKeyPath(recorder.get(), QStringLiteral("representedObject"));

    EXPECT_TRUE(controller->exposedBindings().containsObject(Value(QStringLiteral("representedObject"))));
    auto source = make<ViewController>();
    source->setRepresentedObject(Value(QStringLiteral("model")));
    controller->bindToObjectWithKeyPathOptions(QStringLiteral("representedObject"), source.get(), QStringLiteral("representedObject"), {});
    EXPECT_EQ(controller->representedObject(), Value(QStringLiteral("model")));
    source->setRepresentedObject(Value(QStringLiteral("changed")));
    EXPECT_EQ(controller->representedObject(), Value(QStringLiteral("changed")));
    controller->unbind(QStringLiteral("representedObject"));
}
