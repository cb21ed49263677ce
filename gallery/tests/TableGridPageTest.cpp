// The table grid page: its caption names the selection as the headers do.

#include "gallery/pages/TableGridPage.h"

#include "JVLAppKit/JVLTableGrid/JVLTableGrid.h"
#include "kit/appkit/Accessibility.h"
#include "kit/appkit/AccessibilityBridge.h"
#include "kit/appkit/Window.h"
#include "kit/controls/TextField.h"
#include "kit/core/NotificationCenter.h"
#include "kit/foundation/RunLoop.h"

#include <QAccessible>

#include <gtest/gtest.h>

#include <vector>

namespace {

using namespace kit;

template<class T>
Ref<T> tableGridPageFind(const View& view)
{
    for (const Ref<View>& sub : view.subviews()) {
        if (auto found = dynamic_pointer_cast<T>(sub))
            return found;
        if (auto found = tableGridPageFind<T>(*sub))
            return found;
    }
    return nullptr;
}

TEST(GalleryTableGridPage, TheCaptionNamesTheSelectionAsTheHeadersDo)
{
    const Ref<View> page = makeTableGridPage(MakeRect(0, 0, 900, 600));
    const Ref<JVLTableGrid> grid = tableGridPageFind<JVLTableGrid>(*page);
    const Ref<TextField> caption = tableGridPageFind<TextField>(*page);
    ASSERT_TRUE(grid && caption);
    const struct {
        Range columns, rows;
        const char* shown;
    } cases[] = {
        { { 0, 3 }, { 1, 3 }, "Columns A–C, rows 2–4 selected." },
        { { 1, 1 }, { 0, 1 }, "Columns B, rows 1 selected." },
        { { 25, 1 }, { 498, 2 }, "Columns Z, rows 499–500 selected." },
    };
    for (const auto& c : cases) {
        grid->setSelectedColumnIndexes(IndexSet::indexSetWithIndexesInRange(c.columns));
        grid->setSelectedRowIndexes(IndexSet::indexSetWithIndexesInRange(c.rows));
        EXPECT_EQ(caption->stringValue(), QString::fromUtf8(c.shown));
    }
    grid->setSelectedRowIndexes(IndexSet());
    EXPECT_EQ(caption->stringValue(), QStringLiteral("Columns Z, rows none selected."));

    // A move names the places left and taken as an unmoved sheet's headers do, in words for a person.
    Dictionary moved;
    moved.setObjectForKey(Value(IndexSet::indexSetWithIndexesInRange({ 0, 2 })), Value(JVLTableGridOldColumnsKey));
    moved.setObjectForKey(Value(IndexSet::indexSetWithIndexesInRange({ 3, 2 })), Value(JVLTableGridNewColumnsKey));
    NotificationCenter::defaultCenter()->postNotificationNameObjectUserInfo(JVLTableGridDidMoveColumnsNotification, grid.get(), moved);
    EXPECT_EQ(caption->stringValue(), QStringLiteral("Columns A–B moved to D–E. Columns Z, rows none selected."));
}

// A screen reader walking the page's window comes to the sheet as a table, and hears it by a name.
TEST(GalleryTableGridPage, TheGridIsNamed)
{
    const Ref<Window> window = make<Window>(MakeRect(0, 0, 900, 600), TitledWindowMask);
    const Ref<View> page = makeTableGridPage(MakeRect(0, 0, 900, 600));
    window->contentView()->addSubview(page.get());
    window->display();
    std::vector<QAccessibleInterface*> tables;
    std::vector<QAccessibleInterface*> walk { AccessibilityBridge::interfaceFor(Value(window)) };
    while (!walk.empty()) {
        QAccessibleInterface* iface = walk.back();
        walk.pop_back();
        if (!iface)
            continue;
        if (iface->role() == QAccessible::Table)
            tables.push_back(iface);
        for (int i = 0; i < iface->childCount(); ++i)
            walk.push_back(iface->child(i));
    }
    ASSERT_EQ(tables.size(), 1u);
    EXPECT_EQ(tables.front()->text(QAccessible::Name), QStringLiteral("Sheet"));
    ASSERT_NE(tables.front()->tableInterface(), nullptr);
    EXPECT_EQ(tables.front()->tableInterface()->columnCount(), 26);
    page->removeFromSuperview();
    window->close();
    RunLoop::main().runPending();
}

} // namespace
