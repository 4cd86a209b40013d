// scene_random.h — the one random generator behind every choice the scene
// and its effects make: a 15-bit linear congruential generator with 32-bit
// state (state = state * 214013 + 2531011, result = bits 16..30 of the new
// state). Its state starts at 1; the scene reseeds it once at set-up, so a
// seed reproduces a flight as long as the draws come in the same order.
// Single-threaded, process-wide.
#pragma once

#include <cstdint>

// The largest value SceneRandom returns.
inline constexpr int SceneRandomMax = 32767;

// Restarts the sequence from `seed`.
void SeedSceneRandom(uint32_t seed);
// The next value, 0..32767.
int SceneRandom();
// The next value divided by 32767 in single precision: 0..1, both ends
// included.
float SceneRandomUnit();
// The current 32-bit state (for saving and restoring a sequence).
uint32_t SceneRandomState();
