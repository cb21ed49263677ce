#include "kit/controls/ColorWell.h"

#include "kit/appkit/Accessibility.h"

#include "kit/appkit/Window.h"
#include "kit/controls/CellDrawing.h"

#include <QApplication>
#include <QColorDialog>
#include <QCoreApplication>
#include <QPointer>
#include <QStyle>
#include <QStyleOptionButton>

#include <algorithm>
#include <cmath>
#include <utility>

namespace kit {

KIT_REGISTER_CLASS(ColorPanel, Object) { c.noFactory(); }
KIT_REGISTER_CLASS(ColorWellCell, ActionCell) { c.copyable(); }
KIT_REGISTER_CLASS(ColorWell, Control) { c.property("color", &ColorWell::color, &ColorWell::setColor); }

namespace {

// One shared, non-modal dialog without buttons; its colour changes go to the panel.
class DialogPresenter final : public ColorPanelPresenter {
public:
    ~DialogPresenter() override
    {
        // Widgets may only go while the application lives.
        if (QCoreApplication::instance())
            delete dialog_;
    }
    void showWithColor(const QColor& color) override
    {
        if (!dialog_) {
            dialog_ = new QColorDialog;
            dialog_->setOptions(QColorDialog::NoButtons | QColorDialog::ShowAlphaChannel);
            QObject::connect(
                dialog_, &QColorDialog::currentColorChanged, [](const QColor& c) { ColorPanel::sharedColorPanel()->userChoseColor(c); });
            QObject::connect(dialog_, &QColorDialog::finished, [] { ColorPanel::sharedColorPanel()->userClosedPanel(); });
        }
        setColor(color);
        dialog_->show();
        dialog_->raise();
    }
    void setColor(const QColor& color) override
    {
        if (dialog_ && dialog_->currentColor() != color) {
            const QSignalBlocker quiet(dialog_);
            dialog_->setCurrentColor(color);
        }
    }
    void close() override
    {
        if (dialog_)
            dialog_->hide();
    }
    bool isVisible() const override { return dialog_ && dialog_->isVisible(); }

private:
    QPointer<QColorDialog> dialog_;
};

Ref<ColorPanel>& panelSlot()
{
    static Ref<ColorPanel> panel;
    return panel;
}

} // namespace

Ref<ColorPanel> ColorPanel::sharedColorPanel()
{
    Ref<ColorPanel>& panel = panelSlot();
    if (!panel)
        panel = make<ColorPanel>();
    return panel;
}

void ColorPanel::resetForTesting(std::shared_ptr<ColorPanelPresenter> presenter)
{
    panelSlot() = make<ColorPanel>();
    panelSlot()->presenter_ = std::move(presenter);
}

ColorPanelPresenter& ColorPanel::presenter()
{
    if (!presenter_)
        presenter_ = std::make_shared<DialogPresenter>();
    return *presenter_;
}

void ColorPanel::setColor(Ref<Color> color)
{
    color_ = color ? std::move(color) : Color::whiteColor();
    if (presenter_)
        presenter_->setColor(color_->toQColor());
}

void ColorPanel::orderFront(Object*) { presenter().showWithColor(color_->toQColor()); }

void ColorPanel::close()
{
    if (presenter_)
        presenter_->close();
    userClosedPanel();
}

bool ColorPanel::isVisible() const { return presenter_ && presenter_->isVisible(); }

std::vector<Ref<ColorWell>> ColorPanel::activeWells() const
{
    std::vector<Ref<ColorWell>> wells;
    for (const Weak<ColorWell>& w : active_)
        if (Ref<ColorWell> well = w.lock())
            wells.push_back(std::move(well));
    return wells;
}

void ColorPanel::userChoseColor(const QColor& color)
{
    const Ref<ColorPanel> keep(this);
    color_ = Color::fromQColor(color);
    for (const Ref<ColorWell>& well : activeWells()) {
        well->setColor(color_);
        // A non-continuous well tells its target once, when it lets go of the panel.
        if (well->isContinuous())
            well->sendAction();
        else
            well->changedSinceActivation_ = true;
    }
}

void ColorPanel::userClosedPanel()
{
    for (const Ref<ColorWell>& well : activeWells())
        well->deactivate();
    active_.clear();
}

void ColorPanel::activate(ColorWell* well, bool exclusive)
{
    if (exclusive)
        for (const Ref<ColorWell>& other : activeWells())
            if (other.get() != well)
                other->deactivate();
    const auto present = std::find_if(active_.begin(), active_.end(), [well](const Weak<ColorWell>& w) { return w.unsafeRaw() == well; });
    if (present == active_.end())
        active_.push_back(Weak<ColorWell>(well));
}

void ColorPanel::deactivate(ColorWell* well)
{
    active_.erase(
        std::remove_if(active_.begin(), active_.end(), [well](const Weak<ColorWell>& w) { return w.unsafeRaw() == well || w.expired(); }),
        active_.end());
}

ColorWell::ColorWell(Rect frame)
    : Control(frame, cellClass()())
{
    setContinuous(true);
}

ColorWell::~ColorWell()
{
    if (active_ && panelSlot())
        panelSlot()->deactivate(this);
}

void ColorWell::setColor(Ref<Color> color)
{
    color_ = color ? std::move(color) : Color::whiteColor();
    setNeedsDisplay(true);
}

void ColorWell::activate(bool exclusive)
{
    const Ref<ColorPanel> panel = ColorPanel::sharedColorPanel();
    panel->activate(this, exclusive);
    active_ = true;
    panel->setColor(color_);
    setNeedsDisplay(true);
}

void ColorWell::deactivate()
{
    if (!active_)
        return;
    const Ref<ColorWell> keep(this);
    active_ = false;
    if (panelSlot())
        panelSlot()->deactivate(this);
    setNeedsDisplay(true);
    if (std::exchange(changedSinceActivation_, false))
        sendAction();
}

void ColorWell::setBordered(bool flag)
{
    bordered_ = flag;
    setNeedsDisplay(true);
}

void ColorWell::mouseDown(const Event&) { activateAndShowPanel(); }

void ColorWell::activateAndShowPanel()
{
    if (!isEnabled())
        return;
    const Ref<ColorWell> keep(this);
    activate(true);
    ColorPanel::sharedColorPanel()->orderFront(this);
}

namespace {

// The well's name as a label of its own: a reader says a colour chooser's label, never its name.
class ColorWellNameLabel : public Object, public Accessibility {
public:
    explicit ColorWellNameLabel(ColorWellCell* cell)
        : cell_(cell)
    { }

    QStringList accessibilityAttributeNames() const override
    {
        return { AccessibilityRoleAttribute, AccessibilityRoleDescriptionAttribute, AccessibilityParentAttribute, AccessibilityWindowAttribute,
            AccessibilityTopLevelUIElementAttribute, AccessibilityPositionAttribute, AccessibilitySizeAttribute, AccessibilityValueAttribute };
    }
    Value accessibilityAttributeValue(const QString& attribute) const override
    {
        const Ref<ColorWellCell> cell = cell_.lock();
        const Ref<View> view = cell ? cell->controlView() : nullptr;
        if (!view)
            return {};
        if (attribute == AccessibilityRoleAttribute)
            return Value(AccessibilityStaticTextRole);
        if (attribute == AccessibilityRoleDescriptionAttribute)
            return Value(AccessibilityRoleDescription(AccessibilityStaticTextRole));
        if (attribute == AccessibilityParentAttribute)
            return Value(Ref<Object>(cell));
        if (attribute == AccessibilityValueAttribute)
            return AccessibilityAttributeValue(Value(Ref<Object>(cell)), AccessibilityTitleAttribute);
        if (attribute == AccessibilityTitleAttribute || attribute == AccessibilityHelpAttribute)
            return {};
        // The well has the focus, never its label.
        if (attribute == AccessibilityFocusedAttribute)
            return Value(false);
        return ViewAccessibilityAttributeValue(*view, attribute);
    }

private:
    Weak<ColorWellCell> cell_;
};

} // namespace

Value ColorWellCell::accessibilityAttributeValue(const QString& attribute) const
{
    if (attribute == AccessibilityRoleAttribute)
        return Value(AccessibilityColorWellRole);
    if (attribute == AccessibilityTitleUIElementAttribute || attribute == AccessibilityChildrenAttribute) {
        // Its name wherever it comes from: its own title or tool tip, or one its owner set.
        const Value name = AccessibilityAttributeValue(self(), AccessibilityTitleAttribute);
        if (!name.isString() || name.stringValue().isEmpty())
            return attribute == AccessibilityChildrenAttribute ? Value(Array {}) : Value();
        if (!nameLabel_)
            nameLabel_ = make<ColorWellNameLabel>(const_cast<ColorWellCell*>(this));
        return attribute == AccessibilityChildrenAttribute ? Value(Array { Value(nameLabel_) }) : Value(nameLabel_);
    }
    if (attribute == AccessibilityValueAttribute) {
        const auto* well = dynamic_cast<const ColorWell*>(owningControl().get());
        if (!well || !well->color())
            return {};
        const QColor c = well->color()->toQColor();
        const auto percent = [](double f) { return QString::number(std::lround(f * 100)) + QLatin1Char('%'); };
        QString words = QStringLiteral("red %1, green %2, blue %3").arg(percent(c.redF()), percent(c.greenF()), percent(c.blueF()));
        if (c.alphaF() < 1)
            words += QStringLiteral(", opacity ") + percent(c.alphaF());
        return Value(words);
    }
    return ActionCell::accessibilityAttributeValue(attribute);
}

QStringList ColorWellCell::accessibilityActionNames() const { return { AccessibilityPressAction }; }

void ColorWellCell::accessibilityPerformAction(const QString& action)
{
    if (auto* well = dynamic_cast<ColorWell*>(owningControl().get()); well && action == AccessibilityPressAction)
        well->activateAndShowPanel();
}

void ColorWell::drawRect(Rect)
{
    QPainter* painter = View::currentPainter();
    if (!painter)
        return;
    const Rect b = bounds();
    UprightPainter up(painter, b, true);
    Rect swatch = b;
    if (bordered_) {
        QStyleOptionButton option;
        InitStyleOption(option, this, up.map(b), isEnabled(), false);
        option.state |= active_ ? QStyle::State_Sunken | QStyle::State_On : QStyle::State_Raised;
        QApplication::style()->drawPrimitive(QStyle::PE_PanelButtonBevel, &option, painter);
        swatch = InsetRect(b, 5, 5);
    }
    const QRectF box = up.map(swatch);
    const QColor c = color_->toQColor();
    if (c.alpha() < 255) {
        // Clear and translucent colours over a checkerboard, so they never look like white.
        painter->save();
        painter->setClipRect(box);
        const double cell = 4;
        for (double y = box.top(); y < box.bottom(); y += cell)
            for (double x = box.left(); x < box.right(); x += cell)
                painter->fillRect(
                    QRectF(x, y, cell, cell), (int((x - box.left()) / cell) + int((y - box.top()) / cell)) % 2 ? Qt::lightGray : Qt::white);
        painter->restore();
    }
    painter->fillRect(box, c);
    painter->setPen(QApplication::palette().color(QPalette::Mid));
    painter->drawRect(box.adjusted(0, 0, -1, -1));
    if (const Ref<Cell> c = cell(); c && ShowsFocusRing(this, c->focusRingType()))
        DrawFocusRing(*painter, this, up.map(b));
}

} // namespace kit
