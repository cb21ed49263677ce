#pragma once

// Tests that need a program of the machine (openbox, setxkbmap, a D-Bus daemon) skip themselves
// where it is missing. CI installs every one of them (scripts/install-deps.sh), so there (the
// environment sets CI) a missing one fails the test instead: a broken install step never passes
// as green.

#include <QtGlobal>

#include <gtest/gtest.h>

namespace kit::test {

// Whether the tests run in continuous integration: CI set and not empty. Header-only, for test
// programs that do not link the kit.
inline bool runsInCI() { return !qEnvironmentVariableIsEmpty("CI"); }

} // namespace kit::test

// Ends the test (use in a test body or SetUp): skipped, or failed in CI, naming what it needs.
#define KIT_SKIP_TEST_WITHOUT(what)                                                                                                        \
    do {                                                                                                                                   \
        if (::kit::test::runsInCI())                                                                                                       \
            GTEST_FAIL() << "needs " << (what) << ", which CI installs";                                                                   \
        GTEST_SKIP() << "needs " << (what);                                                                                                \
    } while (0)
