#pragma once

// The strip a toolbar shows above its window's content: item buttons (image over label) laid
// out left to right, the views of view items, separators and spaces. A click on an enabled
// button tracks the mouse and sends the item's action on release inside.

#include "kit/appkit/View.h"

#include <vector>

namespace kit {

class Toolbar;

class ToolbarView : public View, public ToolTipOwner {
public:
    explicit ToolbarView(Toolbar* toolbar);

    // Places every item in the strip's width; view items get their views as subviews.
    void layoutItems();
    // An item's slot in the strip's coordinates (flipped), or the zero rect.
    Rect rectOfItemAtIndex(std::size_t index) const;

    // kit::View:
    bool isFlipped() const override { return true; }
    void setFrameSize(Size size) override;
    void drawRect(Rect dirty) override;
    void mouseDown(const Event& event) override;

    // kit::ToolTipOwner: the item's tool tip, asked when it is about to show.
    QString viewStringForToolTipPointUserData(View* view, std::int64_t tag, Point point, void* userData) override;

private:
    std::ptrdiff_t buttonIndexAtPoint(Point point) const;

    Weak<Toolbar> toolbar_;
    std::vector<Rect> slots_;
    std::ptrdiff_t pressed_ = -1; // the button held down and under the pointer
};

} // namespace kit
