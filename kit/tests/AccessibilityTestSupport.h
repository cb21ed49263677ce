#pragma once

// The events the accessibility bridge sends, as the bridge's test observer sees them (Qt itself
// drops them while no platform bridge is active): recordEvent is the observer to install.

#include <QAccessible>
#include <QString>
#include <QStringList>

#include <utility>
#include <vector>

namespace kit::test {

inline std::vector<std::pair<QAccessible::Event, const QAccessibleInterface*>>& events()
{
    static std::vector<std::pair<QAccessible::Event, const QAccessibleInterface*>> recorded;
    return recorded;
}

// Each StateChanged event's interface and the states it says changed (cleared by the tests).
inline std::vector<std::pair<const QAccessibleInterface*, QAccessible::State>>& stateChanges()
{
    static std::vector<std::pair<const QAccessibleInterface*, QAccessible::State>> recorded;
    return recorded;
}

inline void recordEvent(const QAccessibleEvent& event)
{
    events().emplace_back(event.type(), event.accessibleInterface());
    if (event.type() == QAccessible::StateChanged)
        stateChanges().emplace_back(event.accessibleInterface(), static_cast<const QAccessibleStateChangeEvent&>(event).changedStates());
}

// The interfaces that got `type`, in order.
inline std::vector<const QAccessibleInterface*> eventsOf(QAccessible::Event type)
{
    std::vector<const QAccessibleInterface*> out;
    for (const auto& [t, iface] : events())
        if (t == type)
            out.push_back(iface);
    return out;
}

// The states a value change may touch, by name, in this order: "checked mixed pressed busy selected
// expanded collapsed".
inline QString stateNames(QAccessible::State s)
{
    QStringList names;
    const std::pair<bool, const char*> bits[] { { bool(s.checked), "checked" }, { bool(s.checkStateMixed), "mixed" },
        { bool(s.pressed), "pressed" }, { bool(s.busy), "busy" }, { bool(s.selected), "selected" }, { bool(s.expanded), "expanded" },
        { bool(s.collapsed), "collapsed" } };
    for (const auto& [on, name] : bits)
        if (on)
            names << QString::fromLatin1(name);
    return names.join(QLatin1Char(' '));
}

} // namespace kit::test
