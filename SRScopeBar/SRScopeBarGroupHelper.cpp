#include "SRScopeBarGroupHelper.h"

#include "SRScopeBar.h"

#include "kit/appkit/Window.h"
#include "kit/core/Exception.h"
#include "kit/foundation/RunLoop.h"
#include "kit/graphics/GraphicsContext.h"

#include <algorithm>
#include <cmath>

using namespace kit;

KIT_REGISTER_CLASS(SRScopeBarGroupHelper, kit::Object)
{
    c.factory([]() -> Ref<Object> { return SRScopeBarGroupHelper::makeWithoutGroup(); });
    c.action("popUpMenuItemSelected", &SRScopeBarGroupHelper::popUpMenuItemSelected);
}

Ref<SRScopeBarGroupHelper> SRScopeBarGroupHelper::makeWithoutGroup()
{
    throw Exception(SRScopeBarException,
        QStringLiteral("An instance of an SRScopeBarGroupHelper was initialized using init instead of initWithGroup:inScopeBar:"));
}

SRScopeBarGroupHelper::SRScopeBarGroupHelper(SRScopeBarGroup* group, SRScopeBar* bar)
    : scopeBar_(bar)
    , group_(group)
{
    setMainThreadAffine();
}

SRScopeBarGroupHelper::~SRScopeBarGroupHelper() = default;

std::int64_t SRScopeBarGroupHelper::groupIndex() const
{
    const Ref<SRScopeBar> bar = scopeBar();
    const std::int64_t index = bar ? bar->indexOfGroup(group_.get()) : NotFound;
    return index == NotFound ? -1 : index;
}

double SRScopeBarGroupHelper::intercellSpacing() const
{
    const Ref<SRScopeBar> bar = scopeBar();
    return bar ? double(bar->intercellSpacing()) : 0;
}

std::int64_t SRScopeBarGroupHelper::numberOfVisibleObjects() const { return group_->numberOfObjects() - peeled_; }

// Measurements -------------------------------------------------------------------------------------

void SRScopeBarGroupHelper::invalidateMeasurements()
{
    naturalWidths_.clear();
    popUpWidth_ = -1;
    buttonCellHeight_ = -1;
    labelSize_.reset();
    menuItems_.clear();
}

double SRScopeBarGroupHelper::naturalWidth(std::int64_t index)
{
    if (std::size_t(index) < naturalWidths_.size() && naturalWidths_[std::size_t(index)] >= 0)
        return naturalWidths_[std::size_t(index)];
    const Ref<SRScopeBar> bar = scopeBar();
    const Ref<ButtonCell> cell = bar ? bar->preparedButtonCellForGroupObject(groupIndex(), index) : nullptr;
    // A missing cell (no data source) measures as nothing.
    const double width = cell ? cell->cellSize().width : 0;
    if (naturalWidths_.size() <= std::size_t(index))
        naturalWidths_.resize(std::size_t(index) + 1, -1);
    naturalWidths_[std::size_t(index)] = width;
    return width;
}

Size SRScopeBarGroupHelper::labelSize()
{
    if (!labelSize_)
        labelSize_ = group_->attributedLabel().size();
    return *labelSize_;
}

double SRScopeBarGroupHelper::popUpWidth()
{
    if (popUpWidth_ < 0) {
        const Ref<SRScopeBar> bar = scopeBar();
        const Ref<PopUpButtonCell> cell = bar ? bar->preparedPopUpCellForGroup(groupIndex()) : nullptr;
        popUpWidth_ = cell ? cell->cellSize().width : 0;
    }
    return popUpWidth_;
}

double SRScopeBarGroupHelper::buttonCellHeight()
{
    if (buttonCellHeight_ < 0) {
        const Ref<SRScopeBar> bar = scopeBar();
        const Ref<ButtonCell> cell = bar && group_->numberOfObjects() > 0 ? bar->preparedButtonCellForGroupObject(groupIndex(), 0) : nullptr;
        buttonCellHeight_ = cell ? cell->cellSize().height : 0;
    }
    return buttonCellHeight_;
}

double SRScopeBarGroupHelper::maximumButtonWidth()
{
    const double s = intercellSpacing();
    const std::int64_t v = numberOfVisibleObjects();
    double total = 0;
    for (std::int64_t i = 0; i < v; ++i)
        total = std::trunc(total + naturalWidth(i) + s);
    return v > 0 ? total - s : total;
}

double SRScopeBarGroupHelper::minimumButtonWidth()
{
    const double s = intercellSpacing();
    const double least = double(scopeBar()->minimumButtonWidth());
    const std::int64_t v = numberOfVisibleObjects();
    double total = 0;
    for (std::int64_t i = 0; i < v; ++i)
        total += s + std::min(least, std::trunc(naturalWidth(i)));
    return v > 0 ? total - s : total;
}

void SRScopeBarGroupHelper::calculateHeaderWidth()
{
    double width = 0;
    if (group_->showsLabel())
        width += std::trunc(labelSize().width + 1 + 10);
    if (group_->showsSeparator())
        width += 11;
    headerWidth_ = width;
}

void SRScopeBarGroupHelper::calculateMaximumWidth()
{
    if (!listedInBar() || numberOfVisibleObjects() <= 0) {
        maximumWidth_ = 0;
        return;
    }
    maximumWidth_ = group_->isCollapsed() ? std::trunc(popUpWidth() + headerWidth_) : maximumButtonWidth() + headerWidth_;
}

void SRScopeBarGroupHelper::calculateMinimumWidth()
{
    if (!listedInBar() || numberOfVisibleObjects() <= 0) {
        minimumWidth_ = 0;
        return;
    }
    minimumWidth_ = group_->isCollapsed() ? std::min(std::trunc(popUpWidth()), double(scopeBar()->minimumPopUpWidth())) + headerWidth_
                                          : minimumButtonWidth() + headerWidth_;
}

void SRScopeBarGroupHelper::updateGroupDimensions()
{
    calculateHeaderWidth();
    calculateMaximumWidth();
    calculateMinimumWidth();
}

// Geometry -----------------------------------------------------------------------------------------

void SRScopeBarGroupHelper::setFrame(Rect frame)
{
    frame_ = frame;
    recalculateRects();
}

void SRScopeBarGroupHelper::recalculateRects()
{
    if (group_->numberOfObjects() <= 0)
        return;
    Rect button = frame_;
    if (group_->showsSeparator()) {
        separatorRect_ = MakeRect(button.minX(), button.minY(), std::min(1.0, std::max(0.0, button.width())), button.height());
        button.origin.x += separatorRect_.width();
        button.size.width -= separatorRect_.width();
        const double inset = 0.18 * button.height();
        separatorRect_.origin.y += inset;
        separatorRect_.size.height -= 2 * inset;
        if (button.width() >= 10) {
            button.origin.x += 10;
            button.size.width -= 10;
        }
    } else {
        separatorRect_ = ZeroRect;
    }
    if (group_->showsLabel()) {
        const Size label = labelSize();
        const double width = std::min(std::trunc(label.width + 1), std::max(0.0, button.width()));
        labelRect_ = MakeRect(button.minX(), button.minY(), width, button.height());
        button.origin.x += width;
        button.size.width -= width;
        const double inset = (labelRect_.height() - label.height) / 2;
        labelRect_.origin.y += inset;
        labelRect_.size.height -= 2 * inset;
        labelRect_.origin.y += scopeBar() && scopeBar()->isFlipped() ? -1 : 1;
        if (button.width() >= 10) {
            button.origin.x += 10;
            button.size.width -= 10;
        }
    } else {
        labelRect_ = ZeroRect;
    }
    const double inset = (button.height() - buttonCellHeight()) / 2;
    button.origin.y += inset;
    button.size.height -= 2 * inset;
    buttonRect_ = button;
    if (!group_->isCollapsed())
        updateButtonFrames();
}

void SRScopeBarGroupHelper::setItemsToMaximumWidth()
{
    const double s = intercellSpacing();
    double x = buttonRect_.minX();
    for (std::int64_t i = 0; i < numberOfVisibleObjects(); ++i) {
        const double w = naturalWidth(i);
        buttonRects_.push_back(MakeRect(std::trunc(x), buttonRect_.minY(), w, buttonRect_.height()));
        x = std::trunc(x) + w + s;
    }
}

void SRScopeBarGroupHelper::updateButtonFrames()
{
    buttonRects_.clear();
    const std::int64_t v = numberOfVisibleObjects();
    if (v <= 0)
        return;
    if (frame_.width() >= maximumWidth_) {
        setItemsToMaximumWidth();
        return;
    }
    const double s = intercellSpacing();
    const double least = double(scopeBar()->minimumButtonWidth());
    const double excess = std::trunc(maximumWidth_ - headerWidth_ - buttonRect_.width());
    double rest = excess;
    const double range = maximumWidth_ - minimumWidth_;
    double x = buttonRect_.minX();
    for (std::int64_t i = 0; i < v; ++i) {
        const double w = naturalWidth(i);
        double cut = 0;
        if (i + 1 < v) {
            // With nothing to squeeze (range 0) only the last button takes the cut.
            if (range > 0)
                cut = std::trunc(std::floor(std::trunc(w - std::min(least, std::trunc(w))) / range * excess));
            rest -= cut;
        } else {
            cut = rest;
        }
        const double width = std::max(0.0, w - cut);
        buttonRects_.push_back(MakeRect(std::trunc(x), buttonRect_.minY(), width, buttonRect_.height()));
        x = std::trunc(x) + width + s;
    }
}

// Peeling and menus --------------------------------------------------------------------------------

Ref<MenuItem> SRScopeBarGroupHelper::menuItemForObject(std::int64_t index)
{
    const std::int64_t groupIndex = this->groupIndex();
    if (groupIndex < 0)
        return nullptr;
    if (std::size_t(index) < menuItems_.size() && menuItems_[std::size_t(index)]) {
        // Unchanged since the last reload; only the group's place may have moved.
        menuItems_[std::size_t(index)]->setTag(groupIndex);
        return menuItems_[std::size_t(index)];
    }
    const Ref<SRScopeBar> bar = scopeBar();
    const Ref<ButtonCell> cell = bar->preparedButtonCellForGroupObject(groupIndex, index);
    auto item = make<MenuItem>(cell ? cell->title() : QString(), Selector(), QString());
    if (cell)
        item->setImage(cell->image());
    item->setState(group_->selectionIndexes().containsIndex(index) ? OnState : OffState);
    item->setRepresentedObject(group_->objectAtIndex(index));
    // The item knows its group: equal objects may stand in two groups.
    item->setTag(groupIndex);
    if (menuItems_.size() <= std::size_t(index))
        menuItems_.resize(std::size_t(index) + 1);
    menuItems_[std::size_t(index)] = item;
    return item;
}

Ref<Menu> SRScopeBarGroupHelper::menu() const
{
    auto menu = make<Menu>(QString());
    auto* self = const_cast<SRScopeBarGroupHelper*>(this);
    // Copies: the kept items may stand in the overflow menu.
    for (std::int64_t i = 0; i < group_->numberOfObjects(); ++i)
        if (const Ref<MenuItem> item = self->menuItemForObject(i))
            menu->addItem(dynamic_pointer_cast<MenuItem>(item->copy()));
    menu->setAutoenablesItems(false);
    return menu;
}

std::optional<std::vector<Ref<MenuItem>>> SRScopeBarGroupHelper::peelOffNextItem()
{
    if (isPeeled())
        return std::nullopt;
    std::vector<Ref<MenuItem>> items;
    const std::int64_t count = group_->numberOfObjects();
    if (group_->isCollapsed()) {
        peeled_ = count;
        updateGroupDimensions();
        for (std::int64_t i = 0; i < count; ++i)
            if (const Ref<MenuItem> item = menuItemForObject(i))
                items.push_back(item);
    } else {
        ++peeled_;
        updateGroupDimensions();
        if (const Ref<MenuItem> item = menuItemForObject(count - peeled_))
            items.push_back(item);
    }
    return items;
}

// Drawing and tracking areas -----------------------------------------------------------------------

void SRScopeBarGroupHelper::drawGroup()
{
    const Ref<SRScopeBar> bar = scopeBar();
    if (!bar || isPeeled())
        return;
    if (group_->showsSeparator() && bar->separatorColor()) {
        bar->separatorColor()->setFill();
        RectFill(separatorRect_);
    }
    if (group_->showsLabel())
        group_->attributedLabel().drawInRect(labelRect_);
    const std::int64_t index = groupIndex();
    if (group_->isCollapsed()) {
        const Ref<Cell> cell = trackingCell_ ? trackingCell_ : Ref<Cell>(bar->preparedPopUpCellForGroup(index));
        if (cell)
            cell->drawWithFrameInView(buttonRect_, bar.get());
        return;
    }
    const std::int64_t v = std::min<std::int64_t>(numberOfVisibleObjects(), std::int64_t(buttonRects_.size()));
    for (std::int64_t i = 0; i < v; ++i) {
        const bool tracked = i == trackingIndex_ && trackingCell_;
        const Ref<Cell> cell = tracked ? trackingCell_ : Ref<Cell>(bar->preparedButtonCellForGroupObject(index, i));
        // The cell under the mouse keeps its hover, but the selection may have moved since it was made.
        if (tracked)
            cell->setState(group_->selectionIndexes().containsIndex(i) ? OnState : OffState);
        if (cell)
            cell->drawWithFrameInView(buttonRects_[std::size_t(i)], bar.get());
    }
}

void SRScopeBarGroupHelper::addTrackingAreas()
{
    const Ref<SRScopeBar> bar = scopeBar();
    if (!bar || isPeeled())
        return;
    const std::uint64_t options = TrackingMouseEnteredAndExited | TrackingActiveInActiveApp;
    if (group_->isCollapsed()) {
        bar->addTrackingArea(make<TrackingArea>(buttonRect_, options, bar.get()).get());
        return;
    }
    const std::int64_t v = std::min<std::int64_t>(numberOfVisibleObjects(), std::int64_t(buttonRects_.size()));
    for (std::int64_t i = 0; i < v; ++i)
        bar->addTrackingArea(make<TrackingArea>(buttonRects_[std::size_t(i)], options, bar.get()).get());
}

// Events -------------------------------------------------------------------------------------------

void SRScopeBarGroupHelper::clearTracking()
{
    trackingCell_ = nullptr;
    trackingIndex_ = -1;
}

void SRScopeBarGroupHelper::makePopUpTrackingCell()
{
    const Ref<SRScopeBar> bar = scopeBar();
    const Ref<PopUpButtonCell> cell = bar ? bar->preparedPopUpCellForGroup(groupIndex()) : nullptr;
    if (cell)
        cell->setTarget(this);
    trackingCell_ = cell;
}

void SRScopeBarGroupHelper::mouseEntered(const Event& event)
{
    const Ref<SRScopeBar> bar = scopeBar();
    if (!bar || groupIndex() < 0)
        return;
    const Point p = bar->convertPointFromView(event.locationInWindow(), nullptr);
    if (group_->isCollapsed()) {
        if (!bar->mouseInRect(p, buttonRect_))
            return;
        makePopUpTrackingCell();
    } else {
        const std::int64_t v = std::min<std::int64_t>(numberOfVisibleObjects(), std::int64_t(buttonRects_.size()));
        std::int64_t found = -1;
        for (std::int64_t i = 0; i < v && found < 0; ++i)
            if (bar->mouseInRect(p, buttonRects_[std::size_t(i)]))
                found = i;
        if (found < 0)
            return;
        trackingIndex_ = found;
        trackingCell_ = bar->preparedButtonCellForGroupObject(groupIndex(), found);
    }
    if (trackingCell_)
        trackingCell_->mouseEntered(event);
    bar->setNeedsDisplay(true);
}

void SRScopeBarGroupHelper::mouseExited(const Event& event)
{
    if (trackingCell_)
        trackingCell_->mouseExited(event);
    clearTracking();
    if (const Ref<SRScopeBar> bar = scopeBar())
        bar->setNeedsDisplay(true);
}

void SRScopeBarGroupHelper::openPopUp(const Ref<PopUpButtonCell>& popUp, SRScopeBar& bar)
{
    if (!popUp)
        return;
    popUp->setMenu(menu());
    popUp->performClickWithFrameInView(buttonRect_, &bar);
}

void SRScopeBarGroupHelper::showPopUpMenu()
{
    const Ref<SRScopeBar> bar = scopeBar();
    if (!bar || !group_->isCollapsed() || isPeeled())
        return;
    const Ref<SRScopeBarGroupHelper> keep(this);
    // Without the pointer over it, the pop-up's cell is made for this menu only.
    const bool made = !trackingCell_;
    if (made)
        makePopUpTrackingCell();
    openPopUp(dynamic_pointer_cast<PopUpButtonCell>(trackingCell_), *bar);
    if (made)
        clearTracking();
    bar->setNeedsDisplay(true);
}

void SRScopeBarGroupHelper::mouseDown(const Event& event)
{
    const Ref<SRScopeBar> bar = scopeBar();
    const Ref<Cell> cell = trackingCell_;
    if (!bar || !cell)
        return;
    const Ref<SRScopeBarGroupHelper> keep(this);
    if (group_->isCollapsed()) {
        bar->pointerChoseElement(group_.get(), SRScopeBar::PopUpElementIndex);
        openPopUp(dynamic_pointer_cast<PopUpButtonCell>(cell), *bar);
        return;
    }
    const std::int64_t index = trackingIndex_;
    if (index < 0 || std::size_t(index) >= buttonRects_.size())
        return;
    bar->pointerChoseElement(group_.get(), index);
    const Rect rect = buttonRects_[std::size_t(index)];
    if (!bar->askShouldSelect(group_->objectAtIndex(index)))
        return;
    const Event* current = &event;
    Ref<Event> taken;
    const Ref<Window> window = bar->window();
    while (current->type() != LeftMouseUp) {
        cell->setHighlighted(bar->mouseInRect(bar->convertPointFromView(current->locationInWindow(), nullptr), rect));
        bar->setNeedsDisplay(true);
        taken = window ? window->nextEventMatchingMaskUntilDateInModeDequeue(LeftMouseUpMask | LeftMouseDraggedMask, Date::distantFuture(), EventTrackingRunLoopMode, true)
                       : nullptr;
        if (!taken)
            break;
        current = taken.get();
    }
    cell->setHighlighted(false);
    const bool upInside = current->type() == LeftMouseUp && bar->mouseInRect(bar->convertPointFromView(current->locationInWindow(), nullptr), rect);
    if (upInside && groupIndex() >= 0 && index < group_->numberOfObjects()) {
        group_->didClickObject(index);
        cell->setState(group_->selectionIndexes().containsIndex(index) ? OnState : OffState);
    }
    bar->setNeedsDisplay(true);
}

void SRScopeBarGroupHelper::popUpMenuItemSelected(Object* sender)
{
    const Ref<SRScopeBar> bar = scopeBar();
    Ref<PopUpButtonCell> cell = dynamic_pointer_cast<PopUpButtonCell>(Ref<Object>(sender));
    if (!cell)
        cell = dynamic_pointer_cast<PopUpButtonCell>(trackingCell_);
    const Ref<MenuItem> item = cell ? cell->selectedItem() : nullptr;
    if (!bar || !item)
        return;
    const Ref<SRScopeBarGroupHelper> keep(this);
    const auto mouseOverButton = [&] {
        const Ref<Window> window = bar->window();
        return window && bar->mouseInRect(bar->convertPointFromView(window->mouseLocationOutsideOfEventStream(), nullptr), buttonRect_);
    };
    if (bar->askShouldSelect(item->representedObject())) {
        const std::int64_t index = cell->indexOfItem(item.get());
        if (index >= 0 && index < group_->numberOfObjects())
            group_->didClickObject(index);
        bar->adjustSubviews();
    }
    clearTracking();
    if (mouseOverButton() && groupIndex() >= 0)
        makePopUpTrackingCell();
}
