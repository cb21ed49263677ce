#include "gallery/pages/PreferencesPage.h"

#include "JVLAppKit/JVLPreferenceWindowController/JVLPrefPaneIconView.h"
#include "JVLAppKit/JVLPreferenceWindowController/JVLPreferencePanel.h"
#include "JVLAppKit/JVLPreferenceWindowController/JVLPreferenceWindowController.h"
#include "JVLAppKit/JVLSoundManager/JVLSoundManager.h"
#include "gallery/pages/GallerySwatch.h"
#include "kit/controls/PopUpButton.h"
#include "kit/foundation/Bundle.h"

#include <QCoreApplication>

using kit::MakeRect;
using kit::Ref;

// A gallery pane from an interface file, with its label, icon and category.
class GalleryPreferencePane : public JVLPreferencePanel {
    KIT_CLASS(GalleryPreferencePane)
public:
    GalleryPreferencePane() = default;
    GalleryPreferencePane(const QString& name, const QString& identifier, QString label, QString category)
        : label_(std::move(label))
        , category_(std::move(category))
    {
        initWithNibNameAndIndentifier(name, identifier);
    }

    QString label() const override { return label_; }
    Ref<kit::Image> icon() const override
    {
        return kit::Image::imageByReferencingFile(kit::Bundle::bundleForClass(staticClass())->pathForImageResource(QStringLiteral("Pref") + identifier()));
    }
    QString category() const override { return category_; }

    // The Sounds pane's outlets.
    Ref<kit::PopUpButton> soundPopUp;
    Ref<kit::Button> playButton;

    void viewDidLoad() override
    {
        if (!soundPopUp)
            return;
        soundPopUp->setMenu(JVLSoundManager::getSharedSoundManager()->getSoundMenu());
        // Without a label of its own it would be named by the sound it shows.
        soundPopUp->setToolTip(QStringLiteral("Sound to play"));
        playButton->setTarget(this);
        playButton->setAction("playSelected");
    }
    void playSelected(kit::Object*)
    {
        if (const Ref<kit::MenuItem> item = soundPopUp->selectedItem())
            JVLSoundManager::getSharedSoundManager()->playSoundAtIndex(int(item->tag()));
    }

private:
    QString label_;
    QString category_;
};

KIT_REGISTER_CLASS(GalleryPreferencePane, JVLPreferencePanel)
{
    // Its interface files and icons are the gallery's.
    c.bundle("Gallery");
    c.property(
        "soundPopUp", [](const GalleryPreferencePane& x) { return kit::Value(x.soundPopUp); },
        [](GalleryPreferencePane& x, const kit::Value& v) { x.soundPopUp = kit::dynamic_pointer_cast<kit::PopUpButton>(v.object()); });
    c.property(
        "playButton", [](const GalleryPreferencePane& x) { return kit::Value(x.playButton); },
        [](GalleryPreferencePane& x, const kit::Value& v) { x.playButton = kit::dynamic_pointer_cast<kit::Button>(v.object()); });
    c.action("playSelected", &GalleryPreferencePane::playSelected);
}

Ref<JVLPreferenceWindowController> galleryPreferenceWindow()
{
    static Ref<JVLPreferenceWindowController> controller = [] {
        Ref<JVLPreferenceWindowController> c = JVLPreferenceWindowController::initWithAutosaveName(QStringLiteral("GalleryPreferences"));
        if (!c)
            c = JVLPreferenceWindowController::sharedPreferenceWindowController();
        c->setUsesConfigurationPane(true);
        c->setSortByCategory(true);
        c->addPaneWithIdentifier(
            kit::make<GalleryPreferencePane>(QStringLiteral("GalleryGeneralPane"), QStringLiteral("General"), QStringLiteral("General"),
                QStringLiteral("Basics"))
                .get(),
            QStringLiteral("General"));
        c->addPaneWithIdentifier(kit::make<GalleryPreferencePane>(QStringLiteral("GalleryAppearancePane"), QStringLiteral("Appearance"),
                                     QStringLiteral("Appearance"), QStringLiteral("Basics"))
                                     .get(),
            QStringLiteral("Appearance"));
        c->addPaneWithIdentifier(
            kit::make<GalleryPreferencePane>(QStringLiteral("GallerySoundsPane"), QStringLiteral("Sounds"), QStringLiteral("Sounds"),
                QStringLiteral("Media"))
                .get(),
            QStringLiteral("Sounds"));
        c->addPluginsOfTypeFromPath(QStringLiteral("prefPane"), QCoreApplication::applicationDirPath() + QStringLiteral("/PlugIns"));
        return c;
    }();
    return controller;
}

namespace {

// Opens the clicked icon's pane in the shared window.
class GalleryPaneOpener : public kit::Object {
    KIT_CLASS(GalleryPaneOpener)
public:
    void openPane(kit::Object* sender)
    {
        const Ref<JVLPreferenceWindowController> c = galleryPreferenceWindow();
        c->showWindow(nullptr);
        c->toolbarShowPane(sender);
    }
};

} // namespace

KIT_REGISTER_CLASS(GalleryPaneOpener, kit::Object) { c.action("openPane", &GalleryPaneOpener::openPane); }

kit::Ref<kit::View> makePreferencesPage(kit::Rect frame)
{
    auto page = kit::make<GallerySwatch>(frame, QColor(250, 250, 250), QString());
    const Ref<JVLPreferenceWindowController> controller = galleryPreferenceWindow();
    const double top = frame.size.height - 50;
    auto open = kit::make<GalleryPushButton>(MakeRect(30, top, 170, 28), QStringLiteral("Open Preferences..."), [controller] {
        controller->showWindow(nullptr);
    });
    open->setAutoresizingMask(kit::ViewMinYMargin);
    page->addSubview(open.get());

    // The same icons, grouped and captioned as the window's overview.
    static Ref<GalleryPaneOpener> opener = kit::make<GalleryPaneOpener>();
    JVLPrefPaneIconView::IconList icons;
    for (const QString& identifier : controller->validPrefPaneIdentifiers()) {
        Ref<JVLPrefPaneIcon> icon = controller->iconForPrefPane(controller->prefPaneWithIdentifier(identifier).get());
        icon->setTarget(opener.get());
        icon->setSelector("openPane");
        icons.push_back(icon);
    }
    auto overview = kit::make<JVLPrefPaneIconView>(controller.get(), icons, 7);
    overview->setSortByCategory(true);
    // Apart from the window's own overview, which is named as the window is.
    overview->setToolTip(QStringLiteral("Preference panes"));
    const kit::Rect size = overview->frame();
    overview->setFrameOrigin(kit::MakePoint(30, top - 30 - size.size.height));
    overview->setAutoresizingMask(kit::ViewMinYMargin);
    page->addSubview(overview.get());
    return page;
}
