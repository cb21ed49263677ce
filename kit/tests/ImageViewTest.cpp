#include "kit/controls/ImageView.h"

#include "ControlsTestSupport.h"
#include "kit/appkit/KeyCodes.h"
#include "kit/graphics/ImageRep.h"

#include <gtest/gtest.h>

namespace {

using namespace kit;
using namespace kit::test;

Ref<Image> solidImage(int w, int h, QColor color)
{
    QImage pixels(w, h, QImage::Format_ARGB32_Premultiplied);
    pixels.fill(color);
    auto image = make<Image>(MakeSize(w, h));
    image->addRepresentation(make<BitmapImageRep>(pixels));
    return image;
}

TEST(ImageView, ScalesDownProportionallyAndCentres)
{
    ControlWindow w(MakeSize(100, 60));
    auto view = make<ImageView>(MakeRect(10, 10, 20, 20));
    view->setImage(solidImage(40, 20, Qt::red));
    w.content->addSubview(view.get());
    const QImage shot = w.window->snapshot();
    // 40 × 20 into 20 × 20: 20 × 10, centred, so rows 15..25 in base coordinates.
    EXPECT_TRUE(basePixelIs(shot, MakePoint(20, 20), Qt::red, 8));
    EXPECT_TRUE(basePixelIs(shot, MakePoint(11, 16), Qt::red, 8));
    EXPECT_FALSE(basePixelIs(shot, MakePoint(20, 12), Qt::red, 40));
    EXPECT_FALSE(basePixelIs(shot, MakePoint(20, 28), Qt::red, 40));
    // A small image keeps its size; "value" is the image.
    view->setValueForKey(Value(solidImage(4, 4, Qt::blue)), "value");
    const QImage small = w.window->snapshot();
    EXPECT_TRUE(basePixelIs(small, MakePoint(20, 20), Qt::blue, 8));
    EXPECT_FALSE(basePixelIs(small, MakePoint(14, 20), Qt::blue, 40));
}

class ImageViewActionTarget : public Object {
    KIT_CLASS(ImageViewActionTarget)
public:
    void picked(Object*) { ++sent; }
    int sent = 0;
};

// Only an image view that does something is a key view: an editable one, or one with an action;
// Space and Return then do what a click does.
TEST(ImageView, OneThatActsTakesTheFocusAndTheKeysClickIt)
{
    ControlWindow w(MakeSize(100, 60));
    auto plain = make<ImageView>(MakeRect(10, 10, 20, 20));
    auto editable = make<ImageView>(MakeRect(40, 10, 20, 20));
    editable->cell()->setEditable(true);
    auto acting = make<ImageView>(MakeRect(70, 10, 20, 20));
    auto target = make<ImageViewActionTarget>();
    acting->setTarget(target.get());
    acting->setAction("picked");
    for (const auto& v : { plain, editable, acting })
        w.content->addSubview(v.get());
    EXPECT_FALSE(plain->acceptsFirstResponder());
    EXPECT_TRUE(editable->acceptsFirstResponder());
    EXPECT_TRUE(acting->acceptsFirstResponder());
    acting->setEnabled(false);
    EXPECT_FALSE(acting->acceptsFirstResponder());
    acting->setEnabled(true);

    ASSERT_TRUE(w.window->makeFirstResponder(acting.get()));
    w.script->key(KeyCodeSpace, QStringLiteral(" ")).key(KeyCodeReturn, QStringLiteral("\r"));
    w.script->run();
    EXPECT_EQ(target->sent, 2);
}

} // namespace

KIT_REGISTER_CLASS(ImageViewActionTarget, kit::Object) { c.action("picked", &ImageViewActionTarget::picked); }
