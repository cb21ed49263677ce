#include "kit/foundation/Sound.h"
#include "kit/testsupport/TestApplication.h"

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    auto app = kit::test::createTestApplication(argc, argv);
    // No test makes noise or needs a sound card.
    kit::Sound::selectNullDeviceForTesting();
    return RUN_ALL_TESTS();
}
