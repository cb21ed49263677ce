#include "kit/controls/ComboBoxCell.h"

#include "kit/appkit/Accessibility.h"
#include "kit/appkit/View.h"
#include "kit/controls/ArchivableValue.h"
#include "kit/controls/CellDrawing.h"
#include "kit/core/Exception.h"
#include "kit/core/NotificationCenter.h"
#include "kit/controls/Control.h"
#include "kit/foundation/NumberFormatter.h"

#include <QApplication>
#include <QStyle>
#include <QStyleOptionComboBox>

#include <cmath>

namespace kit {

KIT_REGISTER_CLASS(ComboBoxCell, TextFieldCell) { c.copyable(); }

namespace {

const QString comboBoxCellItemsKey = QStringLiteral("kit.items");

// The style's option for an editable combo box over `box` (upright coordinates).
QStyleOptionComboBox comboBoxCellOption(View* view, const QRectF& box, bool enabled, bool focusRing)
{
    QStyleOptionComboBox option;
    InitStyleOption(option, view, box, enabled, focusRing);
    option.editable = true;
    option.frame = true;
    return option;
}

} // namespace

ComboBoxCell::ComboBoxCell() = default;

void ComboBoxCell::copyTo(Object& copy) const
{
    TextFieldCell::copyTo(copy);
    auto& c = static_cast<ComboBoxCell&>(copy);
    c.items_ = items_;
    c.selected_ = selected_;
}

void ComboBoxCell::encodeWithCoder(Coder& coder) const
{
    TextFieldCell::encodeWithCoder(coder);
    Array kept;
    for (const Value& item : items_)
        if (detail::isArchivableValue(item))
            kept.addObject(item);
    coder.encodeObjectForKey(Value(kept), comboBoxCellItemsKey);
}

void ComboBoxCell::initWithCoder(Coder& coder)
{
    TextFieldCell::initWithCoder(coder);
    if (const Value v = coder.decodeObjectForKey(comboBoxCellItemsKey); v.isArray())
        items_ = v.array();
    selected_ = -1;
}

Value ComboBoxCell::itemObjectValueAtIndex(std::int64_t index) const { return items_.objectAtIndex(index); }

void ComboBoxCell::addItemWithObjectValue(const Value& object) { items_.addObject(object); }

void ComboBoxCell::addItemsWithObjectValues(const Array& objects) { items_.addObjectsFromArray(objects); }

void ComboBoxCell::insertItemWithObjectValueAtIndex(const Value& object, std::int64_t index)
{
    items_.insertObjectAtIndex(object, index);
    if (selected_ >= index)
        ++selected_;
}

void ComboBoxCell::removeItemAtIndex(std::int64_t index)
{
    items_.removeObjectAtIndex(index);
    if (selected_ == index)
        selected_ = -1;
    else if (selected_ > index)
        --selected_;
}

void ComboBoxCell::removeAllItems()
{
    items_.removeAllObjects();
    selected_ = -1;
}

QString ComboBoxCell::itemTextAtIndex(std::int64_t index) const
{
    const Value& item = items_.objectAtIndex(index);
    if (const Formatter* f = valueFormatter()) {
        const QString text = f->stringForObjectValue(item);
        if (!text.isNull())
            return text;
    }
    return plainStringForValue(item);
}

std::int64_t ComboBoxCell::indexOfItemWithText(const QString& text) const
{
    for (std::int64_t i = 0; i < items_.count(); ++i)
        if (itemTextAtIndex(i) == text)
            return i;
    return -1;
}

Value ComboBoxCell::objectValueOfSelectedItem() const { return selected_ >= 0 ? items_.objectAtIndex(selected_) : Value(); }

void ComboBoxCell::selectItemAtIndex(std::int64_t index)
{
    if (index < 0 || index >= items_.count())
        Exception::raise(RangeException, QStringLiteral("-[ComboBoxCell selectItemAtIndex:]: index %1 beyond bounds [0 .. %2]").arg(index).arg(items_.count() - 1));
    const Ref<ComboBoxCell> keep(this);
    TextFieldCell::setObjectValue(items_.objectAtIndex(index));
    selected_ = index;
    const Ref<Control> control = owningControl();
    NotificationCenter::defaultCenter()->postNotificationNameObjectUserInfo(
        ComboBoxSelectionDidChangeNotification, control ? static_cast<Object*>(control.get()) : static_cast<Object*>(this), {});
}

void ComboBoxCell::deselectItemAtIndex(std::int64_t index)
{
    if (index == selected_)
        selected_ = -1;
}

void ComboBoxCell::setObjectValue(const Value& value)
{
    TextFieldCell::setObjectValue(value);
    if (selected_ >= 0 && (selected_ >= items_.count() || stringValue() != itemTextAtIndex(selected_)))
        selected_ = -1;
}

Size ComboBoxCell::cellSizeForBounds(Rect bounds) const
{
    const Size text = TextFieldCell::cellSizeForBounds(bounds);
    QStyleOptionComboBox option = comboBoxCellOption(controlView().get(), QRectF(0, 0, text.width, text.height), isEnabled(), false);
    const QSize s = QApplication::style()->sizeFromContents(
        QStyle::CT_ComboBox, &option, QSize(int(std::ceil(text.width)), int(std::ceil(text.height))));
    return { double(s.width()), double(s.height()) };
}

Rect ComboBoxCell::drawingRectForBounds(Rect bounds) const
{
    if (!isBezeled())
        return TextFieldCell::drawingRectForBounds(bounds);
    const View* view = controlView().get();
    const bool flipped = view && view->isFlipped();
    QStyleOptionComboBox option = comboBoxCellOption(controlView().get(), VisualRect(bounds, bounds, flipped), isEnabled(), false);
    return ViewRect(QRectF(QApplication::style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField)), bounds, flipped);
}

Rect ComboBoxCell::arrowRectForBounds(Rect bounds) const
{
    const View* view = controlView().get();
    const bool flipped = view && view->isFlipped();
    QStyleOptionComboBox option = comboBoxCellOption(controlView().get(), VisualRect(bounds, bounds, flipped), isEnabled(), false);
    return ViewRect(QRectF(QApplication::style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxArrow)), bounds, flipped);
}

void ComboBoxCell::drawWithFrameInView(Rect cellFrame, View* view)
{
    if (!isBezeled()) {
        TextFieldCell::drawWithFrameInView(cellFrame, view);
        return;
    }
    if (QPainter* painter = View::currentPainter()) {
        UprightPainter up(painter, cellFrame, view && view->isFlipped());
        QStyleOptionComboBox option = comboBoxCellOption(view, up.map(cellFrame), isEnabled(), focusRingType() != FocusRingTypeNone);
        if (showsEditingFocus(view))
            option.state |= QStyle::State_HasFocus | QStyle::State_KeyboardFocusChange;
        option.subControls = QStyle::SC_ComboBoxFrame | QStyle::SC_ComboBoxEditField | QStyle::SC_ComboBoxArrow;
        if (isHighlighted()) {
            option.state |= QStyle::State_On | QStyle::State_Sunken;
            option.activeSubControls = QStyle::SC_ComboBoxArrow;
        }
        QApplication::style()->drawComplexControl(QStyle::CC_ComboBox, &option, painter);
    }
    drawInteriorWithFrameInView(cellFrame, view);
}

Value ComboBoxCell::accessibilityAttributeValue(const QString& attribute) const
{
    if (isEditable() && attribute == AccessibilityRoleAttribute)
        return Value(AccessibilityComboBoxRole);
    if (isEditable() && attribute == AccessibilityRoleDescriptionAttribute)
        return Value(QStringLiteral("combo box"));
    return TextFieldCell::accessibilityAttributeValue(attribute);
}

} // namespace kit
