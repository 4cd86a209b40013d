// GlyphFont: set-up, the empty-font cases, and glyphs cut from a sheet and
// rendered with a picture on the headless device, compared pixel by pixel
// with the image they must give.
#include <cstdio>
#include <string>

#include "assets/asset_device_test.h"
#include "assets/glyph_font.h"
#include "assets/texture_loader.h"
#include "math/vertices.h"
#include "test_support.h"

using assettest::Encode;

namespace {

// Glyph g's cell holds vertical stripes that spell g in binary in its left
// half and the complement in its right half: unique to each glyph, and
// unchanged by squeezing the cell vertically.
bool Lit(int glyph, int x) { return (((glyph >> (x % 8)) & 1) != 0) != (x >= 8); }

uint32_t Sheet(int x, int y) { return Lit((y / 24) * 16 + x / 16, x % 16) ? 0xFFFFFFu : 0u; }

void ReleaseAll(GlyphFont& font) {
    for (GlyphTiles& g : font.glyphs) {
        if (g.texture) g.texture->Release();
        if (g.mask) g.mask->Release();
        g = GlyphTiles{};
    }
    for (IDirectDrawSurface7** s : {&font.sheet, &font.maskImage})
        if (*s) (*s)->Release(), *s = nullptr;
}

// Draws the texture over exactly [x, x + w) x [y, y + h); each pixel samples
// the centre of one texel when the sizes agree.
void DrawRect(IDirect3DDevice7* device, IDirectDrawSurface7* texture, int x, int y, int w, int h) {
    const float l = static_cast<float>(x) - 0.5f, t = static_cast<float>(y) - 0.5f;
    const float r = l + static_cast<float>(w), b = t + static_cast<float>(h);
    ScreenVertex v[4] = {{l, b, 0.5f, 1, 0xFFFFFFFF, 0, 0, 1}, {l, t, 0.5f, 1, 0xFFFFFFFF, 0, 0, 0},
                         {r, b, 0.5f, 1, 0xFFFFFFFF, 0, 1, 1}, {r, t, 0.5f, 1, 0xFFFFFFFF, 0, 1, 0}};
    device->SetTexture(0, texture);
    device->DrawPrimitive(D3DPT_TRIANGLESTRIP, ScreenVertexFVF, v, 4, 0);
}

class GlyphFontTest : public assettest::AssetDeviceTest {};

}  // namespace

TEST_F(GlyphFontTest, InitStoresTheGeometryAndNullEntries) {
    GlyphFont font;
    font.InitGlyphFont(90, 16, 16, 16, 24, 0.7f, "", "");
    EXPECT_EQ(font.glyphCount, 90);
    ASSERT_EQ(font.glyphs.size(), 90u);
    EXPECT_TRUE(!font.glyphs[89].texture && !font.glyphs[89].mask);
    EXPECT_EQ(font.cellHeight, 24);
    EXPECT_FLOAT_EQ(font.advance, 0.7f);
    EXPECT_FALSE(font.hasMask);

    const std::string longName(200, 'm');
    font.InitGlyphFont(-5, 8, 8, 8, 8, 1.0f, "sheet.bmp", longName.c_str());
    EXPECT_EQ(font.glyphCount, 0);
    EXPECT_TRUE(font.glyphs.empty());
    EXPECT_TRUE(font.hasMask);
    EXPECT_STREQ(font.imageName, "sheet.bmp");
    EXPECT_EQ(std::string(font.maskName), longName.substr(0, 79));
    font.InitGlyphFont(70000, 8, 8, 8, 8, 1.0f, nullptr, nullptr);
    EXPECT_EQ(font.glyphs.size(), 65535u);
    EXPECT_EQ(font.glyphCount, 65535);
}

TEST_F(GlyphFontTest, NoSheetOrASheetNarrowerThanACellGivesAnEmptyFont) {
    GlyphFont font;
    font.InitGlyphFont(90, 16, 16, 16, 24, 0.7f, "", "");
    font.BuildGlyphTextures(Device());
    EXPECT_EQ(font.glyphCount, 0);
    EXPECT_EQ(font.columns, 0);
    EXPECT_EQ(font.sheetWidth, 0u);
    EXPECT_EQ(font.glyphs[0].texture, nullptr);

    for (int cellWidth : {16, 0}) {
        font.InitGlyphFont(90, 16, 16, cellWidth, 24, 0.7f, "", "");
        ASSERT_TRUE(CreateEmptyTexture(&font.sheet, Device(), 15, 256));
        font.BuildGlyphTextures(Device());
        EXPECT_EQ(font.sheetWidth, 15u);
        EXPECT_EQ(font.columns, 0);
        EXPECT_EQ(font.glyphCount, 0);
        EXPECT_EQ(font.glyphs[0].texture, nullptr);
        ReleaseAll(font);
    }
}

TEST_F(GlyphFontTest, GlyphsAndAPictureRenderAsTheirImagesSay) {
    auto picture = [](int x, int y) { return static_cast<uint32_t>((x * 4) << 16 | (y * 4) << 8 | ((x + y) * 2)); };
    UseResources({{208, Encode(kImageFormatBmp, 256, 256, Sheet, 1)}, {240, Encode(kImageFormatBmp, 64, 64, picture)}});
    GlyphFont font;
    font.InitGlyphFont(90, 16, 16, 16, 24, 0.7f, "", "");
    LoadTextureResource(&font.sheet, Device(), 208, "Texture/font3.bmp");
    font.BuildGlyphTextures(Device());
    ASSERT_EQ(font.columns, 16);
    ASSERT_EQ(font.glyphCount, 90);
    // Glyph 17 is cut from (16, 24)-(32, 48), the second cell of the second row.
    DWORD w = 0;
    const std::vector<uint32_t> glyph17 = Pixels(font.glyphs[17].texture, &w);
    ASSERT_EQ(w, 16u);
    for (int x = 0; x < 16; ++x) EXPECT_EQ(glyph17[15 * 16 + x], Sheet(16 + x, 47)) << x;
    IDirectDrawSurface7* still = nullptr;
    LoadTextureResource(&still, Device(), 240, "Texture/still.bmp");
    ASSERT_NE(still, nullptr);

    IDirect3DDevice7* device = Device();
    device->SetRenderState(D3DRENDERSTATE_ZENABLE, FALSE);
    device->SetRenderState(D3DRENDERSTATE_CULLMODE, D3DCULL_NONE);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    device->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTFG_POINT);
    device->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTFN_POINT);
    const uint32_t background = 0x000080;
    ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, background, 1.0f, 0), D3D_OK);
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    for (int g = 0; g < 90; ++g) DrawRect(device, font.glyphs[g].texture, (g % 16) * 16, (g / 16) * 16, 16, 16);
    DrawRect(device, still, 32, 128, 64, 64);
    ASSERT_EQ(device->EndScene(), D3D_OK);

    std::vector<uint32_t> expected(256 * 256, background);
    for (int g = 0; g < 90; ++g)
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x)
                expected[static_cast<size_t>((g / 16) * 16 + y) * 256 + (g % 16) * 16 + x] = Lit(g, x) ? 0xFFFFFF : 0;
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) expected[static_cast<size_t>(128 + y) * 256 + 32 + x] = picture(x, y);
    const std::vector<uint32_t> actual = Pixels(headless.Target(), &w);
    ASSERT_EQ(actual.size(), expected.size());
    int wrong = 0;
    for (size_t i = 0; i < actual.size(); ++i) wrong += assettest::Near(actual[i], expected[i], 2) ? 0 : 1;
    if (wrong) {
        const std::string dir = testsupport::MakeTempDir("glyph_render");
        auto save = [&](const char* name, const std::vector<uint32_t>& image) {
            assettest::Bytes png;
            if (ImageEncode(kImageFormatPng, 256, 256, image.data(), 24, &png))
                testsupport::WriteFile(dir + name, std::string(png.begin(), png.end()));
        };
        save("/actual.png", actual);
        save("/expected.png", expected);
        ADD_FAILURE() << wrong << " pixels differ; the images are in " << dir;
    }
    ReleaseAll(font);
    still->Release();
}

TEST_F(GlyphFontTest, AMaskFileGivesEveryGlyphItsCellUnscaled) {
    const std::string dir = testsupport::MakeTempDir("glyph_mask");
    const assettest::Bytes mask = Encode(kImageFormatBmp, 64, 48, Sheet, 1);
    testsupport::WriteFile(dir + "/mask.bmp", std::string(mask.begin(), mask.end()));
    GlyphFont font;
    font.InitGlyphFont(6, 16, 16, 16, 24, 0.7f, "", (dir + "/mask.bmp").c_str());
    ASSERT_TRUE(CreateEmptyTexture(&font.sheet, Device(), 64, 48));
    font.BuildGlyphTextures(Device());
    ASSERT_NE(font.maskImage, nullptr);
    ASSERT_EQ(font.glyphCount, 6);
    // Glyph 5: column 1 of row 1, the cell's top 16 rows copied as they are.
    DWORD w = 0;
    const std::vector<uint32_t> cell = Pixels(font.glyphs[5].mask, &w);
    ASSERT_EQ(w, 16u);
    for (int x = 0; x < 16; ++x) EXPECT_EQ(cell[15 * 16 + x], Sheet(16 + x, 24 + 15)) << x;

    // A mask file that is not there: no mask image, the glyphs still built.
    std::snprintf(font.maskName, sizeof font.maskName, "%s/missing.bmp", dir.c_str());
    font.BuildGlyphTextures(Device());
    EXPECT_EQ(font.maskImage, nullptr);
    EXPECT_NE(font.glyphs[5].texture, nullptr);
    testsupport::RemoveTree(dir);
    ReleaseAll(font);
}
