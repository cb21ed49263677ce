#include "gallery/pages/SoundsPage.h"

#include "JVLAppKit/JVLSoundManager/JVLSoundManager.h"
#include "gallery/pages/GallerySwatch.h"

using kit::MakeRect;
using kit::Ref;

kit::Ref<kit::View> makeSoundsPage(kit::Rect frame)
{
    const Ref<JVLSoundManager> manager = JVLSoundManager::getSharedSoundManager();
    // The gallery's own tones, compiled into its bundle, once.
    static const bool addedTones = [&] {
        manager->addSoundsFromPath(QStringLiteral(":/Gallery/Resources"));
        return true;
    }();
    (void)addedTones;

    auto page = kit::make<GallerySwatch>(frame, QColor(250, 250, 250), QString());
    const double top = frame.size.height - 44;
    auto header = kit::make<GallerySwatch>(MakeRect(30, top, 600, 30), QColor(250, 250, 250),
        QStringLiteral("%1 sounds: the system theme, your own folder and the gallery's tones").arg(manager->count()));
    header->setAutoresizingMask(kit::ViewMinYMargin);
    page->addSubview(header.get());
    double y = top - 40;
    for (int i = 0; i < manager->count() && y > 20; ++i, y -= 36) {
        const auto& data = manager->dataArray()[std::size_t(i)];
        auto name = kit::make<GallerySwatch>(MakeRect(30, y, 200, 30), QColor(238, 241, 246), data->soundName());
        auto file = kit::make<GallerySwatch>(MakeRect(240, y, 260, 30), QColor(250, 250, 250), data->soundFileName());
        auto play = kit::make<GalleryPushButton>(MakeRect(510, y + 1, 80, 28), QStringLiteral("Play"), [manager, i] { manager->playSoundAtIndex(i); });
        for (kit::View* v : { static_cast<kit::View*>(name.get()), static_cast<kit::View*>(file.get()), static_cast<kit::View*>(play.get()) }) {
            v->setAutoresizingMask(kit::ViewMinYMargin);
            page->addSubview(v);
        }
    }
    return page;
}
