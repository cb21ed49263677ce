// A bar whose cells hold drag gaps keeps its hands off them: whatever would lay it out during the
// drag (a retitled tab, a new frame, an option) waits until the gaps are gone.

#include "XTTabBarControl/XTTabDragAssistant.h"
#include "XTTabBarControl/tests/XTTabBarTestSupport.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

struct XTDragLayoutCase {
    const char* name;
    std::function<void(XTBarFixture&, kit::TabViewItem&)> change;
};

class XTTabDragLayout : public testing::TestWithParam<XTDragLayoutCase> {
protected:
    void TearDown() override { XTTabDragAssistant::resetForTesting(); }
};

// One tab, dragged: its place becomes the bar's only cell, an open gap, so cells and items count
// the same while no cell is a tab.
TEST_P(XTTabDragLayout, GapsAreNotLaidOutAsTabs)
{
    XTBarFixture f(434);
    const kit::Ref<kit::TabViewItem> item = f.addTab(QStringLiteral("Tab 0"));
    const kit::Ref<XTTabBarCell> dragged = f.bar->cells().front();
    const kit::Rect before = dragged->frame();
    XTTabDragAssistant::sharedDragAssistant()->distributePlaceholdersInTabBarWithDraggedCell(f.bar.get(), dragged.get());
    ASSERT_EQ(f.bar->cells().size(), 1u);
    const kit::Ref<XTTabBarCell> gap = f.bar->cells().front();
    ASSERT_TRUE(gap->isPlaceholder());

    GetParam().change(f, *item);

    ASSERT_EQ(f.bar->cells().size(), 1u);
    EXPECT_EQ(f.bar->cells().front(), gap);
    EXPECT_EQ(gap->frame(), before) << "the gap keeps the dragged tab's place";
}

INSTANTIATE_TEST_SUITE_P(DuringADrag, XTTabDragLayout,
    testing::Values(XTDragLayoutCase { "Retitled",
                        [](XTBarFixture& f, kit::TabViewItem& item) {
                            f.bar->setSizeCellsToFit(true);
                            item.setLabel(QStringLiteral("A title far longer than the tab it had"));
                        } },
        XTDragLayoutCase { "Narrowed", [](XTBarFixture& f, kit::TabViewItem&) { f.bar->setFrameSize(kit::MakeSize(90, 22)); } },
        XTDragLayoutCase { "OptimumWidth", [](XTBarFixture& f, kit::TabViewItem&) { f.bar->setCellOptimumWidth(200); } },
        XTDragLayoutCase { "ExplicitUpdate",
            [](XTBarFixture& f, kit::TabViewItem&) {
                f.bar->setCellMaxWidth(60);
                f.bar->update(false);
            } }),
    [](const testing::TestParamInfo<XTDragLayoutCase>& info) { return std::string(info.param.name); });

} // namespace
