#include "gallery/pages/KeyRecorderPage.h"

#include "gallery/pages/GallerySwatch.h"

#include "KeyRecorder/KRRecorderControl.h"
#include "kit/appkit/Event.h"
#include "kit/controls/TextField.h"

namespace {

using namespace kit;

// The bound model: a dictionary-valued key whose every write shows in a label.
class KeyRecorderPageModel : public Object {
    KIT_CLASS(KeyRecorderPageModel)
public:
    Ref<TextField> shown;
    Value shortcut() const { return shortcut_; }
    void setShortcut(const Value& value)
    {
        shortcut_ = value;
        if (!shown)
            return;
        if (!value.isDictionary()) {
            shown->setStringValue(QStringLiteral("Bound value: none"));
            return;
        }
        const Dictionary& d = value.dictionary();
        shown->setStringValue(QStringLiteral("Bound value: characters \"%1\", keyCode %2, modifierFlags 0x%3")
                .arg(d.objectForKey(QStringLiteral("characters")).stringValue())
                .arg(d.objectForKey(QStringLiteral("keyCode")).integerValue())
                .arg(QString::number(d.objectForKey(QStringLiteral("modifierFlags")).integerValue(), 16)));
    }

private:
    Value shortcut_;
};

KIT_REGISTER_CLASS(KeyRecorderPageModel, Object) { c.property("shortcut", &KeyRecorderPageModel::shortcut, &KeyRecorderPageModel::setShortcut); }

// The gallery's main menu stays in place while the page shows: its shortcuts (Quit, Close Window)
// are the ones a recorder refuses, and Ctrl+W keeps closing the window.
class KeyRecorderPageView : public View {
    KIT_CLASS(KeyRecorderPageView)
public:
    explicit KeyRecorderPageView(Rect frame)
        : View(frame)
    {
        setAutoresizingMask(ViewWidthSizable | ViewHeightSizable);
    }
    Ref<KeyRecorderPageModel> model = make<KeyRecorderPageModel>();
};

KIT_REGISTER_CLASS(KeyRecorderPageView, View) { }

Ref<KRRecorderControl> makeRecorderRow(View* parent, double y, const QString& caption)
{
    galleryLabel(MakeRect(16, y, 300, 20), caption, parent);
    auto recorder = make<KRRecorderControl>(MakeRect(320, y - 1, 180, 22));
    // Named by its caption, as a label would name it.
    recorder->setToolTip(caption.chopped(caption.endsWith(QLatin1Char(':')) ? 1 : 0));
    parent->addSubview(recorder.get());
    return recorder;
}

} // namespace

Ref<View> makeKeyRecorderPage(Rect frame)
{
    const double top = frame.height() - 16;
    auto page = make<KeyRecorderPageView>(frame);
    View* v = page.get();

    auto plain = makeRecorderRow(v, top - 24, QStringLiteral("Style 0, the defaults (kept across restarts):"));
    plain->setAutosaveName(QStringLiteral("GalleryShortcut"));
    plain->recorderCell()->loadKeyCombo();

    auto sliding = makeRecorderRow(v, top - 64, QStringLiteral("Style 1, animated, bound to a model:"));
    sliding->setStyle(1);
    sliding->setAnimates(true);
    page->model->shown = galleryLabel(MakeRect(16, top - 88, 560, 20), QStringLiteral("Bound value: none"), v);
    sliding->bindToObjectWithKeyPathOptions(QStringLiteral("value"), page->model.get(), QStringLiteral("shortcut"), {});

    auto keyOnly = makeRecorderRow(v, top - 128, QStringLiteral("Key-only shortcuts, Escape records:"));
    keyOnly->setAllowsKeyOnlyEscapeKeysRecord(true, true);

    auto capturing = makeRecorderRow(v, top - 168, QStringLiteral("Ctrl required, desktop shortcuts captured:"));
    capturing->setRequiredFlags(CommandKeyMask);
    capturing->setCanCaptureGlobalHotKeys(true);

    galleryLabel(MakeRect(16, top - 208, 860, 20), QStringLiteral("Click a field or press Space in it, then type a shortcut. Menu shortcuts such as Ctrl+Q are refused."), v);
    return page;
}
