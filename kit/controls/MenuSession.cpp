// Menu sessions and the QMenu presenter. Kept apart from Menu.cpp because it enters run-loop modes.

#include "kit/appkit/Screen.h"
#include "kit/appkit/View.h"
#include "kit/appkit/Window.h"
#include "kit/controls/Menu.h"
#include "kit/controls/MenuPlacement.h"
#include "kit/core/NotificationCenter.h"
#include "kit/foundation/RunLoop.h"

#include <QAction>
#include <QApplication>
#include <QGuiApplication>
#include <QIcon>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QProxyStyle>
#include <QStyleFactory>
#include <QWidget>

#include <algorithm>
#include <map>
#include <optional>

namespace kit {

namespace {

// The shortcut text shown after a tab: Command is Ctrl here, Option Alt, Control Super.
QString shortcutText(const MenuItem& item)
{
    QString key = item.keyEquivalent();
    if (key.isEmpty())
        return {};
    std::uint64_t mask = item.keyEquivalentModifierMask();
    if (key.size() == 1 && key.at(0).isUpper())
        mask |= 0x20000;
    QStringList parts;
    if (mask & 0x100000)
        parts << QStringLiteral("Ctrl");
    if (mask & 0x40000)
        parts << QStringLiteral("Super");
    if (mask & 0x80000)
        parts << QStringLiteral("Alt");
    if (mask & 0x20000)
        parts << QStringLiteral("Shift");
    if (key == QStringLiteral("\r"))
        key = QStringLiteral("Return");
    else if (key == QStringLiteral("\t"))
        key = QStringLiteral("Tab");
    else if (key == QStringLiteral(" "))
        key = QStringLiteral("Space");
    else if (key.size() == 1 && key.at(0).unicode() == 0x1B)
        key = QStringLiteral("Esc");
    else if (key.size() == 1 && (key.at(0).unicode() == 0x08 || key.at(0).unicode() == 0x7F))
        key = QStringLiteral("Backspace");
    else
        key = key.toUpper();
    parts << key;
    return parts.join(u'+');
}

QIcon dashIcon()
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setPen(QPen(QGuiApplication::palette().color(QPalette::Text), 2));
    p.drawLine(QPointF(4, 8), QPointF(12, 8));
    return QIcon(pixmap);
}

class ScrollingMenuStyle final : public QProxyStyle {
public:
    ScrollingMenuStyle()
        : QProxyStyle(QStyleFactory::create(QApplication::style()->name()))
    { }
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget, QStyleHintReturn* data) const override
    {
        if (hint == SH_Menu_Scrollable)
            return 1;
        return QProxyStyle::styleHint(hint, option, widget, data);
    }
};

// Gives the menu its geometry and active item as it shows, after QMenu placed it.
class SettleAtShow final : public QObject {
public:
    std::optional<QRect> geometry;
    QAction* active = nullptr;
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::Show)
            return false;
        auto* menu = static_cast<QMenu*>(watched);
        if (geometry)
            menu->setGeometry(*geometry);
        if (active)
            menu->setActiveAction(active);
        return false;
    }
};

class QMenuPresenter final : public MenuPresenter {
public:
    Ref<MenuItem> presentMenu(Menu& menu, const MenuPresentation& where) override
    {
        // One scrolling column, never the columns a style may split a tall menu into.
        ScrollingMenuStyle style;
        QMenu qmenu;
        qmenu.setStyle(&style);
        qmenu.setFont(where.font);
        std::map<QAction*, Ref<MenuItem>> items;
        QAction* positioned = nullptr;
        build(qmenu, menu, where.firstShownIndex, items, where.positionedItem, &positioned);
        if (where.minimumWidth > 0)
            qmenu.setMinimumWidth(int(where.minimumWidth));
        qmenu.ensurePolished();
        MenuMetrics metrics;
        const QSize hint = qmenu.sizeHint().expandedTo(qmenu.minimumSize());
        metrics.size = { double(hint.width()), double(hint.height()) };
        if (positioned) {
            const QRect item = qmenu.actionGeometry(positioned);
            metrics.positionedItemTop = item.top();
            metrics.positionedItemHeight = item.height();
        }
        const Rect visible = visibleFrameAround(where.screenRect);
        const Rect frame = MenuFrameForPresentation(where, metrics, visible);
        QAction* chosen = nullptr;
        // The positioned item is the active one, so that keys move on from it.
        SettleAtShow settle;
        qmenu.installEventFilter(&settle);
        if (frame.height() < metrics.size.height && positioned) {
            // It scrolls, with the item over the control. Far down the menu, QMenu opens scrolled to
            // it; near the start, it would move the menu up to the screen's top instead, so the
            // menu is put where it starts, running down to the visible frame's foot.
            const double itemTop = where.screenRect.midY() + metrics.positionedItemHeight / 2;
            const double menuTop = itemTop + metrics.positionedItemTop;
            if (menuTop <= visible.maxY())
                settle.geometry = QtRectFromScreen(MakeRect(frame.minX(), visible.minY(), frame.width(), menuTop - visible.minY())).toRect();
            // Set before it pops up, the active item survives, and QMenu scrolls to it as it places it.
            qmenu.setActiveAction(positioned);
            chosen = qmenu.exec(QtRectFromScreen(MakeRect(frame.minX(), itemTop, 0, 0)).topLeft().toPoint(), positioned);
        } else {
            if (frame.height() < metrics.size.height)
                qmenu.setFixedHeight(int(frame.height()));
            // Popping up without an item to place clears the active one: set once it shows.
            settle.active = positioned;
            chosen = qmenu.exec(QtRectFromScreen(frame).topLeft().toPoint());
        }
        const auto it = items.find(chosen);
        return it == items.end() ? nullptr : it->second;
    }

private:
    // The visible frame of the screen holding the anchor, else of the main screen.
    static Rect visibleFrameAround(Rect anchor)
    {
        for (const Ref<Screen>& screen : Screen::screens())
            if (PointInRect(anchor.origin, screen->frame()))
                return screen->visibleFrame();
        const Ref<Screen> main = Screen::mainScreen();
        return main ? main->visibleFrame() : ZeroRect;
    }

    static void build(QMenu& qmenu, Menu& menu, std::size_t first, std::map<QAction*, Ref<MenuItem>>& items, const MenuItem* positioned,
        QAction** positionedAction)
    {
        const auto& list = menu.itemArray();
        for (std::size_t i = first; i < list.size(); ++i) {
            const Ref<MenuItem>& item = list[i];
            if (item->isHidden())
                continue;
            if (item->isSeparatorItem()) {
                qmenu.addSeparator();
                continue;
            }
            QString text = item->title();
            text.replace(u'&', QStringLiteral("&&"));
            if (const QString shortcut = shortcutText(*item); !shortcut.isEmpty())
                text += u'\t' + shortcut;
            QAction* action = nullptr;
            if (const Ref<Menu> sub = item->submenu()) {
                QMenu* child = qmenu.addMenu(text);
                child->setStyle(qmenu.style());
                build(*child, *sub, 0, items, nullptr, nullptr);
                action = child->menuAction();
            } else {
                action = qmenu.addAction(text);
                items[action] = item;
            }
            action->setEnabled(item->isEnabled());
            if (item->state() == 1) {
                action->setCheckable(true);
                action->setChecked(true);
            } else if (item->state() == -1) {
                action->setIcon(dashIcon());
            }
            if (const Ref<Image> image = item->image())
                action->setIcon(QIcon(QPixmap::fromImage(image->bitmapForDrawing(qmenu.devicePixelRatioF()))));
            if (positionedAction && item.get() == positioned)
                *positionedAction = action;
        }
    }
};

std::shared_ptr<MenuPresenter>& presenterSlot()
{
    static std::shared_ptr<MenuPresenter> slot;
    return slot;
}

} // namespace

void Menu::setPresenter(std::shared_ptr<MenuPresenter> presenter) { presenterSlot() = std::move(presenter); }

MenuPresenter& Menu::presenter()
{
    static QMenuPresenter standard;
    return presenterSlot() ? *presenterSlot() : standard;
}

void Menu::prepareForSession(std::vector<const Menu*>& seen)
{
    // Submenus at any depth open within the one session, so each is ready before it starts,
    // including one a delegate just added; `seen` guards against a loop built by hand.
    if (std::find(seen.begin(), seen.end(), this) != seen.end())
        return;
    seen.push_back(this);
    fillFromDelegate();
    update();
    for (const Ref<MenuItem>& item : std::vector<Ref<MenuItem>>(items_))
        if (const Ref<Menu> sub = item->submenu())
            sub->prepareForSession(seen);
}

Ref<MenuItem> Menu::runSession(const MenuPresentation& presentation, bool sendAction)
{
    const Ref<Menu> keep(this);
    MenuPresentation where = presentation;
    where.screenRect = MenuAnchorInScreen(where.view, where.rect, where.location);
    where.flipped = where.view && where.view->isFlipped();
    std::vector<const Menu*> seen;
    prepareForSession(seen);
    const Ref<Menu> root = rootMenu();
    const Ref<NotificationCenter> center = NotificationCenter::defaultCenter();
    center->postNotificationNameObject(MenuDidBeginTrackingNotification, root.get());
    Ref<MenuItem> chosen;
    {
        RunLoop::ModeScope mode(EventTrackingRunLoopMode);
        chosen = presenter().presentMenu(*this, where);
    }
    center->postNotificationNameObject(MenuDidEndTrackingNotification, root.get());
    if (chosen && sendAction)
        sendItemAction(*chosen);
    return chosen;
}

} // namespace kit
