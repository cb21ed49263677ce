#pragma once

// Fonts sized in points, where one point is one device-independent pixel (QFont pixel sizes), so
// text measures the same whatever the screen's DPI. Named families that are not installed fall
// back to the desktop's general font; a font is never missing.

#include "kit/core/Class.h"
#include "kit/core/Object.h"

#include <QFont>
#include <QString>

namespace kit {

enum ControlSize : int { RegularControlSize = 0, SmallControlSize = 1, MiniControlSize = 2 };

enum FontTraitMask : unsigned { ItalicFontMask = 0x1, BoldFontMask = 0x2, UnboldFontMask = 0x4, UnitalicFontMask = 0x1000000 };

class Font : public Object {
    KIT_CLASS(Font)
    // 0 means the default size for that kind of font.
    static Ref<Font> systemFontOfSize(double size);
    static Ref<Font> boldSystemFontOfSize(double size);
    static Ref<Font> labelFontOfSize(double size);
    static Ref<Font> controlContentFontOfSize(double size);
    static Ref<Font> fontWithNameSize(const QString& name, double size);
    static Ref<Font> fromQFont(const QFont& font, double size);

    static double systemFontSize() { return 13; }
    static double smallSystemFontSize() { return 11; }
    static double labelFontSize() { return 10; }
    static double systemFontSizeForControlSize(ControlSize size);
    // The family every unnamed font uses: the application's general font.
    static QString generalFamily();

    double pointSize() const { return size_; }
    QString familyName() const { return font_.family(); }
    QString fontName() const;
    double ascender() const { return ascent_; }
    // Negative: below the baseline.
    double descender() const { return -descent_; }
    double leading() const { return leading_; }
    double capHeight() const;
    double xHeight() const;
    // ascender − descender + leading.
    double defaultLineHeightForFont() const;
    bool isBold() const { return font_.bold(); }
    bool isItalic() const { return font_.italic(); }

    bool isEqual(const Font& other) const { return size_ == other.size_ && font_ == other.font_; }
    bool isEqual(const Object* other) const override;
    std::size_t hash() const override;
    // Fonts are immutable: a copy is the font itself.
    Ref<Object> copy() const override { return Ref<Object>(const_cast<Font*>(this)); }
    const QFont& qFont() const { return font_; }

private:
    // Metrics are read once: fonts are immutable and shared between threads.
    Font(QFont font, double size);
    QFont font_;
    double size_;
    double ascent_ = 0;
    double descent_ = 0;
    double leading_ = 0;
};

class FontManager : public Object {
    KIT_CLASS(FontManager)
    static Ref<FontManager> sharedFontManager();
    Ref<Font> convertFontToHaveTrait(const Ref<Font>& font, unsigned trait) const;
    Ref<Font> convertFontToNotHaveTrait(const Ref<Font>& font, unsigned trait) const;
    unsigned traitsOfFont(const Font& font) const;
};

} // namespace kit
