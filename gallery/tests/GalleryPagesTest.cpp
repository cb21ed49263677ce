// Pages of the gallery, made in process: what they list and how they draw.

#include "gallery/pages/ControlsPage.h"
#include "gallery/pages/CoverFlowPage.h"
#include "gallery/pages/InspectorPage.h"
#include "gallery/pages/ServicesPages.h"
#include "gallery/pages/SoundsPage.h"

#include "JVLAppKit/JVLCoverFlowView/JVLCoverFlowView.h"
#include "JVLAppKit/JVLSoundManager/JVLSoundManager.h"
#include "JVLAppKit/TextViewInspector/JVLTextViewInspector.h"
#include "components/HKHotKey/HKHotKeyCenter.h"
#include "gallery/GalleryPage.h"
#include "gallery/pages/GallerySwatch.h"
#include "kit/appkit/AccessibilityBridge.h"
#include "kit/appkit/HotKeyService.h"
#include "kit/appkit/ScrollView.h"
#include "kit/appkit/SymbolicHotKeys.h"
#include "kit/appkit/Window.h"
#include "kit/controls/ColorWell.h"
#include "kit/controls/LevelIndicator.h"
#include "kit/controls/Stepper.h"
#include "kit/foundation/RunLoop.h"
#include "kit/tests/AccessibilityTestSupport.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QApplication>
#include <QDir>
#include <QFontMetricsF>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <set>

namespace {

using namespace kit;

template<class T>
void collect(View* view, std::vector<T*>& out)
{
    if (auto* t = dynamic_cast<T*>(view))
        out.push_back(t);
    for (const Ref<View>& sub : view->subviews())
        collect(sub.get(), out);
}

// Sets an environment variable for the test's length.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const QByteArray& value)
        : name_(name)
        , old_(qgetenv(name))
        , had_(qEnvironmentVariableIsSet(name))
    {
        qputenv(name, value);
    }
    ~ScopedEnvironment()
    {
        if (had_)
            qputenv(name_, old_);
        else
            qunsetenv(name_);
    }

private:
    const char* name_;
    QByteArray old_;
    bool had_;
};

// A button of the page with this title (or accessible name).
template<class T = Button>
Ref<T> pageControlTitled(View* page, const QString& title)
{
    std::vector<T*> all;
    collect(page, all);
    for (T* b : all)
        if (b->title() == title)
            return Ref<T>(b);
    return nullptr;
}

// What a screen reader finds under `iface`: the names of the controls one can operate, and the
// texts shown.
struct HeardPage {
    std::map<QString, int> controlNames;
    QStringList texts;
};

void listen(QAccessibleInterface* iface, HeardPage& heard, int depth = 0)
{
    if (!iface || depth > 40)
        return;
    static const std::set<QAccessible::Role> operated { QAccessible::Button, QAccessible::CheckBox, QAccessible::RadioButton,
        QAccessible::ButtonMenu, QAccessible::ComboBox, QAccessible::SpinBox, QAccessible::PageTab, QAccessible::ColorChooser };
    if (operated.count(iface->role()))
        ++heard.controlNames[iface->text(QAccessible::Name)];
    // A status line is a notification named by its text.
    if (iface->role() == QAccessible::StaticText || iface->role() == QAccessible::Notification)
        heard.texts << iface->text(QAccessible::Name);
    for (int i = 0; i < iface->childCount(); ++i)
        listen(iface->child(i), heard, depth + 1);
}

// A page made in a window of its own (by its id, or by its maker), drawn once as on a screen.
struct ShownPage {
    explicit ShownPage(const char* id)
    {
        for (const GalleryPage& p : galleryPages())
            if (p.id == QLatin1String(id))
                show(p.create(MakeRect(0, 0, 900, 600)));
    }
    explicit ShownPage(Ref<View> (*make)(Rect)) { show(make(MakeRect(0, 0, 900, 600))); }
    ~ShownPage()
    {
        if (page)
            page->removeFromSuperview();
        window->close();
        RunLoop::main().runPending();
    }
    QAccessibleInterface* root() const { return AccessibilityBridge::interfaceFor(Value(window)); }
    Ref<Window> window = make<Window>(MakeRect(0, 0, 900, 600), TitledWindowMask);
    Ref<View> page;

private:
    void show(Ref<View> made)
    {
        page = std::move(made);
        window->contentView()->addSubview(page.get());
        window->display();
    }
};

// "Play", "Start" or "Button" ten times over tells nothing: each control of a page, in a window
// of its own, has a name of its own. Pages that show one component several times over (a bar at
// three widths, a sample strip per style) repeat that component's own names.
TEST(GalleryPages, NoTwoControlsOfAPageShareAName)
{
    const std::set<QString> showCopies { QStringLiteral("scope-bar"), QStringLiteral("tab-bar"), QStringLiteral("tab-bar-view") };
    for (const GalleryPage& shown : galleryPages()) {
        if (showCopies.count(shown.id))
            continue;
        const ShownPage on(shown.id.toUtf8().constData());
        if (shown.isReady) {
            RunLoop::main().runUntil([&] { return shown.isReady(on.page.get()); }, 60);
            // Drawn again once ready: views that text lays out (an inspector's buttons) are placed.
            on.window->display();
        }
        HeardPage heard;
        listen(on.root(), heard);
        for (const auto& [name, count] : heard.controlNames)
            EXPECT_EQ(count, 1) << shown.id.toStdString() << ": \"" << name.toStdString() << "\" " << count << " times";
    }
}

// Text a page paints is read as text: what it says, and what each command reports.
TEST(GalleryPaintedText, EveryPaintedTextIsReadAndItsChangesAnnounced)
{
    AccessibilityBridge::setEventObserverForTesting(test::recordEvent);
    QAccessible::setActive(true);
    const struct {
        const char* page;
        const char* text;
    } cases[] = {
        { "about", "Version" },
        { "controls", "Return presses \u201cDefault\u201d" },
        { "controls", "First tab" },
        { "hot-keys", "No firings yet." },
        { "sounds", "sounds: the system theme" },
        { "source-list", "Selected: " },
    };
    for (const auto& c : cases) {
        const ShownPage shown(c.page);
        ASSERT_TRUE(shown.page) << c.page;
        View* page = shown.page.get();
        HeardPage heard;
        listen(shown.root(), heard);
        EXPECT_TRUE(std::any_of(heard.texts.begin(), heard.texts.end(), [&](const QString& t) { return t.contains(QString::fromUtf8(c.text)); }))
            << c.page << ": no text \"" << c.text << "\" among " << heard.texts.join(QStringLiteral(" | ")).toStdString();
        // A command's result is read out as it changes.
        if (QLatin1String(c.page) == QLatin1String("controls") && QString::fromUtf8(c.text).startsWith(QLatin1String("Return"))) {
            test::events().clear();
            const Ref<Button> next = pageControlTitled(page, QStringLiteral("Next Tab"));
            ASSERT_TRUE(next);
            next->performClick(nullptr);
            // A live region: shown again, which a reader speaks wherever the focus is.
            EXPECT_EQ(test::eventsOf(QAccessible::ObjectShow).size(), 1u) << "the status line announces \"Tab \u201cSecond\u201d shown\"";
            HeardPage after;
            listen(shown.root(), after);
            EXPECT_TRUE(after.texts.contains(QStringLiteral("Tab \u201cSecond\u201d shown")));
            EXPECT_TRUE(after.texts.contains(QStringLiteral("Second tab")));
        }
    }
    // A swatch's new caption is announced once Qt knows the swatch.
    auto window = make<Window>(MakeRect(0, 0, 300, 100), TitledWindowMask);
    auto swatch = make<GallerySwatch>(MakeRect(10, 10, 200, 30), QColor(250, 250, 250), QStringLiteral("No firings yet."));
    window->contentView()->addSubview(swatch.get());
    QAccessibleInterface* iface = AccessibilityBridge::interfaceFor(Value(swatch));
    ASSERT_NE(iface, nullptr);
    EXPECT_EQ(iface->role(), QAccessible::StaticText);
    EXPECT_EQ(iface->text(QAccessible::Name), QStringLiteral("No firings yet."));
    test::events().clear();
    swatch->setTitle(QStringLiteral("Ctrl+Shift+K fired"));
    EXPECT_EQ(test::eventsOf(QAccessible::TextUpdated), std::vector<const QAccessibleInterface*> { iface });
    EXPECT_EQ(iface->text(QAccessible::Name), QStringLiteral("Ctrl+Shift+K fired"));
    window->close();
    QAccessible::setActive(false);
    AccessibilityBridge::setEventObserverForTesting(nullptr);
}

// Tab walks the stepper, the rating and the colour well left to right, as they stand.
TEST(GalleryControlsPage, TabWalksTheStepperRowLeftToRight)
{
    const ShownPage shown(makeControlsPage);
    const Ref<Window>& window = shown.window;
    const Ref<View>& page = shown.page;
    std::vector<Stepper*> steppers;
    std::vector<LevelIndicator*> ratings;
    std::vector<ColorWell*> wells;
    collect(page.get(), steppers);
    collect(page.get(), ratings);
    collect(page.get(), wells);
    ASSERT_FALSE(steppers.empty());
    ASSERT_EQ(ratings.size(), 1u);
    ASSERT_EQ(wells.size(), 1u);
    ASSERT_TRUE(window->makeFirstResponder(steppers.front()));
    window->selectNextKeyView();
    EXPECT_EQ(window->firstResponder().get(), ratings.front()) << "the rating follows the stepper";
    window->selectNextKeyView();
    EXPECT_EQ(window->firstResponder().get(), wells.front()) << "the colour well follows the rating";
    window->selectPreviousKeyView();
    EXPECT_EQ(window->firstResponder().get(), ratings.front());
}

// Enable Disabled Controls (Ctrl+E) enables every control the page shows disabled, and disables
// them again.
TEST(GalleryControlsPage, EnableDisabledControlsReachesEveryDisabledControl)
{
    const ShownPage shown(makeControlsPage);
    const Ref<View>& page = shown.page;
    std::vector<Control*> controls;
    collect(page.get(), controls);
    std::vector<Control*> disabled;
    for (Control* c : controls)
        if (!c->isEnabled())
            disabled.push_back(c);
    ASSERT_GE(disabled.size(), 4u) << "the button, the check box, the pop-up and the stepper";
    ASSERT_TRUE(pageControlTitled(page.get(), QStringLiteral("Check Disabled")));
    page->performSelectorWithObject(Selector("toggleEnabled"), Value());
    for (Control* c : disabled)
        EXPECT_TRUE(c->isEnabled()) << c->toolTip().toStdString() << " " << c->stringValue().toStdString();
    page->performSelectorWithObject(Selector("toggleEnabled"), Value());
    for (Control* c : disabled)
        EXPECT_FALSE(c->isEnabled()) << c->toolTip().toStdString();
}

// A page's hot keys go with it: back on the page the same key registers again and fires into the
// page shown; no key stays grabbed once its page is gone.
TEST(GalleryHotKeysPage, KeysLeaveWithTheirPage)
{
    auto owned = std::make_unique<FakeHotKeyBackend>();
    FakeHotKeyBackend* fake = owned.get();
    HotKeyService::setBackendForTesting(std::move(owned));
    const std::uint64_t ctrlShift = CommandKeyMask | ShiftKeyMask;
    constexpr std::uint16_t keyK = 40;
    auto window = make<Window>(MakeRect(0, 0, 900, 600), TitledWindowMask);
    const auto logOf = [](View* page) {
        std::vector<GallerySwatch*> swatches;
        collect(page, swatches);
        QString log;
        for (GallerySwatch* s : swatches)
            if (s->frame().height() >= 200)
                log = s->title();
        return log;
    };
    const Ref<View> first = makeHotKeysPage(MakeRect(0, 0, 900, 600));
    window->contentView()->addSubview(first.get());
    pageControlTitled(first.get(), QStringLiteral("Ctrl+Shift+K"))->performClick(nullptr);
    ASSERT_EQ(logOf(first.get()), QStringLiteral("Ctrl+Shift+K registered"));
    EXPECT_EQ(fake->grabCount(), 1u);
    first->removeFromSuperview();
    EXPECT_EQ(fake->grabCount(), 0u) << "the key is not kept from other programs";
    EXPECT_TRUE(make<HKHotKeyCenter>()->registeredHotKeys().empty());

    const Ref<View> second = makeHotKeysPage(MakeRect(0, 0, 900, 600));
    window->contentView()->addSubview(second.get());
    pageControlTitled(second.get(), QStringLiteral("Ctrl+Shift+K"))->performClick(nullptr);
    EXPECT_EQ(logOf(second.get()), QStringLiteral("Ctrl+Shift+K registered"));
    fake->fire(keyK, carbonModifiersFromCocoaFlags(ctrlShift), true, ctrlShift);
    fake->fire(keyK, carbonModifiersFromCocoaFlags(ctrlShift), false, ctrlShift);
    RunLoop::main().runPending();
    EXPECT_EQ(logOf(second.get()), QStringLiteral("Ctrl+Shift+K registered\nCtrl+Shift+K fired"));
    EXPECT_EQ(logOf(first.get()), QStringLiteral("Ctrl+Shift+K registered")) << "the page that left hears nothing";
    second->removeFromSuperview();
    window->close();
    HKHotKeyCenter::resetForTesting();
    HotKeyService::resetForTesting();
    ResetSymbolicHotKeysForTesting();
}

// The page opens editing; its button names what a click turns to and does just that.
TEST(GalleryInspectorPage, TheEditButtonSaysWhatItSwitchesTo)
{
    const ShownPage shown(makeInspectorPage);
    const Ref<View>& page = shown.page;
    std::vector<JVLTextViewInspector*> inspectors;
    collect(page.get(), inspectors);
    ASSERT_EQ(inspectors.size(), 1u);
    JVLTextViewInspector* inspector = inspectors.front();
    ASSERT_TRUE(inspector->editableState());
    const Ref<Button> toggle = pageControlTitled(page.get(), QStringLiteral("Done"));
    ASSERT_TRUE(toggle) << "an editing page offers \"Done\"";
    toggle->performClick(nullptr);
    EXPECT_FALSE(inspector->editableState());
    EXPECT_EQ(toggle->title(), QStringLiteral("Edit"));
    toggle->performClick(nullptr);
    EXPECT_TRUE(inspector->editableState());
    EXPECT_EQ(toggle->title(), QStringLiteral("Done"));
}

TEST(GallerySoundsPage, EveryOneOfFortySoundsHasARowInReach)
{
    QTemporaryDir home, dirs;
    ASSERT_TRUE(home.isValid() && dirs.isValid());
    ASSERT_TRUE(QDir(home.path()).mkpath(QStringLiteral("sounds")));
    // The gallery's two tones make 40.
    for (int i = 1; i <= 38; ++i) {
        QFile file(home.filePath(QStringLiteral("sounds/Sound%1.ogg").arg(i, 2, 10, QLatin1Char('0'))));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    const ScopedEnvironment dataHome("XDG_DATA_HOME", home.path().toUtf8());
    const ScopedEnvironment dataDirs("XDG_DATA_DIRS", dirs.path().toUtf8());
    JVLSoundManager::resetSharedSoundManagerForTesting();

    const Ref<View> page = makeSoundsPage(MakeRect(0, 0, 900, 600));
    const Ref<JVLSoundManager> manager = JVLSoundManager::getSharedSoundManager();
    ASSERT_EQ(manager->count(), 40);
    std::vector<ScrollView*> lists;
    collect(page.get(), lists);
    ASSERT_EQ(lists.size(), 1u) << "the rows scroll";
    ScrollView& list = *lists.front();
    std::vector<GallerySwatch*> swatches;
    collect(list.documentView().get(), swatches);
    QStringList names;
    for (GallerySwatch* s : swatches)
        names << s->title();
    for (int i = 0; i < 40; ++i)
        EXPECT_TRUE(names.contains(manager->getSoundNameAtIndex(i))) << "no row for sound " << i + 1;
    // Each Play button says which sound it plays.
    std::vector<GalleryPushButton*> buttons;
    collect(list.documentView().get(), buttons);
    QStringList played;
    for (GalleryPushButton* b : buttons)
        played << AccessibilityBridge::interfaceFor(b->accessibilityElement())->text(QAccessible::Name);
    for (int i = 0; i < 40; ++i)
        EXPECT_TRUE(played.contains(QStringLiteral("Play ") + manager->getSoundNameAtIndex(i))) << "sound " << i + 1;

    // The last row scrolls into view.
    GallerySwatch* last = nullptr;
    for (GallerySwatch* s : swatches)
        if (s->title() == manager->getSoundNameAtIndex(39))
            last = s;
    ASSERT_TRUE(last);
    last->scrollRectToVisible(last->bounds());
    const Rect visible = list.documentVisibleRect();
    EXPECT_GE(last->frame().minY(), visible.minY());
    EXPECT_LE(last->frame().maxY(), visible.maxY());
    JVLSoundManager::resetSharedSoundManagerForTesting();
}

// A name longer than its row ends in an ellipsis on one line; the tool tip and a screen reader
// have it whole.
TEST(GallerySoundsPage, ALongNameEndsInAnEllipsisAndShowsWholeAsItsToolTip)
{
    QTemporaryDir home, dirs;
    ASSERT_TRUE(home.isValid() && dirs.isValid());
    ASSERT_TRUE(QDir(home.path()).mkpath(QStringLiteral("sounds")));
    const QString longName = QStringLiteral("network-connectivity-established-again");
    QFile file(home.filePath(QStringLiteral("sounds/%1.ogg").arg(longName)));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    const ScopedEnvironment dataHome("XDG_DATA_HOME", home.path().toUtf8());
    const ScopedEnvironment dataDirs("XDG_DATA_DIRS", dirs.path().toUtf8());
    JVLSoundManager::resetSharedSoundManagerForTesting();
    const Ref<View> page = makeSoundsPage(MakeRect(0, 0, 900, 600));
    std::vector<GallerySwatch*> swatches;
    collect(page.get(), swatches);
    const auto it = std::find_if(swatches.begin(), swatches.end(), [&](GallerySwatch* s) { return s->title() == longName; });
    ASSERT_NE(it, swatches.end());
    GallerySwatch& row = **it;
    const QString shown = row.shownTitle();
    EXPECT_TRUE(shown.endsWith(QChar(0x2026))) << shown.toStdString();
    EXPECT_TRUE(longName.startsWith(shown.chopped(1))) << shown.toStdString();
    EXPECT_EQ(row.toolTip(), longName);
    EXPECT_EQ(AccessibilityAttributeValue(Value(Ref<View>(&row)), AccessibilityValueAttribute).stringValue(), longName);
    JVLSoundManager::resetSharedSoundManagerForTesting();
}

// A caption in a swatch one line high keeps its descenders: the ink reaches as far down as the
// same text drawn without any clip.
TEST(GallerySwatch, ALowSwatchKeepsItsDescenders)
{
    auto window = make<Window>(MakeRect(0, 0, 220, 44), TitledWindowMask);
    auto swatch = make<GallerySwatch>(MakeRect(10, 10, 200, 24), QColor(250, 250, 250), QStringLiteral("gg,"));
    window->contentView()->addSubview(swatch.get());
    const QImage shot = window->snapshot();
    int first = -1, last = -1;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x)
            if (qGray(shot.pixel(x, y)) < 128) {
                first = first < 0 ? y : first;
                last = y;
            }
    ASSERT_GE(first, 0) << "no caption drawn";
    QFont font = QApplication::font();
    font.setPixelSize(13);
    const QRectF ink = QFontMetricsF(font).tightBoundingRect(QStringLiteral("gg,"));
    // Rows with ink span the glyphs' full height, descenders included (a pixel of antialiasing aside).
    EXPECT_GE(last - first + 1, int(std::floor(ink.height())) - 1) << "ink rows " << first << ".." << last;
    window->close();
}

// The covers are 240 x 172 pictures: however large the window, the page never asks the view to
// show them larger; in a small window they still shrink with it.
// The page loads its pictures on worker threads: they finish before the page goes.
void drainLoads(View* page)
{
    RunLoop::main().runUntil([&] { return coverFlowPageIsReady(page); }, 60);
    RunLoop::main().runPending();
}

TEST(GalleryCoverFlowPage, CoversGrowNoLargerThanTheirPictures)
{
    for (const Size size : { MakeSize(1600 - 180, 1000), MakeSize(900, 600) }) {
        const Ref<View> page = makeCoverFlowPage(MakeRect(0, 0, size.width, size.height));
        std::vector<JVLCoverFlowView*> flows;
        collect(page.get(), flows);
        ASSERT_EQ(flows.size(), 1u);
        const Size item = flows.front()->itemSize();
        EXPECT_LE(item.width, 240) << size.width << " x " << size.height;
        EXPECT_LE(item.height, 172) << size.width << " x " << size.height;
        EXPECT_GE(item.height, 160) << "the cap, not a shrink";
        drainLoads(page.get());
    }
    const Ref<View> small = makeCoverFlowPage(MakeRect(0, 0, 500, 330));
    std::vector<JVLCoverFlowView*> flows;
    collect(small.get(), flows);
    ASSERT_EQ(flows.size(), 1u);
    EXPECT_LT(flows.front()->itemSize().height, 172) << "a small window shrinks the covers";
    drainLoads(small.get());
}

// Every interface under `iface`, depth first.
void everyInterface(QAccessibleInterface* iface, std::vector<QAccessibleInterface*>& out, int depth = 0)
{
    if (!iface || depth > 40)
        return;
    out.push_back(iface);
    for (int i = 0; i < iface->childCount(); ++i)
        everyInterface(iface->child(i), out, depth + 1);
}

// What a reader stops at says what it is: bars, spinners, trees, texts, pop-ups and pictures of
// these pages have names.
TEST(GalleryPages, WhatAReaderStopsAtIsNamed)
{
    const std::set<QAccessible::Role> named { QAccessible::ProgressBar, QAccessible::Animation, QAccessible::Tree, QAccessible::EditableText,
        QAccessible::ComboBox, QAccessible::Graphic };
    for (const char* id : { "controls", "lists", "extensions", "reports" }) {
        ShownPage shown(id);
        std::vector<QAccessibleInterface*> all;
        everyInterface(shown.root(), all);
        for (QAccessibleInterface* iface : all)
            if (named.count(iface->role()))
                EXPECT_FALSE(iface->text(QAccessible::Name).isEmpty()) << id << ": an unnamed element of role " << int(iface->role());
    }
}

// A pop-up is heard by what it is for, not by its choice alone: it has a label, or a name (its tool
// tip) that is not the choice it shows.
TEST(GalleryPages, APopUpSaysWhatItIsFor)
{
    for (const char* id : { "controls", "extensions", "lists", "split-view", "shortcut-recorder" }) {
        ShownPage shown(id);
        std::vector<QAccessibleInterface*> all;
        everyInterface(shown.root(), all);
        for (QAccessibleInterface* iface : all)
            if (iface->role() == QAccessible::ComboBox && iface->relations(QAccessible::Label).isEmpty())
                EXPECT_NE(iface->text(QAccessible::Name), iface->text(QAccessible::Value)) << id << ": a pop-up named by its choice";
    }
}

// The form's country and language pop-ups are labelled by their captions, and the picture that
// opens the chooser is in the tree, named by its caption.
TEST(GalleryExtensionsPage, PopUpsAreLabelledAndThePictureIsShown)
{
    ShownPage shown("extensions");
    std::vector<QAccessibleInterface*> all;
    everyInterface(shown.root(), all);
    QStringList labels;
    bool picture = false;
    for (QAccessibleInterface* iface : all) {
        if (iface->role() == QAccessible::ComboBox)
            for (const auto& [label, relation] : iface->relations(QAccessible::Label))
                labels << label->text(QAccessible::Name);
        picture = picture || (iface->role() == QAccessible::Graphic && iface->text(QAccessible::Name) == QStringLiteral("Picture (click to choose another)"));
    }
    EXPECT_TRUE(labels.contains(QStringLiteral("Countries"))) << labels.join(QStringLiteral(", ")).toStdString();
    EXPECT_TRUE(labels.contains(QStringLiteral("Languages"))) << labels.join(QStringLiteral(", ")).toStdString();
    EXPECT_TRUE(picture);
}

// Status lines of the pages are polite live regions: their news is read wherever the focus is.
TEST(GalleryPaintedText, StatusLinesAreLiveRegions)
{
    const struct {
        const char* page;
        const char* text;
    } cases[] = {
        { "controls", "Return presses" },
        { "lists", "Select a row" },
        { "hot-keys", "No firings yet." },
        { "table-grid", "Columns B–C, rows 3–6" },
        { "date-control", "Edited date:" },
        { "source-list", "Last:" },
        { "flow-view", "Arrow keys, the wheel" },
        { "cover-flow", "Return or a double click opens a cover" },
        { "scope-bar", "Last change: " },
    };
    for (const auto& c : cases) {
        ShownPage shown(c.page);
        std::vector<QAccessibleInterface*> all;
        everyInterface(shown.root(), all);
        const auto it = std::find_if(all.begin(), all.end(), [&](QAccessibleInterface* i) { return i->text(QAccessible::Name).contains(QString::fromUtf8(c.text)); });
        if (it == all.end()) {
            ADD_FAILURE() << c.page << ": no status line";
            continue;
        }
        EXPECT_EQ((*it)->role(), QAccessible::Notification) << c.page;
    }
}

// What a button does that a sighted user sees is heard: a live region shows again, named by what
// the press added (a log its new line alone), or the pressed button says its new name.
TEST(GalleryPaintedText, APressIsHeard)
{
    AccessibilityBridge::setEventObserverForTesting(test::recordEvent);
    QAccessible::setActive(true);
    const struct {
        const char* page;
        const char* button;
        const char* heard;
        const char* notHeard;
    } cases[] = {
        { "live-links", "Select Next Shape", "Selected the ", nullptr },
        { "layers", "Next card", "Coral in front", nullptr },
        { "reports", "Start Receiver", "Stop Receiver", nullptr },
        { "reports", "Start Receiver", "No form received yet.", nullptr },
        { "hot-keys", "Ctrl+Alt+H", "Ctrl+Alt+H ", "Ctrl+Shift+K" },
    };
    for (const auto& c : cases) {
        ShownPage shown(c.page);
        std::vector<QAccessibleInterface*> all;
        everyInterface(shown.root(), all);
        const auto named = [&](const QString& name) {
            return std::find_if(all.begin(), all.end(), [&](QAccessibleInterface* i) { return i->role() == QAccessible::Button && i->text(QAccessible::Name) == name; });
        };
        // On the hot keys page the log has a line already.
        if (c.notHeard && named(QString::fromUtf8(c.notHeard)) != all.end()) {
            (*named(QString::fromUtf8(c.notHeard)))->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
            RunLoop::main().runPending();
        }
        const auto button = named(QString::fromUtf8(c.button));
        ASSERT_NE(button, all.end()) << c.page << ": no button " << c.button;
        test::events().clear();
        (*button)->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        RunLoop::main().runPending();
        QStringList heard;
        for (const auto& [type, iface] : test::events())
            if ((type == QAccessible::ObjectShow && iface->role() == QAccessible::Notification) || (type == QAccessible::NameChanged && iface->role() == QAccessible::Button))
                heard << iface->text(QAccessible::Name);
        const QString said = heard.join(QLatin1Char('|'));
        EXPECT_TRUE(said.contains(QString::fromUtf8(c.heard))) << c.page << " heard: " << said.toStdString();
        if (c.notHeard) {
            EXPECT_FALSE(said.contains(QString::fromUtf8(c.notHeard))) << c.page << " heard: " << said.toStdString();
        }
        // The receiver goes back to how it was.
        if (QLatin1String(c.page) == QLatin1String("reports") && (*button)->text(QAccessible::Name) == QStringLiteral("Stop Receiver")) {
            (*button)->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
            RunLoop::main().runPending();
        }
    }
    QAccessible::setActive(false);
    AccessibilityBridge::setEventObserverForTesting(nullptr);
}

} // namespace
