#include "gallery/GalleryPage.h"
#include "gallery/pages/AboutPage.h"
#include "gallery/pages/ControlsPage.h"
#include "gallery/pages/CoverFlowPage.h"
#include "gallery/pages/DateControlPage.h"
#include "gallery/pages/ExtensionsPage.h"
#include "gallery/pages/FeedbackPage.h"
#include "gallery/pages/FlowViewPage.h"
#include "gallery/pages/InspectorPage.h"
#include "gallery/pages/LayersPage.h"
#include "gallery/pages/KeyRecorderPage.h"
#include "gallery/pages/ListsPage.h"
#include "gallery/pages/LiveLinksPage.h"
#include "gallery/pages/PreferencesPage.h"
#include "gallery/pages/ProgressPage.h"
#include "gallery/pages/ScopeBarPage.h"
#include "gallery/pages/ServicesPages.h"
#include "gallery/pages/SoundsPage.h"
#include "gallery/pages/SourceListPage.h"
#include "gallery/pages/SplitViewPage.h"
#include "gallery/pages/TabBarPage.h"
#include "gallery/pages/TabBarViewPage.h"
#include "gallery/pages/TableGridPage.h"
#include "gallery/pages/TextPage.h"

std::vector<GalleryPage> galleryPages()
{
    return {
        { QStringLiteral("about"), QStringLiteral("About"), makeAboutPage },
        { QStringLiteral("controls"), QStringLiteral("Controls"), makeControlsPage },
        { QStringLiteral("text"), QStringLiteral("Text"), makeTextPage },
        { QStringLiteral("lists"), QStringLiteral("Lists and dialogs"), makeListsPage },
        { QStringLiteral("split-view"), QStringLiteral("Split view"), makeSplitViewPage },
        { QStringLiteral("table-grid"), QStringLiteral("Table grid"), makeTableGridPage },
        { QStringLiteral("scope-bar"), QStringLiteral("Scope bar"), makeScopeBarPage },
        { QStringLiteral("progress"), QStringLiteral("Progress"), makeProgressPage },
        { QStringLiteral("tab-bar"), QStringLiteral("Tab bar"), makeTabBarPage },
        { QStringLiteral("tab-bar-view"), QStringLiteral("Tab bar view"), makeTabBarViewPage },
        { QStringLiteral("preferences"), QStringLiteral("Preferences"), makePreferencesPage },
        { QStringLiteral("sounds"), QStringLiteral("Sounds"), makeSoundsPage },
        { QStringLiteral("hot-keys"), QStringLiteral("Hot keys"), makeHotKeysPage },
        { QStringLiteral("bubble"), QStringLiteral("Bubble"), makeBubblePage },
        { QStringLiteral("live-links"), QStringLiteral("Live links"), makeLiveLinksPage },
        { QStringLiteral("extensions"), QStringLiteral("Extensions"), makeExtensionsPage },
        { QStringLiteral("source-list"), QStringLiteral("Source list"), makeSourceListPage },
        { QStringLiteral("date-control"), QStringLiteral("Date control"), makeDateControlPage },
        { QStringLiteral("inspector"), QStringLiteral("Inspector"), makeInspectorPage },
        { QStringLiteral("cover-flow"), QStringLiteral("Cover flow"), makeCoverFlowPage, coverFlowPageIsReady },
        { QStringLiteral("flow-view"), QStringLiteral("Flow view"), makeFlowViewPage, flowViewPageIsReady },
        { QStringLiteral("layers"), QStringLiteral("Layers"), makeLayersPage },
        { QStringLiteral("reports"), QStringLiteral("Reports"), makeFeedbackPage },
        { QStringLiteral("shortcut-recorder"), QStringLiteral("Shortcut recorder"), makeKeyRecorderPage },
    };
}
