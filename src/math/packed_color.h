// packed_color.h — the 0x00RRGGBB colour handed to the device as ambient
// level or vertex colour. The top byte stays 0, so with blending that reads
// vertex alpha such a colour has alpha 0.
#pragma once

#include <d3d.h>

typedef D3DCOLOR PackedColor;

// Each channel is masked to its low 8 bits: red in bits 16-23, green 8-15,
// blue 0-7.
constexpr PackedColor MakeColor(int red, int green, int blue) {
    return ((static_cast<PackedColor>(red) & 0xFFu) << 16) | ((static_cast<PackedColor>(green) & 0xFFu) << 8) |
           (static_cast<PackedColor>(blue) & 0xFFu);
}
