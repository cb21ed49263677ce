#include "kit/graphics/Color.h"

#include "kit/core/NotificationCenter.h"
#include "kit/graphics/GraphicsContext.h"
#include "kit/graphics/Image.h"

#include <QEvent>
#include <QGuiApplication>
#include <QPalette>

#include <algorithm>

namespace kit {

Color::Color(QString space, RGBA c)
    : space_(std::move(space))
    , c_(c)
{ }

Color::~Color() = default;

Ref<Image> Color::patternImage() const { return pattern_; }

Ref<Color> makeColor(QString space, double r, double g, double b, double a)
{
    auto clamp = [](double v) { return std::clamp(v, 0.0, 1.0); };
    return Ref<Color>(new Color(std::move(space), { clamp(r), clamp(g), clamp(b), clamp(a) }), adopt);
}

namespace {

// Turns the application's palette-change event into the kit notification.
class PaletteWatcher final : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == QCoreApplication::instance() && event->type() == QEvent::ApplicationPaletteChange)
            NotificationCenter::defaultCenter()->postNotificationNameObject(SystemColorsDidChangeNotification, nullptr);
        return false;
    }
};

} // namespace

void Color::observePaletteChanges()
{
    auto* app = QCoreApplication::instance();
    if (!app || app->findChild<PaletteWatcher*>(QStringLiteral("kitPaletteWatcher"), Qt::FindDirectChildrenOnly))
        return;
    auto* watcher = new PaletteWatcher(app); // owned by the application
    watcher->setObjectName(QStringLiteral("kitPaletteWatcher"));
    app->installEventFilter(watcher);
}

Ref<Color> Color::colorWithCalibratedWhiteAlpha(double w, double a) { return makeColor(CalibratedWhiteColorSpace, w, w, w, a); }
Ref<Color> Color::colorWithDeviceWhiteAlpha(double w, double a) { return makeColor(DeviceWhiteColorSpace, w, w, w, a); }
Ref<Color> Color::colorWithCalibratedRedGreenBlueAlpha(double r, double g, double b, double a)
{
    return makeColor(CalibratedRGBColorSpace, r, g, b, a);
}
Ref<Color> Color::colorWithDeviceRedGreenBlueAlpha(double r, double g, double b, double a)
{
    return makeColor(DeviceRGBColorSpace, r, g, b, a);
}
Ref<Color> Color::colorWithSRGBRedGreenBlueAlpha(double r, double g, double b, double a)
{
    return makeColor(CalibratedRGBColorSpace, r, g, b, a);
}
Ref<Color> Color::fromQColor(const QColor& c) { return makeColor(CalibratedRGBColorSpace, c.redF(), c.greenF(), c.blueF(), c.alphaF()); }

Ref<Color> Color::colorWithPatternImage(const Ref<Image>& image)
{
    if (!image)
        return nullptr;
    auto c = makeColor(PatternColorSpace, 0, 0, 0, 1);
    c->pattern_ = image;
    return c;
}

Ref<Color> Color::blackColor() { return colorWithCalibratedWhiteAlpha(0, 1); }
Ref<Color> Color::whiteColor() { return colorWithCalibratedWhiteAlpha(1, 1); }
Ref<Color> Color::clearColor() { return colorWithCalibratedWhiteAlpha(0, 0); }
Ref<Color> Color::darkGrayColor() { return colorWithCalibratedWhiteAlpha(1.0 / 3.0, 1); }
Ref<Color> Color::grayColor() { return colorWithCalibratedWhiteAlpha(0.5, 1); }
Ref<Color> Color::lightGrayColor() { return colorWithCalibratedWhiteAlpha(2.0 / 3.0, 1); }
Ref<Color> Color::blueColor() { return colorWithCalibratedRedGreenBlueAlpha(0, 0, 1, 1); }
Ref<Color> Color::redColor() { return colorWithCalibratedRedGreenBlueAlpha(1, 0, 0, 1); }

Ref<Color> Color::systemColor(SystemRole role)
{
    auto c = makeColor(NamedColorSpace, 0, 0, 0, 1);
    c->system_ = true;
    c->role_ = role;
    return c;
}

Ref<Color> Color::alternateSelectedControlColor() { return systemColor(SystemRole::AlternateSelectedControl); }
Ref<Color> Color::keyboardFocusIndicatorColor() { return systemColor(SystemRole::KeyboardFocusIndicator); }
Ref<Color> Color::selectedControlColor() { return systemColor(SystemRole::SelectedControl); }
Ref<Color> Color::controlTextColor() { return systemColor(SystemRole::ControlText); }
Ref<Color> Color::textColor() { return systemColor(SystemRole::Text); }
Ref<Color> Color::disabledControlTextColor() { return systemColor(SystemRole::DisabledControlText); }
Ref<Color> Color::windowBackgroundColor() { return systemColor(SystemRole::WindowBackground); }
Ref<Color> Color::windowFrameColor() { return systemColor(SystemRole::WindowFrame); }

Color::RGBA Color::rgba() const
{
    if (!system_)
        return c_;
    const QColor q = toQColor();
    return { q.redF(), q.greenF(), q.blueF(), q.alphaF() };
}

QColor Color::toQColor() const
{
    if (pattern_)
        return QColor(0, 0, 0, 0);
    if (!system_)
        return QColor::fromRgbF(float(c_.r), float(c_.g), float(c_.b), float(c_.a));
    const QPalette p = QGuiApplication::palette();
    switch (role_) {
    case SystemRole::AlternateSelectedControl:
    case SystemRole::KeyboardFocusIndicator:
        return p.color(QPalette::Active, QPalette::Highlight);
    case SystemRole::SelectedControl: {
        const QColor h = p.color(QPalette::Active, QPalette::Highlight), b = p.color(QPalette::Active, QPalette::Base);
        return QColor::fromRgbF((h.redF() + b.redF()) / 2, (h.greenF() + b.greenF()) / 2, (h.blueF() + b.blueF()) / 2, 1);
    }
    case SystemRole::ControlText:
        return p.color(QPalette::Active, QPalette::WindowText);
    case SystemRole::Text:
        return p.color(QPalette::Active, QPalette::Text);
    case SystemRole::DisabledControlText:
        return p.color(QPalette::Disabled, QPalette::WindowText);
    case SystemRole::WindowBackground:
        return p.color(QPalette::Active, QPalette::Window);
    case SystemRole::WindowFrame:
        return p.color(QPalette::Active, QPalette::Dark);
    }
    return Qt::black;
}

Ref<Color> Color::colorWithAlphaComponent(double alpha) const
{
    if (pattern_)
        return nullptr;
    const RGBA c = rgba();
    const QString space = system_ ? CalibratedRGBColorSpace : space_;
    return makeColor(space, c.r, c.g, c.b, alpha);
}

Ref<Color> Color::colorUsingColorSpaceName(const QString& space) const
{
    if (pattern_)
        return nullptr;
    const RGBA c = rgba();
    if (space == CalibratedRGBColorSpace || space == DeviceRGBColorSpace)
        return makeColor(space, c.r, c.g, c.b, c.a);
    if (space == CalibratedWhiteColorSpace || space == DeviceWhiteColorSpace) {
        const double w = whiteComponent();
        return makeColor(space, w, w, w, c.a);
    }
    return nullptr;
}

void Color::getRedGreenBlueAlpha(double* r, double* g, double* b, double* a) const
{
    const RGBA c = rgba();
    if (r)
        *r = c.r;
    if (g)
        *g = c.g;
    if (b)
        *b = c.b;
    if (a)
        *a = c.a;
}

double Color::whiteComponent() const
{
    const RGBA c = rgba();
    if (space_ == CalibratedWhiteColorSpace || space_ == DeviceWhiteColorSpace)
        return c.r;
    return 0.299 * c.r + 0.587 * c.g + 0.114 * c.b;
}

void Color::getWhiteAlpha(double* white, double* alpha) const
{
    if (white)
        *white = whiteComponent();
    if (alpha)
        *alpha = rgba().a;
}

Ref<Color> Color::blendedColorWithFractionOfColor(double f, const Color& other) const
{
    if (pattern_ || other.pattern_)
        return nullptr;
    const RGBA a = rgba(), b = other.rgba();
    auto mix = [f](double x, double y) { return (1 - f) * x + f * y; };
    return makeColor(CalibratedRGBColorSpace, mix(a.r, b.r), mix(a.g, b.g), mix(a.b, b.b), mix(a.a, b.a));
}

Ref<Color> Color::shadowWithLevel(double level) const
{
    const RGBA c = rgba();
    return blendedColorWithFractionOfColor(level, *colorWithCalibratedRedGreenBlueAlpha(0, 0, 0, c.a));
}

Ref<Color> Color::highlightWithLevel(double level) const
{
    const RGBA c = rgba();
    return blendedColorWithFractionOfColor(level, *colorWithCalibratedRedGreenBlueAlpha(1, 1, 1, c.a));
}

void Color::set() const
{
    setFill();
    setStroke();
}

void Color::setFill() const
{
    if (auto* ctx = GraphicsContext::currentContext())
        ctx->setFillColor(Ref<Color>(const_cast<Color*>(this)));
}

void Color::setStroke() const
{
    if (auto* ctx = GraphicsContext::currentContext())
        ctx->setStrokeColor(Ref<Color>(const_cast<Color*>(this)));
}

bool Color::isEqual(const Object* other) const
{
    auto* color = dynamic_cast<const Color*>(other);
    return color && isEqual(*color);
}

std::size_t Color::hash() const
{
    if (pattern_)
        return std::hash<const void*>()(pattern_.get());
    if (system_)
        return std::size_t(role_) + 17;
    return qHash(space_) ^ std::hash<double>()(c_.r + 3 * c_.g + 7 * c_.b + 11 * c_.a);
}

bool Color::isEqual(const Color& o) const
{
    if (pattern_ || o.pattern_)
        return pattern_ == o.pattern_;
    if (system_ || o.system_)
        return system_ == o.system_ && role_ == o.role_;
    return space_ == o.space_ && c_.r == o.c_.r && c_.g == o.c_.g && c_.b == o.c_.b && c_.a == o.c_.a;
}

namespace {

const QString spaceKey = QStringLiteral("colorSpace");
const QString componentsKey = QStringLiteral("components");
const QString nameKey = QStringLiteral("name");

// System colours travel by the name of their factory.
constexpr std::pair<Color::SystemRole, const char*> systemNames[] = {
    { Color::SystemRole::AlternateSelectedControl, "alternateSelectedControlColor" },
    { Color::SystemRole::KeyboardFocusIndicator, "keyboardFocusIndicatorColor" },
    { Color::SystemRole::SelectedControl, "selectedControlColor" },
    { Color::SystemRole::ControlText, "controlTextColor" },
    { Color::SystemRole::Text, "textColor" },
    { Color::SystemRole::DisabledControlText, "disabledControlTextColor" },
    { Color::SystemRole::WindowBackground, "windowBackgroundColor" },
    { Color::SystemRole::WindowFrame, "windowFrameColor" },
};

bool isWhiteSpace(const QString& space) { return space == CalibratedWhiteColorSpace || space == DeviceWhiteColorSpace; }
bool isRGBSpace(const QString& space) { return space == CalibratedRGBColorSpace || space == DeviceRGBColorSpace; }

} // namespace

void Color::encodeWithCoder(Coder& coder) const
{
    if (pattern_) {
        coder.encodeObjectForKey(Value(PatternColorSpace), spaceKey);
        return;
    }
    if (system_) {
        coder.encodeObjectForKey(Value(NamedColorSpace), spaceKey);
        for (const auto& [role, name] : systemNames)
            if (role == role_)
                coder.encodeObjectForKey(Value(QString::fromLatin1(name)), nameKey);
        return;
    }
    // Colours made from sRGB or a QColor are calibrated RGB here.
    const QString space = isWhiteSpace(space_) || isRGBSpace(space_) ? space_ : CalibratedRGBColorSpace;
    coder.encodeObjectForKey(Value(space), spaceKey);
    coder.encodeObjectForKey(isWhiteSpace(space) ? Value(Array { c_.r, c_.a }) : Value(Array { c_.r, c_.g, c_.b, c_.a }), componentsKey);
}

void Color::initWithCoder(Coder& coder)
{
    const QString space = coder.decodeObjectForKey(spaceKey).stringValue();
    if (space == NamedColorSpace) {
        const QString name = coder.decodeObjectForKey(nameKey).stringValue();
        for (const auto& [role, roleName] : systemNames)
            if (name == QLatin1String(roleName)) {
                space_ = NamedColorSpace;
                c_ = {};
                system_ = true;
                role_ = role;
                return;
            }
        coder.failWithError(QStringLiteral("unknown system colour %1").arg(name));
        return;
    }
    if (space == PatternColorSpace)
        return; // the factory's clear colour
    const Array parts = coder.decodeObjectForKey(componentsKey).array();
    const std::int64_t expected = isWhiteSpace(space) ? 2 : isRGBSpace(space) ? 4 : -1;
    if (expected < 0 || parts.count() != expected) {
        coder.failWithError(QStringLiteral("a colour in space %1 with %2 components").arg(space).arg(parts.count()));
        return;
    }
    auto clamp = [&](std::int64_t i) { return std::clamp(parts[i].doubleValue(), 0.0, 1.0); };
    space_ = space;
    c_ = expected == 2 ? RGBA { clamp(0), clamp(0), clamp(0), clamp(1) } : RGBA { clamp(0), clamp(1), clamp(2), clamp(3) };
}

KIT_REGISTER_CLASS(Color, Object)
{
    c.factory([] { return Ref<Object>(makeColor(CalibratedWhiteColorSpace, 0, 0, 0, 0)); });
}

} // namespace kit
