#include "SRScopeBarTestSupport.h"

#include "kit/foundation/KeyedArchiver.h"
#include "kit/foundation/KeyedUnarchiver.h"
#include "kit/foundation/NumberFormatter.h"
#include "kit/graphics/GraphicsContext.h"
#include "kit/graphics/RecordingBackend.h"

#include <gtest/gtest.h>

namespace {

using namespace kit;

TEST(ScopeBarCells, TemplatesAsTheBarMakesThem)
{
    auto bar = make<SRScopeBar>(MakeRect(0, 0, 300, 25));
    auto button = dynamic_pointer_cast<SRButtonCell>(bar->buttonCell());
    ASSERT_TRUE(button);
    EXPECT_EQ(button->bezelStyle(), RecessedBezelStyle);
    EXPECT_EQ(button->buttonType(), PushOnPushOffButton);
    EXPECT_EQ(button->controlSize(), SmallControlSize);
    EXPECT_TRUE(button->showsBorderOnlyWhileMouseInside());
    EXPECT_EQ(button->lineBreakMode(), LineBreakByTruncatingTail);
    EXPECT_EQ(button->imagePosition(), ImageLeft);
    EXPECT_TRUE(button->font().bold());
    EXPECT_EQ(button->font().pixelSize(), 12);
    EXPECT_NE(bar->buttonCell(), bar->buttonCell()) << "answers copies";

    auto popUp = bar->popUpButtonCell();
    ASSERT_TRUE(dynamic_pointer_cast<SRPopUpButtonCell>(popUp));
    EXPECT_FALSE(popUp->pullsDown());
    EXPECT_EQ(popUp->arrowPosition(), PopUpArrowAtBottom);
    EXPECT_FALSE(popUp->usesItemFromMenu());
    EXPECT_FALSE(popUp->altersStateOfSelectedItem());
    EXPECT_EQ(popUp->action().name(), QStringLiteral("popUpMenuItemSelected"));

    auto overflow = bar->overflowPullDownCell();
    EXPECT_EQ(overflow, bar->overflowPullDownCell()) << "the cell itself";
    EXPECT_TRUE(overflow->pullsDown());
    EXPECT_EQ(overflow->target().get(), bar.get());
    EXPECT_EQ(overflow->action().name(), QStringLiteral("overflowPullDownItemSelected"));
    EXPECT_TRUE(overflow->usesItemFromMenu());
    EXPECT_FALSE(overflow->autoenablesItems());
    ASSERT_EQ(overflow->numberOfItems(), 1);
    ASSERT_TRUE(overflow->itemAtIndex(0)->image());
    const Size image = overflow->itemAtIndex(0)->image()->size();
    EXPECT_EQ(overflow->cellSize(), MakeSize(image.width + 12, image.height));

    EXPECT_NEAR(bar->backgroundBottomColor()->whiteComponent(), 0.8, 1e-3);
    EXPECT_NEAR(bar->backgroundTopColor()->whiteComponent(), 0.94, 1e-3);
    EXPECT_NEAR(bar->borderColor()->whiteComponent(), 0.6, 1e-9);
    EXPECT_EQ(bar->minimumButtonWidth(), 70u);
    EXPECT_EQ(bar->minimumPopUpWidth(), 70u);
    EXPECT_EQ(bar->intercellSpacing(), 5u);
    EXPECT_TRUE(bar->autoResizesGroups());
}

TEST(ScopeBarCells, StateSetsSelectedAndHoverSetsMouseOverFirst)
{
    auto cell = make<SRButtonCell>(QStringLiteral("All"));
    cell->setState(OnState);
    EXPECT_TRUE(cell->selected());
    cell->setState(OffState);
    EXPECT_FALSE(cell->selected());
    cell->setState(MixedState);
    EXPECT_FALSE(cell->selected());
    auto event = Event::mouseEventWithTypeLocationModifierFlagsTimestampWindowNumberContextEventNumberClickCountPressure(
        LeftMouseDown, ZeroPoint, 0, 0, 0, nullptr, 0, 1, 0);
    cell->mouseEntered(*event);
    EXPECT_TRUE(cell->mouseOver());
    EXPECT_TRUE(cell->isMouseInside());
    auto copy = dynamic_pointer_cast<SRButtonCell>(cell->copy());
    EXPECT_TRUE(copy->mouseOver());
    cell->mouseExited(*event);
    EXPECT_FALSE(cell->mouseOver());
}

TEST(ScopeBarCells, OverflowCellPullsDownWhateverItIsTold)
{
    auto cell = make<SROverflowPullDownCell>(QString(), false);
    EXPECT_TRUE(cell->pullsDown());
    EXPECT_EQ(cell->arrowPosition(), PopUpNoArrow);
    EXPECT_EQ(cell->imagePosition(), ImageOnly);
    EXPECT_FALSE(cell->isBordered());
    EXPECT_EQ(cell->highlightsBy(), ChangeGrayCellMask);
    EXPECT_EQ(cell->cellSize(), ZeroSize);
    cell->addItemWithTitle(QStringLiteral("face"));
    EXPECT_EQ(cell->cellSize(), ZeroSize);
}

// What a title draws with: colour, shadow colour and offset, through the recording backend.
struct TitleLook {
    const char* name;
    bool selected, over, popUp;
    double text, shadow, offsetY;
};

class ScopeBarTitleLook : public testing::TestWithParam<TitleLook> { };

TEST_P(ScopeBarTitleLook, RecordedTitleAttributes)
{
    const auto& c = GetParam();
    auto recording = std::make_shared<RecordingBackend>();
    auto view = make<View>(MakeRect(0, 0, 100, 20));
    Ref<ButtonCell> cell;
    if (c.popUp) {
        auto p = make<SRPopUpButtonCell>(QStringLiteral("x"), false);
        cell = p;
    } else {
        auto b = make<SRButtonCell>(QStringLiteral("x"));
        b->setSelected(c.selected);
        b->setMouseOver(c.over);
        cell = b;
    }
    {
        GraphicsContext::Scope scope(GraphicsContext::graphicsContextWithBackend(recording, false));
        cell->drawTitleWithFrameInView(AttributedString(QStringLiteral("All")), MakeRect(0, 0, 100, 20), view.get());
    }
    const DrawRecord* text = nullptr;
    for (const DrawRecord& r : recording->records)
        if (r.kind == DrawRecord::Kind::Text)
            text = &r;
    ASSERT_TRUE(text) << c.name;
    EXPECT_EQ(text->text, QStringLiteral("All")) << c.name;
    EXPECT_NEAR(text->color().redF(), c.text, 2e-3) << c.name;
    EXPECT_NEAR(text->state.shadow.color.redF(), c.shadow, 2e-3) << c.name;
    EXPECT_DOUBLE_EQ(text->state.shadow.offset.x(), 0) << c.name;
    EXPECT_DOUBLE_EQ(text->state.shadow.offset.y(), c.offsetY) << c.name;
    EXPECT_TRUE(text->font.bold()) << c.name;
    EXPECT_EQ(text->font.pixelSize(), 11) << c.name;
}

INSTANTIATE_TEST_SUITE_P(Looks, ScopeBarTitleLook,
    testing::Values(TitleLook { "plain", false, false, false, 0.25, 1.0, -1 }, TitleLook { "selected", true, false, false, 1.0, 0.2, -0.5 },
        TitleLook { "hovered", false, true, false, 1.0, 0.2, -0.5 }, TitleLook { "popUp", false, false, true, 1.0, 0.2, -0.5 }),
    [](const auto& info) { return std::string(info.param.name); });

// --- Archives ------------------------------------------------------------------------------------

TEST(ScopeBarCoding, ConfiguredBarRoundTrips)
{
    srTestWidths().clear();
    auto source = make<SRTestDataSource>();
    auto bar = makeTableBar(500, source.get(), { { "All", "Images" }, { "Small", "Large", "Huge" } });
    auto delegate = make<SRTestDelegate>();
    bar->setDelegate(delegate.get());
    auto g1 = bar->groupAtIndex(1);
    g1->setGroupSelectionStyle(1);
    g1->setSelectionIndexes(IndexSet { 0, 2 });
    g1->setLabel(QStringLiteral("Size:"));
    g1->setMultipleSelectionPlaceholder(QStringLiteral("Several"));
    StringAttributes red;
    red.foregroundColor = Color::redColor();
    bar->groupAtIndex(0)->setAttributedLabel(AttributedString(QStringLiteral("Kind"), red));
    bar->setMinimumButtonWidth(33);
    bar->setMinimumPopUpWidth(44);
    bar->setIntercellSpacing(7);
    bar->setFormatter(make<NumberFormatter>());
    bar->setAccessoryView(make<View>(MakeRect(0, 0, 20, 10)).get());
    bar->setBackgroundTopColor(Color::blueColor().get());
    bar->setBorderColor(Color::redColor().get());
    bar->setSeparatorColor(Color::blackColor().get());
    bar->setLabelColor(Color::whiteColor().get());
    bar->setAutoResizesGroups(false);

    QString error;
    const Value root = KeyedUnarchiver::unarchiveTopLevelObjectWithDataError(
        KeyedArchiver::archivedDataWithRootObject(Value(Array { Value(bar), Value(delegate), Value(source) })), &error);
    ASSERT_TRUE(error.isEmpty()) << error.toStdString();
    auto back = root.array()[0].objectAs<SRScopeBar>();
    ASSERT_TRUE(back);
    EXPECT_EQ(back->delegate().get(), root.array()[1].object().get());
    EXPECT_EQ(back->dataSource().get(), root.array()[2].object().get());
    ASSERT_EQ(back->numberOfGroups(), 2);
    auto b1 = back->groupAtIndex(1);
    EXPECT_EQ(b1->scopeBar().get(), back.get());
    EXPECT_EQ(b1->identifier(), QStringLiteral("g1"));
    EXPECT_EQ(b1->groupSelectionStyle(), 1);
    EXPECT_EQ(b1->selectionIndexes(), (IndexSet { 0, 2 }));
    EXPECT_EQ(b1->label(), QStringLiteral("Size:"));
    EXPECT_TRUE(b1->showsSeparator());
    EXPECT_EQ(b1->multipleSelectionPlaceholder(), QStringLiteral("Several"));
    EXPECT_FALSE(back->groupAtIndex(0)->showsSeparator());
    ASSERT_TRUE(back->groupAtIndex(0)->storedAttributedLabel());
    EXPECT_TRUE(back->groupAtIndex(0)->attributedLabel().attributesAtIndex(0).foregroundColor->isEqual(*Color::redColor()));
    EXPECT_TRUE(dynamic_pointer_cast<SRTableButtonCell>(back->buttonCell()));
    EXPECT_TRUE(dynamic_pointer_cast<SRTablePopUpCell>(back->popUpButtonCell()));
    EXPECT_EQ(back->overflowPullDownCell()->target().get(), back.get());
    ASSERT_TRUE(back->overflowPullDownCell()->itemAtIndex(0));
    EXPECT_TRUE(back->overflowPullDownCell()->itemAtIndex(0)->image()) << "the overflow face image";
    EXPECT_EQ(back->minimumButtonWidth(), 33u);
    EXPECT_EQ(back->minimumPopUpWidth(), 44u);
    EXPECT_EQ(back->intercellSpacing(), 7u);
    EXPECT_TRUE(dynamic_pointer_cast<NumberFormatter>(back->formatter()));
    ASSERT_TRUE(back->accessoryView());
    EXPECT_EQ(back->accessoryView()->superview().get(), back.get());
    EXPECT_EQ(back->subviews().size(), 1u);
    EXPECT_TRUE(back->backgroundTopColor()->isEqual(*Color::blueColor()));
    EXPECT_TRUE(back->borderColor()->isEqual(*Color::redColor()));
    EXPECT_TRUE(back->separatorColor()->isEqual(*Color::blackColor()));
    EXPECT_TRUE(back->labelColor()->isEqual(*Color::whiteColor()));
    EXPECT_FALSE(back->autoResizesGroups());
    back->setDelegate(nullptr);
    bar->setDelegate(nullptr);
}

TEST(ScopeBarCoding, GroupWithOnlyAPlainLabelKeepsTheArchivedFlag)
{
    auto group = make<SRScopeBarGroup>(QStringLiteral("kind"), 0);
    group->setLabel(QStringLiteral("Kind:"));
    group->setShowsLabel(false);
    QString error;
    auto back = KeyedUnarchiver::unarchiveTopLevelObjectWithDataError(KeyedArchiver::archivedDataWithRootObject(Value(group)), &error)
                    .objectAs<SRScopeBarGroup>();
    ASSERT_TRUE(back) << error.toStdString();
    EXPECT_EQ(back->label(), QStringLiteral("Kind:"));
    EXPECT_FALSE(back->showsLabel());
    EXPECT_FALSE(back->storedAttributedLabel());
    EXPECT_EQ(back->attributedLabel().string(), QStringLiteral("Kind:"));
}

TEST(ScopeBarCoding, MissingKeysLeaveTheGroupEmpty)
{
    const QByteArray data = R"({"$archiver": "KeyedArchiver", "$version": 1, "$top": {"root": {"$ref": 0}},
        "$objects": [{"$class": "SRScopeBarGroup"}]})";
    QString error;
    auto back = KeyedUnarchiver::unarchiveTopLevelObjectWithDataError(data, &error).objectAs<SRScopeBarGroup>();
    ASSERT_TRUE(back) << error.toStdString();
    EXPECT_FALSE(back->showsSeparator());
    EXPECT_TRUE(back->identifier().isNull());
    EXPECT_TRUE(back->selectionIndexes().isEmpty());
}

} // namespace
