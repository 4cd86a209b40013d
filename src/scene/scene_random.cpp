// scene_random.cpp — the scene's 15-bit linear congruential generator.
#include "scene/scene_random.h"

namespace {
uint32_t randomState = 1;
}

void SeedSceneRandom(uint32_t seed) { randomState = seed; }

int SceneRandom() {
    randomState = randomState * 214013u + 2531011u;  // modulo 2^32 by unsigned wrap-around
    return static_cast<int>((randomState >> 16) & 0x7FFFu);
}

float SceneRandomUnit() { return static_cast<float>(SceneRandom()) / static_cast<float>(SceneRandomMax); }

uint32_t SceneRandomState() { return randomState; }
