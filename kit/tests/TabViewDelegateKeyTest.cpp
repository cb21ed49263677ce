#include "kit/controls/TabView.h"

#include <gtest/gtest.h>

namespace {

TEST(TabViewDelegateKey, SetByKeyAndHeldWeakly)
{
    auto tabView = kit::make<kit::TabView>();
    auto delegate = kit::make<kit::Object>();
    tabView->setValueForKey(kit::Value(delegate), QStringLiteral("delegate"));
    EXPECT_EQ(tabView->delegate().get(), delegate.get());
    EXPECT_EQ(tabView->valueForKey(QStringLiteral("delegate")).object().get(), delegate.get());
    delegate = nullptr;
    EXPECT_FALSE(tabView->delegate());
}

} // namespace
