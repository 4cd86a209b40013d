// The scene's random generator: the sequence from a seed and the unit scale.
#include <gtest/gtest.h>

#include "scene/scene_random.h"

TEST(SceneRandom, SeedOneGivesTheKnownSequenceAndTheUnitValueScalesIt) {
    SeedSceneRandom(1);
    for (int value : {41, 18467, 6334, 26500, 19169, 15724, 11478, 29358, 26962, 24464}) EXPECT_EQ(SceneRandom(), value);
    // The state is the full 32-bit product, wrapping modulo 2^32.
    SeedSceneRandom(0xFFFFFFFFu);
    SceneRandom();
    EXPECT_EQ(SceneRandomState(), 0xFFFFFFFFu * 214013u + 2531011u);

    SeedSceneRandom(1);
    EXPECT_FLOAT_EQ(SceneRandomUnit(), 41.0f / 32767.0f);
    for (int i = 0; i < 100000; ++i) {
        const float u = SceneRandomUnit();
        ASSERT_TRUE(u >= 0.0f && u <= 1.0f);
    }
}
