#include "kit/x11/XkbKeyboard.h"

#include "kit/appkit/Event.h"

#include <gtest/gtest.h>

#include <ostream>
#include <vector>

namespace {

using namespace kit;

// XKB key codes (evdev + 8) of the keys these tests press.
constexpr std::uint32_t keyA = 30 + 8, keyQ = 16 + 8, keyY = 21 + 8, key1 = 2 + 8, keyApostrophe = 40 + 8, keyGrave = 41 + 8;
constexpr std::uint32_t keyShift = 42 + 8, keyCtrl = 29 + 8, keyAlt = 56 + 8, keySuper = 125 + 8, keyCapsLock = 58 + 8, keyAltGr = 100 + 8,
                        keyNumLock = 69 + 8, keypad1 = 79 + 8;

std::unique_ptr<XkbKeyboard> keyboard(const char* layout = "us", const char* variant = "")
{
    XkbKeyboard::Names names;
    names.layout = QString::fromLatin1(layout);
    names.variant = QString::fromLatin1(variant);
    auto k = XkbKeyboard::fromNames(names);
    EXPECT_TRUE(k) << layout << "(" << variant << ") does not compile";
    return k;
}

void press(XkbKeyboard& k, const std::vector<std::uint32_t>& keys)
{
    for (std::uint32_t key : keys)
        k.updateKey(key, true);
}

void tap(XkbKeyboard& k, std::uint32_t key)
{
    k.updateKey(key, true);
    k.updateKey(key, false);
}

TEST(XkbKeyboard, CapsLockLocksOnOneStrokeAndUnlocksOnTheNext)
{
    auto k = keyboard();
    ASSERT_TRUE(k);
    EXPECT_FALSE(k->followsServer());
    tap(*k, keyCapsLock);
    EXPECT_EQ(k->modifierFlags(), AlphaShiftKeyMask);
    EXPECT_EQ(k->characters(keyA), QStringLiteral("A"));
    EXPECT_EQ(k->charactersIgnoringModifiers(keyA), QStringLiteral("a"));
    EXPECT_EQ(k->characters(key1), QStringLiteral("1"));
    // Shift with Caps Lock on types small letters; ignoring modifiers keeps Shift only.
    press(*k, { keyShift });
    EXPECT_EQ(k->characters(keyA), QStringLiteral("a"));
    EXPECT_EQ(k->charactersIgnoringModifiers(keyA), QStringLiteral("A"));
    k->updateKey(keyShift, false);
    // The lock goes with the release of the second stroke, not its press.
    k->updateKey(keyCapsLock, true);
    EXPECT_EQ(k->modifierFlags(), AlphaShiftKeyMask);
    k->updateKey(keyCapsLock, false);
    EXPECT_EQ(k->modifierFlags(), 0u);
    EXPECT_EQ(k->characters(keyA), QStringLiteral("a"));
}

struct ChordCase {
    const char* name;
    std::vector<std::uint32_t> held;
    std::uint32_t key;
    std::uint64_t flags;
    const char16_t* characters;
    const char16_t* ignoring;
};

void PrintTo(const ChordCase& c, std::ostream* os) { *os << c.name; }

class XkbChords : public testing::TestWithParam<ChordCase> { };

TEST_P(XkbChords, FlagsCharactersAndCharactersIgnoringModifiers)
{
    const ChordCase& c = GetParam();
    auto k = keyboard();
    ASSERT_TRUE(k);
    press(*k, c.held);
    EXPECT_EQ(k->modifierFlags(), c.flags) << c.name;
    EXPECT_EQ(k->characters(c.key), QString::fromUtf16(c.characters)) << c.name;
    EXPECT_EQ(k->charactersIgnoringModifiers(c.key), QString::fromUtf16(c.ignoring)) << c.name;
}

INSTANTIATE_TEST_SUITE_P(Us, XkbChords,
    testing::Values(ChordCase { "plain", {}, keyA, 0, u"a", u"a" }, ChordCase { "shift", { keyShift }, keyA, ShiftKeyMask, u"A", u"A" },
        ChordCase { "shift digit", { keyShift }, key1, ShiftKeyMask, u"!", u"!" },
        // Ctrl is Command: it never turns a key into a control character.
        ChordCase { "ctrl", { keyCtrl }, keyA, CommandKeyMask, u"a", u"a" },
        ChordCase { "ctrl shift digit", { keyCtrl, keyShift }, key1, CommandKeyMask | ShiftKeyMask, u"!", u"!" },
        // Super is Control: it does.
        ChordCase { "super", { keySuper }, keyA, ControlKeyMask, u"\x01", u"a" },
        ChordCase { "super shift", { keySuper, keyShift }, keyA, ControlKeyMask | ShiftKeyMask, u"\x01", u"A" },
        ChordCase { "alt", { keyAlt }, keyA, AlternateKeyMask, u"a", u"a" },
        ChordCase { "all four", { keyShift, keyCtrl, keyAlt, keySuper }, key1,
            ShiftKeyMask | CommandKeyMask | AlternateKeyMask | ControlKeyMask, u"!", u"!" }));

TEST(XkbKeyboard, KeypadTypesDigitsWithNumLockAndMovesWithout)
{
    auto k = keyboard();
    ASSERT_TRUE(k);
    EXPECT_EQ(k->characters(keypad1), QString(QChar(EndFunctionKey)));
    tap(*k, keyNumLock);
    // NumLock is never a flag.
    EXPECT_EQ(k->modifierFlags(), 0u);
    EXPECT_EQ(k->characters(keypad1), QStringLiteral("1"));
    EXPECT_EQ(k->charactersIgnoringModifiers(keypad1), QStringLiteral("1"));
}

TEST(XkbKeyboard, DeadKeysTypeNothing)
{
    auto intl = keyboard("us", "intl");
    ASSERT_TRUE(intl);
    EXPECT_EQ(intl->characters(keyApostrophe), QString());
    EXPECT_EQ(intl->charactersIgnoringModifiers(keyApostrophe), QString());
    auto de = keyboard("de");
    ASSERT_TRUE(de);
    EXPECT_EQ(de->characters(keyGrave), QString()); // circumflex
    EXPECT_EQ(de->characters(keyA), QStringLiteral("a"));
}

TEST(XkbKeyboard, LayoutDecidesWhatAPositionTypesAndAltGrIsNoModifier)
{
    auto de = keyboard("de");
    ASSERT_TRUE(de);
    EXPECT_EQ(de->characters(keyY), QStringLiteral("z"));
    press(*de, { keyAltGr });
    EXPECT_EQ(de->modifierFlags(), 0u);
    EXPECT_EQ(de->characters(keyQ), QStringLiteral("@"));
    EXPECT_EQ(de->charactersIgnoringModifiers(keyQ), QStringLiteral("q"));
    EXPECT_EQ(de->charactersForKey(keyQ, true), QStringLiteral("Q"));
    EXPECT_EQ(de->charactersForKey(key1, true), QStringLiteral("!"));
}

TEST(XkbKeyboard, CoreStateReplacesWhatWasMissedAndSelectsTheLayout)
{
    auto k = keyboard("us,de");
    ASSERT_TRUE(k);
    // Alt went down here but came up in another application.
    press(*k, { keyAlt });
    EXPECT_EQ(k->modifierFlags(), AlternateKeyMask);
    k->syncCoreState(0);
    EXPECT_EQ(k->modifierFlags(), 0u);
    // Caps Lock switched on elsewhere (Lock is bit 1), second layout (group bits 13-14).
    k->syncCoreState(0x2 | (1u << 13));
    EXPECT_EQ(k->modifierFlags(), AlphaShiftKeyMask);
    EXPECT_EQ(k->characters(keyY), QStringLiteral("Z"));
    EXPECT_EQ(k->charactersIgnoringModifiers(keyY), QStringLiteral("z"));
    // Taken as a lock, so the next stroke here unlocks it.
    tap(*k, keyCapsLock);
    EXPECT_EQ(k->modifierFlags(), 0u);
    k->reset();
    EXPECT_EQ(k->characters(keyY), QStringLiteral("y"));
}

TEST(XkbKeyboard, UnknownNamesAndKeysGiveNothing)
{
    XkbKeyboard::Names names;
    names.layout = QStringLiteral("no-such-layout");
    EXPECT_FALSE(XkbKeyboard::fromNames(names));
    auto k = keyboard();
    ASSERT_TRUE(k);
    EXPECT_FALSE(k->hasKey(0));
    EXPECT_FALSE(k->hasKey(3));
    k->updateKey(0, true);
    EXPECT_EQ(k->characters(0), QString());
    EXPECT_EQ(k->charactersIgnoringModifiers(100000), QString());
}

} // namespace
