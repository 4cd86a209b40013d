// code_rain_grid.cpp — CodeRainGrid: drops, composing and the texture blits.
#include "scene/effects/code_rain_grid.h"

#include <algorithm>
#include <cstring>

#include "assets/glyph_font.h"
#include "assets/texture_loader.h"
#include "scene/scene_random.h"

namespace {

// DirectDraw's "the blitter is still busy with this surface" (0x8876021C).
constexpr HRESULT WasStillDrawing = MAKE_DDHRESULT(540);
// A lock refused this many times in a row is given up.
constexpr int LockRetries = 1000;
// A head row is held within this range so that a drop that fell for an
// absurdly long frame still ends cleanly.
constexpr float RowLimit = 1.0e9f;

int32_t CountLowBits(uint32_t mask) {
    int32_t bits = 0;
    for (uint32_t m = mask & 0xFFFFu; m; m >>= 1) bits += static_cast<int32_t>(m & 1u);
    return bits;
}

// A plain system-memory surface of the texture's size and pixel format;
// null when the driver offers none.
IDirectDrawSurface7* CreateStaging(IDirectDrawSurface7* texture) {
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof(desc);
    IDirectDraw7* directDraw = nullptr;
    if (FAILED(texture->GetSurfaceDesc(&desc)) ||
        FAILED(texture->GetDDInterface(reinterpret_cast<LPVOID*>(&directDraw))) || !directDraw) {
        return nullptr;
    }
    DDSURFACEDESC2 plain{};
    plain.dwSize = sizeof(plain);
    plain.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
    plain.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY;
    plain.dwWidth = desc.dwWidth;
    plain.dwHeight = desc.dwHeight;
    plain.ddpfPixelFormat = desc.ddpfPixelFormat;
    IDirectDrawSurface7* surface = nullptr;
    if (FAILED(directDraw->CreateSurface(&plain, &surface, nullptr))) surface = nullptr;
    directDraw->Release();
    return surface;
}

}  // namespace

void CodeRainGrid::AllocateCells() {
    columns = cellWidth > 0 ? textureWidth / cellWidth : 0;
    rows = cellHeight > 0 ? textureHeight / cellHeight : 0;
    if (columns < 0) columns = 0;
    if (rows < 0) rows = 0;
    cells.assign(static_cast<size_t>(columns) * static_cast<size_t>(rows), GridCell{});
    columnLoad.assign(static_cast<size_t>(columns), 0);
    candidates.assign(static_cast<size_t>(columns), 0);

    // Drops survive a new device: count their columns again, so the loads
    // neither restart at zero under running drops nor go negative when those
    // drops end. A drop whose column no longer exists ends here.
    for (RainDrop& drop : drops) {
        if (!drop.active) continue;
        if (drop.column >= 0 && drop.column < columns) {
            ++columnLoad[static_cast<size_t>(drop.column)];
        } else {
            drop.active = 0;
            --activeDrops;
        }
    }
    clearEachFrame = 1;
    ready = (columns > 0 && rows > 0) ? 1 : 0;
}

HRESULT CodeRainGrid::CreateDeviceObjects(IDirect3DDevice7* device) {
    IDirectDrawSurface7* created = nullptr;
    if (device && textureWidth > 0 && textureHeight > 0 && textureWidth <= 0xFFFF && textureHeight <= 0xFFFF) {
        CreateEmptyTexture(&created, device, static_cast<WORD>(textureWidth), static_cast<WORD>(textureHeight));
    }
    texture = created;
    staging = nullptr;
    drawnTexture = nullptr;  // a new texture starts empty, at whatever address
    if (texture) {
        DDSURFACEDESC2 desc{};
        desc.dwSize = sizeof(desc);
        HRESULT hr = texture->Lock(nullptr, &desc, 0, nullptr);
        for (int tries = 0; hr == WasStillDrawing && tries < LockRetries; ++tries) {
            hr = texture->Lock(nullptr, &desc, 0, nullptr);
        }
        if (SUCCEEDED(hr)) {
            redMask = desc.ddpfPixelFormat.dwRBitMask;
            greenMask = desc.ddpfPixelFormat.dwGBitMask;
            blueMask = desc.ddpfPixelFormat.dwBBitMask;
            texture->Unlock(nullptr);
        }
        redBits = CountLowBits(redMask);
        greenBits = CountLowBits(greenMask);
        blueBits = CountLowBits(blueMask);
        staging = CreateStaging(texture);
    }
    AllocateCells();
    if (!texture) ready = 0;  // spawning waits for a texture to draw into
    return 0;
}

void CodeRainGrid::FillInitial() {
    activeDrops = 0;
    for (int i = 0; i < 20; ++i) SpawnDrop(true);
}

void CodeRainGrid::SpawnDrop(bool randomRow) {
    if (!ready || columns <= 0 || columnLoad.size() < static_cast<size_t>(columns) ||
        candidates.size() < static_cast<size_t>(columns)) {
        return;
    }
    RainDrop* drop = nullptr;
    for (RainDrop& d : drops) {
        if (!d.active) {
            drop = &d;
            break;
        }
    }
    if (!drop) return;

    int32_t least = columnLoad[0];
    int32_t count = 1;
    candidates[0] = 0;
    for (int32_t c = 1; c < columns; ++c) {
        if (columnLoad[c] < least) {
            least = columnLoad[c];
            candidates[0] = c;
            count = 1;
        } else if (columnLoad[c] == least) {
            candidates[count++] = c;
        }
    }
    int32_t pick = static_cast<int32_t>(SceneRandomUnit() * static_cast<float>(count));
    if (pick >= count) pick = count - 1;  // only a draw of exactly 1 reaches count
    drop->column = candidates[pick];
    ++columnLoad[drop->column];

    if (randomRow) {
        drop->headRow = static_cast<int32_t>(SceneRandomUnit() * static_cast<float>(rows));
        drop->position = static_cast<float>(drop->headRow) *
                         (static_cast<float>(cellHeight) / static_cast<float>(textureHeight));
    } else {
        drop->headRow = 0;
        drop->position = 0.0f;
    }
    drop->length = static_cast<int32_t>(SceneRandomUnit() * 30.0f + 5.0f);
    drop->active = 1;
    for (int32_t k = 0; k < drop->length; ++k) {
        RainGlyph& g = drop->glyphs[k];
        g.character = static_cast<int32_t>(SceneRandomUnit() * 96.0f) + 33;
        g.timer = SceneRandomUnit();
        g.timerCopy = g.timer;
    }
    ++activeDrops;
}

void CodeRainGrid::Update(float step) {
    if (activeDrops < MaxDrops && ready) {
        const int n = static_cast<int>(SceneRandomUnit() * 5.0f);
        for (int i = 0; i < n; ++i) SpawnDrop(false);
    }
    const float rowHeight =
        textureHeight > 0 ? static_cast<float>(cellHeight) / static_cast<float>(textureHeight) : 0.0f;
    for (RainDrop& drop : drops) {
        if (!drop.active) continue;
        drop.position = drop.position + step;
        if (rowHeight > 0.0f) {
            const float row = std::clamp(drop.position / rowHeight, -RowLimit, RowLimit);
            drop.headRow = static_cast<int32_t>(row);
        }

        int32_t alive = 0;
        for (int32_t k = 0; k < drop.length; ++k) {
            RainGlyph& g = drop.glyphs[k];
            g.timer = g.timer - step;
            if (g.timer >= 0.0f) {
                ++alive;
            } else {
                g.timer = 0.0f;
            }
            if (SceneRandomUnit() > 0.85f) {
                g.character = static_cast<int32_t>(SceneRandomUnit() * 96.0f) + 33;
                g.timer = SceneRandomUnit();
                g.timerCopy = g.timer;
            }
        }

        if (alive == 0 || drop.headRow - drop.length > rows) {
            drop.active = 0;
            --activeDrops;
            if (drop.column >= 0 && static_cast<size_t>(drop.column) < columnLoad.size() &&
                columnLoad[drop.column] > 0) {
                --columnLoad[drop.column];
            }
        }
    }
}

void CodeRainGrid::Compose() {
    if (cells.size() < static_cast<size_t>(columns) * static_cast<size_t>(rows)) return;
    if (clearEachFrame) {
        for (GridCell& cell : cells) {
            cell.character = EmptyCharacter;
            cell.brightness = 255;
        }
    }
    for (const RainDrop& drop : drops) {
        if (!drop.active || drop.column < 0 || drop.column >= columns) continue;
        if (drop.headRow >= 0 && drop.headRow < rows) {
            GridCell& head = cells[static_cast<size_t>(drop.column + drop.headRow * columns)];
            head.character = drop.glyphs[0].character;
            head.brightness = 255;
            head.isHead = 1;
        }
        for (int32_t k = 1; k < drop.length; ++k) {
            const int32_t row = drop.headRow - k;
            if (row < 0 || row >= rows) continue;
            const float v = static_cast<float>(k) <= static_cast<float>(drop.length) * 0.5f
                                ? 1.0f
                                : 2.0f * static_cast<float>(drop.length - k) / static_cast<float>(drop.length);
            GridCell& cell = cells[static_cast<size_t>(drop.column + row * columns)];
            cell.character = drop.glyphs[k].character;
            cell.brightness = static_cast<uint8_t>(static_cast<int>(v * 230.0f + 24.0f));
            cell.isHead = 0;
        }
    }
}

DWORD CodeRainGrid::PixelValue(int red, int green, int blue) const {
    const int32_t greenShift = blueBits;
    const int32_t redShift = greenBits + blueBits;
    const auto scale = [](int level, uint32_t range) {
        return static_cast<uint32_t>(static_cast<float>(level) / 255.0f * static_cast<float>(range));
    };
    return (scale(red, redMask >> redShift) << redShift) | (scale(green, greenMask >> greenShift) << greenShift) |
           scale(blue, blueMask);
}

void CodeRainGrid::RenderTexture() {
    Compose();
    if (!texture || cells.size() < static_cast<size_t>(columns) * static_cast<size_t>(rows)) return;

    IDirectDrawSurface7* target = staging ? staging : texture;
    const bool whole = drawnTexture != texture || drawnCells.size() != cells.size();
    if (whole) {
        drawnTexture = nullptr;
        DDSURFACEDESC2 desc{};
        desc.dwSize = sizeof(desc);
        if (FAILED(target->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr))) return;
        if (desc.lpSurface && desc.lPitch > 0) {
            std::memset(desc.lpSurface, 0, static_cast<size_t>(desc.lPitch) * desc.dwHeight);
        }
        target->Unlock(nullptr);
        drawnCells.assign(cells.size(), GridCell{});  // sized once: empty cells
    }

    IDirectDrawSurface7* sheet = (font && font->columns > 0) ? font->sheet : nullptr;
    DDBLTFX fill{};
    fill.dwSize = sizeof(fill);
    DDBLTFX key{};
    key.dwSize = sizeof(key);
    key.ddckSrcColorkey.dwColorSpaceLowValue = redMask | greenMask | blueMask;  // white
    key.ddckSrcColorkey.dwColorSpaceHighValue = redMask | greenMask | blueMask;

    bool failed = false;
    bool changed = whole;
    for (int32_t j = 0; j < rows; ++j) {
        for (int32_t i = 0; i < columns; ++i) {
            const size_t index = static_cast<size_t>(i + j * columns);
            const GridCell& cell = cells[index];
            GridCell& shown = drawnCells[index];
            const bool empty = cell.character == EmptyCharacter;
            const bool shownEmpty = shown.character == EmptyCharacter;
            if (empty && shownEmpty) continue;
            if (!empty && !shownEmpty && cell.character == shown.character && cell.isHead == shown.isHead &&
                cell.brightness == shown.brightness) {
                continue;
            }
            shown = cell;
            changed = true;
            RECT dest{i * cellWidth, j * cellHeight, (i + 1) * cellWidth, (j + 1) * cellHeight};
            fill.dwFillColor = empty ? 0 : cell.isHead ? PixelValue(131, 252, 188) : PixelValue(20, cell.brightness, 20);
            failed |= FAILED(target->Blt(&dest, nullptr, nullptr, DDBLT_COLORFILL, &fill));
            if (empty || !sheet) continue;
            // White sheet pixels are skipped and let the fill show; the
            // glyph's other pixels are copied over it.
            const int32_t g = cell.character - EmptyCharacter;
            const int32_t frow = g / font->columns;
            const int32_t fcol = g - frow * font->columns;
            RECT source{fcol * font->cellWidth, frow * font->cellHeight, (fcol + 1) * font->cellWidth,
                        (frow + 1) * font->cellHeight};
            failed |= FAILED(target->Blt(&dest, sheet, &source, DDBLT_KEYSRCOVERRIDE, &key));
        }
    }
    if (staging && changed && !failed) failed = FAILED(texture->Blt(nullptr, staging, nullptr, DDBLT_WAIT, nullptr));
    drawnTexture = failed ? nullptr : texture;
}
