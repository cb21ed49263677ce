#pragma once

// The events the accessibility bridge sends, as the bridge's test observer sees them (Qt itself
// drops them while no platform bridge is active): recordEvent is the observer to install.

#include <QAccessible>

#include <utility>
#include <vector>

namespace kit::test {

inline std::vector<std::pair<QAccessible::Event, const QAccessibleInterface*>>& events()
{
    static std::vector<std::pair<QAccessible::Event, const QAccessibleInterface*>> recorded;
    return recorded;
}

inline void recordEvent(int event, const QAccessibleInterface* iface) { events().emplace_back(QAccessible::Event(event), iface); }

// The interfaces that got `type`, in order.
inline std::vector<const QAccessibleInterface*> eventsOf(QAccessible::Event type)
{
    std::vector<const QAccessibleInterface*> out;
    for (const auto& [t, iface] : events())
        if (t == type)
            out.push_back(iface);
    return out;
}

} // namespace kit::test
