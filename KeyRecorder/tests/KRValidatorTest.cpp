#include "KeyRecorder/KRKeyCodeTransformer.h"
#include "KeyRecorder/KRValidator.h"

#include "kit/appkit/Event.h"
#include "kit/appkit/KeyCodes.h"
#include "kit/appkit/SymbolicHotKeys.h"
#include "kit/x11/XkbKeyboard.h"

#include <gtest/gtest.h>

namespace {

using namespace kit;

class KRTestValidationDelegate : public Object, public KRValidation {
public:
    bool taken = false;
    QString reason;
    std::uint64_t seenFlags = 0;
    bool shortcutValidatorIsKeyCodeAndFlagsTakenReason(KRValidator*, std::int64_t, std::uint64_t flags, QString* r) override
    {
        seenFlags = flags;
        if (taken && r)
            *r = reason;
        return taken;
    }
};

class Validation : public testing::Test {
protected:
    void SetUp() override
    {
        XkbKeyboard::Names names;
        XkbKeyboard::resetSharedForTesting(XkbKeyboard::fromNames(names));
        ResetSymbolicHotKeysForTesting();
        Menu::setMainMenu(nullptr);
    }
    void TearDown() override
    {
        ResetSymbolicHotKeysForTesting();
        Menu::setMainMenu(nullptr);
        XkbKeyboard::resetSharedForTesting();
    }
    static QString suggestion(const Ref<Error>& e) { return e ? e->localizedRecoverySuggestion() : QString(); }
    Ref<KRValidator> validator = make<KRValidator>();
};

TEST_F(Validation, DelegateVetoWithAndWithoutAReason)
{
    auto delegate = make<KRTestValidationDelegate>();
    validator->setDelegate(delegate.get());
    delegate->taken = true;
    delegate->reason = QStringLiteral("the recorder next door has it");
    Ref<Error> error;
    EXPECT_TRUE(validator->isKeyCodeAndFlagsTakenError(40, 0x100, &error));
    EXPECT_EQ(delegate->seenFlags, CommandKeyMask);
    ASSERT_TRUE(error);
    EXPECT_EQ(error->domain(), CocoaErrorDomain);
    EXPECT_EQ(error->code(), 0);
    // The title spells the combination as the text under it does.
    EXPECT_EQ(error->localizedDescription(), QStringLiteral("The key combination Ctrl + K can't be used!"));
    EXPECT_EQ(suggestion(error), QStringLiteral("The key combination \"Ctrl + K\" can't be used because the recorder next door has it."));
    EXPECT_EQ(error->userInfo().objectForKey(LocalizedRecoveryOptionsErrorKey).array()[0].stringValue(), QStringLiteral("OK"));

    delegate->reason.clear();
    EXPECT_TRUE(validator->isKeyCodeAndFlagsTakenError(40, 0x100, &error));
    EXPECT_EQ(suggestion(error), QStringLiteral("The key combination \"Ctrl + K\" can't be used because it's already used."));
    // No error pointer: only the answer.
    EXPECT_TRUE(validator->isKeyCodeAndFlagsTakenError(40, 0x100, nullptr));
    delegate->taken = false;
    EXPECT_FALSE(validator->isKeyCodeAndFlagsTakenError(40, 0x100, &error));
}

TEST_F(Validation, HotKeysMatchOnExactlyTheirFourModifiers)
{
    AddSymbolicHotKey(17, CarbonCmdKey | CarbonOptionKey); // Ctrl+Alt+T
    Ref<Error> error;
    EXPECT_TRUE(validator->isKeyCodeAndFlagsTakenError(17, CarbonCmdKey | CarbonOptionKey, &error));
    ASSERT_TRUE(error);
    EXPECT_TRUE(suggestion(error).contains(QStringLiteral("system-wide keyboard shortcut")));
    EXPECT_TRUE(suggestion(error).startsWith(QStringLiteral("The key combination \"Ctrl + Alt + T\"")));
    EXPECT_FALSE(validator->isKeyCodeAndFlagsTakenError(17, CarbonCmdKey, nullptr));
    EXPECT_FALSE(validator->isKeyCodeAndFlagsTakenError(17, CarbonCmdKey | CarbonOptionKey | CarbonShiftKey, nullptr));
    // Caps Lock is no part of a combination.
    EXPECT_TRUE(validator->isKeyCodeAndFlagsTakenError(17, CarbonCmdKey | CarbonOptionKey | CarbonAlphaLock, nullptr));
}

TEST_F(Validation, DisabledHotKeyNeverConflicts)
{
    AddSymbolicHotKey(17, CarbonCmdKey);
    auto token = PushSymbolicHotKeyMode(SymbolicHotKeyMode::AllDisabled);
    // Suspension is not disabling: the entry stays enabled in the list.
    EXPECT_TRUE(validator->isKeyCodeAndFlagsTakenError(17, CarbonCmdKey, nullptr));
    PopSymbolicHotKeyMode(token);
    RemoveSymbolicHotKey(17, CarbonCmdKey);
    EXPECT_FALSE(validator->isKeyCodeAndFlagsTakenError(17, CarbonCmdKey, nullptr));
}

TEST_F(Validation, NamelessKeyWithAHotKeyListedIsTakenWithAnError)
{
    AddSymbolicHotKey(17, CarbonCmdKey);
    Ref<Error> error;
    // Code 127 has no key on this keyboard and so no name.
    EXPECT_TRUE(validator->isKeyCodeAndFlagsTakenError(127, CarbonCmdKey, &error));
    EXPECT_TRUE(error) << "a YES always comes with its error";
}

Ref<Menu> krMenuWith(std::initializer_list<Ref<MenuItem>> items)
{
    auto menu = make<Menu>(QStringLiteral("m"));
    for (const auto& item : items)
        menu->addItem(item);
    return menu;
}

Ref<MenuItem> krItem(const QString& title, const QString& key, std::uint64_t mask = CommandKeyMask)
{
    auto item = make<MenuItem>(title, Selector(), key);
    item->setKeyEquivalentModifierMask(mask);
    return item;
}

TEST_F(Validation, MenusAreSearchedDeepAndOnBothSubmenuAndKey)
{
    auto deep = krMenuWith({ krItem(QStringLiteral("Deep"), QStringLiteral("d")) });
    auto middle = krMenuWith({ krItem(QStringLiteral("Middle"), QString()) });
    middle->itemAtIndex(0)->setSubmenu(deep);
    auto both = krItem(QStringLiteral("Both"), QStringLiteral("b"));
    both->setSubmenu(krMenuWith({ krItem(QStringLiteral("Inner"), QStringLiteral("i")) }));
    auto top = krMenuWith({ krItem(QStringLiteral("File"), QString()), both });
    top->itemAtIndex(0)->setSubmenu(middle);
    Menu::setMainMenu(top);
    Ref<Error> error;
    EXPECT_TRUE(validator->isKeyCodeAndFlagsTakenError(2, CarbonCmdKey, &error)); // d
    EXPECT_TRUE(suggestion(error).contains(QStringLiteral("\"Deep\"")));
    EXPECT_TRUE(validator->isKeyCodeAndFlagsTakenError(11, CarbonCmdKey, nullptr)); // b
    EXPECT_TRUE(validator->isKeyCodeAndFlagsTakenError(34, CarbonCmdKey, nullptr)); // i
    EXPECT_FALSE(validator->isKeyCodeAndFlagsTakenError(2, CarbonCmdKey | CarbonShiftKey, nullptr));
}

TEST_F(Validation, SmallAndCapitalQCompareOnlyTheMask)
{
    auto menu = krMenuWith({ krItem(QStringLiteral("Quit 100%"), QStringLiteral("q")) });
    Ref<Error> error;
    EXPECT_TRUE(validator->isKeyCodeAndFlagsTakenInMenuError(12, CarbonCmdKey, menu.get(), &error));
    EXPECT_EQ(suggestion(error), QStringLiteral("The key combination \"Ctrl + Q\" can't be used because it's already used by the menu item \"Quit 100%\"."));
    auto capital = krMenuWith({ krItem(QStringLiteral("Quit"), QStringLiteral("Q")) });
    EXPECT_TRUE(validator->isKeyCodeAndFlagsTakenInMenuError(12, CarbonCmdKey, capital.get(), nullptr));
    EXPECT_FALSE(validator->isKeyCodeAndFlagsTakenInMenuError(12, CarbonCmdKey | CarbonShiftKey, capital.get(), nullptr));

    // A percent sign in the title reaches the alert as it is.
    const auto alert = KRAdditions::alertWithNonRecoverableError(*error);
    EXPECT_EQ(alert->informativeText(), suggestion(error));
    EXPECT_EQ(alert->messageText(), error->localizedDescription());
}

TEST_F(Validation, FunctionKeyAndReturnEquivalentsCompareByKeyCode)
{
    const QString f5(QChar(FunctionKeyCharacter(96)));
    auto menu = krMenuWith({ krItem(QStringLiteral("Refresh"), f5, 0), krItem(QStringLiteral("Open"), QStringLiteral("\r")) });
    EXPECT_TRUE(validator->isKeyCodeAndFlagsTakenInMenuError(96, 0, menu.get(), nullptr));
    EXPECT_TRUE(validator->isKeyCodeAndFlagsTakenInMenuError(36, CarbonCmdKey, menu.get(), nullptr));
    EXPECT_FALSE(validator->isKeyCodeAndFlagsTakenInMenuError(97, 0, menu.get(), nullptr));
}

} // namespace
