#include "gallery/pages/ControlsPage.h"

#include "kit/controls/Button.h"
#include "kit/controls/ColorWell.h"
#include "kit/controls/LevelIndicator.h"
#include "kit/controls/PopUpButton.h"
#include "kit/controls/ProgressIndicator.h"
#include "kit/controls/Stepper.h"
#include "kit/graphics/Image.h"

namespace {

using namespace kit;

Ref<Button> button(View* content, Rect frame, const QString& title, ButtonType type)
{
    auto b = make<Button>(frame);
    b->setButtonType(type);
    b->setTitle(title);
    content->addSubview(b.get());
    return b;
}

} // namespace

Ref<View> makeControlsPage(Rect frame)
{
    // Rows from the top of the page (y up).
    const auto row
        = [height = frame.height()](double top, double x, double w, double h) { return MakeRect(16 + x, height - 16 - top - h, w, h); };
    auto content = make<View>(frame);
    View* v = content.get();

    // Push buttons: regular, default, disabled, square.
    button(v, row(16, 16, 100, 30), "Push", MomentaryPushInButton);
    button(v, row(16, 124, 100, 30), "Default", MomentaryPushInButton)->setKeyEquivalent("\r");
    button(v, row(16, 232, 100, 30), "Disabled", MomentaryPushInButton)->setEnabled(false);
    button(v, row(16, 340, 100, 30), "Square", MomentaryPushInButton)->setBezelStyle(RegularSquareBezelStyle);
    auto onOff = button(v, row(16, 448, 96, 30), "On/Off", PushOnPushOffButton);
    onOff->setBezelStyle(RecessedBezelStyle);
    onOff->setState(OnState);

    // Checkboxes and radios.
    const int states[] = { OffState, OnState, MixedState };
    const char* names[] = { "Off", "On", "Mixed" };
    for (int i = 0; i < 3; ++i) {
        auto box = button(v, row(64, 16 + 124 * i, 116, 20), QStringLiteral("Check %1").arg(names[i]), SwitchButton);
        box->setAllowsMixedState(true);
        box->setState(states[i]);
    }
    button(v, row(64, 388, 100, 20), "Disabled", SwitchButton)->setEnabled(false);
    for (int i = 0; i < 2; ++i)
        button(v, row(92, 16 + 110 * i, 100, 20), QStringLiteral("Radio %1").arg(i + 1), RadioButton)
            ->setState(i == 0 ? OnState : OffState);

    // Textured and small square image buttons with template images.
    int x = 16;
    for (const QString& name : { ImageNameAddTemplate, ImageNameRemoveTemplate }) {
        auto b = button(v, row(124, x, 24, 22), {}, MomentaryPushInButton);
        b->setBezelStyle(x == 16 ? TexturedSquareBezelStyle : SmallSquareBezelStyle);
        b->setImage(Image::imageNamed(name));
        b->setImagePosition(ImageOnly);
        x += 32;
    }
    auto hover = button(v, row(124, 96, 90, 22), "Recessed", PushOnPushOffButton);
    hover->setBezelStyle(RecessedBezelStyle);

    // Pop-up and pull-down.
    auto popUp = make<PopUpButton>(row(160, 16, 150, 26));
    popUp->addItemsWithTitles({ "Pop-up choice", "Second", "Third" });
    v->addSubview(popUp.get());
    auto pullDown = make<PopUpButton>(row(160, 180, 150, 26), true);
    pullDown->addItemsWithTitles({ "Pull-down", "Copy", "Paste" });
    v->addSubview(pullDown.get());
    auto disabledPopUp = make<PopUpButton>(row(160, 344, 150, 26));
    disabledPopUp->addItemsWithTitles({ "Disabled" });
    disabledPopUp->setEnabled(false);
    v->addSubview(disabledPopUp.get());

    // Steppers.
    auto stepper = make<Stepper>(row(200, 16, 15, 22));
    v->addSubview(stepper.get());
    auto disabledStepper = make<Stepper>(row(200, 40, 15, 22));
    disabledStepper->setEnabled(false);
    v->addSubview(disabledStepper.get());

    // A rating, a colour well and bars.
    auto rating = make<LevelIndicator>(row(200, 80, 80, 16));
    rating->cell()->setEditable(true);
    rating->setIntValue(3);
    v->addSubview(rating.get());
    auto well = make<ColorWell>(row(196, 180, 44, 24));
    well->setColor(Color::colorWithSRGBRedGreenBlueAlpha(0.2, 0.45, 0.8, 1));
    v->addSubview(well.get());
    auto bar = make<ProgressIndicator>(row(240, 16, 200, 16));
    bar->setIndeterminate(false);
    bar->setDoubleValue(40);
    v->addSubview(bar.get());
    auto spinner = make<ProgressIndicator>(row(236, 236, 24, 24));
    spinner->setStyle(ProgressIndicatorSpinningStyle);
    spinner->startAnimation();
    v->addSubview(spinner.get());
    return content;
}
