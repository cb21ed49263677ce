#include "gallery/pages/SoundsPage.h"

#include "JVLAppKit/JVLSoundManager/JVLSoundManager.h"
#include "gallery/pages/GallerySwatch.h"

#include "kit/appkit/ScrollView.h"
#include "kit/foundation/Sound.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

using kit::MakeRect;
using kit::Ref;

namespace {

// The rows, first at the top.
class SoundRows : public kit::View {
public:
    using View::View;
    bool isFlipped() const override { return true; }
};

// The gallery's own tones, compiled into its bundle, join the shared manager once (a manager made
// anew gets them again).
void addGalleryTones(JVLSoundManager& manager)
{
    const QString folder = QStringLiteral(":/Gallery/Resources");
    for (const QString& entry : QDir(folder).entryList(QDir::Files)) {
        const QFileInfo tone(entry);
        if (!kit::Sound::soundFileExtensions().contains(tone.suffix().toLower()))
            continue;
        if (manager.getSoundNameAtIndex(manager.indexOfSound(tone.completeBaseName())) == tone.completeBaseName())
            return;
    }
    manager.addSoundsFromPath(folder);
}

} // namespace

kit::Ref<kit::View> makeSoundsPage(kit::Rect frame)
{
    const Ref<JVLSoundManager> manager = JVLSoundManager::getSharedSoundManager();
    addGalleryTones(*manager);

    auto page = kit::make<GallerySwatch>(frame, QColor(250, 250, 250), QString());
    const double top = frame.size.height - 44;
    auto header = kit::make<GallerySwatch>(MakeRect(30, top, 600, 30), QColor(250, 250, 250),
        QStringLiteral("%1 sounds: the system theme, your own folder and the gallery's tones").arg(manager->count()));
    header->setAutoresizingMask(kit::ViewMinYMargin);
    page->addSubview(header.get());
    // Every sound a row, top down, in a list that scrolls.
    const double rowPitch = 36;
    auto list = kit::make<kit::ScrollView>(MakeRect(30, 20, 600, top - 30));
    list->setAutoresizingMask(kit::ViewHeightSizable);
    list->setHasVerticalScroller(true);
    list->setAutohidesScrollers(true);
    list->setVerticalLineScroll(rowPitch);
    list->setDrawsBackground(false);
    auto rows = kit::make<SoundRows>(MakeRect(0, 0, 580, std::max(1, manager->count()) * rowPitch));
    for (int i = 0; i < manager->count(); ++i) {
        const auto& data = manager->dataArray()[std::size_t(i)];
        const double y = i * rowPitch;
        // Names longer than their box end in an ellipsis; the tool tip has them whole.
        const auto cell = [&](kit::Rect frame, QColor fill, const QString& text) {
            auto swatch = kit::make<GallerySwatch>(frame, fill, text);
            swatch->setTruncatesTitle(true);
            swatch->setToolTip(text);
            rows->addSubview(swatch.get());
        };
        cell(MakeRect(0, y, 200, 30), QColor(238, 241, 246), data->soundName());
        cell(MakeRect(210, y, 260, 30), QColor(250, 250, 250), data->soundFileName());
        auto play = kit::make<GalleryPushButton>(MakeRect(480, y + 1, 80, 28), QStringLiteral("Play"), [manager, i] { manager->playSoundAtIndex(i); });
        play->setAccessibilityName(QStringLiteral("Play ") + data->soundName());
        rows->addSubview(play.get());
    }
    list->setDocumentView(rows.get());
    page->addSubview(list.get());
    return page;
}
