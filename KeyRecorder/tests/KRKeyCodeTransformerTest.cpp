#include "KeyRecorder/KRKeyCodeTransformer.h"

#include "kit/appkit/Event.h"
#include "kit/x11/XkbKeyboard.h"

#include <gtest/gtest.h>

namespace {

using namespace kit;

// Every test runs on a known layout, installed as a layout switch would be.
class KeyNames : public testing::Test {
protected:
    void SetUp() override { useLayout("us"); }
    void TearDown() override { XkbKeyboard::resetSharedForTesting(); }
    static void useLayout(const char* layout)
    {
        XkbKeyboard::Names names;
        names.layout = QString::fromLatin1(layout);
        XkbKeyboard::resetSharedForTesting(XkbKeyboard::fromNames(names));
    }
};

struct DisplayCase {
    int code;
    const char16_t* expected; // null: no string
};

class KeyDisplayStrings : public KeyNames, public testing::WithParamInterface<DisplayCase> { };

TEST_P(KeyDisplayStrings, OnTheUSLayout)
{
    const auto& c = GetParam();
    const QString s = KRDisplayStringForKeyCode(std::int16_t(c.code));
    if (!c.expected)
        EXPECT_TRUE(s.isNull()) << c.code << " gave " << s.toStdString();
    else
        EXPECT_EQ(s, QString::fromUtf16(c.expected)) << c.code;
}

INSTANTIATE_TEST_SUITE_P(Table, KeyDisplayStrings,
    testing::Values(DisplayCase { 122, u"F1" }, DisplayCase { 96, u"F5" }, DisplayCase { 80, u"F19" }, DisplayCase { 49, u"Space" },
        DisplayCase { 51, u"\u232B" }, DisplayCase { 117, u"\u2326" }, DisplayCase { 123, u"\u2190" }, DisplayCase { 36, u"\u21A9" },
        DisplayCase { 48, u"\u21E5" }, DisplayCase { 53, u"\u238B" }, DisplayCase { 114, u"?" }, DisplayCase { 82, u"Pad 0" },
        DisplayCase { 92, u"Pad 9" }, DisplayCase { 69, u"Pad +" }, DisplayCase { 18, u"1" }, DisplayCase { 40, u"K" }, DisplayCase { 0, u"A" },
        DisplayCase { -1, nullptr }, DisplayCase { -200, nullptr }),
    [](const auto& info) { return "code" + std::to_string(info.param.code < 0 ? 1000 - info.param.code : info.param.code); });

TEST_F(KeyNames, TransformerTakesNumbersOnlyAndReversesStrings)
{
    const Ref<ValueTransformer> t = ValueTransformer::valueTransformerForName(QStringLiteral("KRKeyCodeTransformer"));
    ASSERT_TRUE(t);
    EXPECT_TRUE(t->allowsReverseTransformation());
    EXPECT_EQ(t->transformedValue(Value(96)).stringValue(), QStringLiteral("F5"));
    EXPECT_TRUE(t->transformedValue(Value(QStringLiteral("96"))).isNil());
    EXPECT_EQ(t->reverseTransformedValue(Value(QStringLiteral("F5"))).integerValue(), 96);
    EXPECT_EQ(t->reverseTransformedValue(Value(QStringLiteral("1"))).integerValue(), 18);
    EXPECT_EQ(t->reverseTransformedValue(Value(QStringLiteral("Pad 1"))).integerValue(), 83);
    EXPECT_TRUE(t->reverseTransformedValue(Value(QStringLiteral("no such key"))).isNil());
    EXPECT_TRUE(t->reverseTransformedValue(Value(5)).isNil());
}

TEST_F(KeyNames, ALayoutSwitchRenamesKeysAndRebuildsTheReverseMap)
{
    const Ref<ValueTransformer> t = ValueTransformer::valueTransformerForName(QStringLiteral("KRKeyCodeTransformer"));
    EXPECT_EQ(t->reverseTransformedValue(Value(QStringLiteral("Y"))).integerValue(), 16);
    useLayout("de");
    EXPECT_EQ(KRDisplayStringForKeyCode(6), QStringLiteral("Y"));
    EXPECT_EQ(KRDisplayStringForKeyCode(16), QStringLiteral("Z"));
    EXPECT_EQ(KRDisplayStringForKeyCode(50), QStringLiteral("^")); // the dead circumflex key
    EXPECT_EQ(t->reverseTransformedValue(Value(QStringLiteral("Y"))).integerValue(), 6);
}

TEST_F(KeyNames, KeyCharacterFollowsShift)
{
    EXPECT_EQ(KRKeyCharacterWithCocoaModifiers(18, 0), QStringLiteral("1"));
    EXPECT_EQ(KRKeyCharacterWithCocoaModifiers(18, ShiftKeyMask), QStringLiteral("!"));
    EXPECT_EQ(KRKeyCharacterWithCarbonModifiers(18, 0x200), QStringLiteral("!"));
    EXPECT_EQ(KRKeyCharacterWithCocoaModifiers(40, CommandKeyMask), QStringLiteral("K"));
    // No character from the layout: the display string.
    EXPECT_EQ(KRKeyCharacterWithCocoaModifiers(122, 0), QStringLiteral("F1"));
    // Shift on a keypad digit still shows the digit.
    EXPECT_EQ(KRKeyCharacterWithCocoaModifiers(82, ShiftKeyMask), QStringLiteral("0"));
    EXPECT_EQ(KRKeyCharacterWithCocoaModifiers(92, ShiftKeyMask), QStringLiteral("9"));
}

TEST_F(KeyNames, GlyphsAndWordsInTheirOrders)
{
    EXPECT_EQ(KRGlyphsForCarbonModifiers(0x1B00), QString::fromUtf16(u"\u2303\u2325\u21E7\u2318"));
    EXPECT_EQ(KRGlyphsForCocoaModifiers(0x1E0000), QString::fromUtf16(u"\u2303\u2325\u21E7\u2318"));
    // Each glyph names the key that gives the flag here: Command is Ctrl (the control key's
    // glyph), Option is Alt, Control is Super (the key where the command key sits).
    struct Case {
        std::uint64_t flags;
        const char16_t* glyphs;
    };
    const Case cases[] = {
        { CommandKeyMask, u"\u2303" },
        { AlternateKeyMask, u"\u2325" },
        { ControlKeyMask, u"\u2318" },
        { ShiftKeyMask, u"\u21E7" },
        { ShiftKeyMask | CommandKeyMask, u"\u2303\u21E7" },
        { ControlKeyMask | AlternateKeyMask | CommandKeyMask, u"\u2303\u2325\u2318" },
    };
    for (const Case& c : cases) {
        EXPECT_EQ(KRGlyphsForCocoaModifiers(c.flags), QString::fromUtf16(c.glyphs)) << c.flags;
        EXPECT_EQ(KRGlyphsForCarbonModifiers(KRCarbonModifiersFromCocoa(c.flags)), QString::fromUtf16(c.glyphs)) << c.flags;
    }
    EXPECT_EQ(KRGlyphComboForCarbonModifiers(0x100, 40), QString::fromUtf16(u"\u2303K"));
    EXPECT_EQ(KRWordComboForCarbonModifiers(0x1B00, 40), KRLocalizedString("Command + ") + KRLocalizedString("Option + ") + KRLocalizedString("Control + ")
            + KRLocalizedString("Shift + ") + QStringLiteral("K"));
    EXPECT_EQ(KRWordComboForCocoaModifiers(ShiftKeyMask | CommandKeyMask, 40), KRLocalizedString("Command + ") + KRLocalizedString("Shift + ") + QStringLiteral("K"));
    EXPECT_EQ(KRLocalizedString("Command + "), QStringLiteral("Ctrl + "));
}

TEST(KeyFlags, AllThirtyTwoCombinationsRoundTrip)
{
    const std::uint32_t carbonBits[] = { 0x100, 0x200, 0x800, 0x1000, 0x800000 };
    const std::uint64_t cocoaBits[] = { 0x100000, 0x20000, 0x80000, 0x40000, 0x800000 };
    for (unsigned mask = 0; mask < 32; ++mask) {
        std::uint32_t carbon = 0;
        std::uint64_t cocoa = 0;
        for (unsigned bit = 0; bit < 5; ++bit)
            if (mask & (1u << bit)) {
                carbon |= carbonBits[bit];
                cocoa |= cocoaBits[bit];
            }
        EXPECT_EQ(KRCocoaModifiersFromCarbon(carbon), cocoa) << mask;
        EXPECT_EQ(KRCarbonModifiersFromCocoa(cocoa), carbon) << mask;
        EXPECT_EQ(KRCarbonModifiersFromCocoa(KRCocoaModifiersFromCarbon(carbon)), carbon) << mask;
    }
    // Other bits drop out.
    EXPECT_EQ(KRCarbonModifiersFromCocoa(0x10000 | 0x200000), 0u);
}

TEST(KeyEase, RisesSlowlyAtBothEnds)
{
    EXPECT_DOUBLE_EQ(KRTransitionEase(0), 0);
    EXPECT_NEAR(KRTransitionEase(0.5), 0.5, 1e-15);
    EXPECT_DOUBLE_EQ(KRTransitionEase(1), 1);
    EXPECT_LT(KRTransitionEase(0.1), 0.1);
    EXPECT_GT(KRTransitionEase(0.9), 0.9);
}

TEST(KeyFirstCharacter, KeepsASurrogatePairWhole)
{
    EXPECT_EQ(KRFirstCharacter(QString::fromUtf16(u"\U0001D11Ex")), QString::fromUtf16(u"\U0001D11E"));
    EXPECT_EQ(KRFirstCharacter(QStringLiteral("ab")), QStringLiteral("a"));
    EXPECT_TRUE(KRFirstCharacter(QString()).isEmpty());
}

TEST(KeyClasses, FoundByName)
{
    EXPECT_TRUE(classFromString(QStringLiteral("KRDummyClass")));
    EXPECT_TRUE(classFromString(QStringLiteral("KRKeyCodeTransformer")));
}

} // namespace
