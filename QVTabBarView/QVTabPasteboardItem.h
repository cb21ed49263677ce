#pragma once

// What a dragged tab button puts on the drag pasteboard: its title under the tab bar view's
// private type, and, in-process, the source bar, the button and the item's index there.

#include "kit/appkit/PasteboardItem.h"

#include <cstdint>

class QVAttachedTabBarButton;
class QVTabBarView;

class QVTabPasteboardItem : public kit::PasteboardItem {
    KIT_CLASS(QVTabPasteboardItem)
public:
    kit::Ref<QVTabBarView> sourceTabBar() const;
    void setSourceTabBar(QVTabBarView* bar);
    kit::Ref<QVAttachedTabBarButton> attachedTabBarButton() const;
    void setAttachedTabBarButton(QVAttachedTabBarButton* button);
    std::uint64_t sourceIndex() const { return sourceIndex_; }
    void setSourceIndex(std::uint64_t index) { sourceIndex_ = index; }

private:
    kit::Ref<kit::Object> sourceTabBar_;
    kit::Ref<kit::Object> button_;
    std::uint64_t sourceIndex_ = std::uint64_t(0x7FFF'FFFF'FFFF'FFFF);
};
