#pragma once

// Immutable colours. Calibrated, device and generic spaces are all sRGB; system colours are looked
// up in the application palette each time they are used, so a palette change shows at the next
// draw; pattern colours tile an image from the context's pattern phase.

#include "kit/core/Class.h"
#include "kit/core/Object.h"
#include "kit/foundation/Coder.h"

#include <QColor>
#include <QString>

namespace kit {

class Image;

inline const QString CalibratedWhiteColorSpace = QStringLiteral("NSCalibratedWhiteColorSpace");
inline const QString CalibratedRGBColorSpace = QStringLiteral("NSCalibratedRGBColorSpace");
inline const QString DeviceWhiteColorSpace = QStringLiteral("NSDeviceWhiteColorSpace");
inline const QString DeviceRGBColorSpace = QStringLiteral("NSDeviceRGBColorSpace");
inline const QString NamedColorSpace = QStringLiteral("NSNamedColorSpace");
inline const QString PatternColorSpace = QStringLiteral("NSPatternColorSpace");

// Posted (by the application object) when the palette changes.
inline const QString SystemColorsDidChangeNotification = QStringLiteral("NSSystemColorsDidChangeNotification");

enum ControlTint : int { DefaultControlTint = 0, BlueControlTint = 1, GraphiteControlTint = 6, ClearControlTint = 7 };

// Archivable: components and space name, system colours by name. A pattern colour keeps only
// its space name and decodes as the clear colour (the image is not archived).
class Color : public Object, public Coding {
    KIT_CLASS(Color)
    ~Color() override;
    enum class SystemRole {
        AlternateSelectedControl,
        KeyboardFocusIndicator,
        SelectedControl,
        ControlText,
        Text,
        DisabledControlText,
        WindowBackground,
        WindowFrame,
    };

    static Ref<Color> colorWithCalibratedWhiteAlpha(double white, double alpha);
    static Ref<Color> colorWithDeviceWhiteAlpha(double white, double alpha);
    static Ref<Color> colorWithCalibratedRedGreenBlueAlpha(double r, double g, double b, double a);
    static Ref<Color> colorWithDeviceRedGreenBlueAlpha(double r, double g, double b, double a);
    static Ref<Color> colorWithSRGBRedGreenBlueAlpha(double r, double g, double b, double a);
    static Ref<Color> colorWithPatternImage(const Ref<Image>& image);
    static Ref<Color> fromQColor(const QColor& c);

    static Ref<Color> blackColor();
    static Ref<Color> whiteColor();
    static Ref<Color> clearColor();
    static Ref<Color> darkGrayColor();
    static Ref<Color> grayColor();
    static Ref<Color> lightGrayColor();
    static Ref<Color> blueColor();
    static Ref<Color> redColor();

    static Ref<Color> alternateSelectedControlColor();
    static Ref<Color> keyboardFocusIndicatorColor();
    static Ref<Color> selectedControlColor();
    static Ref<Color> controlTextColor();
    static Ref<Color> textColor();
    static Ref<Color> disabledControlTextColor();
    static Ref<Color> windowBackgroundColor();
    static Ref<Color> windowFrameColor();

    // Posts SystemColorsDidChangeNotification (object null) whenever the application palette
    // changes from now on. The application object calls it once at start-up; main thread only.
    static void observePaletteChanges();

    // No user-chosen tint here: always the default, which draws as the blue look.
    static ControlTint currentControlTint() { return DefaultControlTint; }

    const QString& colorSpaceName() const { return space_; }
    Ref<Color> colorWithAlphaComponent(double alpha) const;
    // Null for a pattern colour or an unknown space.
    Ref<Color> colorUsingColorSpaceName(const QString& space) const;

    void getRedGreenBlueAlpha(double* r, double* g, double* b, double* a) const;
    void getWhiteAlpha(double* white, double* alpha) const;
    double redComponent() const { return rgba().r; }
    double greenComponent() const { return rgba().g; }
    double blueComponent() const { return rgba().b; }
    double alphaComponent() const { return rgba().a; }
    double whiteComponent() const;

    // (1 − f)·self + f·other per RGBA component; null when either is a pattern.
    Ref<Color> blendedColorWithFractionOfColor(double fraction, const Color& other) const;
    Ref<Color> shadowWithLevel(double level) const;
    Ref<Color> highlightWithLevel(double level) const;

    // Fill and stroke colour of the current context.
    void set() const;
    void setFill() const;
    void setStroke() const;

    // Same space and components (system colours compare by role, patterns by image identity).
    bool isEqual(const Color& other) const;
    bool isEqual(const Object* other) const override;
    std::size_t hash() const override;
    // Colours are immutable: a copy is the colour itself.
    Ref<Object> copy() const override { return Ref<Object>(const_cast<Color*>(this)); }

    void encodeWithCoder(Coder& coder) const override;
    void initWithCoder(Coder& coder) override;

    Ref<Image> patternImage() const;
    bool isPattern() const { return pattern_ != nullptr; }
    // The colour as drawn now (system colours resolved); transparent for a pattern.
    QColor toQColor() const;

private:
    struct RGBA {
        double r = 0, g = 0, b = 0, a = 1;
    };
    Color(QString space, RGBA c);
    friend Ref<Color> makeColor(QString, double, double, double, double);
    static Ref<Color> systemColor(SystemRole role);
    RGBA rgba() const;

    QString space_;
    RGBA c_;
    bool system_ = false;
    SystemRole role_ = SystemRole::Text;
    Ref<Image> pattern_;
};

// The graphics layer's colour value: sRGB components.
struct CGColor {
    double r = 0, g = 0, b = 0, a = 1;
    static constexpr CGColor createGenericRGB(double r, double g, double b, double a) { return { r, g, b, a }; }
    enum class Constant { Black, White, Clear };
    static constexpr CGColor getConstantColor(Constant c)
    {
        return c == Constant::Black ? CGColor { 0, 0, 0, 1 } : c == Constant::White ? CGColor { 1, 1, 1, 1 } : CGColor { 0, 0, 0, 0 };
    }
    QColor toQColor() const { return QColor::fromRgbF(float(r), float(g), float(b), float(a)); }
    friend bool operator==(const CGColor&, const CGColor&) = default;
};

} // namespace kit
