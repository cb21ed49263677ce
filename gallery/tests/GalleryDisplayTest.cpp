// The gallery on a real X server, driven as a user would: it starts on the xcb platform, each page
// is shown by a click in the page list (through the server's test extension), and what the server
// holds for the page area must equal that page's offscreen screenshot. Run under xvfb-run.

#include "kit/testsupport/MissingTool.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QProcess>
#include <QStringList>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <optional>
#include <xcb/xcb.h>
#include <xcb/xtest.h>

namespace {

// Where the gallery lays out its window (gallery/main.cpp): the page list on the left, rows from
// the top, the page beside it.
constexpr int listWidth = 180;
constexpr int rowHeight = 24;
constexpr int pageWidth = 900;
constexpr int pageHeight = 600;

template<typename T>
using Reply = std::unique_ptr<T, decltype(&std::free)>;

class X11GalleryDisplay : public testing::Test {
protected:
    void SetUp() override
    {
        if (!std::getenv("DISPLAY"))
            GTEST_SKIP() << "needs a real X server";
        connection = xcb_connect(nullptr, nullptr);
        ASSERT_FALSE(xcb_connection_has_error(connection));
        root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
        out = QDir(QStringLiteral(GALLERY_DISPLAY_OUT));
        ASSERT_TRUE(out.removeRecursively() || !out.exists());
        ASSERT_TRUE(QDir().mkpath(out.path()));
    }

    void TearDown() override
    {
        if (gallery.state() != QProcess::NotRunning) {
            gallery.kill();
            gallery.waitForFinished(10000);
        }
        if (connection)
            xcb_disconnect(connection);
    }

    // Waits a moment on the gallery; false when it has ended.
    bool galleryRuns(int ms) { return !gallery.waitForFinished(ms) && gallery.state() == QProcess::Running; }

    // Polls (bounded) until `done`; the gallery is another process, so there is nothing else to
    // wait on. Gives up at once when the gallery ends.
    bool pollUntil(const std::function<bool()>& done, int limitMs)
    {
        QElapsedTimer limit;
        limit.start();
        while (!done()) {
            if (limit.elapsed() > limitMs || !galleryRuns(50))
                return false;
        }
        return true;
    }

    std::optional<xcb_window_t> findWindow(const QByteArray& title)
    {
        Reply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(connection, xcb_query_tree(connection, root), nullptr), &std::free);
        if (!tree)
            return std::nullopt;
        const xcb_window_t* children = xcb_query_tree_children(tree.get());
        for (int i = 0; i < xcb_query_tree_children_length(tree.get()); ++i) {
            Reply<xcb_get_window_attributes_reply_t> attributes(
                xcb_get_window_attributes_reply(connection, xcb_get_window_attributes(connection, children[i]), nullptr), &std::free);
            if (!attributes || attributes->map_state != XCB_MAP_STATE_VIEWABLE)
                continue;
            Reply<xcb_get_property_reply_t> name(xcb_get_property_reply(connection,
                                                     xcb_get_property(connection, 0, children[i], XCB_ATOM_WM_NAME, XCB_GET_PROPERTY_TYPE_ANY, 0, 64),
                                                     nullptr),
                &std::free);
            if (name && QByteArray(static_cast<const char*>(xcb_get_property_value(name.get())), xcb_get_property_value_length(name.get())) == title)
                return children[i];
        }
        return std::nullopt;
    }

    QImage serverImage(xcb_window_t window, int x, int y, int width, int height)
    {
        Reply<xcb_get_image_reply_t> reply(xcb_get_image_reply(connection,
                                               xcb_get_image(connection, XCB_IMAGE_FORMAT_Z_PIXMAP, window, std::int16_t(x), std::int16_t(y),
                                                   std::uint16_t(width), std::uint16_t(height), ~0u),
                                               nullptr),
            &std::free);
        if (!reply || reply->depth != 24 || xcb_get_image_data_length(reply.get()) < width * height * 4)
            return {};
        return QImage(xcb_get_image_data(reply.get()), width, height, width * 4, QImage::Format_RGB32).copy();
    }

    void click(xcb_window_t window, int x, int y)
    {
        Reply<xcb_translate_coordinates_reply_t> at(
            xcb_translate_coordinates_reply(connection, xcb_translate_coordinates(connection, window, root, std::int16_t(x), std::int16_t(y)), nullptr),
            &std::free);
        ASSERT_TRUE(at);
        xcb_test_fake_input(connection, XCB_MOTION_NOTIFY, 0, XCB_CURRENT_TIME, root, at->dst_x, at->dst_y, 0);
        xcb_test_fake_input(connection, XCB_BUTTON_PRESS, 1, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
        xcb_test_fake_input(connection, XCB_BUTTON_RELEASE, 1, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
        xcb_flush(connection);
    }

    void key(std::uint8_t keycode, bool press)
    {
        xcb_test_fake_input(connection, press ? XCB_KEY_PRESS : XCB_KEY_RELEASE, keycode, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
        xcb_flush(connection);
    }

    // Starts the gallery on the xcb platform with its own state folder (crash logs go there).
    std::optional<xcb_window_t> startGallery(const QString& stateHome)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        environment.insert(QStringLiteral("XDG_STATE_HOME"), stateHome);
        gallery.setProcessEnvironment(environment);
        gallery.setProcessChannelMode(QProcess::ForwardedChannels);
        gallery.start(QStringLiteral(GALLERY_BINARY), { QStringLiteral("--no-report-receiver") });
        if (!gallery.waitForStarted(10000))
            return std::nullopt;
        std::optional<xcb_window_t> window;
        pollUntil([&] { return (window = findWindow(QByteArrayLiteral("Gallery"))).has_value(); }, 60000);
        return window;
    }

    // The page area on the server matches the screenshot. Spinners keep turning on the server, so
    // pixels that change between two reads are animated and left out; everything else must match.
    testing::AssertionResult pageShows(xcb_window_t window, const QImage& expected, const QString& id)
    {
        QString last = QStringLiteral("no image of the window");
        QImage shown;
        const bool matched = pollUntil(
            [&] {
                const QImage before = serverImage(window, listWidth, 0, pageWidth, pageHeight);
                galleryRuns(120);
                shown = serverImage(window, listWidth, 0, pageWidth, pageHeight);
                if (before.isNull() || shown.isNull())
                    return false;
                int animated = 0, wrong = 0;
                for (int y = 0; y < pageHeight; ++y)
                    for (int x = 0; x < pageWidth; ++x) {
                        const QRgb a = shown.pixel(x, y);
                        if (a != before.pixel(x, y)) {
                            ++animated;
                            continue;
                        }
                        const QRgb b = expected.pixel(x, y);
                        if (std::abs(qRed(a) - qRed(b)) > 3 || std::abs(qGreen(a) - qGreen(b)) > 3 || std::abs(qBlue(a) - qBlue(b)) > 3)
                            ++wrong;
                    }
                const int all = pageWidth * pageHeight;
                last = QStringLiteral("%1 of %2 still pixels differ, %3 animated").arg(wrong).arg(all).arg(animated);
                return wrong <= all / 1000 && animated <= all / 10;
            },
            15000);
        if (matched)
            return testing::AssertionSuccess();
        shown.save(out.filePath(id + QStringLiteral("-server.png")));
        return testing::AssertionFailure() << "page " << id.toStdString() << ": " << last.toStdString() << " (server image in "
                                           << out.path().toStdString() << ")";
    }

    // What a window manager sends for its frame's close button.
    void closeFromTheFrame(xcb_window_t window)
    {
        const auto atom = [this](const char* name) {
            Reply<xcb_intern_atom_reply_t> reply(
                xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, std::uint16_t(std::strlen(name)), name), nullptr), &std::free);
            return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
        };
        xcb_client_message_event_t message {};
        message.response_type = XCB_CLIENT_MESSAGE;
        message.format = 32;
        message.window = window;
        message.type = atom("WM_PROTOCOLS");
        message.data.data32[0] = atom("WM_DELETE_WINDOW");
        message.data.data32[1] = XCB_CURRENT_TIME;
        xcb_send_event(connection, 0, window, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&message));
        xcb_flush(connection);
    }

    void startGalleryWith(const QStringList& arguments)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        gallery.setProcessEnvironment(environment);
        gallery.setProcessChannelMode(QProcess::ForwardedChannels);
        gallery.start(QStringLiteral(GALLERY_BINARY), arguments);
    }

    xcb_connection_t* connection = nullptr;
    xcb_window_t root = 0;
    QDir out;
    QProcess gallery;
};

TEST_F(X11GalleryDisplay, EveryPageShowsItsScreenshotWhenPickedInTheList)
{
    // The offscreen screenshots, and the pages in list order.
    QProcess screenshots;
    screenshots.start(QStringLiteral(GALLERY_BINARY), { QStringLiteral("--screenshots"), out.path(), QStringLiteral("--list-pages") });
    ASSERT_TRUE(screenshots.waitForFinished(120000));
    ASSERT_EQ(screenshots.exitCode(), 0);
    const QStringList ids = QString::fromUtf8(screenshots.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_FALSE(ids.isEmpty());

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    gallery.setProcessEnvironment(environment);
    gallery.setProcessChannelMode(QProcess::ForwardedChannels);
    // Its report receiver off, as in the screenshot run: the Reports page shows that state.
    gallery.start(QStringLiteral(GALLERY_BINARY), { QStringLiteral("--no-report-receiver") });
    ASSERT_TRUE(gallery.waitForStarted(10000));
    std::optional<xcb_window_t> window;
    ASSERT_TRUE(pollUntil([&] { return (window = findWindow(QByteArrayLiteral("Gallery"))).has_value(); }, 60000)) << "no Gallery window";

    // The first page shows as the window appears, before any click.
    const QImage first = QImage(out.filePath(ids.front() + QStringLiteral(".png"))).convertToFormat(QImage::Format_RGB32);
    EXPECT_TRUE(pageShows(*window, first, ids.front())) << "as the window appeared";

    // Then each page in turn, picked in the list, and the first again.
    QStringList order = ids.mid(1);
    order.append(ids.front());
    for (const QString& id : order) {
        click(*window, listWidth / 2, int(ids.indexOf(id)) * rowHeight + rowHeight / 2);
        const QImage expected = QImage(out.filePath(id + QStringLiteral(".png"))).convertToFormat(QImage::Format_RGB32);
        ASSERT_FALSE(expected.isNull()) << id.toStdString();
        EXPECT_TRUE(pageShows(*window, expected, id));
    }
}

// Xvfb's default keymap.
constexpr std::uint8_t ControlKeycode = 37;
constexpr std::uint8_t QKeycode = 24;

TEST_F(X11GalleryDisplay, ControlQQuitsNormallyWithoutACrashLog)
{
    const QString state = out.filePath(QStringLiteral("quit-state"));
    const std::optional<xcb_window_t> window = startGallery(state);
    ASSERT_TRUE(window) << "no Gallery window";
    // Without a window manager keys go to the window under the pointer: a click on the first
    // page's row puts it there and changes nothing else.
    click(*window, listWidth / 2, rowHeight / 2);
    key(ControlKeycode, true);
    key(QKeycode, true);
    key(QKeycode, false);
    key(ControlKeycode, false);
    ASSERT_TRUE(gallery.waitForFinished(30000)) << "Ctrl+Q did not end the gallery";
    EXPECT_EQ(gallery.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(gallery.exitCode(), 0);
    EXPECT_TRUE(QDir(state + QStringLiteral("/gallery/CrashReports")).isEmpty(QDir::Files));
}

// The last window's close quits the gallery the normal way; the live-link server's editor too, which
// leaves the server's name free for the next one.
TEST_F(X11GalleryDisplay, ClosingTheLastWindowFromItsFrameQuits)
{
    if (!std::getenv("DBUS_SESSION_BUS_ADDRESS"))
        KIT_SKIP_TEST_WITHOUT("a session bus (the live-link server)");
    const struct {
        QStringList arguments;
        QByteArray title;
    } cases[] = {
        { { QStringLiteral("--no-report-receiver") }, QByteArrayLiteral("Gallery") },
        { { QStringLiteral("--live-link-server") }, QByteArrayLiteral("Shape Editor (live-link server)") },
        { { QStringLiteral("--live-link-server") }, QByteArrayLiteral("Shape Editor (live-link server)") },
    };
    for (const auto& c : cases) {
        startGalleryWith(c.arguments);
        ASSERT_TRUE(gallery.waitForStarted(10000));
        std::optional<xcb_window_t> window;
        ASSERT_TRUE(pollUntil([&] { return (window = findWindow(c.title)).has_value(); }, 60000)) << c.title.toStdString();
        closeFromTheFrame(*window);
        ASSERT_TRUE(gallery.waitForFinished(30000)) << c.title.toStdString() << " still runs with no window";
        EXPECT_EQ(gallery.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(gallery.exitCode(), 0) << c.title.toStdString();
    }
}

} // namespace

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    QCoreApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
