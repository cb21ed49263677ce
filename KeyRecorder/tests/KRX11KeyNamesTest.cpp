// Real X11 only (KeyRecorder_x11_tests under Xvfb); offscreen these skip themselves.

#include "KeyRecorder/KRKeyCodeTransformer.h"

#include "kit/appkit/Event.h"
#include "kit/core/NotificationCenter.h"
#include "kit/testsupport/X11KeyboardFixture.h"
#include "kit/testsupport/MissingTool.h"
#include "kit/x11/XkbKeyboard.h"

#include <QProcess>

#include <gtest/gtest.h>

#include <optional>

namespace {

using namespace kit;

class KRX11KeyView : public View {
public:
    using View::View;
    bool acceptsFirstResponder() const override { return true; }
    void keyDown(const Event&) override { ++keys; }
    void keyUp(const Event&) override { ++keys; }
    int keys = 0;
};

TEST(X11KeyNames, ALayoutLoadedOnTheServerRenamesKeys)
{
    if (!test::isRealX11())
        GTEST_SKIP() << "needs a real X server";
    auto view = make<KRX11KeyView>(MakeRect(0, 0, 200, 120));
    test::FocusedX11Window focused(view.get());
    ASSERT_TRUE(focused.ready);
    const Ref<ValueTransformer> names = ValueTransformer::valueTransformerForName(QStringLiteral("KRKeyCodeTransformer"));
    EXPECT_EQ(KRDisplayStringForKeyCode(6), QStringLiteral("Z"));
    if (QProcess::execute(QStringLiteral("setxkbmap"), { QStringLiteral("de") }) != 0)
        KIT_SKIP_TEST_WITHOUT("setxkbmap");
    int posted = 0;
    const auto token = NotificationCenter::defaultCenter()->addObserverForNameObjectQueueUsingBlock(
        NotifySelectedKeyboardInputSourceChanged, nullptr, nullptr, [&](Notification*) { ++posted; });
    // The kit takes the server's new keymap with the next key.
    test::typeOnServer({ { 0, true }, { 0, false } });
    test::turnUntil([&] { return view->keys >= 2; });
    EXPECT_GE(posted, 1);
    EXPECT_EQ(KRDisplayStringForKeyCode(6), QStringLiteral("Y"));
    EXPECT_EQ(names->reverseTransformedValue(Value(QStringLiteral("Y"))).integerValue(), 6);
    NotificationCenter::defaultCenter()->removeObserver(token.get());
    QProcess::execute(QStringLiteral("setxkbmap"), { QStringLiteral("us") });
}

} // namespace
