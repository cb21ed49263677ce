// Menu sessions and the QMenu presenter. Kept apart from Menu.cpp because it enters run-loop modes.

#include "kit/appkit/View.h"
#include "kit/appkit/Window.h"
#include "kit/controls/Menu.h"
#include "kit/core/NotificationCenter.h"
#include "kit/foundation/RunLoop.h"

#include <QAction>
#include <QGuiApplication>
#include <QIcon>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QWidget>

#include <map>

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

class QMenuPresenter final : public MenuPresenter {
public:
    Ref<MenuItem> presentMenu(Menu& menu, const MenuPresentation& where) override
    {
        QMenu qmenu;
        qmenu.setFont(where.font);
        std::map<QAction*, Ref<MenuItem>> items;
        QAction* positioned = nullptr;
        build(qmenu, menu, where.firstShownIndex, items, where.positionedItem, &positioned);
        if (where.minimumWidth > 0)
            qmenu.setMinimumWidth(int(where.minimumWidth));
        QAction* chosen = qmenu.exec(globalPoint(where, qmenu), positioned);
        const auto it = items.find(chosen);
        return it == items.end() ? nullptr : it->second;
    }

private:
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

    static QPoint globalPoint(const MenuPresentation& where, QMenu& qmenu)
    {
        View* view = where.view;
        const Ref<Window> window = view ? view->window() : nullptr;
        QWidget* host = window ? window->hostWidget() : nullptr;
        if (!host)
            return QPoint(int(where.location.x), int(where.location.y));
        const double height = window->frame().height();
        const auto toGlobal = [&](Point base) { return host->mapToGlobal(QPoint(int(base.x), int(height - base.y))); };
        if (IsEmptyRect(where.rect))
            return toGlobal(view->convertPointToView(where.location, nullptr));
        const Rect base = view->convertRectToView(where.rect, nullptr);
        if (where.positionedItem)
            return toGlobal(MakePoint(base.minX(), base.maxY()));
        const bool flipped = view->isFlipped();
        switch (where.preferredEdge) {
        case MaxXEdge:
            return toGlobal(MakePoint(base.maxX(), base.maxY()));
        case MinXEdge:
            return toGlobal(MakePoint(base.minX() - qmenu.sizeHint().width(), base.maxY()));
        case MinYEdge:
        case MaxYEdge: {
            const bool below = (where.preferredEdge == MaxYEdge) == flipped;
            if (below)
                return toGlobal(MakePoint(base.minX(), base.minY()));
            return toGlobal(MakePoint(base.minX(), base.maxY())) - QPoint(0, qmenu.sizeHint().height());
        }
        }
        return toGlobal(MakePoint(base.minX(), base.minY()));
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

Ref<MenuItem> Menu::runSession(const MenuPresentation& where, bool sendAction)
{
    const Ref<Menu> keep(this);
    fillFromDelegate();
    update();
    for (const Ref<MenuItem>& item : std::vector<Ref<MenuItem>>(items_))
        if (const Ref<Menu> sub = item->submenu()) {
            sub->fillFromDelegate();
            sub->update();
        }
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
