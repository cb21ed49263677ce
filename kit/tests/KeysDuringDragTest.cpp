#include "kit/appkit/Application.h"
#include "kit/appkit/Dragging.h"
#include "kit/appkit/Event.h"
#include "kit/appkit/KeyCodes.h"
#include "kit/appkit/Pasteboard.h"
#include "kit/appkit/View.h"
#include "kit/appkit/Window.h"
#include "kit/testsupport/EventScript.h"

#include <gtest/gtest.h>

namespace {

using namespace kit;

// Starts a drag that stays in the kit's own loop and counts the keys it is given.
class KeyedSource : public View, public DraggingSource {
    KIT_CLASS(KeyedSource)

public:
    using View::View;
    void mouseDragged(const Event& e) override
    {
        if (dragged)
            return;
        dragged = true;
        auto board = Pasteboard::pasteboardWithName(DragPboard);
        board->declareTypesOwner({ QStringLiteral("kit.test.keys") }, this);
        dragImageAtOffsetEventPasteboardSourceSlideBack(make<Object>().get(), ZeroPoint, ZeroSize, e, board.get(), this, false);
    }
    std::uint64_t draggingSourceOperationMaskForLocal(bool local) override { return local ? DragOperationCopy : DragOperationNone; }
    bool acceptsFirstResponder() const override { return true; }
    void keyDown(const Event&) override { ++keys; }

    bool dragged = false;
    int keys = 0;
};

KIT_REGISTER_CLASS(KeyedSource, View) { c.optionalOperations({ "draggingSourceOperationMaskForLocal" }); }

TEST(KeysDuringDrag, AreDroppedWithTheDragNotDeliveredAfterIt)
{
    auto window = make<Window>(MakeRect(100, 100, 200, 100), TitledWindowMask);
    auto source = make<KeyedSource>(MakeRect(0, 0, 100, 100));
    window->contentView()->addSubview(source.get());
    window->makeKeyAndOrderFront();
    window->makeFirstResponder(source.get());
    kit::test::EventScript script(window.get());
    script.mouseDown(MakePoint(10, 10)).mouseDragged(MakePoint(20, 10)).key(KeyCodeA, "a").mouseDragged(MakePoint(30, 10));
    script.mouseUp(MakePoint(30, 10));
    script.run();
    EXPECT_TRUE(source->dragged);
    EXPECT_EQ(source->keys, 0);
    script.key(KeyCodeA, "a");
    script.run();
    EXPECT_EQ(source->keys, 1);
}

} // namespace
