#pragma once

// A menu: an ordered list of items, a delegate that may fill it lazily, and validation that
// enables each item by asking whoever would receive its action. A menu is a model; it is shown
// only during a session (Menu::runSession), through the installed MenuPresenter, which builds a
// QMenu by default and a scripted stand-in in tests.

#include "kit/controls/MenuItem.h"
#include "kit/core/Geometry.h"

#include <QFont>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

namespace kit {

class Menu;
class View;
class Event;

// Posted through the default notification center around every session; the object is the root menu.
inline const QString MenuDidBeginTrackingNotification = QStringLiteral("NSMenuDidBeginTrackingNotification");
inline const QString MenuDidEndTrackingNotification = QStringLiteral("NSMenuDidEndTrackingNotification");

// Optional operations of a menu's delegate. numberOfItemsInMenu answers a negative count when
// the delegate does not fill the menu.
class MenuDelegate {
public:
    virtual ~MenuDelegate() = default;
    virtual std::int64_t numberOfItemsInMenu(Menu*) { return -1; }
    // Fills item `index`; NO stops the filling (the remaining items stay as they are).
    virtual bool menuUpdateItemAtIndexShouldCancel(Menu*, MenuItem*, std::int64_t /*index*/, bool /*shouldCancel*/) { return true; }
};

// What a target implements to decide whether a menu item is enabled (it may set the state too).
class MenuItemValidation {
public:
    virtual ~MenuItemValidation() = default;
    virtual bool validateMenuItem(MenuItem* item) = 0;
};

// Where and how a session shows a menu.
struct MenuPresentation {
    View* view = nullptr; // coordinates below are this view's
    Rect rect; // the control the menu belongs to, or an empty rect at the location
    Point location;
    // Pop-up: the item shown over the control. Null: the menu opens at `location` / `preferredEdge`.
    MenuItem* positionedItem = nullptr;
    RectEdge preferredEdge = MaxYEdge;
    double minimumWidth = 0;
    QFont font;
    // Items not listed (a pull-down's title item).
    std::size_t firstShownIndex = 0;
    // Filled in by runSession for the presenter (MenuPlacement.h): `rect`, or the location as an
    // empty rect, in screen coordinates, and whether `view` is flipped.
    Rect screenRect;
    bool flipped = false;
};

// Shows a prepared menu and answers the chosen item, or null when the user cancelled.
class MenuPresenter {
public:
    virtual ~MenuPresenter() = default;
    virtual Ref<MenuItem> presentMenu(Menu& menu, const MenuPresentation& where) = 0;
};

class Menu : public Object, public Coding {
    KIT_CLASS(Menu)
public:
    explicit Menu(const QString& title = {});
    ~Menu() override;
    // Copies of the items (submenus copied too), the settings and the delegate; not the pop-up owner.
    void copyTo(Object& copy) const override;

    // kit::Coding: title, auto-enabling and the items (the delegate is not archived).
    void encodeWithCoder(Coder& coder) const override;
    void initWithCoder(Coder& coder) override;

    QString title() const { return title_; }
    void setTitle(const QString& title) { title_ = title; }

    // --- Items. ---
    const std::vector<Ref<MenuItem>>& itemArray() const { return items_; }
    std::int64_t numberOfItems() const { return std::int64_t(items_.size()); }
    // Null when out of range.
    Ref<MenuItem> itemAtIndex(std::int64_t index) const;
    Ref<MenuItem> itemWithTitle(const QString& title) const;
    Ref<MenuItem> itemWithTag(std::int64_t tag) const;
    // -1 when absent.
    std::int64_t indexOfItem(const MenuItem* item) const;
    std::int64_t indexOfItemWithTitle(const QString& title) const;
    std::int64_t indexOfItemWithTag(std::int64_t tag) const;
    // By identity of the represented object.
    std::int64_t indexOfItemWithRepresentedObject(const Value& object) const;
    std::int64_t indexOfItemWithSubmenu(const Menu* submenu) const;
    void addItem(Ref<MenuItem> item);
    // An item already in a menu raises InvalidArgument (std::invalid_argument); index ≤ count.
    void insertItemAtIndex(Ref<MenuItem> item, std::int64_t index);
    Ref<MenuItem> addItemWithTitleActionKeyEquivalent(const QString& title, Selector action, const QString& key);
    Ref<MenuItem> insertItemWithTitleActionKeyEquivalentAtIndex(
        const QString& title, Selector action, const QString& key, std::int64_t index);
    void removeItem(MenuItem* item);
    void removeItemAtIndex(std::int64_t index);
    void removeAllItems();
    Ref<Menu> supermenu() const { return supermenu_.lock(); }

    // --- Validation. ---
    bool autoenablesItems() const { return autoenables_; }
    void setAutoenablesItems(bool flag) { autoenables_ = flag; }
    // Enables each item by its validator (auto-enabling menus only).
    void update();
    // The pop-up cell whose menu this is: its items without an action of their own act through
    // the cell and so validate as enabled. Held weakly; null clears it.
    Ref<Object> popUpOwner() const { return popUpOwner_.lock(); }
    void setPopUpOwner(Object* owner) { popUpOwner_ = owner; }

    MenuDelegate* delegate() const { return delegateObject_.lock() ? delegate_ : nullptr; }
    // The delegate is held weakly through its object.
    void setDelegate(Object* owner, MenuDelegate* delegate);

    // --- Sessions. ---
    // Delegate filling, validation, begin notification, the presenter (run-loop mode event
    // tracking), end notification; then the chosen item's own action, if it has one. Answers the
    // chosen item (null on cancel); `sendAction` NO leaves the action to the caller.
    Ref<MenuItem> runSession(const MenuPresentation& where, bool sendAction = true);
    // The menu at the top of the submenu chain.
    Ref<Menu> rootMenu();
    // Sends the item's action from the item. NO when it has none or nobody took it.
    static bool sendItemAction(MenuItem& item);

    // --- Key equivalents and the application's hooks. ---
    // The first enabled item (validated first, submenus depth first) whose key equivalent and
    // modifier mask match the key-down gets its action; YES when one did.
    bool performKeyEquivalent(const Event& event);
    // The application's main menu model; setting one installs the hooks.
    static Ref<Menu> mainMenu();
    static void setMainMenu(Ref<Menu> menu);
    // Installs the main menu key-equivalent handler and the context-menu presenter on the shared
    // application unless they are there already. Every Menu constructor calls it, so a menu
    // created after Application::resetForTesting reinstalls them.
    static void installApplicationHooks();

    // The presenter sessions use; null restores the QMenu presenter.
    static void setPresenter(std::shared_ptr<MenuPresenter> presenter);
    static MenuPresenter& presenter();

private:
    void fillFromDelegate();
    // Fills and validates this menu and every submenu below it.
    void prepareForSession(std::vector<const Menu*>& seen);
    QString title_;
    std::vector<Ref<MenuItem>> items_;
    Weak<Menu> supermenu_;
    bool autoenables_ = true;
    Weak<Object> delegateObject_;
    MenuDelegate* delegate_ = nullptr;
    Weak<Object> popUpOwner_;
    friend class MenuItem;
};

} // namespace kit
