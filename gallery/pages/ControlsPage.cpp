#include "gallery/pages/ControlsPage.h"

#include "gallery/MainMenu.h"
#include "gallery/pages/GallerySwatch.h"

#include "kit/appkit/Window.h"
#include "kit/controls/Box.h"
#include "kit/controls/Button.h"
#include "kit/controls/ColorWell.h"
#include "kit/controls/ImageView.h"
#include "kit/controls/LevelIndicator.h"
#include "kit/controls/Menu.h"
#include "kit/controls/PopUpButton.h"
#include "kit/controls/ProgressIndicator.h"
#include "kit/controls/Stepper.h"
#include "kit/controls/TabView.h"
#include "kit/graphics/Color.h"
#include "kit/graphics/Font.h"
#include "kit/graphics/GraphicsContext.h"
#include "kit/graphics/Image.h"
#include "kit/graphics/StringDrawing.h"

#include <QApplication>
#include <QPalette>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace {

using namespace kit;

constexpr double StripHeight = 22;
constexpr double TitlePadding = 10;

Ref<Color> paletteColor(QPalette::ColorRole role) { return Color::fromQColor(QApplication::palette().color(role)); }

// The application's main menu as a strip of titles: a click opens that title's submenu below it.
// Linux has no shared menu bar, so the page shows the model it installed.
class MenuStrip : public View {
public:
    explicit MenuStrip(Rect frame)
        : View(frame)
    {
        setAutoresizingMask(ViewWidthSizable | ViewMinYMargin);
    }

    bool isFlipped() const override { return true; }

    void drawRect(Rect) override
    {
        paletteColor(QPalette::Button)->setFill();
        RectFill(bounds());
        paletteColor(QPalette::Mid)->setFill();
        RectFill(MakeRect(0, bounds().height() - 1, bounds().width(), 1));
        const Ref<Menu> menu = Menu::mainMenu();
        if (!menu)
            return;
        for (std::int64_t i = 0; i < menu->numberOfItems(); ++i) {
            const Rect r = titleRect(i);
            const bool open = i == open_;
            if (open) {
                paletteColor(QPalette::Highlight)->setFill();
                RectFill(r);
            }
            StringAttributes a;
            a.font = Font::systemFontOfSize(13);
            a.foregroundColor = paletteColor(open ? QPalette::HighlightedText : QPalette::ButtonText);
            const Size size = StringDrawing::sizeWithAttributes(menu->itemAtIndex(i)->title(), a);
            StringDrawing::drawInRectWithAttributes(
                menu->itemAtIndex(i)->title(), MakeRect(r.minX() + TitlePadding, r.midY() - size.height / 2, size.width, size.height), a);
        }
    }

    void mouseDown(const Event& event) override
    {
        const Ref<Menu> menu = Menu::mainMenu();
        const Point p = convertPointFromView(event.locationInWindow(), nullptr);
        for (std::int64_t i = 0; menu && i < menu->numberOfItems(); ++i) {
            const Ref<Menu> submenu = menu->itemAtIndex(i)->submenu();
            if (!submenu || !mouseInRect(p, titleRect(i)))
                continue;
            const Ref<View> keep(this);
            open_ = i;
            display();
            MenuPresentation where;
            where.view = this;
            where.rect = titleRect(i);
            where.preferredEdge = MaxYEdge; // below: this view is flipped
            where.font = Font::systemFontOfSize(13)->qFont();
            submenu->runSession(where);
            open_ = -1;
            setNeedsDisplay(true);
            return;
        }
    }

private:
    Rect titleRect(std::int64_t index) const
    {
        StringAttributes a;
        a.font = Font::systemFontOfSize(13);
        const Ref<Menu> menu = Menu::mainMenu();
        double x = 4;
        for (std::int64_t i = 0; menu && i < menu->numberOfItems(); ++i) {
            const double w = std::ceil(StringDrawing::sizeWithAttributes(menu->itemAtIndex(i)->title(), a).width) + 2 * TitlePadding;
            if (i == index)
                return MakeRect(x, 0, w, bounds().height() - 1);
            x += w;
        }
        return ZeroRect;
    }

    std::int64_t open_ = -1;
};

// One line of text: what the last command did, read out as it changes.
class StatusLine : public View, public GalleryPaintedText {
public:
    using View::View;
    void setText(const QString& text)
    {
        text_ = text;
        setNeedsDisplay(true);
        accessibilityValueChanged();
    }
    QString paintedText() const override { return text_; }
    void drawRect(Rect) override
    {
        StringAttributes a;
        a.font = Font::systemFontOfSize(12);
        a.foregroundColor = paletteColor(QPalette::WindowText);
        StringDrawing::drawInRectWithAttributes(text_, bounds(), a);
    }

private:
    QString text_;
};

// What a tab of the page's tab view shows: a framed panel with one centred line.
class TabPane : public View, public GalleryPaintedText {
public:
    TabPane(Rect frame, const QString& text)
        : View(frame)
        , text_(text)
    {
        setAutoresizingMask(ViewWidthSizable | ViewHeightSizable);
    }
    QString paintedText() const override { return text_; }
    void drawRect(Rect) override
    {
        paletteColor(QPalette::Mid)->setFill();
        RectFill(bounds());
        paletteColor(QPalette::Base)->setFill();
        RectFill(InsetRect(bounds(), 1, 1));
        StringAttributes a;
        a.font = Font::systemFontOfSize(12);
        a.foregroundColor = paletteColor(QPalette::Text);
        const Size size = StringDrawing::sizeWithAttributes(text_, a);
        StringDrawing::drawInRectWithAttributes(
            text_, MakeRect(bounds().midX() - size.width / 2, bounds().midY() - size.height / 2, size.width, size.height), a);
    }

private:
    QString text_;
};

// The page's root: its menus are in the main menu while it is in a window, and its actions are
// what the menus' items and the default button send.
class ControlsPageView : public View, public MenuItemValidation {
    KIT_CLASS(ControlsPageView)
public:
    explicit ControlsPageView(Rect frame = {})
        : View(frame)
    {
        setAutoresizingMask(ViewWidthSizable | ViewHeightSizable);
    }

    Ref<Button> defaultButton, onOff, disabledButton, disabledCheckBox;
    Ref<PopUpButton> popUp, disabledPopUp;
    Ref<Stepper> disabledStepper;
    Ref<LevelIndicator> rating;
    Ref<ProgressIndicator> bar;
    Ref<TabView> tabs;
    Ref<StatusLine> status;
    std::vector<Ref<MenuItem>> menus;

    // Actions.
    void defaultPressed(Object*) { report(QStringLiteral("Default button pressed (Return)")); }
    void pressDefault(Object*) { defaultButton->performClick(nullptr); }
    void toggleOnOff(Object*)
    {
        onOff->performClick(nullptr);
        report(onOff->state() == OnState ? QStringLiteral("On/Off is on") : QStringLiteral("On/Off is off"));
    }
    void nextChoice(Object*)
    {
        popUp->selectItemAtIndex((popUp->indexOfSelectedItem() + 1) % popUp->numberOfItems());
        report(QStringLiteral("Pop-up shows \u201c%1\u201d").arg(popUp->titleOfSelectedItem()));
    }
    void toggleEnabled(Object*)
    {
        const bool enable = !disabledButton->isEnabled();
        for (Control* c : std::initializer_list<Control*> { disabledButton.get(), disabledCheckBox.get(), disabledPopUp.get(), disabledStepper.get() })
            c->setEnabled(enable);
        report(enable ? QStringLiteral("Disabled controls enabled") : QStringLiteral("Disabled controls disabled again"));
    }
    void moreStars(Object*) { setStars(rating->intValue() + 1); }
    void fewerStars(Object*) { setStars(rating->intValue() - 1); }
    void nextTab(Object*)
    {
        const std::int64_t next = (tabs->indexOfTabViewItem(tabs->selectedTabViewItem().get()) + 1) % tabs->numberOfTabViewItems();
        tabs->selectTabViewItemAtIndex(next);
        report(QStringLiteral("Tab \u201c%1\u201d shown").arg(tabs->selectedTabViewItem()->label()));
    }
    void advanceBar(Object*)
    {
        bar->setDoubleValue(bar->doubleValue() >= 100 ? 0 : bar->doubleValue() + 10);
        report(QStringLiteral("Progress %1 %").arg(bar->doubleValue()));
    }

    // MenuItemValidation: the enabling command shows a check while the controls are enabled.
    bool validateMenuItem(MenuItem* item) override
    {
        if (item->action() == Selector("toggleEnabled"))
            item->setState(disabledButton->isEnabled() ? OnState : OffState);
        if (item->action() == Selector("moreStars"))
            return rating->intValue() < 5;
        if (item->action() == Selector("fewerStars"))
            return rating->intValue() > 0;
        return true;
    }

    // kit::View:
    void viewDidMoveToWindow() override
    {
        if (window())
            GalleryMainMenu::addPageMenus(menus);
        else
            GalleryMainMenu::removePageMenus(menus);
    }

private:
    void setStars(int n)
    {
        rating->setIntValue(std::clamp(n, 0, 5));
        report(QStringLiteral("Rating %1 of 5").arg(rating->intValue()));
    }
    void report(const QString& text) { status->setText(text); }
};

KIT_REGISTER_CLASS(ControlsPageView, View)
{
    c.action("defaultPressed", &ControlsPageView::defaultPressed);
    c.action("pressDefault", &ControlsPageView::pressDefault);
    c.action("toggleOnOff", &ControlsPageView::toggleOnOff);
    c.action("nextChoice", &ControlsPageView::nextChoice);
    c.action("toggleEnabled", &ControlsPageView::toggleEnabled);
    c.action("moreStars", &ControlsPageView::moreStars);
    c.action("fewerStars", &ControlsPageView::fewerStars);
    c.action("advanceBar", &ControlsPageView::advanceBar);
    c.action("nextTab", &ControlsPageView::nextTab);
}

std::vector<Ref<MenuItem>> makeMenus(ControlsPageView* page)
{
    const auto submenu = [](const QString& title, const std::vector<std::array<const char*, 3>>& items, Object* target) {
        auto menu = make<Menu>(title);
        for (const auto& [itemTitle, action, key] : items) {
            if (!action) {
                menu->addItem(MenuItem::separatorItem());
                continue;
            }
            menu->addItemWithTitleActionKeyEquivalent(QString::fromUtf8(itemTitle), Selector(action), QString::fromUtf8(key))
                ->setTarget(target);
        }
        auto item = make<MenuItem>(title, Selector(), QString());
        item->setSubmenu(menu);
        return item;
    };
    std::vector<Ref<MenuItem>> menus;
    menus.push_back(submenu(QStringLiteral("Controls"),
        { { { "Press Default Button", "pressDefault", "d" } }, { { "Toggle On/Off", "toggleOnOff", "t" } },
            { { "Next Pop-up Choice", "nextChoice", "n" } }, { { "", nullptr, "" } },
            { { "Enable Disabled Controls", "toggleEnabled", "e" } } },
        page));
    menus.push_back(submenu(QStringLiteral("Values"),
        { { { "More Stars", "moreStars", "]" } }, { { "Fewer Stars", "fewerStars", "[" } }, { { "Advance Progress", "advanceBar", "P" } } },
        page));
    return menus;
}

Ref<Button> button(View* content, Rect frame, const QString& title, ButtonType type)
{
    auto b = make<Button>(frame);
    b->setButtonType(type);
    b->setTitle(title);
    content->addSubview(b.get());
    return b;
}

} // namespace

Ref<View> makeControlsPage(Rect frame)
{
    // Rows from the top of the page (y up), below the menu strip.
    const auto row = [height = frame.height()](
                         double top, double x, double w, double h) { return MakeRect(16 + x, height - StripHeight - 16 - top - h, w, h); };
    auto page = make<ControlsPageView>(frame);
    View* v = page.get();
    page->menus = makeMenus(page.get());
    v->addSubview(make<MenuStrip>(MakeRect(0, frame.height() - StripHeight, frame.width(), StripHeight)).get());

    // Push buttons: regular, default (Return), disabled, square.
    button(v, row(16, 16, 100, 30), "Push", MomentaryPushInButton);
    page->defaultButton = button(v, row(16, 124, 100, 30), "Default", MomentaryPushInButton);
    page->defaultButton->setKeyEquivalent("\r");
    page->defaultButton->setTarget(v);
    page->defaultButton->setAction("defaultPressed");
    page->disabledButton = button(v, row(16, 232, 100, 30), "Disabled", MomentaryPushInButton);
    page->disabledButton->setEnabled(false);
    button(v, row(16, 340, 100, 30), "Square", MomentaryPushInButton)->setBezelStyle(RegularSquareBezelStyle);
    page->onOff = button(v, row(16, 448, 96, 30), "On/Off", PushOnPushOffButton);
    page->onOff->setBezelStyle(RecessedBezelStyle);
    page->onOff->setState(OnState);
    // An attributed title keeps its own font and colour.
    auto paragraph = make<ParagraphStyle>();
    paragraph->setAlignment(CenterTextAlignment);
    StringAttributes styled;
    styled.font = Font::boldSystemFontOfSize(13);
    styled.foregroundColor = Color::colorWithSRGBRedGreenBlueAlpha(0.1, 0.35, 0.75, 1);
    styled.paragraphStyle = paragraph;
    button(v, row(16, 552, 110, 30), {}, MomentaryPushInButton)->setAttributedTitle(AttributedString(QStringLiteral("Styled"), styled));

    // Checkboxes and radios.
    const int states[] = { OffState, OnState, MixedState };
    const char* names[] = { "Off", "On", "Mixed" };
    for (int i = 0; i < 3; ++i) {
        auto box = button(v, row(64, 16 + 124 * i, 116, 20), QStringLiteral("Check %1").arg(names[i]), SwitchButton);
        box->setAllowsMixedState(true);
        box->setState(states[i]);
    }
    page->disabledCheckBox = button(v, row(64, 388, 150, 20), "Check Disabled", SwitchButton);
    page->disabledCheckBox->setEnabled(false);
    for (int i = 0; i < 2; ++i)
        button(v, row(92, 16 + 110 * i, 100, 20), QStringLiteral("Radio %1").arg(i + 1), RadioButton)
            ->setState(i == 0 ? OnState : OffState);

    // Textured and small square image buttons with template images.
    int x = 16;
    for (const QString& name : { ImageNameAddTemplate, ImageNameRemoveTemplate }) {
        auto b = button(v, row(124, x, 24, 22), {}, MomentaryPushInButton);
        b->setBezelStyle(x == 16 ? TexturedSquareBezelStyle : SmallSquareBezelStyle);
        b->setImage(Image::imageNamed(name));
        b->setImagePosition(ImageOnly);
        x += 32;
    }
    auto hover = button(v, row(124, 96, 90, 22), "Recessed", PushOnPushOffButton);
    hover->setBezelStyle(RecessedBezelStyle);

    // Pop-up and pull-down.
    page->popUp = make<PopUpButton>(row(160, 16, 150, 26));
    page->popUp->addItemsWithTitles({ "Pop-up choice", "Second", "Third" });
    // Without a label, the tool tip says what a pop-up is for; its choice is what it shows.
    page->popUp->setToolTip(QStringLiteral("One of three choices"));
    v->addSubview(page->popUp.get());
    auto pullDown = make<PopUpButton>(row(160, 180, 150, 26), true);
    pullDown->addItemsWithTitles({ "Pull-down", "Copy", "Paste" });
    v->addSubview(pullDown.get());
    page->disabledPopUp = make<PopUpButton>(row(160, 344, 150, 26));
    page->disabledPopUp->addItemsWithTitles({ "Disabled choice" });
    page->disabledPopUp->setToolTip(QStringLiteral("Disabled pop-up"));
    page->disabledPopUp->setEnabled(false);
    v->addSubview(page->disabledPopUp.get());
    auto textured = make<PopUpButton>(row(160, 508, 110, 24), true);
    textured->addItemsWithTitles({ "Action", "Duplicate", "Rename" });
    textured->setBezelStyle(TexturedSquareBezelStyle);
    textured->sizeToFit();
    v->addSubview(textured.get());

    // Steppers, a rating and a colour well: one row, their tops level, since Tab goes top down
    // before left to right.
    constexpr double stepperRow = 198;
    const auto keepInRow = [&](View* view) {
        view->setFrame(row(stepperRow, view->frame().minX() - 16, view->frame().width(), view->frame().height()));
    };
    auto stepper = make<Stepper>(row(stepperRow, 16, 15, 22));
    stepper->setToolTip(QStringLiteral("Steps a value up or down"));
    stepper->sizeToFit();
    keepInRow(stepper.get());
    v->addSubview(stepper.get());
    page->disabledStepper = make<Stepper>(row(stepperRow, 40, 15, 22));
    page->disabledStepper->setToolTip(QStringLiteral("Steps a second value"));
    page->disabledStepper->setEnabled(false);
    page->disabledStepper->sizeToFit();
    keepInRow(page->disabledStepper.get());
    v->addSubview(page->disabledStepper.get());

    page->rating = make<LevelIndicator>(row(stepperRow, 80, 80, 16));
    page->rating->cell()->setEditable(true);
    page->rating->setIntValue(3);
    page->rating->setToolTip(QStringLiteral("Rating, up to five stars"));
    v->addSubview(page->rating.get());
    auto well = make<ColorWell>(row(stepperRow, 180, 44, 24));
    well->setToolTip(QStringLiteral("Colour"));
    well->setColor(Color::colorWithSRGBRedGreenBlueAlpha(0.2, 0.45, 0.8, 1));
    v->addSubview(well.get());
    page->bar = make<ProgressIndicator>(row(240, 16, 200, 16));
    page->bar->setIndeterminate(false);
    page->bar->setDoubleValue(40);
    page->bar->setToolTip(QStringLiteral("Progress"));
    v->addSubview(page->bar.get());
    auto spinner = make<ProgressIndicator>(row(236, 236, 24, 24));
    spinner->setStyle(ProgressIndicatorSpinningStyle);
    spinner->startAnimation();
    spinner->setToolTip(QStringLiteral("Working"));
    v->addSubview(spinner.get());

    // A separator, an image view and a tab view (tabs are not drawn: a button switches them).
    auto separator = make<Box>(row(272, 16, 600, 1));
    separator->setAutoresizingMask(ViewWidthSizable);
    v->addSubview(separator.get());
    auto picture = make<ImageView>(row(286, 16, 48, 48));
    picture->setImage(Image::imageNamed(ImageNamePreferencesGeneral));
    picture->setToolTip(QStringLiteral("General preferences icon"));
    v->addSubview(picture.get());
    page->tabs = make<TabView>(row(286, 80, 200, 48));
    for (const char* label : { "First", "Second" }) {
        auto item = make<TabViewItem>(Value(QString::fromUtf8(label)));
        item->setLabel(QString::fromUtf8(label));
        item->setView(make<TabPane>(page->tabs->contentRect(), QStringLiteral("%1 tab").arg(QString::fromUtf8(label))));
        page->tabs->addTabViewItem(item);
    }
    v->addSubview(page->tabs.get());
    auto nextTab = button(v, row(298, 292, 96, 26), "Next Tab", MomentaryPushInButton);
    nextTab->setTarget(v);
    nextTab->setAction("nextTab");

    // What the last command did.
    page->status = make<StatusLine>(row(346, 16, 600, 18));
    page->status->setText(
        QStringLiteral("Return presses \u201cDefault\u201d; Ctrl+T, Ctrl+N, Ctrl+E, Ctrl+] and Ctrl+[ come from the menus above."));
    galleryMarkStatusLine(Value(page->status));
    v->addSubview(page->status.get());
    return page;
}
