#pragma once

// The small spinner of a busy tab. It lays its bar out again only when it sits in a tab bar.

#include "kit/controls/ProgressIndicator.h"

class XTProgressIndicator : public kit::ProgressIndicator {
    KIT_CLASS(XTProgressIndicator)
public:
    explicit XTProgressIndicator(kit::Rect frame = {});
    void setHidden(bool flag) override;
    void startAnimation(kit::Object* sender = nullptr) override;
    // Also cancels a start still waiting for the next pass of the run loop.
    void stopAnimation(kit::Object* sender = nullptr) override;
};
