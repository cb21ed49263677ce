#pragma once

// LOCAL SHIM: the kit has no text field yet. A one-line, read-only text view with a bindable
// "value" stands in for the progress window's two labels; a kit text field retires it.

#include "kit/appkit/View.h"

class JVLProgressTextStandIn : public kit::View {
    KIT_CLASS(JVLProgressTextStandIn)

    explicit JVLProgressTextStandIn(kit::Rect frame = {});

    QString value() const { return value_; }
    void setValue(const QString& value);
    // Points; 13 unless the interface file says "fontSize".
    double fontSize() const { return fontSize_; }
    void setFontSize(double size);

    // kit::View:
    bool isFlipped() const override { return true; }
    void drawRect(kit::Rect dirtyRect) override;
    void initWithCoder(kit::Coder& coder) override;

private:
    QString value_;
    double fontSize_ = 13;
};
