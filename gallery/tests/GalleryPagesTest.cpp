// Pages of the gallery, made in process: what they list and how they draw.

#include "gallery/pages/SoundsPage.h"

#include "JVLAppKit/JVLSoundManager/JVLSoundManager.h"
#include "gallery/pages/GallerySwatch.h"
#include "kit/appkit/ScrollView.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>


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

} // namespace
