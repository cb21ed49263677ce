#include "kit/graphics/Font.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QGuiApplication>

#include <cmath>

namespace kit {

namespace {

QFont makeFont(const QString& family, double size, bool bold)
{
    QFont f(family);
    // Pixel sizes are whole; only a host's size override can be fractional, and it rounds.
    f.setPixelSize(ClampedInt(std::round(size), 1));
    f.setBold(bold);
    f.setHintingPreference(QFont::PreferNoHinting);
    return f;
}

} // namespace

KIT_REGISTER_CLASS(Font, Object) { }
KIT_REGISTER_CLASS(FontManager, Object) { }

Font::Font(QFont font, double size)
    : font_(std::move(font))
    , size_(size)
{
    const QFontMetricsF metrics(font_);
    ascent_ = metrics.ascent();
    descent_ = metrics.descent();
    leading_ = std::max(0.0, metrics.leading());
}

bool Font::isEqual(const Object* other) const
{
    auto* font = dynamic_cast<const Font*>(other);
    return font && isEqual(*font);
}

std::size_t Font::hash() const { return qHash(font_.family()) ^ std::hash<double>()(size_); }

QString Font::generalFamily()
{
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return QGuiApplication::font().family();
    return QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
}

Ref<Font> Font::fromQFont(const QFont& font, double size)
{
    QFont f = font;
    f.setPixelSize(ClampedInt(std::round(size), 1));
    return Ref<Font>(new Font(std::move(f), size), adopt);
}

Ref<Font> Font::systemFontOfSize(double size)
{
    const double s = size > 0 ? size : systemFontSize();
    return Ref<Font>(new Font(makeFont(generalFamily(), s, false), s), adopt);
}

Ref<Font> Font::boldSystemFontOfSize(double size)
{
    const double s = size > 0 ? size : systemFontSize();
    return Ref<Font>(new Font(makeFont(generalFamily(), s, true), s), adopt);
}

Ref<Font> Font::labelFontOfSize(double size) { return systemFontOfSize(size > 0 ? size : labelFontSize()); }

Ref<Font> Font::controlContentFontOfSize(double size) { return systemFontOfSize(size); }

Ref<Font> Font::fontWithNameSize(const QString& name, double size)
{
    const double s = size > 0 ? size : systemFontSize();
    // "Family-Bold" style names keep their weight.
    QString family = name;
    bool bold = false;
    if (family.endsWith(QStringLiteral("-Bold"))) {
        family.chop(5);
        bold = true;
    }
    QFont f = makeFont(family, s, bold);
    if (!QFontInfo(f).exactMatch() && QFontInfo(f).family() != family)
        f = makeFont(generalFamily(), s, bold);
    return Ref<Font>(new Font(std::move(f), s), adopt);
}

double Font::systemFontSizeForControlSize(ControlSize size)
{
    switch (size) {
    case SmallControlSize:
        return 11;
    case MiniControlSize:
        return 9;
    case RegularControlSize:
        break;
    }
    return 13;
}

QString Font::fontName() const { return font_.bold() ? font_.family() + QStringLiteral("-Bold") : font_.family(); }
double Font::capHeight() const { return QFontMetricsF(font_).capHeight(); }
double Font::xHeight() const { return QFontMetricsF(font_).xHeight(); }
double Font::defaultLineHeightForFont() const { return ascender() - descender() + leading(); }

Ref<FontManager> FontManager::sharedFontManager()
{
    static const Ref<FontManager> shared = make<FontManager>();
    return shared;
}

Ref<Font> FontManager::convertFontToHaveTrait(const Ref<Font>& font, unsigned trait) const
{
    if (!font)
        return nullptr;
    QFont f = font->qFont();
    if (trait & BoldFontMask)
        f.setBold(true);
    if (trait & ItalicFontMask)
        f.setItalic(true);
    if (trait & UnboldFontMask)
        f.setBold(false);
    if (trait & UnitalicFontMask)
        f.setItalic(false);
    return Font::fromQFont(f, font->pointSize());
}

Ref<Font> FontManager::convertFontToNotHaveTrait(const Ref<Font>& font, unsigned trait) const
{
    unsigned inverse = 0;
    if (trait & BoldFontMask)
        inverse |= UnboldFontMask;
    if (trait & ItalicFontMask)
        inverse |= UnitalicFontMask;
    return convertFontToHaveTrait(font, inverse);
}

unsigned FontManager::traitsOfFont(const Font& font) const
{
    return (font.isBold() ? unsigned(BoldFontMask) : 0u) | (font.isItalic() ? unsigned(ItalicFontMask) : 0u);
}

} // namespace kit
