#pragma once

// The spinning indicator of a busy tab. Stopping it also cancels a start that was requested for
// a later turn (the tab bar restarts indicators after a resize), so a stopped one stays stopped.

#include "kit/controls/ProgressIndicator.h"

class QVProgressIndicator : public kit::ProgressIndicator {
    KIT_CLASS(QVProgressIndicator)
public:
    using kit::ProgressIndicator::ProgressIndicator;

    // Asks for startAnimation on the next turn of the run loop, in the default mode.
    void startAnimationOnNextTurn();

    // kit::ProgressIndicator:
    void stopAnimation(kit::Object* sender = nullptr) override;
};
