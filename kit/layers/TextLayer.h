#pragma once

// Draws a plain string from the top of its bounds with the kit's string drawing. Its preferred
// frame size is the text's extent, so a constraint layout manager can size it.

#include "kit/graphics/Font.h"
#include "kit/layers/Layer.h"

namespace kit {

inline const QString AlignmentNatural = QStringLiteral("natural");
inline const QString AlignmentLeft = QStringLiteral("left");
inline const QString AlignmentRight = QStringLiteral("right");
inline const QString AlignmentCenter = QStringLiteral("center");
inline const QString AlignmentJustified = QStringLiteral("justified");

inline const QString TruncationNone = QStringLiteral("none");
inline const QString TruncationStart = QStringLiteral("start");
inline const QString TruncationEnd = QStringLiteral("end");
inline const QString TruncationMiddle = QStringLiteral("middle");

class TextLayer : public Layer {
    KIT_CLASS(TextLayer)

    static Ref<TextLayer> layer() { return make<TextLayer>(); }

    QString string() const { return string_; }
    void setString(const QString& string);
    // A kit::Font (its size gives way to fontSize) or a font name; null: the system font.
    Value font() const { return font_; }
    void setFont(const Value& font);
    // 36 by default.
    double fontSize() const { return fontSize_; }
    void setFontSize(double size);
    // Opaque white by default.
    const std::optional<CGColor>& foregroundColor() const { return foregroundColor_; }
    void setForegroundColor(std::optional<CGColor> color);
    QString alignmentMode() const { return alignmentMode_; }
    void setAlignmentMode(const QString& mode);
    bool isWrapped() const { return wrapped_; }
    void setWrapped(bool flag);
    QString truncationMode() const { return truncationMode_; }
    void setTruncationMode(const QString& mode);

    // The extent of the text (unwrapped).
    Size preferredFrameSize() const override;

    // kit::Object:
    void copyTo(Object& copy) const override;

protected:
    void drawOwnContent(GraphicsContext& context, const LayerValues& values, double opacity, const std::array<double, 3>& tint) override;

private:
    Ref<Font> resolvedFont() const;

    QString string_;
    Value font_;
    double fontSize_ = 36;
    std::optional<CGColor> foregroundColor_ = CGColor::getConstantColor(CGColor::Constant::White);
    QString alignmentMode_ = AlignmentNatural;
    bool wrapped_ = false;
    QString truncationMode_ = TruncationNone;
};

} // namespace kit
