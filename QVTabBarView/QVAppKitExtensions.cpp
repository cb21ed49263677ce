#include "QVTabBarView/QVAppKitExtensions.h"

#include "kit/foundation/KeyedArchiver.h"
#include "kit/foundation/KeyedUnarchiver.h"

namespace QVAppKitExtensions {

void setColorForKey(kit::UserDefaults& defaults, kit::Color* color, const QString& key)
{
    if (!color) {
        defaults.setObjectForKey(kit::Value(), key);
        return;
    }
    defaults.setObjectForKey(kit::Value(kit::KeyedArchiver::archivedDataWithRootObject(kit::Value(kit::Ref<kit::Object>(color)))), key);
}

kit::Ref<kit::Color> colorForKey(const kit::UserDefaults& defaults, const QString& key)
{
    const QByteArray data = defaults.dataForKey(key);
    if (data.isEmpty())
        return nullptr;
    QString error;
    return kit::dynamic_pointer_cast<kit::Color>(kit::KeyedUnarchiver::unarchivedObjectOfClass(kit::Color::staticClass(), data, &error));
}

} // namespace QVAppKitExtensions
