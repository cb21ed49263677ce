// Keyed archiving of the scope bar: the control's keys first, then the bar's, applied through the
// setters in the order they are read so their side effects come in that order.

#include "SRScopeBar.h"

#include "kit/foundation/Coder.h"

#include <algorithm>

using namespace kit;

namespace {
namespace srbarkeys {
const QString delegate = QStringLiteral("SRScopeBar delegate");
const QString dataSource = QStringLiteral("SRScopeBar dataSource");
const QString groups = QStringLiteral("SRScopeBar groups");
const QString buttonCell = QStringLiteral("SRScopeBar buttonCell");
const QString popUpButtonCell = QStringLiteral("SRScopeBar popUpButtonCell");
const QString overflowPullDownCell = QStringLiteral("SRScopeBar overfloPullDownCell");
const QString minimumButtonWidth = QStringLiteral("SRScopeBar minimumButtonWidth");
const QString minimumPopUpWidth = QStringLiteral("SRScopeBar minimumPopUpWidth");
const QString intercellSpacing = QStringLiteral("SRScopeBar intercellSpacing");
const QString formatter = QStringLiteral("SRScopeBar formatter");
const QString accessoryView = QStringLiteral("SRScopeBar accessoryView");
const QString backgroundGradient = QStringLiteral("SRScopeBar backgroundGradient");
const QString borderColor = QStringLiteral("SRScopeBar borderColor");
const QString separatorColor = QStringLiteral("SRScopeBar separatorColor");
const QString labelColor = QStringLiteral("SRScopeBar labelColor");
const QString autoResizesGroups = QStringLiteral("SRScopeBar autoResizesGroups");
const QString ibInitialized = QStringLiteral("SRScopeBar ibInitialized");
} // namespace srbarkeys
} // namespace

void SRScopeBar::encodeWithCoder(Coder& coder) const
{
    Control::encodeWithCoder(coder);
    coder.encodeConditionalObjectForKey(delegate().get(), srbarkeys::delegate);
    coder.encodeConditionalObjectForKey(dataSource().get(), srbarkeys::dataSource);
    coder.encodeObjectForKey(Value(groups()), srbarkeys::groups);
    coder.encodeObjectForKey(Value(buttonCell_), srbarkeys::buttonCell);
    coder.encodeObjectForKey(Value(popUpButtonCell_), srbarkeys::popUpButtonCell);
    coder.encodeObjectForKey(Value(overflowPullDownCell_), srbarkeys::overflowPullDownCell);
    coder.encodeIntegerForKey(std::int64_t(minimumButtonWidth_), srbarkeys::minimumButtonWidth);
    coder.encodeIntegerForKey(std::int64_t(minimumPopUpWidth_), srbarkeys::minimumPopUpWidth);
    coder.encodeIntegerForKey(std::int64_t(intercellSpacing_), srbarkeys::intercellSpacing);
    if (accessoryView_)
        coder.encodeObjectForKey(Value(accessoryView_), srbarkeys::accessoryView);
    if (backgroundGradient_)
        coder.encodeObjectForKey(Value(backgroundGradient_), srbarkeys::backgroundGradient);
    if (borderColor_)
        coder.encodeObjectForKey(Value(borderColor_), srbarkeys::borderColor);
    if (separatorColor_)
        coder.encodeObjectForKey(Value(separatorColor_), srbarkeys::separatorColor);
    if (labelColor_)
        coder.encodeObjectForKey(Value(labelColor_), srbarkeys::labelColor);
    coder.encodeBoolForKey(autoResizesGroups_, srbarkeys::autoResizesGroups);
    if (formatter_)
        coder.encodeObjectForKey(Value(formatter_), srbarkeys::formatter);
    coder.encodeBoolForKey(ibInitialized_, srbarkeys::ibInitialized);
}

void SRScopeBar::initWithCoder(Coder& coder)
{
    Control::initWithCoder(coder);
    if (coder.containsValueForKey(srbarkeys::delegate))
        setDelegate(coder.decodeObjectForKey(srbarkeys::delegate).object().get());
    if (coder.containsValueForKey(srbarkeys::dataSource))
        setDataSource(coder.decodeObjectForKey(srbarkeys::dataSource).object().get());
    if (coder.containsValueForKey(srbarkeys::groups))
        setGroups(coder.decodeObjectForKey(srbarkeys::groups).array());
    if (const auto cell = dynamic_pointer_cast<ButtonCell>(coder.decodeObjectOfClassForKey(ButtonCell::staticClass(), srbarkeys::buttonCell)))
        setButtonCell(cell.get());
    if (const auto cell = dynamic_pointer_cast<PopUpButtonCell>(coder.decodeObjectOfClassForKey(PopUpButtonCell::staticClass(), srbarkeys::popUpButtonCell)))
        setPopUpButtonCell(cell.get());
    if (const auto cell
        = dynamic_pointer_cast<PopUpButtonCell>(coder.decodeObjectOfClassForKey(PopUpButtonCell::staticClass(), srbarkeys::overflowPullDownCell))) {
        // Menu items keep their images by name only, and the face's name is ours.
        const Ref<MenuItem> face = cell->itemAtIndex(0);
        if (face && !face->image() && overflowPullDownCell_->itemAtIndex(0))
            face->setImage(overflowPullDownCell_->itemAtIndex(0)->image());
        setOverflowPullDownCell(cell.get());
    }
    if (coder.containsValueForKey(srbarkeys::minimumButtonWidth))
        setMinimumButtonWidth(std::uint64_t(std::max<std::int64_t>(0, coder.decodeIntegerForKey(srbarkeys::minimumButtonWidth))));
    if (coder.containsValueForKey(srbarkeys::minimumPopUpWidth))
        setMinimumPopUpWidth(std::uint64_t(std::max<std::int64_t>(0, coder.decodeIntegerForKey(srbarkeys::minimumPopUpWidth))));
    if (coder.containsValueForKey(srbarkeys::intercellSpacing))
        setIntercellSpacing(std::uint64_t(std::max<std::int64_t>(0, coder.decodeIntegerForKey(srbarkeys::intercellSpacing))));
    if (coder.containsValueForKey(srbarkeys::formatter))
        setFormatter(coder.decodeObjectForKey(srbarkeys::formatter).object());
    if (coder.containsValueForKey(srbarkeys::accessoryView))
        setAccessoryView(dynamic_cast<View*>(coder.decodeObjectOfClassForKey(View::staticClass(), srbarkeys::accessoryView).get()));
    if (const auto gradient = dynamic_pointer_cast<Gradient>(coder.decodeObjectOfClassForKey(Gradient::staticClass(), srbarkeys::backgroundGradient)))
        setBackgroundGradient(gradient.get());
    if (const auto color = dynamic_pointer_cast<Color>(coder.decodeObjectOfClassForKey(Color::staticClass(), srbarkeys::borderColor)))
        setBorderColor(color.get());
    if (const auto color = dynamic_pointer_cast<Color>(coder.decodeObjectOfClassForKey(Color::staticClass(), srbarkeys::separatorColor)))
        setSeparatorColor(color.get());
    if (const auto color = dynamic_pointer_cast<Color>(coder.decodeObjectOfClassForKey(Color::staticClass(), srbarkeys::labelColor)))
        setLabelColor(color.get());
    if (coder.containsValueForKey(srbarkeys::autoResizesGroups))
        setAutoResizesGroups(coder.decodeBoolForKey(srbarkeys::autoResizesGroups));
    ibInitialized_ = coder.decodeBoolForKey(srbarkeys::ibInitialized);
}
