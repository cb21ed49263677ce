#include "kit/foundation/KeyedArchiver.h"
#include "kit/foundation/KeyedUnarchiver.h"
#include "kit/graphics/AttributedStringCoding.h"

#include <gtest/gtest.h>

namespace {

using kit::AttributedString;
using kit::Color;
using kit::Font;
using kit::Ref;
using kit::StringAttributes;

std::pair<std::optional<AttributedString>, QString> roundTrip(const AttributedString& string)
{
    auto archiver = kit::make<kit::KeyedArchiver>();
    kit::encodeAttributedStringForKey(*archiver, string, QStringLiteral("label"));
    archiver->finishEncoding();
    auto unarchiver = kit::make<kit::KeyedUnarchiver>(archiver->encodedData());
    auto decoded = kit::decodeAttributedStringForKey(*unarchiver, QStringLiteral("label"));
    return { decoded, unarchiver->error() };
}

TEST(AttributedStringCoding, RunsComeBackWithTheirDrawingAttributes)
{
    StringAttributes bold;
    bold.font = Font::boldSystemFontOfSize(11);
    bold.foregroundColor = Color::colorWithCalibratedWhiteAlpha(0.46, 1);
    bold.paragraphStyle = kit::make<kit::ParagraphStyle>();
    bold.paragraphStyle->setAlignment(kit::CenterTextAlignment);
    bold.paragraphStyle->setLineBreakMode(kit::LineBreakByTruncatingTail);
    StringAttributes shadowed;
    shadowed.shadow = kit::make<kit::Shadow>();
    shadowed.shadow->setShadowOffset({ 0, -1 });
    shadowed.shadow->setShadowBlurRadius(2);
    shadowed.shadow->setShadowColor(Color::whiteColor());
    shadowed.foregroundColor = Color::redColor();

    AttributedString s(QStringLiteral("Kind: all"), bold);
    s.setAttributes(shadowed, { 6, 3 });

    const auto [back, error] = roundTrip(s);
    ASSERT_TRUE(back);
    EXPECT_TRUE(error.isEmpty()) << error.toStdString();
    EXPECT_EQ(back->string(), s.string());
    ASSERT_EQ(back->runs().size(), 2u);
    EXPECT_EQ(back->runs()[1].start, 6);

    const StringAttributes first = back->attributesAtIndex(0);
    ASSERT_TRUE(first.font);
    EXPECT_TRUE(first.font->isBold());
    EXPECT_DOUBLE_EQ(first.font->pointSize(), 11);
    ASSERT_TRUE(first.foregroundColor);
    EXPECT_TRUE(first.foregroundColor->isEqual(*bold.foregroundColor));
    ASSERT_TRUE(first.paragraphStyle);
    EXPECT_EQ(first.paragraphStyle->alignment(), kit::CenterTextAlignment);
    EXPECT_EQ(first.paragraphStyle->lineBreakMode(), kit::LineBreakByTruncatingTail);
    EXPECT_FALSE(first.shadow);

    const StringAttributes last = back->attributesAtIndex(7);
    ASSERT_TRUE(last.shadow);
    EXPECT_EQ(last.shadow->shadowOffset(), (kit::Size { 0, -1 }));
    EXPECT_DOUBLE_EQ(last.shadow->shadowBlurRadius(), 2);
    EXPECT_TRUE(last.shadow->shadowColor()->isEqual(*Color::whiteColor()));
    EXPECT_FALSE(last.font);
    // Measured alike: the font came back as it was.
    EXPECT_DOUBLE_EQ(back->attributedSubstringFromRange({ 0, 5 }).size().width, s.attributedSubstringFromRange({ 0, 5 }).size().width);
}

TEST(AttributedStringCoding, PlainAndEmptyStringsRoundTrip)
{
    for (const AttributedString& s : { AttributedString(QStringLiteral("plain")), AttributedString() }) {
        const auto [back, error] = roundTrip(s);
        ASSERT_TRUE(back);
        EXPECT_TRUE(back->isEqualToAttributedString(s));
        EXPECT_TRUE(error.isEmpty());
    }
}

TEST(AttributedStringCoding, MissingKeyIsNoStringAndMalformedOnesFail)
{
    auto missing = kit::make<kit::KeyedUnarchiver>(kit::KeyedArchiver::archivedDataWithRootObject(kit::Value(1)));
    EXPECT_FALSE(kit::decodeAttributedStringForKey(*missing, QStringLiteral("label")));
    EXPECT_TRUE(missing->error().isEmpty());

    auto archiver = kit::make<kit::KeyedArchiver>();
    archiver->encodeObjectForKey(kit::Value(QStringLiteral("just text")), QStringLiteral("label"));
    kit::Dictionary run;
    run.setObjectForKey(kit::Value(2), QStringLiteral("location"));
    run.setObjectForKey(kit::Value(50), QStringLiteral("length"));
    kit::Dictionary outside;
    outside.setObjectForKey(kit::Value(QStringLiteral("abc")), QStringLiteral("string"));
    outside.setObjectForKey(kit::Value(kit::Array { kit::Value(run) }), QStringLiteral("runs"));
    archiver->encodeObjectForKey(kit::Value(outside), QStringLiteral("outside"));
    archiver->finishEncoding();

    auto wrongKind = kit::make<kit::KeyedUnarchiver>(archiver->encodedData());
    EXPECT_FALSE(kit::decodeAttributedStringForKey(*wrongKind, QStringLiteral("label")));
    EXPECT_FALSE(wrongKind->error().isEmpty());

    // A run past the text is dropped; the text stays.
    auto badRun = kit::make<kit::KeyedUnarchiver>(archiver->encodedData());
    const auto s = kit::decodeAttributedStringForKey(*badRun, QStringLiteral("outside"));
    ASSERT_TRUE(s);
    EXPECT_EQ(s->string(), QStringLiteral("abc"));
    EXPECT_FALSE(badRun->error().isEmpty());
}

} // namespace
