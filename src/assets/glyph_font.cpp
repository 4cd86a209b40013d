// glyph_font.cpp — setting up GlyphFont and cutting its glyph textures.
#include "assets/glyph_font.h"

#include <cstdio>
#include <cstring>

#include "assets/texture_loader.h"

namespace {

void CopyName(char (&to)[80], const char* from) { std::snprintf(to, sizeof to, "%s", from ? from : ""); }

void ReleaseTexture(IDirectDrawSurface7*& texture) {
    if (texture) texture->Release();
    texture = nullptr;
}

}  // namespace

void GlyphFont::InitGlyphFont(int count, int width, int height, int cellW, int cellH, float advanceFraction,
                              const char* image, const char* mask) {
    glyphCount = count < 0 ? 0 : (count > 0xFFFF ? 0xFFFF : count);
    glyphWidth = width;
    glyphHeight = height;
    cellWidth = cellW;
    cellHeight = cellH;
    advance = advanceFraction;
    CopyName(imageName, image);
    CopyName(maskName, mask);
    hasMask = maskName[0] != '\0' ? TRUE : FALSE;
    glyphs.assign(static_cast<size_t>(glyphCount), GlyphTiles{});
}

void GlyphFont::BuildGlyphTextures(IDirect3DDevice7* device) {
    if (hasMask) LoadTextureFile(&maskImage, device, maskName);

    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof desc;
    if (sheet && SUCCEEDED(sheet->GetSurfaceDesc(&desc))) {
        sheetWidth = desc.dwWidth;
        sheetHeight = desc.dwHeight;
        columns = cellWidth > 0 ? static_cast<int32_t>(sheetWidth / static_cast<uint32_t>(cellWidth)) : 0;
    } else {
        sheetWidth = sheetHeight = 0;
        columns = 0;
    }
    // No sheet, or one narrower than a cell: nothing to cut, the font is empty.
    if (columns == 0) glyphCount = 0;
    if (static_cast<size_t>(glyphCount) > glyphs.size()) glyphCount = static_cast<int32_t>(glyphs.size());

    const WORD width = static_cast<WORD>(glyphWidth);
    const WORD height = static_cast<WORD>(glyphHeight);
    for (int32_t i = 0; i < glyphCount; ++i) {
        GlyphTiles& tiles = glyphs[static_cast<size_t>(i)];
        ReleaseTexture(tiles.texture);
        ReleaseTexture(tiles.mask);
        CreateEmptyTexture(&tiles.texture, device, width, height);
        if (hasMask) CreateEmptyTexture(&tiles.mask, device, width, height);

        const LONG row = i / columns;
        const LONG column = i % columns;
        RECT cell{column * cellWidth, row * cellHeight, (column + 1) * cellWidth, (row + 1) * cellHeight};
        RECT dest{0, 0, width, height};
        if (tiles.texture) tiles.texture->Blt(&dest, sheet, &cell, 0, nullptr);
        if (hasMask && tiles.mask && maskImage) {
            // Unscaled: only the part of the cell that fits the glyph texture,
            // since a copy running past the destination would be refused.
            RECT part{cell.left, cell.top, cell.left + (cellWidth < width ? cellWidth : width),
                      cell.top + (cellHeight < height ? cellHeight : height)};
            tiles.mask->BltFast(0, 0, maskImage, &part, 0);
        }
    }
}
