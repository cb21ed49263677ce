#include "kit/testsupport/TestApplication.h"

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    auto app = kit::test::createTestApplication(argc, argv);
    return RUN_ALL_TESTS();
}
