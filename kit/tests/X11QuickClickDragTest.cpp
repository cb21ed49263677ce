// Real X11 only (kit_x11_tests under Xvfb); offscreen it skips itself. A view that starts a drag
// on the press, clicked so fast that the release is in before the drag begins: the drag must end
// with that release, not wait for another click.

#include "kit/appkit/Application.h"
#include "kit/appkit/Dragging.h"
#include "kit/appkit/Event.h"
#include "kit/appkit/Pasteboard.h"
#include "kit/appkit/View.h"
#include "kit/appkit/Window.h"
#include "kit/graphics/Image.h"
#include "kit/testsupport/X11KeyboardFixture.h"

#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

using namespace kit;

class QuickDragSource : public View {
    KIT_CLASS(QuickDragSource)
public:
    using View::View;
    void mouseDown(const Event& e) override
    {
        const Ref<Pasteboard> board = Pasteboard::pasteboardWithName(DragPboard);
        board->declareTypesOwner({ StringPboardType }, nullptr);
        board->setStringForType(QStringLiteral("quick"), StringPboardType);
        dragImageAtOffsetEventPasteboardSourceSlideBack(
            Image::imageWithSize(MakeSize(16, 16)).get(), MakePoint(4, 4), ZeroSize, e, board.get(), this, true);
        ++dragsReturned;
    }
    int dragsReturned = 0;
};

TEST(X11QuickClickDrag, AReleaseInBeforeTheDragBeganEndsIt)
{
    if (!test::isRealX11())
        GTEST_SKIP() << "needs a real X server";
    ExternalDrag::resetForTesting();
    auto window = make<Window>(MakeRect(200, 200, 120, 80), TitledWindowMask);
    auto source = make<QuickDragSource>(MakeRect(0, 0, 120, 80));
    window->contentView()->addSubview(source.get());
    window->makeKeyAndOrderFront();
    ASSERT_TRUE(test::turnUntil([&] { return test::isExposedOnServer(*window); }));

    const QPoint inside = window->hostWidget()->mapToGlobal(QPoint(60, 40));
    test::sendPointerOnServer({ test::X11PointerStep::Move, inside });
    test::sendPointerOnServer({ test::X11PointerStep::Press, {} });
    test::sendPointerOnServer({ test::X11PointerStep::Release, {} });
    // Should the drag wait anyway, a second click ends it so that the test fails instead of hanging.
    bool neededASecondClick = false;
    QTimer rescue;
    rescue.setSingleShot(true);
    QObject::connect(&rescue, &QTimer::timeout, [&] {
        neededASecondClick = true;
        test::sendPointerOnServer({ test::X11PointerStep::Press, {} });
        test::sendPointerOnServer({ test::X11PointerStep::Release, {} });
    });
    rescue.start(3000);
    EXPECT_TRUE(test::turnUntil([&] { return source->dragsReturned > 0; }));
    rescue.stop();
    EXPECT_FALSE(neededASecondClick) << "the drag waited for a release that had already come";
    EXPECT_EQ(source->dragsReturned, 1);
    window->orderOut();
    Application::resetForTesting();
}

} // namespace

KIT_REGISTER_CLASS(QuickDragSource, View) { }
