// image_writer.h — writing rendered frames to image files.
//
// Pixels are given as 0x00RRGGBB, rows top-down; the file is a 24-bit PNG
// written by the image library (FreeImage), atomically: to a temporary name
// beside it, then renamed. The top byte of each pixel is ignored.
#pragma once

#include <cstdint>

// False when the size is unusable or the file cannot be written.
bool WritePngFile(const char* path, int width, int height, const uint32_t* pixels);
