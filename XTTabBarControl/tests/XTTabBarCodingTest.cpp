#include "XTTabBarControl/XTTabStyle.h"
#include "XTTabBarControl/tests/XTTabBarWindowSupport.h"
#include "kit/foundation/KeyedArchiver.h"
#include "kit/foundation/KeyedUnarchiver.h"
#include "kit/testsupport/EventScript.h"
#include "kit/testsupport/ManualClockScope.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <functional>

#include <gtest/gtest.h>

namespace {

QByteArray xtctArchive(kit::Object* root) { return kit::KeyedArchiver::archivedDataWithRootObject(kit::Value(kit::Ref<kit::Object>(root))); }

kit::Ref<XTTabBarControl> xtctUnarchive(const QByteArray& data) { return kit::KeyedUnarchiver::unarchiveObjectWithData(data).objectAs<XTTabBarControl>(); }

// The archive's entries of one class.
std::vector<QJsonObject> xtctEntries(const QByteArray& data, const QString& cls)
{
    std::vector<QJsonObject> found;
    for (const QJsonValue& v : QJsonDocument::fromJson(data).object().value(QStringLiteral("$objects")).toArray())
        if (v.toObject().value(QStringLiteral("$class")).toString() == cls)
            found.push_back(v.toObject());
    return found;
}

// The archive with the bar's entry changed by `edit`.
QByteArray xtctEditBar(const QByteArray& data, const std::function<void(QJsonObject&)>& edit)
{
    QJsonObject root = QJsonDocument::fromJson(data).object();
    QJsonArray objects = root.value(QStringLiteral("$objects")).toArray();
    for (int i = 0; i < objects.size(); ++i) {
        QJsonObject o = objects[i].toObject();
        if (o.value(QStringLiteral("$class")).toString() != QLatin1String("XTTabBarControl"))
            continue;
        edit(o);
        objects[i] = o;
    }
    root.insert(QStringLiteral("$objects"), objects);
    return QJsonDocument(root).toJson();
}

std::vector<QString> xtctTitles(const XTTabBarControl& bar)
{
    std::vector<QString> titles;
    for (const auto& cell : bar.cells())
        titles.push_back(cell->stringValue());
    return titles;
}

TEST(XTTabBarCoding, OptionsComeBackAndRunTimeFieldsKeepTheirDefaults)
{
    XTBarFixture f(434, 3);
    f.bar->setCanCloseOnlyTab(true);
    f.bar->setDisableTabClose(true);
    f.bar->setHideForSingleTab(true);
    f.bar->setAllowsBackgroundTabClosing(false);
    f.bar->setAllowsResizing(true);
    f.bar->setSelectsTabsOnMouseDown(true);
    f.bar->setShowAddTabButton(true);
    f.bar->setSizeCellsToFit(true);
    f.bar->setUseOverflowMenu(false);
    f.bar->setAutomaticallyAnimates(true);
    f.bar->setAlwaysShowActiveTab(true);
    f.bar->setCellMinWidth(60);
    f.bar->setCellMaxWidth(200);
    f.bar->setCellOptimumWidth(90);
    f.bar->setAllowsScrubbing(true);
    f.bar->setTearOffStyle(1);
    f.bar->setOrientation(XTTabBarVerticalOrientation);

    const kit::Ref<XTTabBarControl> d = xtctUnarchive(xtctArchive(f.bar.get()));
    ASSERT_TRUE(d);
    EXPECT_TRUE(d->canCloseOnlyTab());
    EXPECT_TRUE(d->disableTabClose());
    EXPECT_TRUE(d->hideForSingleTab());
    EXPECT_FALSE(d->allowsBackgroundTabClosing());
    EXPECT_TRUE(d->allowsResizing());
    EXPECT_TRUE(d->selectsTabsOnMouseDown());
    EXPECT_TRUE(d->showAddTabButton());
    EXPECT_TRUE(d->sizeCellsToFit());
    EXPECT_FALSE(d->useOverflowMenu());
    EXPECT_TRUE(d->automaticallyAnimates());
    EXPECT_TRUE(d->alwaysShowActiveTab());
    EXPECT_EQ(d->cellMinWidth(), 60);
    EXPECT_EQ(d->cellMaxWidth(), 200);
    EXPECT_EQ(d->cellOptimumWidth(), 90);
    EXPECT_EQ(d->orientation(), XTTabBarVerticalOrientation);
    EXPECT_FALSE(d->allowsScrubbing());
    EXPECT_EQ(d->tearOffStyle(), 0);
    EXPECT_EQ(d->styleName(), QStringLiteral("Metal"));
    // The style learns the decoded orientation.
    auto style = kit::dynamic_pointer_cast<XTTabStyleBase>(d->style());
    ASSERT_TRUE(style);
    EXPECT_EQ(style->orientation(), XTTabBarVerticalOrientation);
}

// After a click the bar still archives: it holds no event, no cells, no tracking tags and not its
// delegate, whose owner it would otherwise drag into the archive.
TEST(XTTabBarCoding, ArchivingAfterAClickHoldsSettingsOnly)
{
    XTWindowFixture f(kit::MakeRect(100, 100, 434, 300), kit::MakeRect(0, 278, 434, 22), kit::MakeRect(0, 0, 434, 278), 3);
    auto delegate = kit::make<XTAnsweringDelegate>();
    f.bar->setDelegate(delegate.get());
    f.window->orderFront();
    {
        kit::test::EventScript script(f.window.get());
        script.click(f.base(200, 11));
        script.run();
    }
    ASSERT_EQ(f.tabView->selectedTabViewItem()->label(), QStringLiteral("Tab 1"));
    const QByteArray data = xtctArchive(f.bar.get());
    ASSERT_FALSE(data.isEmpty());
    const std::vector<QJsonObject> bars = xtctEntries(data, QStringLiteral("XTTabBarControl"));
    ASSERT_EQ(bars.size(), 1u);
    for (const char* key : { "XTcells", "XTlastMouseDownEvent", "XTdelegate", "XTcurrentStep", "XTawakenedFromNib" })
        EXPECT_FALSE(bars[0].contains(QString::fromLatin1(key))) << key;
    for (const char* key : { "XTtabView", "XTpartnerView", "XTstyle", "XToverflowPopUpButton", "XTaddTabButton", "XTcellMinWidth" })
        EXPECT_TRUE(bars[0].contains(QString::fromLatin1(key))) << key;
    // Whether the bar is hidden decides the geometry the archive holds.
    EXPECT_EQ(bars[0].value(QStringLiteral("XTisHidden")), QJsonValue(false));
    EXPECT_TRUE(xtctEntries(data, QStringLiteral("XTTabBarCell")).empty());
    EXPECT_TRUE(xtctEntries(data, QStringLiteral("Event")).empty());

    // The decoded bar makes its cells from the decoded tab view and answers for it again.
    const kit::Ref<XTTabBarControl> d = xtctUnarchive(data);
    ASSERT_TRUE(d && d->tabView());
    EXPECT_EQ(xtctTitles(*d), (std::vector<QString> { QStringLiteral("Tab 0"), QStringLiteral("Tab 1"), QStringLiteral("Tab 2") }));
    EXPECT_EQ(d->representedTabViewItems().size(), 3u);
    EXPECT_EQ(d->tabView()->delegate().get(), d.get());
    EXPECT_EQ(d->partnerView().get(), d->tabView().get());
    EXPECT_FALSE(d->delegate());
    EXPECT_EQ(d->cells()[1]->state(), 1) << "laid out with the selection";
    auto item = kit::make<kit::TabViewItem>(kit::Value(QStringLiteral("more")));
    item->setLabel(QStringLiteral("More"));
    d->tabView()->addTabViewItem(item);
    EXPECT_EQ(d->cells().size(), 4u);
    EXPECT_GT(d->cells()[3]->frame().size.width, 30) << "the decoded bar keeps laying out";
    // Its own two buttons: the decoded ones, once each; no indicator came along.
    int buttons = 0;
    for (const auto& sub : d->subviews())
        if (sub == d->addTabButton() || sub == d->overflowPopUpButton())
            ++buttons;
    EXPECT_EQ(buttons, 2);
    EXPECT_EQ(d->subviews().size(), 2u);
}

// Keys of older archives that hold run-time state are read past; whether the bar is hidden is
// not run-time state: it decides the geometry the archive holds.
TEST(XTTabBarCoding, RunTimeKeysInAnArchiveAreIgnored)
{
    XTBarFixture f(434, 2);
    const kit::Ref<XTTabBarControl> d = xtctUnarchive(xtctEditBar(xtctArchive(f.bar.get()), [](QJsonObject& o) {
        o.insert(QStringLiteral("XTisHidden"), true);
        o.insert(QStringLiteral("XTcurrentStep"), 2);
        o.insert(QStringLiteral("XTawakenedFromNib"), true);
        o.insert(QStringLiteral("XTcells"), QJsonArray {});
    }));
    ASSERT_TRUE(d);
    EXPECT_TRUE(d->isTabBarHidden());
    EXPECT_EQ(d->cells().size(), 2u);
    // Not awake: it waits for its window's first update before it shows.
    d->hideTabBar(false, false);
    EXPECT_TRUE(d->isTabBarHidden());
}

// A bar hidden in its window, archived with its window's content and shown in a new window.
struct XTDecodedWindow {
    kit::Ref<kit::Window> window;
    kit::Ref<kit::View> container;
    kit::Ref<XTTabBarControl> bar;

    explicit XTDecodedWindow(const QByteArray& data)
        : window(kit::make<kit::Window>(kit::MakeRect(100, 100, 400, 300), kit::TitledWindowMask))
        , container(kit::KeyedUnarchiver::unarchiveObjectWithData(data).objectAs<kit::View>())
    {
        if (!container)
            return;
        for (const auto& sub : container->subviews())
            if (auto b = kit::dynamic_pointer_cast<XTTabBarControl>(sub))
                bar = b;
    }
    ~XTDecodedWindow()
    {
        window->orderOut();
        kit::InputState::reset();
    }
    XTDecodedWindow(const XTDecodedWindow&) = delete;
    XTDecodedWindow& operator=(const XTDecodedWindow&) = delete;

    void show()
    {
        window->setContentView(container.get());
        window->orderFront();
        kit::RunLoop::main().runPending();
    }
    bool buttonsIn() const
    {
        return bar->addTabButton()->superview() == bar && bar->overflowPopUpButton()->superview() == bar;
    }
};

constexpr double xtctTick = 1.0 / 30;

TEST(XTTabBarCoding, ABarItsHostHidComesBackHiddenUntilTheHostShowsIt)
{
    kit::test::ManualClockScope clock;
    XTWindowFixture f(kit::MakeRect(100, 100, 400, 300), kit::MakeRect(0, 278, 400, 22), kit::MakeRect(0, 0, 400, 278), 3);
    f.showWindow();
    f.bar->hideTabBar(true, false);
    clock.advance(xtctTick);
    ASSERT_EQ(f.bar->frame(), kit::MakeRect(0, 299, 400, 1));
    const QByteArray data = xtctArchive(f.container.get());
    const std::vector<QJsonObject> bars = xtctEntries(data, QStringLiteral("XTTabBarControl"));
    ASSERT_EQ(bars.size(), 1u);
    EXPECT_TRUE(bars[0].value(QStringLiteral("XTisHidden")).toBool());

    // Older archives lack the key: a bar 1 point high is read as hidden too.
    const QByteArray withoutKey = xtctEditBar(data, [](QJsonObject& o) { o.remove(QStringLiteral("XTisHidden")); });
    for (const QByteArray& archive : { data, withoutKey }) {
        XTDecodedWindow w(archive);
        ASSERT_TRUE(w.bar && w.bar->partnerView());
        EXPECT_TRUE(w.bar->isTabBarHidden());
        EXPECT_EQ(w.bar->frame(), kit::MakeRect(0, 299, 400, 1));
        EXPECT_EQ(w.bar->partnerView()->frame(), kit::MakeRect(0, 0, 400, 299));
        EXPECT_FALSE(w.buttonsIn()) << "the buttons stay out while hidden";
        w.show();
        clock.advance(1);
        EXPECT_TRUE(w.bar->isTabBarHidden());
        EXPECT_EQ(w.bar->frame(), kit::MakeRect(0, 299, 400, 1));
        auto item = kit::make<kit::TabViewItem>(kit::Value(QStringLiteral("more")));
        item->setLabel(QStringLiteral("More"));
        w.bar->tabView()->addTabViewItem(item);
        clock.advance(1);
        EXPECT_TRUE(w.bar->isTabBarHidden()) << "a new tab leaves a bar its host hid hidden";
        EXPECT_EQ(w.bar->frame(), kit::MakeRect(0, 299, 400, 1));

        w.bar->hideTabBar(false, false);
        clock.advance(xtctTick);
        EXPECT_FALSE(w.bar->isTabBarHidden());
        EXPECT_EQ(w.bar->frame(), kit::MakeRect(0, 278, 400, 22));
        EXPECT_EQ(w.bar->partnerView()->frame(), kit::MakeRect(0, 0, 400, 278));
        EXPECT_TRUE(w.buttonsIn());
    }
}

// A bar collapsed for its single tab is not collapsed a second time by its decoded first update;
// a second tab brings it back.
TEST(XTTabBarCoding, ASingleTabBarCollapsesOnceAcrossAnArchive)
{
    kit::test::ManualClockScope clock;
    XTWindowFixture f(kit::MakeRect(100, 100, 400, 300), kit::MakeRect(0, 278, 400, 22), kit::MakeRect(0, 0, 400, 278), 1);
    f.bar->setHideForSingleTab(true);
    f.showWindow();
    ASSERT_EQ(f.bar->frame(), kit::MakeRect(0, 299, 400, 1));

    XTDecodedWindow w(xtctArchive(f.container.get()));
    ASSERT_TRUE(w.bar && w.bar->partnerView());
    EXPECT_TRUE(w.bar->isTabBarHidden());
    w.show();
    clock.advance(1);
    EXPECT_EQ(w.bar->frame(), kit::MakeRect(0, 299, 400, 1));
    EXPECT_EQ(w.bar->partnerView()->frame(), kit::MakeRect(0, 0, 400, 299));

    auto item = kit::make<kit::TabViewItem>(kit::Value(QStringLiteral("second")));
    item->setLabel(QStringLiteral("Second"));
    w.bar->tabView()->addTabViewItem(item);
    clock.advance(4 * xtctTick);
    EXPECT_FALSE(w.bar->isTabBarHidden());
    EXPECT_EQ(w.bar->frame(), kit::MakeRect(0, 278, 400, 22));
    EXPECT_EQ(w.bar->partnerView()->frame(), kit::MakeRect(0, 0, 400, 278));
}

TEST(XTTabBarCoding, AHiddenVerticalBarComesBackAtItsWidth)
{
    kit::test::ManualClockScope clock;
    XTWindowFixture f(kit::MakeRect(100, 100, 400, 300), kit::MakeRect(0, 0, 150, 300), kit::MakeRect(150, 0, 250, 300), 2,
        XTTabBarVerticalOrientation);
    f.showWindow();
    f.bar->hideTabBar(true, false);
    clock.advance(xtctTick);
    ASSERT_EQ(f.bar->frame(), kit::MakeRect(0, 0, 1, 300));

    XTDecodedWindow w(xtctArchive(f.container.get()));
    ASSERT_TRUE(w.bar && w.bar->partnerView());
    EXPECT_TRUE(w.bar->isTabBarHidden());
    w.show();
    w.bar->hideTabBar(false, false);
    clock.advance(xtctTick);
    EXPECT_EQ(w.bar->frame(), kit::MakeRect(0, 0, 150, 300));
    EXPECT_EQ(w.bar->partnerView()->frame(), kit::MakeRect(150, 0, 250, 300));
}

// An interface file connects the bar's outlets and makes it the tab view's delegate; waking up,
// it shows one cell per item.
const char* const xtctInterfaceFile = R"({"$archiver": "KeyedArchiver", "$version": 1,
  "$top": {
    "objects": [{"$ref": 0}],
    "outlets": [
      {"source": {"$ref": 1}, "key": "tabView", "destination": {"$ref": 2}},
      {"source": {"$ref": 1}, "key": "partnerView", "destination": {"$ref": 2}},
      {"source": {"$ref": 1}, "key": "delegate", "destination": {"$placeholder": "File's Owner"}},
      {"source": {"$ref": 2}, "key": "delegate", "destination": {"$ref": 1}}
    ]
  },
  "$objects": [
    {"$class": "View", "frame": {"$rect": [0.0, 0.0, 400.0, 300.0]}, "subviews": [{"$ref": 1}, {"$ref": 2}]},
    {"$class": "XTTabBarControl", "frame": {"$rect": [0.0, 278.0, 400.0, 22.0]}, "XTsizeCellsToFit": true},
    {"$class": "TabView", "frame": {"$rect": [0.0, 0.0, 400.0, 278.0]}, "kit.tabViewType": 6,
     "kit.items": [{"$ref": 3}, {"$ref": 4}, {"$ref": 5}]},
    {"$class": "TabViewItem", "kit.label": "Mail", "kit.identifier": "mail"},
    {"$class": "TabViewItem", "kit.label": "Notes", "kit.identifier": "notes"},
    {"$class": "TabViewItem", "kit.label": "Calendar", "kit.identifier": "calendar"}
  ]})";

TEST(XTTabBarCoding, AnInterfaceFileConnectsTheBar)
{
    auto owner = kit::make<XTRecordingDelegate>();
    owner->implemented = { "tabViewDidSelectTabViewItem" };
    kit::Array top;
    ASSERT_TRUE(kit::NibLoader::loadInterfaceData(xtctInterfaceFile, QStringLiteral("TabBar"), owner.get(), &top));
    const kit::Ref<kit::View> container = top[0].objectAs<kit::View>();
    ASSERT_TRUE(container);
    const kit::Ref<XTTabBarControl> bar = kit::dynamic_pointer_cast<XTTabBarControl>(container->subviews()[0]);
    ASSERT_TRUE(bar);
    const kit::Ref<kit::TabView> tabView = bar->tabView();
    ASSERT_TRUE(tabView);
    EXPECT_EQ(bar->partnerView().get(), tabView.get());
    EXPECT_EQ(bar->delegate().get(), owner.get());
    EXPECT_EQ(tabView->delegate().get(), bar.get());
    EXPECT_TRUE(bar->sizeCellsToFit());
    EXPECT_EQ(xtctTitles(*bar), (std::vector<QString> { QStringLiteral("Mail"), QStringLiteral("Notes"), QStringLiteral("Calendar") }));
    tabView->selectTabViewItemAtIndex(2);
    EXPECT_EQ(owner->calls, QStringList { QStringLiteral("did:Calendar") });
    EXPECT_EQ(bar->cells()[2]->state(), 1);
}

// A cell writes every field but its colour and control; what belongs to the writing process's
// window (tracking tags, the pointer over or pressing the close button) reads back as nothing.
TEST(XTTabBarCoding, ACellWritesItsSeventeenKeys)
{
    auto cell = kit::make<XTTabBarCell>();
    cell->setFrame(kit::MakeRect(10, 0, 130, 22));
    cell->setTabState(XTTabSelectedMask);
    cell->setCloseButtonTrackingTag(7);
    cell->setCellTrackingTag(8);
    cell->setCloseButtonOver(true);
    cell->setCloseButtonPressed(true);
    cell->setCount(3);
    cell->indicator()->setFrame(kit::MakeRect(5, 6, 16, 16));
    ASSERT_TRUE(cell->closeButtonOver());
    const QByteArray data = xtctArchive(cell.get());
    const std::vector<QJsonObject> cells = xtctEntries(data, QStringLiteral("XTTabBarCell"));
    ASSERT_EQ(cells.size(), 1u);
    for (const char* key : { "frame", "stringSize", "currentStep", "isPlaceholder", "tabState", "closeButtonTrackingTag", "cellTrackingTag",
             "closeButtonOver", "closeButtonPressed", "indicator", "isInOverflowMenu", "hasCloseButton", "isCloseButtonSuppressed", "hasIcon",
             "hasLargeImage", "count", "isEdited" })
        EXPECT_TRUE(cells[0].contains(QString::fromLatin1(key))) << key;
    EXPECT_EQ(cells[0].value(QStringLiteral("closeButtonTrackingTag")).toInt(), 7);
    EXPECT_EQ(cells[0].value(QStringLiteral("cellTrackingTag")).toInt(), 8);
    EXPECT_TRUE(cells[0].value(QStringLiteral("closeButtonOver")).toBool());
    EXPECT_TRUE(cells[0].value(QStringLiteral("closeButtonPressed")).toBool());

    const auto d = kit::KeyedUnarchiver::unarchiveObjectWithData(data).objectAs<XTTabBarCell>();
    ASSERT_TRUE(d);
    EXPECT_EQ(d->closeButtonTrackingTag(), 0);
    EXPECT_EQ(d->cellTrackingTag(), 0);
    EXPECT_FALSE(d->closeButtonOver());
    EXPECT_FALSE(d->closeButtonPressed());
    EXPECT_EQ(d->tabState(), XTTabSelectedMask);
    EXPECT_EQ(d->count(), 3);
    ASSERT_TRUE(d->indicator());
    EXPECT_EQ(d->indicator()->frame(), kit::MakeRect(5, 6, 16, 16)) << "the decoded indicator replaces the fresh one";
}

TEST(XTTabBarCoding, TheRolloverButtonWritesItsTrackingTag)
{
    auto window = kit::make<kit::Window>(kit::MakeRect(100, 100, 200, 100), kit::TitledWindowMask);
    auto rollover = kit::make<XTRolloverButton>(kit::MakeRect(10, 10, 16, 16));
    window->contentView()->addSubview(rollover.get());
    rollover->resetCursorRects();
    const std::int64_t tag = rollover->rolloverTrackingTag();
    ASSERT_NE(tag, -1);
    const QByteArray data = xtctArchive(rollover.get());
    const std::vector<QJsonObject> buttons = xtctEntries(data, QStringLiteral("XTRolloverButton"));
    ASSERT_EQ(buttons.size(), 1u);
    ASSERT_TRUE(buttons[0].contains(QStringLiteral("myTrackingRectTag")));
    EXPECT_EQ(buttons[0].value(QStringLiteral("myTrackingRectTag")).toInteger(), tag);
    const auto d = kit::KeyedUnarchiver::unarchiveObjectWithData(data).objectAs<XTRolloverButton>();
    ASSERT_TRUE(d);
    EXPECT_EQ(d->rolloverTrackingTag(), -1);
}

TEST(XTTabBarCoding, TheButtonsKeepTheirImagesAndThePulse)
{
    auto rollover = kit::make<XTRolloverButton>(kit::MakeRect(0, 0, 16, 16));
    rollover->setUsualImage(XTTabStyleBase::bundleImage(QStringLiteral("TabNewMetal")));
    rollover->setRolloverImage(XTTabStyleBase::bundleImage(QStringLiteral("TabNewMetalRollover")));
    const auto r = kit::KeyedUnarchiver::unarchiveObjectWithData(xtctArchive(rollover.get())).objectAs<XTRolloverButton>();
    ASSERT_TRUE(r && r->usualImage() && r->rolloverImage());
    EXPECT_EQ(r->rolloverImage()->size(), kit::MakeSize(16, 16));
    EXPECT_EQ(r->rolloverTrackingTag(), -1);

    kit::test::ManualClockScope clock;
    auto overflow = kit::make<XTOverflowPopUpButton>(kit::MakeRect(0, 0, 24, 22));
    overflow->setAnimatingAlternateImage(true);
    const auto o = kit::KeyedUnarchiver::unarchiveObjectWithData(xtctArchive(overflow.get())).objectAs<XTOverflowPopUpButton>();
    ASSERT_TRUE(o);
    EXPECT_TRUE(o->pullsDown());
    EXPECT_TRUE(o->animatingAlternateImage());
    EXPECT_TRUE(o->pulseTimer());
    ASSERT_TRUE(o->currentImage());
    EXPECT_EQ(o->currentImage()->size(), overflow->currentImage()->size());
}

} // namespace
