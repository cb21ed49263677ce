#include "QVTabBarView/QVTabStyle.h"

#include "QVTabBarView/QVAquaTabStyle.h"
#include "QVTabBarView/QVCardTabStyle.h"
#include "QVTabBarView/QVFlatTabStyle.h"
#include "QVTabBarView/QVGlassTabStyle.h"
#include "QVTabBarView/QVMetalTabStyle.h"
#include "QVTabBarView/QVPebbleTabStyle.h"
#include "QVTabBarView/QVUnifiedTabStyle.h"

#include <QStringList>

#include <utility>
#include <vector>

KIT_REGISTER_CLASS(QVTabStyle, kit::Object) { c.bundle("QVTabBarView"); }

namespace {

// Name -> class, in registration order (a name registered again keeps its place).
struct QVStyleRegistry {
    std::vector<std::pair<QString, const kit::Class*>> entries;
    bool filled = false;
};

QVStyleRegistry& qvStyleRegistry()
{
    static QVStyleRegistry registry;
    if (!registry.filled) {
        registry.filled = true;
        registry.entries.reserve(10);
        // The built-in styles, in their order.
        QVTabStyle::registerTabStyleClass<QVAquaTabStyle>();
        QVTabStyle::registerTabStyleClass<QVUnifiedTabStyle>();
        QVTabStyle::registerTabStyleClass<QVPebbleTabStyle>();
        QVTabStyle::registerTabStyleClass<QVMetalTabStyle>();
        QVTabStyle::registerTabStyleClass<QVCardTabStyle>();
        QVTabStyle::registerTabStyleClass<QVFlatTabStyle>();
        QVTabStyle::registerTabStyleClass<QVGlassTabStyle>();
    }
    return registry;
}

} // namespace

const kit::Class* QVTabStyle::registeredClassForStyleName(const QString& name)
{
    for (const auto& [n, cls] : qvStyleRegistry().entries)
        if (n == name)
            return cls;
    return nullptr;
}

void QVTabStyle::registerTabStyleClassNamed(const QString& name, const kit::Class& cls)
{
    auto& entries = qvStyleRegistry().entries;
    for (auto& entry : entries)
        if (entry.first == name) {
            entry.second = &cls;
            return;
        }
    entries.emplace_back(name, &cls);
}

void QVTabStyle::unregisterTabStyleClassNamed(const QString& name)
{
    std::erase_if(qvStyleRegistry().entries, [&](const auto& entry) { return entry.first == name; });
}

std::vector<const kit::Class*> QVTabStyle::registeredTabStyleClasses()
{
    std::vector<const kit::Class*> out;
    for (const auto& entry : qvStyleRegistry().entries)
        out.push_back(entry.second);
    return out;
}

QStringList QVTabStyle::registeredTabStyleNames()
{
    QStringList out;
    for (const auto& entry : qvStyleRegistry().entries)
        out << entry.first;
    return out;
}

kit::Ref<QVTabStyle> QVTabStyle::makeStyleNamed(const QString& name)
{
    const kit::Class* cls = registeredClassForStyleName(name);
    return cls ? kit::dynamic_pointer_cast<QVTabStyle>(cls->make()) : nullptr;
}

void QVTabStyle::resetRegistryForTesting()
{
    auto& registry = qvStyleRegistry();
    registry.entries.clear();
    registry.filled = false;
}
