// CodeRainGrid: spawning into the least-loaded columns, the fall and end of
// drops, composing the cells, the pixel value, and the texture the blits
// make on the headless device.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <utility>
#include <memory>

#include "assets/glyph_font.h"
#include "assets/texture_loader.h"
#include "scene/effects/code_rain_grid.h"
#include "scene/scene_random.h"
#include "support/headless_device.h"

namespace {

// A 256 x 256 grid of 8-pixel cells (32 x 32) with its arrays, no texture.
std::unique_ptr<CodeRainGrid> SmallGrid() {
    auto grid = std::make_unique<CodeRainGrid>();
    grid->textureWidth = grid->textureHeight = 256;
    grid->cellWidth = grid->cellHeight = 8;
    grid->AllocateCells();
    return grid;
}

// Checks activeDrops and every column load against the drops themselves.
void ExpectConsistent(const CodeRainGrid& grid) {
    std::vector<int32_t> load(static_cast<size_t>(grid.columns), 0);
    int32_t active = 0;
    for (const RainDrop& d : grid.drops) {
        if (!d.active) continue;
        ++active;
        ASSERT_TRUE(d.column >= 0 && d.column < grid.columns);
        ++load[static_cast<size_t>(d.column)];
    }
    ASSERT_EQ(grid.activeDrops, active);
    ASSERT_LE(active, CodeRainGrid::MaxDrops);
    ASSERT_EQ(grid.columnLoad, load);
}

void SetDrop(RainDrop& d, int column, int headRow, int length, int firstCharacter) {
    d.active = 1;
    d.column = column;
    d.headRow = headRow;
    d.length = length;
    for (int k = 0; k < length; ++k) {
        d.glyphs[k].character = firstCharacter + k;
        d.glyphs[k].timer = d.glyphs[k].timerCopy = 1.0f;
    }
}

}  // namespace

TEST(CodeRainGrid, SpawnTakesALeastLoadedColumnAndAFreeSlot) {
    auto grid = SmallGrid();
    EXPECT_EQ(grid->columns, 32);
    EXPECT_EQ(grid->rows, 32);
    EXPECT_EQ(grid->ready, 1);

    // Columns 3 and 7 are the least loaded; seed 1's first draw (41) picks the first of them.
    std::fill(grid->columnLoad.begin(), grid->columnLoad.end(), 1);
    grid->columnLoad[3] = grid->columnLoad[7] = 0;
    SeedSceneRandom(1);
    grid->SpawnDrop(false);
    EXPECT_EQ(grid->drops[0].column, 3);
    EXPECT_EQ(grid->drops[0].length, static_cast<int>(18467.0f / 32767.0f * 30.0f + 5.0f));
    EXPECT_EQ(grid->columnLoad[3], 1);
    // The next drop goes to the one column still at 0.
    grid->SpawnDrop(false);
    EXPECT_EQ(grid->drops[1].column, 7);

    // From empty columns, 20 initial drops land in 20 different columns at random rows.
    grid = SmallGrid();
    SeedSceneRandom(99);
    grid->FillInitial();
    ExpectConsistent(*grid);
    EXPECT_EQ(grid->activeDrops, 20);
    EXPECT_EQ(*std::max_element(grid->columnLoad.begin(), grid->columnLoad.end()), 1);
    for (int k = 0; k < grid->drops[19].length; ++k)
        EXPECT_TRUE(grid->drops[19].glyphs[k].character >= 33 && grid->drops[19].glyphs[k].character <= 129);

    // With every slot in use nothing is spawned and no random value is drawn.
    for (int i = 20; i < CodeRainGrid::MaxDrops; ++i) SetDrop(grid->drops[i], i % 32, 0, 5, 40);
    grid->activeDrops = CodeRainGrid::MaxDrops;
    grid->AllocateCells();  // counts the loads again
    const auto loads = grid->columnLoad;
    const uint32_t state = SceneRandomState();
    grid->SpawnDrop(true);
    EXPECT_EQ(grid->activeDrops, CodeRainGrid::MaxDrops);
    EXPECT_EQ(grid->columnLoad, loads);
    EXPECT_EQ(SceneRandomState(), state);

    // A grid without its device objects spawns nothing.
    CodeRainGrid idle;
    idle.FillInitial();
    idle.Update(1.0f);
    EXPECT_EQ(idle.activeDrops, 0);
}

// Among equally loaded columns the pick is uniform: the random value chooses
// among all of them, the last column of the grid included.
TEST(CodeRainGrid, TheRandomValuePicksAmongAllEquallyLoadedColumns) {
    const int least[4] = {2, 9, 17, 31};
    std::set<int> chosen;
    for (uint32_t k = 1; k <= 64; ++k) {
        const uint32_t seed = k * 2654435761u;  // first draws spread over the whole range
        auto grid = SmallGrid();
        std::fill(grid->columnLoad.begin(), grid->columnLoad.end(), 2);
        for (int c : least) grid->columnLoad[c] = 1;
        SeedSceneRandom(seed);
        const float u = SceneRandomUnit();
        SeedSceneRandom(seed);
        grid->SpawnDrop(false);
        const int expected = least[std::min(3, static_cast<int>(u * 4.0f))];
        ASSERT_EQ(grid->drops[0].column, expected) << "seed " << seed << ", u " << u;
        chosen.insert(grid->drops[0].column);
    }
    EXPECT_EQ(chosen, std::set<int>(std::begin(least), std::end(least)));

    // Every column equally loaded: the smallest draw (0, seed 20057) takes
    // column 0, the largest (32767, seed 30091) the last.
    for (auto [seed, column] : {std::pair{20057u, 0}, std::pair{30091u, 31}}) {
        auto grid = SmallGrid();
        SeedSceneRandom(seed);
        grid->SpawnDrop(false);
        EXPECT_EQ(grid->drops[0].column, column) << "seed " << seed;
    }
}

TEST(CodeRainGrid, DropsFallAndEndWithTheLoadsKeptInStep) {
    auto grid = SmallGrid();
    SeedSceneRandom(5);
    grid->FillInitial();
    for (int frame = 0; frame < 3000; ++frame) {
        grid->Update(0.0088f);
        ExpectConsistent(*grid);
        for (const RainDrop& d : grid->drops) {
            if (!d.active) continue;
            ASSERT_EQ(d.headRow, static_cast<int32_t>(d.position / (8.0f / 256.0f)));
        }
    }

    // New device objects count the loads of the running drops again; with
    // fewer columns, drops in columns that no longer exist end.
    grid->AllocateCells();
    ExpectConsistent(*grid);
    grid->cellWidth = 16;
    grid->AllocateCells();
    ExpectConsistent(*grid);

    // A drop ends once its whole tail has left the grid.
    grid = SmallGrid();
    SetDrop(grid->drops[0], 4, 0, 5, 40);
    grid->drops[0].position = (37.0f + 0.5f) * (8.0f / 256.0f);
    grid->activeDrops = 1;
    grid->columnLoad[4] = 1;
    grid->ready = 0;  // no spawning in this check
    grid->Update(0.0f);
    EXPECT_EQ(grid->drops[0].active, 1) << "37 - 5 is not beyond 32 rows";
    grid->drops[0].position += 8.0f / 256.0f;
    grid->Update(0.0f);
    EXPECT_EQ(grid->drops[0].active, 0);
    EXPECT_EQ(grid->columnLoad[4], 0);

    // A very long frame ends every drop cleanly, head rows held in range.
    grid = SmallGrid();
    grid->FillInitial();
    grid->Update(1.0e12f);
    ExpectConsistent(*grid);
    EXPECT_EQ(grid->activeDrops, 0);
}

TEST(CodeRainGrid, ComposeWritesHeadsAndFadingTails) {
    auto grid = SmallGrid();
    SetDrop(grid->drops[0], 4, 10, 5, 60);
    SetDrop(grid->drops[1], 9, 33, 5, 70);  // head below the last row
    SetDrop(grid->drops[2], 12, 2, 5, 80);  // tail above the first row
    grid->activeDrops = 3;
    grid->Compose();
    const auto cell = [&](int column, int row) { return grid->cells[static_cast<size_t>(column + row * 32)]; };

    EXPECT_EQ(cell(4, 10).character, 60);
    EXPECT_EQ(cell(4, 10).isHead, 1);
    EXPECT_EQ(cell(4, 10).brightness, 255);
    const int tail[] = {254, 254, 208, 116};
    for (int k = 1; k <= 4; ++k) {
        EXPECT_EQ(cell(4, 10 - k).character, 60 + k);
        EXPECT_EQ(cell(4, 10 - k).brightness, tail[k - 1]) << k;
        EXPECT_EQ(cell(4, 10 - k).isHead, 0);
    }
    EXPECT_EQ(cell(4, 11).character, CodeRainGrid::EmptyCharacter);
    EXPECT_EQ(cell(4, 5).character, CodeRainGrid::EmptyCharacter);

    EXPECT_EQ(cell(9, 31).character, 72);  // k = 2 is the first row inside
    EXPECT_EQ(cell(9, 29).character, 74);
    EXPECT_EQ(cell(12, 0).character, 82);
    EXPECT_EQ(cell(12, 2).isHead, 1);

    // A later drop overwrites an earlier one; a fresh compose starts empty.
    SetDrop(grid->drops[3], 4, 8, 5, 100);
    grid->Compose();
    EXPECT_EQ(cell(4, 10).character, 60);
    EXPECT_EQ(cell(4, 9).character, 61);
    EXPECT_EQ(cell(4, 8).character, 100);
    EXPECT_EQ(cell(4, 8).isHead, 1);
    EXPECT_EQ(cell(4, 7).character, 101);
    grid->drops[0].active = 0;
    grid->Compose();
    EXPECT_EQ(cell(4, 10).character, CodeRainGrid::EmptyCharacter);
    EXPECT_EQ(cell(4, 9).character, CodeRainGrid::EmptyCharacter);
}

TEST(CodeRainGrid, PixelValueScalesEachChannelIntoA16BitFormat) {
    CodeRainGrid grid;
    grid.redMask = 0xF800;
    grid.greenMask = 0x07E0;
    grid.blueMask = 0x001F;
    grid.redBits = grid.blueBits = 5;
    grid.greenBits = 6;
    EXPECT_EQ(grid.PixelValue(131, 252, 188), (15u << 11) | (62u << 5) | 22u);
}

TEST(CodeRainGrid, RenderTextureDrawsEachCharacterFromItsSheetCell) {
    testsupport::HeadlessDevice d;
    ASSERT_EQ(d.Create(), "");

    // Sheet: 16 x 24 cells; glyph g's cell has its left half in colour
    // (16, g, 64) and its right half white.
    GlyphFont font;
    font.columns = 16;
    font.cellWidth = 16;
    font.cellHeight = 24;
    ASSERT_TRUE(CreateEmptyTexture(&font.sheet, d.Device(), 256, 256));
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof desc;
    ASSERT_EQ(font.sheet->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DD_OK);
    ASSERT_EQ(desc.ddpfPixelFormat.dwRGBBitCount, 32u);
    for (int y = 0; y < 256; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(desc.lpSurface) + y * desc.lPitch);
        for (int x = 0; x < 256; ++x) {
            const int g = (y / 24) * 16 + x / 16;
            row[x] = (x % 16) < 8 ? (0x100040u | (static_cast<uint32_t>(g) << 8)) : 0xFFFFFFu;
        }
    }
    font.sheet->Unlock(nullptr);

    CodeRainGrid grid;
    grid.textureWidth = grid.textureHeight = 256;
    grid.cellWidth = grid.cellHeight = 8;
    grid.font = &font;
    ASSERT_EQ(grid.CreateDeviceObjects(d.Device()), 0);
    ASSERT_NE(grid.texture, nullptr);
    EXPECT_EQ(grid.greenBits + grid.blueBits, 16);
    ASSERT_EQ(grid.ready, 1);

    // Head "33" (the second glyph of the first sheet row) at column 1, row 1;
    // its tail "129" (glyph 97: sheet row 6, column 1) at row 0.
    SetDrop(grid.drops[0], 1, 1, 2, 0);
    grid.drops[0].glyphs[0].character = 33;
    grid.drops[0].glyphs[1].character = 129;
    grid.activeDrops = 1;
    grid.RenderTexture();

    DWORD w = 0, h = 0;
    const auto pixels = testsupport::HeadlessDevice::ReadSurface(grid.texture, &w, &h);
    ASSERT_EQ(pixels.size(), 256u * 256u);
    const auto at = [&](int x, int y) { return pixels[static_cast<size_t>(y) * w + x] & 0xFFFFFFu; };
    // In each cell the glyph's own pixels on the left, the cell's colour where the glyph is white.
    for (int i = 0; i < 64; ++i) {
        const int x = 8 + i % 8, y = i / 8;
        EXPECT_EQ(at(x, y + 8), x < 12 ? 0x100140u : 0x83FCBCu) << x << "," << y;  // glyph 1, head colour
        EXPECT_EQ(at(x, y), x < 12 ? 0x106140u : 0x14FE14u) << x << "," << y;      // glyph 97, (20, 254, 20)
    }
    EXPECT_EQ(at(0, 0), 0u);  // empty cells are cleared to black
    EXPECT_EQ(at(20, 12), 0u);

    // Frame after frame only the changed cells are drawn again; the texture
    // always equals one drawn whole from the same cells.
    SeedSceneRandom(7);
    grid.FillInitial();
    for (int frame = 0; frame < 40; ++frame) {
        grid.Update(0.02f);
        grid.RenderTexture();
        if (frame % 8 != 7) continue;
        const auto kept = testsupport::HeadlessDevice::ReadSurface(grid.texture, &w, &h);
        grid.drawnTexture = nullptr;  // the next one whole
        grid.RenderTexture();
        ASSERT_EQ(testsupport::HeadlessDevice::ReadSurface(grid.texture, &w, &h), kept) << "frame " << frame;
    }

    font.sheet->Release();
    grid.texture->Release();
    if (grid.staging) grid.staging->Release();
}
