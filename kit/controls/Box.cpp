#include "kit/controls/Box.h"

#include "kit/appkit/Window.h"
#include "kit/controls/CellDrawing.h"

#include <QApplication>
#include <QStyle>
#include <QStyleOptionFrame>

namespace kit {

KIT_REGISTER_CLASS(Box, View) { c.property("title", &Box::title, &Box::setTitle); }

Box::Box(Rect frame)
    : View(frame)
{
    setAutoresizingMask(ViewWidthSizable);
}

void Box::setBoxType(BoxType type)
{
    type_ = type;
    setNeedsDisplay(true);
}

void Box::drawRect(Rect)
{
    QPainter* painter = View::currentPainter();
    if (!painter || type_ != BoxSeparator)
        return;
    const Rect b = bounds();
    UprightPainter up(painter, b, isFlipped());
    const bool horizontal = b.width() >= b.height();
    // The style's sunken line is a shade and a light line side by side: a box one point across
    // would show neither, so it gets the shade alone.
    if ((horizontal ? b.height() : b.width()) < 2) {
        painter->fillRect(up.map(b), QApplication::palette().color(QPalette::Mid));
        return;
    }
    QStyleOptionFrame option;
    InitStyleOption(option, this, up.map(b), true, false);
    option.frameShape = horizontal ? QFrame::HLine : QFrame::VLine;
    option.state |= QStyle::State_Sunken;
    option.lineWidth = 1;
    option.midLineWidth = 0;
    QApplication::style()->drawControl(QStyle::CE_ShapedFrame, &option, painter);
}

} // namespace kit
