#pragma once

// A box: here the separator kind, a one-point sunken line along the box's longer side (the
// style's horizontal or vertical frame line). Other kinds keep their type and title only.

#include "kit/appkit/View.h"
#include "kit/core/Class.h"

#include <QString>

namespace kit {

enum BoxType : int { BoxPrimary = 0, BoxSecondary = 1, BoxSeparator = 2, BoxOldStyle = 3, BoxCustom = 4 };

class Box : public View {
    KIT_CLASS(Box)
public:
    explicit Box(Rect frame = MakeRect(0, 0, 100, 1));

    BoxType boxType() const { return type_; }
    void setBoxType(BoxType type);
    QString title() const { return title_; }
    void setTitle(const QString& title) { title_ = title; }

    // kit::View:
    void drawRect(Rect dirtyRect) override;

private:
    BoxType type_ = BoxSeparator;
    QString title_;
};

} // namespace kit
