// scene_kit.cpp — stream profile and raining glyph walls shared by the pictures.
#include "pictures/scene_kit.h"

#include <cmath>

float StreamFalloff(float behind, float length) {
  if (behind < 0 || behind >= length) return 0.0f;
  if (behind < 1) return 1.0f;
  float t = behind / length;
  // Bright just behind the head, a long soft tail, a clean end.
  return (0.75f * std::exp(-3.0f * t) + 0.1f) * (1.0f - t * t);
}

float RainCellLight(int key, int col, int row, float rows, float rainShare, float base, bool* head) {
  *head = false;
  if (HashF(key, col, 99) < rainShare) {
    float length = 5 + 16 * HashF(key, col, 103);
    float best = 0;
    for (int s = 0; s < 2; ++s) {
      float headRow = HashF(key, col, 101 + s * 17) * (rows + length);
      float behind = headRow - row;
      float b = StreamFalloff(behind, length);
      if (b > best) {
        best = b;
        *head = behind >= 0 && behind < 1;
      }
    }
    return base * 0.6f + best;
  }
  float r = HashF(key, col * 977 + row, 5);
  if (r < 0.2f) return base * (1.5f + 5.0f * HashF(key, col, row + 300) * HashF(key, row, 31));
  return base * (0.7f + 0.5f * HashF(key, col, row));
}
