#pragma once

// A window's toolbar: a strip of items above the content view that the kit draws itself. The
// delegate names the items by identifier and makes each; the toolbar loads them when it first
// needs them, validates them before it shows and on every window update, and marks one
// selectable item as selected. "visible" is observable (through the window as "toolbar.visible");
// showing or hiding it keeps the content size and the window's top-left corner.

#include "kit/appkit/ToolbarItem.h"
#include "kit/core/Class.h"

#include <QString>
#include <QStringList>

#include <vector>

namespace kit {

class Notification;
class Toolbar;
class ToolbarView;
class View;
class Window;

inline const QString ToolbarWillAddItemNotification = QStringLiteral("NSToolbarWillAddItemNotification");
inline const QString ToolbarDidRemoveItemNotification = QStringLiteral("NSToolbarDidRemoveItemNotification");
// The user-info key of both notifications: the item.
inline const QString ToolbarItemKey = QStringLiteral("item");

// Optional operations of a toolbar's delegate, asked through respondsToSelector.
class ToolbarDelegate {
public:
    virtual ~ToolbarDelegate() = default;
    virtual Ref<ToolbarItem> toolbarItemForItemIdentifierWillBeInsertedIntoToolbar(Toolbar*, const QString& /*identifier*/, bool /*flag*/)
    {
        return nullptr;
    }
    virtual QStringList toolbarDefaultItemIdentifiers(Toolbar*) { return {}; }
    virtual QStringList toolbarAllowedItemIdentifiers(Toolbar*) { return {}; }
    virtual QStringList toolbarSelectableItemIdentifiers(Toolbar*) { return {}; }
    virtual void toolbarWillAddItem(Notification*) { }
    virtual void toolbarDidRemoveItem(Notification*) { }
};

class Toolbar : public Object {
    KIT_CLASS(Toolbar)

    explicit Toolbar(const QString& identifier = {});
    ~Toolbar() override;

    // The strip's height while visible, in points.
    static constexpr double Height = 56;

    QString identifier() const { return identifier_; }
    // Held weakly.
    Ref<Object> delegate() const { return delegate_.lock(); }
    void setDelegate(Object* delegate);
    Ref<Window> window() const { return window_.lock(); }

    // The items shown, left to right; made from the delegate's default identifiers on first need.
    const std::vector<Ref<ToolbarItem>>& items();
    std::vector<Ref<ToolbarItem>> visibleItems() { return items(); }
    // The standard identifiers make standard items; others ask the delegate, and nothing is
    // inserted when it makes none.
    void insertItemWithItemIdentifierAtIndex(const QString& identifier, std::size_t index);
    void removeItemAtIndex(std::size_t index);

    // One of the delegate's selectable identifiers, drawn selected; clicking such an item selects it.
    QString selectedItemIdentifier() const { return selected_; }
    void setSelectedItemIdentifier(const QString& identifier);

    bool isVisible() const { return visible_; }
    void setVisible(bool flag);
    // The kit draws no baseline under the strip unless asked.
    bool showsBaselineSeparator() const { return baseline_; }
    void setShowsBaselineSeparator(bool flag);
    // Stored only: the kit's toolbar cannot be customised.
    bool allowsUserCustomization() const { return customizable_; }
    void setAllowsUserCustomization(bool flag) { customizable_ = flag; }
    bool autosavesConfiguration() const { return autosaves_; }
    void setAutosavesConfiguration(bool flag) { autosaves_ = flag; }

    // Asks every item to validate itself.
    void validateVisibleItems();

    // The strip the window shows above its content.
    Ref<View> toolbarView();

private:
    friend class Window;
    friend class ToolbarItem;
    friend class ToolbarView;
    void attachToWindow(Window* window);
    void loadItems();
    Ref<ToolbarItem> makeItem(const QString& identifier);
    bool isSelectable(const QString& identifier);
    void itemsChanged();
    ToolbarDelegate* delegateFor(const char* operation) const;

    QString identifier_;
    Weak<Object> delegate_;
    Weak<Window> window_;
    std::vector<Ref<ToolbarItem>> items_;
    bool loaded_ = false;
    QString selected_;
    bool visible_ = true;
    bool baseline_ = false;
    bool customizable_ = false;
    bool autosaves_ = false;
    Ref<ToolbarView> view_;
};

} // namespace kit
