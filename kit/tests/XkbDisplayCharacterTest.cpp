#include "kit/core/NotificationCenter.h"
#include "kit/x11/XkbKeyboard.h"

#include <gtest/gtest.h>

namespace {

using namespace kit;

struct DisplayCase {
    const char* name;
    const char* layout;
    std::uint32_t xkbKey; // evdev + 8
    bool shift;
    const char16_t* expected;
};

class XkbDisplayCharacter : public testing::TestWithParam<DisplayCase> { };

TEST_P(XkbDisplayCharacter, NamesTheKey)
{
    const auto& c = GetParam();
    XkbKeyboard::Names names;
    names.layout = QString::fromLatin1(c.layout);
    auto keyboard = XkbKeyboard::fromNames(names);
    ASSERT_TRUE(keyboard);
    EXPECT_EQ(keyboard->displayCharacterForKey(c.xkbKey, c.shift), QString::fromUtf16(c.expected)) << c.name;
}

INSTANTIATE_TEST_SUITE_P(Keys, XkbDisplayCharacter,
    testing::Values(DisplayCase { "letter", "us", 30 + 8, false, u"a" }, DisplayCase { "letterShift", "us", 30 + 8, true, u"A" },
        DisplayCase { "digitShift", "us", 2 + 8, true, u"!" },
        // The keypad shows digits whatever NumLock says.
        DisplayCase { "keypadOne", "us", 79 + 8, false, u"1" }, DisplayCase { "germanZ", "de", 21 + 8, false, u"z" },
        DisplayCase { "germanY", "de", 44 + 8, false, u"y" },
        // Dead keys type nothing alone, but show their accent.
        DisplayCase { "deadCircumflex", "de", 41 + 8, false, u"^" }, DisplayCase { "deadAcute", "de", 13 + 8, false, u"\u00B4" },
        DisplayCase { "noSuchKey", "us", 0, false, u"" }),
    [](const auto& info) { return std::string(info.param.name); });

// Shift on the keypad would reach the motion level (arrows, Home, …): the digits show regardless.
TEST(XkbDisplayCharacterKeypad, ShiftStillShowsTheDigitOrSeparator)
{
    struct KeypadKey {
        std::uint32_t evdev;
        const char16_t* us;
        const char16_t* de;
    };
    const KeypadKey keys[] = { { 82, u"0", u"0" }, { 79, u"1", u"1" }, { 80, u"2", u"2" }, { 81, u"3", u"3" }, { 75, u"4", u"4" },
        { 76, u"5", u"5" }, { 77, u"6", u"6" }, { 71, u"7", u"7" }, { 72, u"8", u"8" }, { 73, u"9", u"9" }, { 83, u".", u"," } };
    for (const char* layout : { "us", "de" }) {
        XkbKeyboard::Names names;
        names.layout = QString::fromLatin1(layout);
        auto keyboard = XkbKeyboard::fromNames(names);
        ASSERT_TRUE(keyboard);
        const bool german = QByteArray(layout) == "de";
        for (const KeypadKey& key : keys)
            for (const bool shift : { false, true }) {
                const QString shown = keyboard->displayCharacterForKey(key.evdev + 8, shift);
                EXPECT_EQ(shown, QString::fromUtf16(german ? key.de : key.us)) << layout << " key " << key.evdev << " shift " << shift;
                for (const QChar c : shown)
                    EXPECT_FALSE(c.unicode() >= 0xF700 && c.unicode() <= 0xF8FF) << layout << " key " << key.evdev;
            }
    }
}

TEST(XkbDisplayCharacterLive, LiveNumLockAndShiftDoNotMatter)
{
    XkbKeyboard::Names names;
    auto keyboard = XkbKeyboard::fromNames(names);
    ASSERT_TRUE(keyboard);
    keyboard->updateKey(42 + 8, true); // Shift held
    EXPECT_EQ(keyboard->displayCharacterForKey(30 + 8, false), QStringLiteral("a"));
    keyboard->updateKey(42 + 8, false);
    keyboard->updateKey(69 + 8, true); // NumLock on and off again
    keyboard->updateKey(69 + 8, false);
    keyboard->updateKey(69 + 8, true);
    keyboard->updateKey(69 + 8, false);
    EXPECT_EQ(keyboard->displayCharacterForKey(79 + 8, false), QStringLiteral("1"));
}

TEST(XkbDisplayCharacterLive, InstallingAKeyboardPostsTheLayoutChange)
{
    int posted = 0;
    const auto token = NotificationCenter::defaultCenter()->addObserverForNameObjectQueueUsingBlock(
        NotifySelectedKeyboardInputSourceChanged, nullptr, nullptr, [&](Notification*) { ++posted; });
    XkbKeyboard::Names names;
    names.layout = QStringLiteral("de");
    XkbKeyboard::resetSharedForTesting(XkbKeyboard::fromNames(names));
    EXPECT_EQ(posted, 1);
    EXPECT_EQ(XkbKeyboard::shared()->displayCharacterForKey(21 + 8, false), QStringLiteral("z"));
    XkbKeyboard::resetSharedForTesting();
    EXPECT_EQ(posted, 1) << "dropping the keyboard is no layout change";
    NotificationCenter::defaultCenter()->removeObserver(token.get());
}

} // namespace
