#include "JVLAppKit/JVLImageView/JVLImageView.h"

#include "kit/appkit/Accessibility.h"
#include "kit/appkit/KeyCodes.h"
#include "kit/appkit/Window.h"
#include "kit/controls/Control.h"
#include "kit/testsupport/CallRecorder.h"
#include "kit/testsupport/EventScript.h"
#include "kit/testsupport/PixelProbe.h"
#include "kit/testsupport/ScriptedPanels.h"

#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <optional>

using namespace kit;

namespace {

class ImageViewTarget : public Object {
    KIT_CLASS(ImageViewTarget)
    void imagePicked(Object* sender) { senders.push_back(sender); }
    std::vector<Object*> senders;
};

class JVLImageViewTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        window = make<Window>(MakeRect(100, 100, 200, 200), TitledWindowMask);
        content = make<View>(MakeRect(0, 0, 200, 200));
        window->setContentView(content.get());
        window->makeKeyAndOrderFront();
        script.emplace(window.get());
        view = make<JVLImageView>(MakeRect(40, 40, 120, 120));
        content->addSubview(view.get());
        view->setTarget(target.get());
        view->setAction("imagePicked");
    }
    void TearDown() override
    {
        script.reset();
        window->close();
    }

    QString writeImage(const char* name, QColor colour, QSize size)
    {
        QImage image(size, QImage::Format_ARGB32);
        image.fill(colour);
        const QString path = dir.filePath(QString::fromUtf8(name));
        EXPECT_TRUE(image.save(path));
        return path;
    }
    void clickView()
    {
        script->click(MakePoint(100, 100));
        script->run();
    }

    QTemporaryDir dir;
    Ref<Window> window;
    Ref<View> content;
    std::optional<test::EventScript> script;
    Ref<JVLImageView> view;
    Ref<ImageViewTarget> target = make<ImageViewTarget>();
    test::ScriptedOpenPanelPresenter panels;
};

} // namespace

KIT_REGISTER_CLASS(ImageViewTarget, kit::Object) { c.action("imagePicked", &ImageViewTarget::imagePicked); }

TEST_F(JVLImageViewTest, IsAPlainViewWithImageTargetAndActionKeys)
{
    EXPECT_FALSE(dynamic_cast<Control*>(view.get()));
    Ref<Object> made = classFromString("JVLImageView")->make();
    EXPECT_TRUE(dynamic_cast<JVLImageView*>(made.get()));
    made->setValueForKey(QStringLiteral("imagePicked"), "action");
    made->setValueForKey(target, "target");
    EXPECT_EQ(made->valueForKey("action"), Value(QStringLiteral("imagePicked")));
    EXPECT_EQ(made->valueForKey("target").object().get(), target.get());
    auto image = Image::imageWithContentsOfFile(writeImage("a.png", Qt::red, { 4, 4 }));
    made->setValueForKey(image, "image");
    EXPECT_EQ(static_cast<JVLImageView*>(made.get())->image().get(), image.get());
}

TEST_F(JVLImageViewTest, APickShowsTheImageAndSendsTheActionOnce)
{
    const QString path = writeImage("pick.png", Qt::red, { 60, 30 });
    panels.answers.push_back(path);
    clickView();
    ASSERT_EQ(panels.shown.size(), 1u);
    EXPECT_FALSE(panels.shown[0].allowsMultipleSelection);
    EXPECT_FALSE(panels.shown[0].canChooseDirectories);
    EXPECT_TRUE(panels.shown[0].allowedFileTypes.contains(QStringLiteral("png")));
    ASSERT_TRUE(view->image());
    EXPECT_EQ(view->image()->size(), MakeSize(60, 30));
    ASSERT_EQ(target->senders.size(), 1u);
    EXPECT_EQ(target->senders[0], view.get());
}

// What a click does, the keys do: the view is a key view, and Space or Return picks.
TEST_F(JVLImageViewTest, AKeyViewThatSpaceOrReturnPicksFor)
{
    ASSERT_TRUE(window->makeFirstResponder(view.get()));
    panels.answers.push_back(QString());
    panels.answers.push_back(writeImage("keyed.png", Qt::red, { 8, 8 }));
    script->key(KeyCodeSpace, QStringLiteral(" ")).key(KeyCodeReturn, QStringLiteral("\r"));
    script->run();
    EXPECT_EQ(panels.shown.size(), 2u);
    EXPECT_EQ(target->senders.size(), 1u);
}

TEST_F(JVLImageViewTest, CancelSendsNothing)
{
    panels.answers.push_back(QString());
    clickView();
    EXPECT_EQ(panels.shown.size(), 1u);
    EXPECT_FALSE(view->image());
    EXPECT_TRUE(target->senders.empty());
}

TEST_F(JVLImageViewTest, AnUnreadableFileBeepsAndKeepsTheImage)
{
    auto old = Image::imageWithContentsOfFile(writeImage("old.png", Qt::blue, { 8, 8 }));
    view->setImage(old);
    const QString broken = dir.filePath("broken.png");
    QFile file(broken);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("not an image");
    file.close();
    panels.answers.push_back(broken);
    test::BeepRecorder beeps;
    clickView();
    EXPECT_EQ(beeps.count(), 1);
    EXPECT_EQ(view->image().get(), old.get());
    EXPECT_TRUE(target->senders.empty());
}

TEST_F(JVLImageViewTest, DrawsTheImageScaledDownAndCentred)
{
    // 240 x 60 into 120 x 120: 120 x 30, centred.
    view->setImage(Image::imageWithContentsOfFile(writeImage("wide.png", Qt::red, { 240, 60 })));
    const QImage shot = window->snapshot();
    const double scale = shot.width() / 200.0;
    auto at = [&](double x, double y) { return QPoint(int(x * scale), int(y * scale)); };
    // The view spans 40..160 in both axes; the image 40..160 by 85..115 (the middle band).
    EXPECT_TRUE(test::pixelIs(shot, at(100, 100).x(), at(100, 100).y(), Qt::red, 8));
    EXPECT_TRUE(test::pixelIs(shot, at(45, 100).x(), at(45, 100).y(), Qt::red, 8));
    EXPECT_FALSE(test::pixelIs(shot, at(100, 70).x(), at(100, 70).y(), Qt::red, 40));
    EXPECT_FALSE(test::pixelIs(shot, at(100, 130).x(), at(100, 130).y(), Qt::red, 40));
    view->setImage(nullptr);
    const QImage cleared = window->snapshot();
    EXPECT_FALSE(test::pixelIs(cleared, at(100, 100).x(), at(100, 100).y(), Qt::red, 40));
}

// To a screen reader the view is a picture named by its tool tip; pressing it picks an image as a
// click does.
TEST_F(JVLImageViewTest, AReaderSeesAPictureNamedByItsToolTipThatPressingPicks)
{
    view->setToolTip(QStringLiteral("Your photo"));
    const Value element { Ref<Object>(view) };
    EXPECT_EQ(AccessibilityAttributeValue(element, AccessibilityRoleAttribute), Value(AccessibilityImageRole));
    EXPECT_EQ(AccessibilityAttributeValue(element, AccessibilityTitleAttribute), Value(QStringLiteral("Your photo")));
    ASSERT_TRUE(AccessibilityActionNames(element).contains(AccessibilityPressAction));
    panels.answers.push_back(writeImage("pressed.png", Qt::blue, { 8, 8 }));
    AccessibilityPerformAction(element, AccessibilityPressAction);
    EXPECT_EQ(panels.shown.size(), 1u);
    ASSERT_EQ(target->senders.size(), 1u);
    EXPECT_EQ(target->senders[0], view.get());
}
