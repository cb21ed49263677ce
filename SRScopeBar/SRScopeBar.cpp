#include "SRScopeBar.h"

#include "kit/core/Binding.h"
#include "kit/core/Exception.h"
#include "kit/core/NotificationCenter.h"
#include "kit/foundation/Bundle.h"
#include "kit/foundation/NumberFormatter.h"
#include "kit/graphics/Font.h"

#include <cmath>

using namespace kit;

KIT_REGISTER_CLASS(SRScopeBar, kit::Control)
{
    c.bundle("SRScopeBar");
    c.action("overflowPullDownItemSelected", &SRScopeBar::overflowPullDownItemSelected);
    c.property("groups", &SRScopeBar::groups, &SRScopeBar::setGroups);
    c.property("numberOfGroups", &SRScopeBar::numberOfGroups);
    c.dependentKey("numberOfGroups", { "groups" });
    c.property("autoResizesGroups", &SRScopeBar::autoResizesGroups, &SRScopeBar::setAutoResizesGroups);
}

namespace {

[[noreturn]] void srbarRaise(const QString& name, const char* reason) { throw Exception(name, QString::fromLatin1(reason)); }

const QString srbarGroupsKey = QStringLiteral("groups");

Ref<Image> srbarOverflowImage()
{
    const QString path = Bundle::bundleForClass(SRScopeBar::staticClass())->pathForImageResource(QStringLiteral("overflowImage"));
    Ref<Image> image = path.isEmpty() ? nullptr : Image::imageWithContentsOfFile(path);
    // Named, so an archived face item keeps it.
    if (image)
        image->setName(QStringLiteral("overflowImage"));
    return image;
}

QFont srbarTemplateFont() { return Font::boldSystemFontOfSize(12)->qFont(); }

} // namespace

double SRScopeBar::edgeMargin()
{
    static const double margin = std::trunc(Font::systemFontSizeForControlSize(SmallControlSize));
    return margin;
}

SRScopeBar::SRScopeBar(Rect frame)
    : Control(frame)
{
    auto button = make<SRButtonCell>(QString());
    button->setBezelStyle(RecessedBezelStyle);
    button->setButtonType(PushOnPushOffButton);
    button->setControlSize(SmallControlSize);
    button->setFont(srbarTemplateFont());
    button->setShowsBorderOnlyWhileMouseInside(true);
    button->setLineBreakMode(LineBreakByTruncatingTail);
    button->setState(OffState);
    button->setImagePosition(ImageLeft);
    setButtonCell(button.get());

    auto popUp = make<SRPopUpButtonCell>(QString(), false);
    popUp->setBezelStyle(RecessedBezelStyle);
    popUp->setButtonType(PushOnPushOffButton);
    popUp->setArrowPosition(PopUpArrowAtBottom);
    popUp->setControlSize(SmallControlSize);
    popUp->setFont(srbarTemplateFont());
    popUp->setShowsBorderOnlyWhileMouseInside(true);
    popUp->setLineBreakMode(LineBreakByTruncatingTail);
    popUp->setImagePosition(ImageLeft);
    setPopUpButtonCell(popUp.get());

    auto overflow = make<SROverflowPullDownCell>(QString(), true);
    auto menu = make<Menu>(QString());
    menu->setAutoenablesItems(false);
    auto face = make<MenuItem>(QString(), Selector(), QString());
    face->setImage(srbarOverflowImage());
    menu->addItem(face);
    overflow->setMenu(menu);
    setOverflowPullDownCell(overflow.get());

    backgroundGradient_ = Gradient::gradientWithStartingColorEndingColor(
        Color::colorWithCalibratedWhiteAlpha(0.8, 1), Color::colorWithCalibratedWhiteAlpha(0.94, 1));
    borderColor_ = Color::colorWithCalibratedWhiteAlpha(0.6, 1);
    separatorColor_ = Color::colorWithCalibratedWhiteAlpha(0.46, 1);
    labelColor_ = Color::colorWithCalibratedWhiteAlpha(0.46, 1);
}

SRScopeBar::~SRScopeBar()
{
    stopObservingDelegate();
    for (const auto& helper : groups_)
        if (helper->group()->scopeBar().get() == this || !helper->group()->scopeBar())
            helper->group()->setScopeBar(nullptr);
}

// Groups -------------------------------------------------------------------------------------------

Array SRScopeBar::groups() const
{
    Array result;
    for (const auto& helper : groups_)
        result.addObject(Value(helper->group()));
    return result;
}

void SRScopeBar::setGroups(const Array& groups)
{
    const Ref<SRScopeBar> keep(this);
    willChangeValueForKey(srbarGroupsKey);
    for (const auto& helper : groups_) {
        // The replaced groups are no longer listed, exactly as after removeGroupAtIndex.
        helper->group()->setScopeBar(nullptr);
        helper->clearTracking();
    }
    groups_.clear();
    renumberGroups();
    trackingGroup_ = nullptr;
    didChangeValueForKey(srbarGroupsKey);
    adjustSubviews();
    for (std::int64_t i = 0; i < groups.count(); ++i) {
        const Ref<SRScopeBarGroup> group = groups[i].objectAs<SRScopeBarGroup>();
        if (!group)
            srbarRaise(InvalidArgumentException, "SRScopeBar:setGroups: element in array not of class SRScopeBarGroup");
        addGroup(group.get());
    }
}

Ref<SRScopeBarGroup> SRScopeBar::addGroup()
{
    auto group = make<SRScopeBarGroup>();
    if (numberOfGroups() == 0)
        group->setShowsSeparator(false);
    addGroup(group.get());
    return group;
}

void SRScopeBar::insertGroupAtIndex(SRScopeBarGroup* group, std::int64_t index)
{
    if (!group)
        srbarRaise(InvalidArgumentException, "SRScopeBar:insertGroup:atIndex: group is nil");
    if (index < 0 || index > numberOfGroups())
        srbarRaise(RangeException, "SRScopeBar:insertGroup:atIndex: groupIndex invalid");
    const Ref<SRScopeBarGroup> keep(group);
    group->setScopeBar(this);
    auto helper = make<SRScopeBarGroupHelper>(group, this);
    willChangeValueForKey(srbarGroupsKey);
    groups_.insert(groups_.begin() + index, helper);
    renumberGroups();
    didChangeValueForKey(srbarGroupsKey);
    adjustSubviews();
}

void SRScopeBar::removeGroup(SRScopeBarGroup* group)
{
    const std::int64_t index = indexOfGroup(group);
    if (index != NotFound)
        removeGroupAtIndex(index);
}

void SRScopeBar::removeGroupAtIndex(std::int64_t index)
{
    if (index < 0 || index >= numberOfGroups())
        srbarRaise(RangeException, "SRScopeBar:removeGroup:atIndex: groupIndex invalid");
    const Ref<SRScopeBarGroupHelper> helper = groups_[std::size_t(index)];
    willChangeValueForKey(srbarGroupsKey);
    helper->group()->setScopeBar(nullptr);
    helper->clearTracking();
    if (trackingGroup_.lock() == helper)
        trackingGroup_ = nullptr;
    groups_.erase(groups_.begin() + index);
    renumberGroups();
    didChangeValueForKey(srbarGroupsKey);
    adjustSubviews();
}

Ref<SRScopeBarGroup> SRScopeBar::groupAtIndex(std::int64_t index) const
{
    if (index < 0 || index >= numberOfGroups())
        srbarRaise(RangeException, "SRScopeBar:groupAtIndex: groupIndex invalid");
    return groups_[std::size_t(index)]->group();
}

std::int64_t SRScopeBar::indexOfGroup(const SRScopeBarGroup* group) const
{
    const auto it = groupIndexes_.find(group);
    return it == groupIndexes_.end() ? NotFound : it->second;
}

void SRScopeBar::renumberGroups()
{
    groupIndexes_.clear();
    for (std::size_t i = 0; i < groups_.size(); ++i)
        groupIndexes_.emplace(groups_[i]->group().get(), std::int64_t(i));
}

Ref<SRScopeBarGroup> SRScopeBar::groupWithIdentifier(const QString& identifier) const
{
    for (const auto& helper : groups_)
        if (!helper->group()->identifier().isNull() && helper->group()->identifier() == identifier)
            return helper->group();
    return nullptr;
}

Ref<SRScopeBarGroupHelper> SRScopeBar::groupHelperForGroup(const SRScopeBarGroup* group) const
{
    const std::int64_t index = indexOfGroup(group);
    return index == NotFound ? nullptr : groups_[std::size_t(index)];
}

void SRScopeBar::moveGroupWithIndexToIndex(std::int64_t from, std::int64_t to)
{
    if (from < 0 || from >= numberOfGroups())
        srbarRaise(RangeException, "SRScopeBar:moveGroupWithIndex:toIndex: originalIndex invalid");
    if (to < 0 || to >= numberOfGroups())
        srbarRaise(RangeException, "SRScopeBar:moveGroupWithIndex:toIndex: destinationIndex invalid");
    const Ref<SRScopeBarGroupHelper> helper = groups_[std::size_t(from)];
    groups_.erase(groups_.begin() + from);
    groups_.insert(groups_.begin() + to, helper);
    renumberGroups();
    // Every group's data-source index may have changed.
    invalidateAllMeasurements();
    adjustSubviews();
}

void SRScopeBar::reloadData()
{
    const Ref<SRScopeBar> keep(this);
    for (std::size_t i = 0; i < groups_.size(); ++i) {
        const Ref<SRScopeBarGroupHelper> helper = groups_[i];
        helper->invalidateMeasurements();
        helper->updateGroupDimensions();
        resetSelectionForGroup(std::int64_t(i));
    }
    adjustSubviews();
}

void SRScopeBar::reloadDataForGroup(std::int64_t index)
{
    if (index < 0 || index >= numberOfGroups())
        srbarRaise(RangeException, "SRScopeBar:reloadDataForGroup: groupIndex invalid");
    const Ref<SRScopeBar> keep(this);
    const Ref<SRScopeBarGroupHelper> helper = groups_[std::size_t(index)];
    helper->invalidateMeasurements();
    helper->updateGroupDimensions();
    resetSelectionForGroup(index);
    adjustSubviews();
}

void SRScopeBar::adjustSubviews()
{
    groupsNeedUpdate_ = true;
    trackingAreasNeedUpdate_ = true;
    setNeedsDisplay(true);
}

void SRScopeBar::invalidateAllMeasurements()
{
    for (const auto& helper : groups_)
        helper->invalidateMeasurements();
}

void SRScopeBar::resetSelectionForGroup(std::int64_t index)
{
    const Ref<SRScopeBarGroup> group = groups_[std::size_t(index)]->group();
    if (group->groupSelectionStyle() != 0)
        return;
    const IndexSet selection = group->selectionIndexes();
    if (selection.isEmpty()) {
        const std::int64_t count = group->numberOfObjects();
        for (std::int64_t i = 0; i < count; ++i)
            if (askShouldSelect(group->objectAtIndex(i))) {
                group->setSelectionIndexes(IndexSet(i));
                return;
            }
    } else if (selection.count() > 1) {
        group->setSelectionIndexes(IndexSet(selection.firstIndex()));
    }
}

// Prepared cells -----------------------------------------------------------------------------------

QString SRScopeBar::titleForObject(const Value& object) const
{
    if (const auto* f = dynamic_cast<const Formatter*>(formatter_.get()))
        return f->stringForObjectValue(object);
    if (object.isNil())
        return QString();
    return object.isString() ? object.string() : object.description();
}

Ref<Image> SRScopeBar::imageForObject(const SRScopeBarGroup& group, std::int64_t groupIndex, std::int64_t objectIndex) const
{
    if (group.isBound()) {
        const auto images = group.boundImages();
        return images && objectIndex < images->count() ? (*images)[objectIndex].objectAs<Image>() : nullptr;
    }
    const Ref<Object> keep = dataSource();
    SRScopeBarDataSource* source = dataSourceObject();
    return source && dataSourceImplementsImageForObject_ ? source->scopeBarImageForObjectInGroupAtIndex(const_cast<SRScopeBar*>(this), groupIndex, objectIndex)
                                                          : nullptr;
}

Ref<ButtonCell> SRScopeBar::preparedButtonCellForGroupObject(std::int64_t groupIndex, std::int64_t objectIndex) const
{
    if (groupIndex < 0 || groupIndex >= numberOfGroups())
        srbarRaise(RangeException, "SRScopeBar:preparedButtonCellForGroup:object: groupIndex invalid");
    const Ref<SRScopeBarGroup> group = groups_[std::size_t(groupIndex)]->group();
    if (objectIndex < 0 || objectIndex >= group->numberOfObjects())
        srbarRaise(RangeException, "SRScopeBar:preparedButtonCellForGroup:object: objectIndex invalid");
    if (!group->isBound())
        return preparedDataSourceCellForGroupObject(groupIndex, objectIndex);
    auto cell = dynamic_pointer_cast<ButtonCell>(buttonCell_->copy());
    const auto values = group->boundContentValues();
    cell->setTitle(values && objectIndex < values->count() ? (*values)[objectIndex].stringValue() : titleForObject(group->objectAtIndex(objectIndex)));
    if (const auto images = group->boundImages())
        cell->setImage(objectIndex < images->count() ? (*images)[objectIndex].objectAs<Image>() : nullptr);
    cell->setState(group->selectionIndexes().containsIndex(objectIndex) ? OnState : OffState);
    return cell;
}

Ref<ButtonCell> SRScopeBar::preparedDataSourceCellForGroupObject(std::int64_t groupIndex, std::int64_t objectIndex) const
{
    if (!dataSourceObject())
        return nullptr;
    const Ref<SRScopeBarGroup> group = groups_[std::size_t(groupIndex)]->group();
    auto cell = dynamic_pointer_cast<ButtonCell>(buttonCell_->copy());
    cell->setTitle(titleForObject(group->objectAtIndex(objectIndex)));
    cell->setImage(imageForObject(*group, groupIndex, objectIndex));
    cell->setState(group->selectionIndexes().containsIndex(objectIndex) ? OnState : OffState);
    return cell;
}

Ref<PopUpButtonCell> SRScopeBar::preparedPopUpCellForGroup(std::int64_t groupIndex) const
{
    if (groupIndex < 0 || groupIndex >= numberOfGroups())
        srbarRaise(RangeException, "SRScopeBar:preparedPopUpCellForGroup: groupIndex invalid");
    const Ref<SRScopeBarGroup> group = groups_[std::size_t(groupIndex)]->group();
    auto cell = dynamic_pointer_cast<PopUpButtonCell>(popUpButtonCell_->copy());
    auto item = make<MenuItem>(QString(), Selector(), QString());
    item->setState(OnState);
    const IndexSet selection = group->selectionIndexes();
    if (selection.count() >= 2) {
        item->setTitle(group->multipleSelectionPlaceholder());
        cell->setShowsBorderOnlyWhileMouseInside(false);
    } else if (selection.count() == 1) {
        cell->setShowsBorderOnlyWhileMouseInside(false);
        const std::int64_t f = selection.firstIndex();
        if (f < group->numberOfObjects()) {
            const auto values = group->isBound() ? group->boundContentValues() : std::nullopt;
            QString title = values && f < values->count() ? (*values)[f].stringValue() : titleForObject(group->objectAtIndex(f));
            item->setTitle(title.isNull() ? QStringLiteral("") : title);
            item->setImage(imageForObject(*group, groupIndex, f));
        }
    } else {
        item->setTitle(group->noSelectionPlaceholder());
        cell->setShowsBorderOnlyWhileMouseInside(true);
    }
    cell->setMenuItem(item);
    return cell;
}

// Templates and appearance -------------------------------------------------------------------------

Ref<ButtonCell> SRScopeBar::buttonCell() const { return dynamic_pointer_cast<ButtonCell>(buttonCell_->copy()); }

void SRScopeBar::setButtonCell(ButtonCell* cell)
{
    if (!cell)
        return;
    buttonCell_ = dynamic_pointer_cast<ButtonCell>(cell->copy());
    invalidateAllMeasurements();
    adjustSubviews();
}

Ref<PopUpButtonCell> SRScopeBar::popUpButtonCell() const { return dynamic_pointer_cast<PopUpButtonCell>(popUpButtonCell_->copy()); }

void SRScopeBar::setPopUpButtonCell(PopUpButtonCell* cell)
{
    if (!cell)
        return;
    auto copy = dynamic_pointer_cast<PopUpButtonCell>(cell->copy());
    copy->setUsesItemFromMenu(false);
    copy->setAltersStateOfSelectedItem(false);
    copy->setAction(Selector("popUpMenuItemSelected"));
    copy->setAutoenablesItems(false);
    popUpButtonCell_ = copy;
    invalidateAllMeasurements();
    adjustSubviews();
}

void SRScopeBar::setOverflowPullDownCell(PopUpButtonCell* cell)
{
    if (!cell)
        return;
    auto copy = dynamic_pointer_cast<PopUpButtonCell>(cell->copy());
    copy->setTarget(this);
    copy->setAction(Selector("overflowPullDownItemSelected"));
    copy->setAutoenablesItems(false);
    copy->setAltersStateOfSelectedItem(false);
    copy->setUsesItemFromMenu(true);
    // The bar rings its current element itself; the cell would ring whenever the bar has the focus.
    copy->setFocusRingType(FocusRingTypeNone);
    overflowPullDownCell_ = copy;
    adjustSubviews();
}

void SRScopeBar::setAccessoryView(View* view)
{
    if (view == accessoryView_.get())
        return;
    const Ref<View> keep(view);
    if (accessoryView_ && nextKeyView() == accessoryView_)
        setNextKeyView(nullptr);
    for (const Ref<View>& subview : std::vector<Ref<View>>(subviews()))
        subview->removeFromSuperview();
    accessoryView_ = view;
    if (view) {
        addSubview(view);
        // The window's key-view loop passes over a key view's insides: the accessory is named as
        // the stop right after the bar.
        setNextKeyView(view);
    }
    adjustSubviews();
}

void SRScopeBar::setMinimumButtonWidth(std::uint64_t width)
{
    minimumButtonWidth_ = width;
    reloadData();
}

void SRScopeBar::setMinimumPopUpWidth(std::uint64_t width)
{
    minimumPopUpWidth_ = width;
    reloadData();
}

void SRScopeBar::setIntercellSpacing(std::uint64_t spacing)
{
    intercellSpacing_ = spacing;
    reloadData();
}

void SRScopeBar::setFormatter(Ref<Object> formatter)
{
    if (formatter == formatter_)
        return;
    formatter_ = std::move(formatter);
    reloadData();
}

void SRScopeBar::setBackgroundGradient(Gradient* gradient)
{
    const Ref<Gradient> copy = gradient ? dynamic_pointer_cast<Gradient>(gradient->copy()) : nullptr;
    if (copy == backgroundGradient_ || (copy && backgroundGradient_ && copy->isEqual(backgroundGradient_.get())))
        return;
    backgroundGradient_ = copy;
    adjustSubviews();
}

Ref<Color> SRScopeBar::backgroundTopColor() const { return backgroundGradient_ ? backgroundGradient_->interpolatedColorAtLocation(1.0) : nullptr; }
Ref<Color> SRScopeBar::backgroundBottomColor() const { return backgroundGradient_ ? backgroundGradient_->interpolatedColorAtLocation(0.0) : nullptr; }

void SRScopeBar::setBackgroundTopColor(Color* color)
{
    setBackgroundGradient(Gradient::gradientWithStartingColorEndingColor(backgroundBottomColor(), Ref<Color>(color)).get());
}

void SRScopeBar::setBackgroundBottomColor(Color* color)
{
    setBackgroundGradient(Gradient::gradientWithStartingColorEndingColor(Ref<Color>(color), backgroundTopColor()).get());
}

// Delegate and data source -------------------------------------------------------------------------

SRScopeBarDelegate* SRScopeBar::delegateFor(bool implemented) const
{
    if (!implemented)
        return nullptr;
    return dynamic_cast<SRScopeBarDelegate*>(delegate().get());
}

SRScopeBarDataSource* SRScopeBar::dataSourceObject() const { return dynamic_cast<SRScopeBarDataSource*>(dataSource_.lock().get()); }

bool SRScopeBar::askShouldSelect(const Value& object) const
{
    const Ref<Object> keep = delegate();
    SRScopeBarDelegate* d = delegateFor(delegateImplementsShouldSelect_);
    return !d || d->scopeBarShouldSelectObject(const_cast<SRScopeBar*>(this), object);
}

void SRScopeBar::setDelegate(Object* delegate)
{
    if (delegate == this->delegate().get())
        return;
    stopObservingDelegate();
    Control::setDelegate(delegate);
    const bool adopts = dynamic_cast<SRScopeBarDelegate*>(delegate) != nullptr;
    delegateImplementsShouldSelect_ = adopts && delegate->respondsToSelector(Selector("scopeBarShouldSelectObject"));
    delegateImplementsShouldCollapse_ = adopts && delegate->respondsToSelector(Selector("scopeBarShouldCollapseGroup"));
    delegateImplementsShouldExpand_ = adopts && delegate->respondsToSelector(Selector("scopeBarShouldExpandGroup"));
    delegateImplementsDidChange_ = adopts && delegate->respondsToSelector(Selector("scopeBarSelectionDidChange"));
    observeDelegate();
}

void SRScopeBar::observeDelegate()
{
    const Ref<Object> d = delegate();
    if (!d || !delegateImplementsDidChange_ || observingDelegate_)
        return;
    // No object filter: the delegate hears every bar, and tells them apart by the object.
    const Weak<Object> weak(d.get());
    NotificationCenter::defaultCenter()->addObserverSelectorNameObject(
        d.get(),
        [weak](Notification* n) {
            const Ref<Object> strong = weak.lock();
            if (auto* listener = dynamic_cast<SRScopeBarDelegate*>(strong.get()))
                listener->scopeBarSelectionDidChange(n);
        },
        SRScopeBarSelectionDidChangeNotification, nullptr);
    observingDelegate_ = true;
}

void SRScopeBar::stopObservingDelegate()
{
    if (const Ref<Object> d = delegate())
        NotificationCenter::defaultCenter()->removeObserverNameObject(d.get(), SRScopeBarSelectionDidChangeNotification, nullptr);
    observingDelegate_ = false;
}

void SRScopeBar::setDataSource(Object* dataSource)
{
    dataSource_ = dataSource;
    dataSourceImplementsImageForObject_
        = dynamic_cast<SRScopeBarDataSource*>(dataSource) && dataSource->respondsToSelector(Selector("scopeBarImageForObjectInGroupAtIndex"));
    invalidateAllMeasurements();
}

void SRScopeBar::viewWillMoveToSuperview(View* superview)
{
    Control::viewWillMoveToSuperview(superview);
    if (!superview)
        stopObservingDelegate();
}

void SRScopeBar::viewDidMoveToSuperview()
{
    Control::viewDidMoveToSuperview();
    // Back in a view tree (a tab switched back): the delegate hears selection changes again.
    if (superview())
        observeDelegate();
}
