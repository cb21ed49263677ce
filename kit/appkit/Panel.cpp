#include "kit/appkit/Panel.h"

#include "kit/appkit/View.h"

#include <QWidget>

namespace kit {

Panel::Panel(Rect contentRect, unsigned styleMask)
    : Window(contentRect, styleMask)
{
    hostWidget()->setWindowFlag(Qt::Tool);
}

bool Panel::becomesKeyOnPressIn(const View* hit) const { return !keyOnlyIfNeeded_ || (hit && hit->needsPanelToBecomeKey()); }

KIT_REGISTER_CLASS(Panel, Window) { }

} // namespace kit
