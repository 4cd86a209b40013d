// code_rain_grid.h — CodeRainGrid: a 2D grid of characters in which up to
// 50 drops fall (a bright head, a tail fading upwards), rendered into a
// texture with surface blits; the floating cubes wear that texture.
//
// The cells are drawn into a system-memory surface of the texture's size and
// format, which then goes to the texture in one blit a frame: a driver that
// keeps textures in video memory would otherwise round-trip every one of a
// frame's hundreds of small blits through the graphics card.
//
// The cell arrays are allocated by CreateDeviceObjects (at device set-up),
// the drops sit in a fixed array; nothing is allocated per frame. Spawning
// waits until the device objects exist. The texture belongs to the grid but
// is released by the frame driver with the other scene textures.
#pragma once

#include <d3d.h>
#include <ddraw.h>

#include <cstdint>
#include <vector>

struct GlyphFont;

struct GridCell {
    uint8_t brightness = 255;  // green level of a tail cell
    uint8_t isHead = 0;
    int32_t character = 32;    // 32 = empty
};
static_assert(sizeof(GridCell) == 8);

struct RainGlyph {
    int32_t character = 0;  // 33..129
    float timer = 0.0f;
    float timerCopy = 0.0f;
};

struct RainDrop {
    static constexpr int MaxLength = 35;

    int32_t column = 0;
    int32_t headRow = 0;  // rows count downwards; may run past the last row
    int32_t length = 0;   // 5..35
    RainGlyph glyphs[MaxLength];  // 0 = the head
    uint8_t active = 0;
    float position = 0.0f;  // head position in units of textureHeight
};

struct CodeRainGrid {
    static constexpr int MaxDrops = 50;
    static constexpr int EmptyCharacter = 32;

    // Creates the texture, reads its pixel format and allocates the cells
    // and column tables for the current sizes. Drops that are still active
    // keep falling; the column loads are counted again from them.
    HRESULT CreateDeviceObjects(IDirect3DDevice7* device);
    // Computes columns and rows from the sizes, allocates the cells and
    // column tables and marks the grid ready when it has cells (part of
    // CreateDeviceObjects, which then requires a texture too; never per
    // frame).
    void AllocateCells();
    // Starts with 20 drops at random rows.
    void FillInitial();
    // Starts one drop in a least-loaded column, at a random row or at the
    // top; does nothing when every slot is in use or the grid is not ready.
    void SpawnDrop(bool randomRow);
    // Spawns up to five drops and advances every drop by the effect step.
    void Update(float step);
    // Writes the drops into the cells.
    void Compose();
    // Compose, then draws every non-empty cell into the staging surface and
    // that into the texture. The staging surface keeps what it was last
    // given, so only the cells that changed since are drawn again (an
    // emptied cell is filled black); a new texture, or a blit that failed,
    // makes the next one whole. Without a staging surface the cells are
    // drawn into the texture itself.
    void RenderTexture();

    // The fill value of colour (r, g, b) in the texture's pixel format.
    DWORD PixelValue(int red, int green, int blue) const;

    int32_t textureWidth = 0;
    int32_t textureHeight = 0;
    int32_t cellWidth = 0;
    int32_t cellHeight = 0;
    int32_t activeDrops = 0;
    std::vector<GridCell> cells;        // columns x rows, index column + row * columns
    std::vector<int32_t> columnLoad;    // active drops per column
    std::vector<int32_t> candidates;    // scratch for SpawnDrop
    int32_t columns = 0;
    int32_t rows = 0;
    uint8_t clearEachFrame = 0;
    uint8_t ready = 0;
    int32_t redBits = 0;
    int32_t greenBits = 0;
    int32_t blueBits = 0;
    uint32_t redMask = 0;
    uint32_t greenMask = 0;
    uint32_t blueMask = 0;
    GlyphFont* font = nullptr;
    RainDrop drops[MaxDrops];
    IDirectDrawSurface7* texture = nullptr;
    IDirectDrawSurface7* staging = nullptr;     // in system memory; released with the texture
    std::vector<GridCell> drawnCells;           // the cells as the texture shows them
    IDirectDrawSurface7* drawnTexture = nullptr;  // the texture they are in; null: none yet
};
