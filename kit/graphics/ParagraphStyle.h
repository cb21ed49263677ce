#pragma once

// Paragraph attributes: alignment, line breaking and truncation, line and paragraph spacing,
// indents and tab stops. A value in all but name: isEqual and hash cover every property, so runs
// with equal styles made separately coalesce. String drawing and the text system read the same
// object. Indents and tab locations are measured from one origin, the container's edge plus its
// line fragment padding.

#include "kit/core/Class.h"
#include "kit/core/Object.h"

#include <vector>

namespace kit {

enum TextAlignment : int {
    LeftTextAlignment = 0,
    RightTextAlignment = 1,
    CenterTextAlignment = 2,
    JustifiedTextAlignment = 3,
    NaturalTextAlignment = 4,
};

enum LineBreakMode : int {
    LineBreakByWordWrapping = 0,
    LineBreakByCharWrapping = 1,
    LineBreakByClipping = 2,
    LineBreakByTruncatingHead = 3,
    LineBreakByTruncatingTail = 4,
    LineBreakByTruncatingMiddle = 5,
};

enum TextTabType : int {
    LeftTabStopType = 0,
    RightTabStopType = 1,
    CenterTabStopType = 2,
    DecimalTabStopType = 3,
};

struct TextTab {
    TextTabType type = LeftTabStopType;
    double location = 0;

    TextTab() = default;
    TextTab(TextTabType t, double l)
        : type(t)
        , location(l)
    { }
    TextTabType tabStopType() const { return type; }
    friend bool operator==(const TextTab&, const TextTab&) = default;
};

class ParagraphStyle : public Object {
    KIT_CLASS(ParagraphStyle)
    // Natural alignment, word wrapping, 12 left tabs every 28 pt, interval 0, no indents or spacing.
    static Ref<ParagraphStyle> defaultParagraphStyle() { return make<ParagraphStyle>(); }
    Ref<Object> copy() const override { return mutableCopy(); }
    Ref<ParagraphStyle> mutableCopy() const { return make<ParagraphStyle>(*this); }
    ParagraphStyle();
    ParagraphStyle(const ParagraphStyle& o)
        : Object()
        , p_(o.p_)
    { }
    ParagraphStyle& operator=(const ParagraphStyle& o)
    {
        p_ = o.p_;
        return *this;
    }

    TextAlignment alignment() const { return p_.alignment; }
    void setAlignment(TextAlignment a) { p_.alignment = a; }
    LineBreakMode lineBreakMode() const { return p_.lineBreakMode; }
    void setLineBreakMode(LineBreakMode m) { p_.lineBreakMode = m; }
    double lineSpacing() const { return p_.lineSpacing; }
    void setLineSpacing(double s) { p_.lineSpacing = s; }
    // Below a paragraph's last line.
    double paragraphSpacing() const { return p_.paragraphSpacing; }
    void setParagraphSpacing(double s) { p_.paragraphSpacing = s; }
    double headIndent() const { return p_.headIndent; }
    void setHeadIndent(double i) { p_.headIndent = i; }
    double firstLineHeadIndent() const { return p_.firstLineHeadIndent; }
    void setFirstLineHeadIndent(double i) { p_.firstLineHeadIndent = i; }
    // Positive: from the leading origin; zero or negative: from the trailing margin.
    double tailIndent() const { return p_.tailIndent; }
    void setTailIndent(double i) { p_.tailIndent = i; }
    // Sorted by location on setting.
    const std::vector<TextTab>& tabStops() const { return p_.tabStops; }
    void setTabStops(std::vector<TextTab> tabs);
    void addTabStop(TextTab tab);
    // Past the last stop: the next multiple of this when > 0, else one space.
    double defaultTabInterval() const { return p_.defaultTabInterval; }
    void setDefaultTabInterval(double interval) { p_.defaultTabInterval = interval < 0 ? 0 : interval; }

    bool isEqual(const ParagraphStyle& other) const { return p_ == other.p_; }
    bool isEqual(const Object* other) const override;
    std::size_t hash() const override;

private:
    // Every property lives here, so copying and comparing can never miss one.
    struct Properties {
        TextAlignment alignment = NaturalTextAlignment;
        LineBreakMode lineBreakMode = LineBreakByWordWrapping;
        double lineSpacing = 0;
        double paragraphSpacing = 0;
        double headIndent = 0;
        double firstLineHeadIndent = 0;
        double tailIndent = 0;
        std::vector<TextTab> tabStops;
        double defaultTabInterval = 0;
        friend bool operator==(const Properties&, const Properties&) = default;
    };
    Properties p_;
};

// Kept for the text system's own spelling.
using MutableParagraphStyle = ParagraphStyle;

} // namespace kit
