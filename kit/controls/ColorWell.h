#pragma once

// A colour well and the shared colour panel. Clicking a well makes it the active one (the others
// let go), shows the panel with the well's colour, and from then on every colour the panel
// reports is set into the active wells; a continuous well (the default) sends its action on each,
// another once as it lets go of the panel, if the colour changed. Closing the panel deactivates
// them. The panel shows itself through a presenter: a QColorDialog by default, scripted in tests.

#include "kit/controls/Control.h"
#include "kit/graphics/Color.h"

#include <functional>
#include <memory>
#include <vector>

namespace kit {

class ColorWell;

// Shows and hides the panel's window; reports the user's colours and closing to the panel.
class ColorPanelPresenter {
public:
    virtual ~ColorPanelPresenter() = default;
    virtual void showWithColor(const QColor& color) = 0;
    virtual void setColor(const QColor& color) = 0;
    virtual void close() = 0;
    virtual bool isVisible() const = 0;
};

class ColorPanel : public Object {
    KIT_CLASS(ColorPanel)
public:
    static Ref<ColorPanel> sharedColorPanel();
    // Test-only: no active wells, hidden, the default presenter (or `presenter`).
    static void resetForTesting(std::shared_ptr<ColorPanelPresenter> presenter = nullptr);

    Ref<Color> color() const { return color_; }
    void setColor(Ref<Color> color);
    void orderFront(Object* sender = nullptr);
    void close();
    bool isVisible() const;

    // What the presenter calls.
    void userChoseColor(const QColor& color);
    void userClosedPanel();

private:
    friend class ColorWell;
    ColorPanelPresenter& presenter();
    void activate(ColorWell* well, bool exclusive);
    void deactivate(ColorWell* well);
    std::vector<Ref<ColorWell>> activeWells() const;

    Ref<Color> color_ = Color::whiteColor();
    std::vector<Weak<ColorWell>> active_;
    std::shared_ptr<ColorPanelPresenter> presenter_;
};

// The colour well's cell: clicks never change its state.
class ColorWellCell : public ActionCell {
    KIT_CLASS(ColorWellCell)
public:
    int nextState() const override { return state(); }

    // kit::Accessibility: a colour well valued by its colour's words; press does what a click does.
    // Its name (the tool tip) is also its label, a child of its own: a reader says a colour
    // chooser's label but not its name.
    Value accessibilityAttributeValue(const QString& attribute) const override;
    QStringList accessibilityActionNames() const override;
    void accessibilityPerformAction(const QString& action) override;

private:
    mutable Ref<Object> nameLabel_;
};

class ColorWell : public Control {
    KIT_CLASS(ColorWell)
    KIT_CONTROL_CELL_CLASS(ColorWell, ColorWellCell)
public:
    explicit ColorWell(Rect frame = {});
    ~ColorWell() override;

    Ref<Color> color() const { return color_; }
    void setColor(Ref<Color> color);
    bool isActive() const { return active_; }
    // Makes this well receive the panel's colours; `exclusive` lets the other wells go.
    void activate(bool exclusive);
    void deactivate();
    bool isBordered() const { return bordered_; }
    void setBordered(bool flag);

    // kit::View:
    bool isFlipped() const override { return true; }
    void drawRect(Rect dirtyRect) override;
    void mouseDown(const Event& event) override;
    // What a click does: this well alone receives the panel's colours, and the panel shows.
    void activateAndShowPanel();

private:
    friend class ColorPanel;
    Ref<Color> color_ = Color::whiteColor();
    bool active_ = false;
    bool bordered_ = true;
    bool changedSinceActivation_ = false; // a colour a non-continuous well has not sent yet
};

} // namespace kit
