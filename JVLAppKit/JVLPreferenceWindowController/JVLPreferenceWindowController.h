#pragma once

// The application's preference window: a toolbar with one item per pane (after a show-all item and a
// separator when the configuration pane is used), an overview of every pane as an icon grouped by
// category, and the selected pane's view, the window resizing about its top-left corner. One per
// process. Panes come from the application (JVLPreferencePanel) or from plug-in bundles
// (JVLPlugInPreferencePane); a delegate may veto panes, rename categories and follow selection.

#include "JVLAppKit/JVLPreferenceWindowController/JVLPrefPaneIconView.h"
#include "JVLAppKit/JVLPreferenceWindowController/JVLPrefPaneProtocol.h"

#include "kit/appkit/Toolbar.h"
#include "kit/appkit/Window.h"
#include "kit/appkit/WindowController.h"

#include <map>

class JVLWindow;

inline const QString JVLPPToolbarIdentifier = QStringLiteral("JVLPPToolbar");
inline const QString JVLPPToolbarShowAllIdentifier = QStringLiteral("JVLPPToolbarShowAll");

// Optional operations of the controller's delegate; every pane argument is the pane's identifier.
class JVLPreferenceWindowControllerDelegate {
public:
    virtual ~JVLPreferenceWindowControllerDelegate() = default;
    virtual bool shouldLoadPreferencePane(const QString&) { return true; }
    virtual void didLoadPreferencePane(const QString&) { }
    virtual void willSelectPreferencePane(const QString&) { }
    virtual void didUnselectPreferencePane(const QString&) { }
    virtual QString categoryForPreferencePaneDefaultCategory(const QString&, const QString& category) { return category; }
    virtual QString displayNameForCategory(const QString&) { return {}; }
};

class JVLPreferenceWindowController : public kit::WindowController, public kit::WindowDelegate, public kit::ToolbarDelegate {
    KIT_CLASS(JVLPreferenceWindowController)

    // The one instance, made with plain init (a window without autosave name) when none exists.
    static kit::Ref<JVLPreferenceWindowController> sharedPreferenceWindowController();
    // The allocation side of the single instance: null once an instance exists.
    static kit::Ref<JVLPreferenceWindowController> initWithAutosaveName(const QString& name);
    static kit::Ref<JVLPreferenceWindowController> initWithAutosaveNameWindowStyleMask(const QString& name, unsigned styleMask);
    // Tests: forgets the instance.
    static void resetSharedForTesting();

    ~JVLPreferenceWindowController() override;

    // Panes.
    void addPluginsOfTypeFromPath(const QString& extension, const QString& directory);
    void addPluginFromPath(const QString& path);
    // NO for a registered identifier or a veto; the pane's sort order is the count before it.
    bool addPaneWithIdentifier(kit::Object* pane, const QString& identifier);
    kit::Ref<kit::Object> prefPaneWithIdentifier(const QString& identifier) const;
    const std::map<QString, kit::Ref<kit::Object>>& prefPanes() const { return prefPanes_; }
    void setPrefPanes(const std::map<QString, kit::Ref<kit::Object>>& panes) { prefPanes_ = panes; }
    void removeAllPanes() { }
    void replyToShouldUnselect(bool) { }

    // Selection.
    bool selectPaneWithIdentifier(const QString& identifier);
    bool deselectActivePane();
    void selectIconViewPane();
    void toolbarShowAll(kit::Object* sender = nullptr);
    // The sender is a toolbar item or a JVLPrefPaneIcon.
    void toolbarShowPane(kit::Object* sender);

    // Categories.
    QString categoryForIdentifier(const QString& identifier);
    // Distinct categories after the delegate's renaming; a pane without category counts as null.
    QStringList categories();
    QString categoryDisplayNameForIdentifier(const QString& identifier);
    bool sortByCategory() const;
    void setSortByCategory(bool flag);
    QStringList categorySortOrder() const;
    void setCategorySortOrder(const QStringList& order);

    // Accessors.
    kit::Ref<kit::Object> delegate() const { return delegate_.lock(); }
    void setDelegate(kit::Object* delegate);
    bool usesConfigurationPane() const { return usesConfigurationPane_; }
    void setUsesConfigurationPane(bool flag) { usesConfigurationPane_ = flag; }
    QString title() const { return title_; }
    void setTitle(const QString& title) { title_ = title; }
    kit::Ref<kit::Object> activePane() const { return activePane_; }
    void setActivePane(kit::Object* pane) { activePane_ = pane; }
    QString autosaveName() const { return autosaveName_; }
    void setAutosaveName(const QString& name) { autosaveName_ = name; }
    kit::Ref<JVLPrefPaneIconView> iconView() const { return iconView_; }

    // Window and toolbar.
    kit::Ref<kit::Window> window() override;
    kit::Ref<JVLPrefPaneIcon> iconForPrefPane(kit::Object* pane);
    void createIconViewPane();
    kit::Rect frameForContentSize(kit::Size size);
    void changeContentView(kit::View* view);
    QStringList validPrefPaneIdentifiers() const;

    // kit::ToolbarDelegate:
    kit::Ref<kit::ToolbarItem> toolbarItemForItemIdentifierWillBeInsertedIntoToolbar(kit::Toolbar*, const QString& identifier, bool) override;
    QStringList toolbarDefaultItemIdentifiers(kit::Toolbar*) override;
    QStringList toolbarAllowedItemIdentifiers(kit::Toolbar*) override;
    QStringList toolbarSelectableItemIdentifiers(kit::Toolbar*) override;
    void toolbarWillAddItem(kit::Notification*) override { }
    void toolbarDidRemoveItem(kit::Notification*) override { }

    // kit::WindowDelegate:
    void windowDidMove(kit::Notification*) override;
    void windowWillClose(kit::Notification*) override;
    void windowDidBecomeMain(kit::Notification*) override;
    kit::Rect windowWillUseStandardFrameDefaultFrame(kit::Window*, kit::Rect defaultFrame) override;
    void applicationWillTerminate(kit::Notification*);

private:
    template <class T, class... Args> friend kit::Ref<T> kit::make(Args&&... args);
    JVLPreferenceWindowController(const QString& autosaveName, unsigned styleMask);
    static kit::Ref<JVLPreferenceWindowController> makeInstance(const QString& name, unsigned styleMask);

    JVLPreferenceWindowControllerDelegate* delegateFor(const char* operation) const;
    static JVLPrefPaneProtocol* paneProtocol(kit::Object* pane) { return dynamic_cast<JVLPrefPaneProtocol*>(pane); }
    // The pane's protocol when it implements `operation`, else null.
    static JVLPrefPaneProtocol* paneImplementing(kit::Object* pane, const char* operation);
    void buildToolbar(kit::Window* window);
    // A pane added once the window is built: its toolbar item, and the overview refitted.
    void addToBuiltWindow(const QString& identifier);
    void restoreFrame(kit::Window* window);
    // Gives the keyboard focus to the pane's toolbar item.
    void focusToolbarItem(const QString& identifier);
    void unselectActivePaneKeepingIt();

    std::map<QString, kit::Ref<kit::Object>> prefPanes_;
    kit::Ref<JVLPrefPaneIconView> iconView_;
    kit::Ref<kit::Object> activePane_;
    bool usesConfigurationPane_ = false;
    kit::Weak<kit::Object> delegate_;
    QString autosaveName_;
    QString title_;
    bool delegateRespondsToCategoryForPreferencePane_ = false;
    bool delegateRespondsToDisplayNameForCategory_ = false;
    kit::Ref<kit::Object> terminateObserver_;
    bool buildingWindow_ = false;
};
