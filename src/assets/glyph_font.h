// glyph_font.h — GlyphFont: the glyph sheet texture, its cell geometry and
// one small texture per glyph cut out of it.
//
// Glyph i lies in sheet row i / columns and column i % columns; its cell is
// cellWidth x cellHeight pixels and is stretched onto a glyphWidth x
// glyphHeight texture. Without a sheet, or with a sheet narrower than one
// cell, the font is empty: 0 glyphs and 0 columns. An optional mask image
// (a file) gives every glyph a second texture cut from the same cell. The
// textures belong to the font; the frame driver releases them.
#pragma once

#include <d3d.h>
#include <ddraw.h>

#include <cstdint>
#include <vector>

struct GlyphTiles {
    IDirectDrawSurface7* texture = nullptr;  // glyphWidth x glyphHeight
    IDirectDrawSurface7* mask = nullptr;     // the cell of maskImage, only with a mask
};

struct GlyphFont {
    // Stores the geometry and names and makes glyphCount null entries. The
    // count is taken as a 16-bit number: negative counts give 0 glyphs and
    // counts above 65535 are held at 65535.
    void InitGlyphFont(int glyphCount, int glyphWidth, int glyphHeight, int cellWidth, int cellHeight,
                       float advance, const char* imageName, const char* maskName);
    // Reads the sheet's size and cuts every glyph's texture from it; call it
    // after `sheet` has been loaded. Textures the entries still hold are
    // released first.
    void BuildGlyphTextures(IDirect3DDevice7* device);

    float advance = 0.0f;  // horizontal advance as a fraction of the glyph size
    std::vector<GlyphTiles> glyphs;
    char imageName[80] = {};
    char maskName[80] = {};
    uint32_t sheetWidth = 0;
    uint32_t sheetHeight = 0;
    BOOL hasMask = FALSE;
    IDirectDrawSurface7* sheet = nullptr;
    IDirectDrawSurface7* maskImage = nullptr;
    int32_t glyphCount = 0;
    int32_t glyphWidth = 0;
    int32_t glyphHeight = 0;
    int32_t cellWidth = 0;
    int32_t cellHeight = 0;
    int32_t columns = 0;
};
