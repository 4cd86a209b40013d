// GDI: device-independent bitmaps of every depth blitted into 32-bit and 565
// pixel views, clipping, conversions between views and bitmaps, refusal of
// absurd headers, and the bookkeeping of DCs, selections and deletions.
#include <gtest/gtest.h>
#include <sys/mman.h>

#include <climits>
#include <cstring>
#include <vector>

#include "platform/win32/gdi_dc.h"
#include "platform/win32/gdi_objects.h"

namespace {

using platform::gdi::PixelView;

// A BITMAPINFO with its colour table (or masks) behind it.
struct DibInfo {
    explicit DibInfo(int width, int height, int bitCount, const std::vector<uint32_t>& table = {},
                     DWORD compression = BI_RGB)
        : storage(sizeof(BITMAPINFOHEADER) + 4 * table.size() + 4) {
        BITMAPINFOHEADER& h = header();
        h.biSize = sizeof(BITMAPINFOHEADER);
        h.biWidth = width;
        h.biHeight = height;
        h.biPlanes = 1;
        h.biBitCount = static_cast<WORD>(bitCount);
        h.biCompression = compression;
        if (!table.empty()) std::memcpy(storage.data() + sizeof(BITMAPINFOHEADER), table.data(), 4 * table.size());
    }
    BITMAPINFOHEADER& header() { return *reinterpret_cast<BITMAPINFOHEADER*>(storage.data()); }
    const BITMAPINFO* info() { return reinterpret_cast<const BITMAPINFO*>(storage.data()); }
    HBITMAP Create(const std::vector<uint8_t>& bits) {
        return CreateDIBitmap(GetDC(nullptr), &header(), CBM_INIT, bits.data(), info(), DIB_RGB_COLORS);
    }
    std::vector<uint8_t> storage;
};

// A pixel buffer with its view; every pixel starts as `fill`.
template <typename Pixel>
struct View {
    View(int w, int h, DWORD bitCount, DWORD r, DWORD g, DWORD b, DWORD a = 0, Pixel fill = Pixel(0x5A5A5A5A))
        : width(w), pixels(static_cast<size_t>(w) * h, fill) {
        view = PixelView{reinterpret_cast<uint8_t*>(pixels.data()), w, h, static_cast<int>(w * sizeof(Pixel)),
                         bitCount, r, g, b, a};
        dc = platform::gdi::CreatePixelViewDc(view);
    }
    ~View() { platform::gdi::DeletePixelViewDc(dc); }
    Pixel At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
    int width;
    std::vector<Pixel> pixels;
    PixelView view;
    HDC dc;
};

struct Xrgb : View<uint32_t> {
    Xrgb(int w, int h) : View(w, h, 32, 0xFF0000, 0x00FF00, 0x0000FF) {}
};
struct Rgb565 : View<uint16_t> {
    Rgb565(int w, int h) : View(w, h, 16, 0xF800, 0x07E0, 0x001F) {}
};

// Blits the whole bitmap to (x, y) of the view through a memory DC.
BOOL Draw(HBITMAP bitmap, HDC view, int x = 0, int y = 0) {
    BITMAP info{};
    if (GetObjectA(bitmap, sizeof info, &info) != static_cast<int>(sizeof info)) return FALSE;
    HDC memory = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BOOL done = BitBlt(view, x, y, info.bmWidth, info.bmHeight, memory, 0, 0, SRCCOPY);
    SelectObject(memory, old);
    DeleteDC(memory);
    return done;
}

uint16_t To565(uint32_t rgb) {
    return static_cast<uint16_t>(((rgb >> 19) & 0x1F) << 11 | ((rgb >> 10) & 0x3F) << 5 | ((rgb >> 3) & 0x1F));
}

}  // namespace

TEST(Gdi, OneBitDibReadsPaletteMostSignificantBitFirstAndSkipsRowPadding) {
    size_t before = platform::gdi::LiveGdiObjectCount();
    // 10 x 2, bottom-up; index 0 is white and 1 black, so a decoder that
    // ignores the palette gets every pixel wrong. Padding bytes are 0xFF.
    DibInfo dib(10, 2, 1, {0x00FFFFFF, 0x00000000});
    std::vector<uint8_t> bits = {
        0b01000000, 0b01000000, 0xFF, 0xFF,  // bottom row: pixels 1 and 9 black
        0b10110000, 0b10000000, 0xFF, 0xFF,  // top row: pixels 0, 2, 3 and 8 black
    };
    HBITMAP bitmap = dib.Create(bits);
    ASSERT_NE(bitmap, nullptr);
    BITMAP info{};
    ASSERT_EQ(GetObjectA(bitmap, sizeof info, &info), static_cast<int>(sizeof info));
    EXPECT_EQ(info.bmWidth, 10);
    EXPECT_EQ(info.bmHeight, 2);

    {
        Xrgb xrgb(10, 2);
        Rgb565 rgb565(10, 2);
        ASSERT_TRUE(Draw(bitmap, xrgb.dc) && Draw(bitmap, rgb565.dc));
        const char* expected[2] = {"#.##....#.", ".#.......#"};
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 10; ++x) {
                bool black = expected[y][x] == '#';
                EXPECT_EQ(xrgb.At(x, y), black ? 0u : 0x00FFFFFFu) << x << "," << y;
                EXPECT_EQ(rgb565.At(x, y), black ? 0u : 0xFFFFu) << x << "," << y;
            }
    }
    EXPECT_TRUE(DeleteObject(bitmap));
    EXPECT_EQ(platform::gdi::LiveGdiObjectCount(), before);
}

TEST(Gdi, FourAndEightBitDibsMapThroughTheirColourTables) {
    std::vector<uint32_t> table16(16);
    for (uint32_t i = 0; i < 16; ++i) table16[i] = i * 0x00101010 + 0x00030201;
    // 3 x 2 top-down 4-bit: nibbles high first, each row padded to 4 bytes.
    DibInfo four(3, -2, 4, table16);
    HBITMAP fourBitmap = four.Create({0x1F, 0x20, 0xEE, 0xEE, 0x34, 0x50, 0xEE, 0xEE});
    ASSERT_NE(fourBitmap, nullptr);
    Xrgb view(3, 2);
    ASSERT_TRUE(Draw(fourBitmap, view.dc));
    const int indices4[2][3] = {{1, 15, 2}, {3, 4, 5}};
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) EXPECT_EQ(view.At(x, y), table16[indices4[y][x]]) << x << "," << y;

    // 8-bit bottom-up with biClrUsed 3: index 200 lies past the table and reads black.
    DibInfo eight(3, 2, 8, {0x00FF0000, 0x0000FF00, 0x00123456});
    eight.header().biClrUsed = 3;
    HBITMAP eightBitmap = eight.Create({2, 200, 0, 0xEE, 1, 0, 2, 0xEE});
    ASSERT_NE(eightBitmap, nullptr);
    Rgb565 rgb565(3, 2);
    ASSERT_TRUE(Draw(eightBitmap, rgb565.dc));
    const uint16_t expected[2][3] = {{0x07E0, 0xF800, 0x11AA}, {0x11AA, 0x0000, 0xF800}};
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) EXPECT_EQ(rgb565.At(x, y), expected[y][x]) << x << "," << y;
    EXPECT_TRUE(DeleteObject(fourBitmap) && DeleteObject(eightBitmap));
}

TEST(Gdi, DirectColourDibsBottomUpAndTopDownConvertToEveryViewLayout) {
    const uint32_t colours[2][3] = {{0xFF0000, 0x00FF00, 0x0000FF}, {0x123456, 0xFFFFFF, 0x080408}};
    // 24-bit, 3 pixels a row = 9 bytes padded to 12 with non-zero filler.
    auto rows24 = [&](bool topDown) {
        std::vector<uint8_t> bits;
        for (int i = 0; i < 2; ++i) {
            int y = topDown ? i : 1 - i;
            for (int x = 0; x < 3; ++x) {
                uint32_t c = colours[y][x];
                bits.insert(bits.end(), {uint8_t(c), uint8_t(c >> 8), uint8_t(c >> 16)});
            }
            bits.insert(bits.end(), {0xAB, 0xAB, 0xAB});
        }
        return bits;
    };
    for (bool topDown : {false, true}) {
        SCOPED_TRACE(topDown ? "top-down" : "bottom-up");
        DibInfo dib(3, topDown ? -2 : 2, 24);
        HBITMAP bitmap = dib.Create(rows24(topDown));
        ASSERT_NE(bitmap, nullptr);
        Xrgb xrgb(3, 2);
        Rgb565 rgb565(3, 2);
        // A8R8G8B8 gets opaque alpha; X1R5G5B5 keeps its top bit clear.
        View<uint32_t> argb(3, 2, 32, 0xFF0000, 0x00FF00, 0x0000FF, 0xFF000000);
        View<uint16_t> x555(3, 2, 16, 0x7C00, 0x03E0, 0x001F);
        for (HDC dc : {xrgb.dc, rgb565.dc, argb.dc, x555.dc}) ASSERT_TRUE(Draw(bitmap, dc));
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 3; ++x) {
                uint32_t c = colours[y][x];
                EXPECT_EQ(xrgb.At(x, y), c);
                EXPECT_EQ(argb.At(x, y), 0xFF000000u | c);
                EXPECT_EQ(rgb565.At(x, y), To565(c));
                EXPECT_EQ(x555.At(x, y), ((c >> 19) & 0x1F) << 10 | ((c >> 11) & 0x1F) << 5 | ((c >> 3) & 0x1F));
            }
        EXPECT_EQ(rgb565.At(1, 0), 0x07E0);
        EXPECT_EQ(rgb565.At(0, 1), 0x11AA);  // 0x123456: r >> 3 << 11 | g >> 2 << 5 | b >> 3
        EXPECT_EQ(rgb565.At(2, 1), 0x0821);
        EXPECT_TRUE(DeleteObject(bitmap));
    }

    // 16-bit 555, 16-bit 565 bitfields and 32-bit with an unused high byte.
    DibInfo d555(2, 1, 16);
    DibInfo d565(2, 1, 16, {0xF800, 0x07E0, 0x001F}, BI_BITFIELDS);
    DibInfo d32(2, 1, 32);
    HBITMAP b555 = d555.Create({0x1F, 0x7C, 0xE0, 0x03});  // 0x7C1F magenta, 0x03E0 green
    HBITMAP b565 = d565.Create({0x00, 0xF8, 0x1F, 0x00});  // red, blue
    HBITMAP b32 = d32.Create({0x56, 0x34, 0x12, 0x00, 0x01, 0x02, 0x03, 0x77});
    ASSERT_TRUE(b555 && b565 && b32);
    Xrgb out(2, 1);
    ASSERT_TRUE(Draw(b555, out.dc));
    EXPECT_EQ(out.pixels, (std::vector<uint32_t>{0xFF00FF, 0x00FF00}));
    ASSERT_TRUE(Draw(b565, out.dc));
    EXPECT_EQ(out.pixels, (std::vector<uint32_t>{0xFF0000, 0x0000FF}));
    ASSERT_TRUE(Draw(b32, out.dc));
    EXPECT_EQ(out.pixels, (std::vector<uint32_t>{0x123456, 0x030201}));
    for (HBITMAP b : {b555, b565, b32}) EXPECT_TRUE(DeleteObject(b));
}

TEST(Gdi, BitBltClipsToBothSurfacesAndConvertsBetweenViewsAndBitmaps) {
    // A 4 x 4 bitmap whose pixel (x, y) is 0x0000yx.
    DibInfo dib(4, -4, 32);
    std::vector<uint8_t> bits;
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) bits.insert(bits.end(), {uint8_t(y << 4 | x), 0, 0, 0});
    HBITMAP bitmap = dib.Create(bits);
    ASSERT_NE(bitmap, nullptr);
    HDC memory = CreateCompatibleDC(nullptr);
    HGDIOBJ stock = SelectObject(memory, bitmap);
    ASSERT_NE(stock, nullptr);

    const uint32_t kUntouched = 0x5A5A5A5A;
    Xrgb view(3, 3);
    // Hanging off the top-left of the view: its (0,0) gets bitmap (1,1).
    ASSERT_TRUE(BitBlt(view.dc, -1, -1, 4, 4, memory, 0, 0, SRCCOPY));
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x) EXPECT_EQ(view.At(x, y), uint32_t((y + 1) << 4 | (x + 1)));

    // Off the bottom-right of the view and a negative source origin: only
    // view (2,2) gets bitmap (0,0).
    std::fill(view.pixels.begin(), view.pixels.end(), kUntouched);
    ASSERT_TRUE(BitBlt(view.dc, 1, 1, 10, 10, memory, -1, -1, SRCCOPY));
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x) EXPECT_EQ(view.At(x, y), (x == 2 && y == 2) ? 0u : kUntouched) << x << "," << y;

    // Entirely outside, empty, extreme coordinates: nothing drawn, no fault.
    std::fill(view.pixels.begin(), view.pixels.end(), kUntouched);
    EXPECT_TRUE(BitBlt(view.dc, 3, 0, 4, 4, memory, 0, 0, SRCCOPY));
    EXPECT_TRUE(BitBlt(view.dc, 0, 0, 0, 4, memory, 0, 0, SRCCOPY));
    EXPECT_TRUE(BitBlt(view.dc, INT_MIN, INT_MAX, INT_MAX, INT_MAX, memory, INT_MAX, INT_MIN, SRCCOPY));
    EXPECT_TRUE(BitBlt(view.dc, INT_MAX, 0, INT_MAX, 1, memory, 0, 0, SRCCOPY));
    EXPECT_FALSE(BitBlt(view.dc, 0, 0, -1, 1, memory, 0, 0, SRCCOPY));
    for (uint32_t p : view.pixels) EXPECT_EQ(p, kUntouched);

    // 565 view to 32-bit view widens each channel by repeating its bits, and
    // back into the bitmap through the memory DC.
    Rgb565 source(2, 1);
    source.pixels = {0xFFFF, 0x8410};
    ASSERT_TRUE(BitBlt(view.dc, 0, 0, 2, 1, source.dc, 0, 0, SRCCOPY));
    EXPECT_EQ(view.At(0, 0), 0x00FFFFFFu);
    EXPECT_EQ(view.At(1, 0), 0x00848284u);
    ASSERT_TRUE(BitBlt(memory, 2, 3, 5, 5, source.dc, 0, 0, SRCCOPY));
    const platform::gdi::BitmapObject* object = platform::gdi::FindBitmap(bitmap);
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(object->Row(3)[2], 0xFFFFFFFFu);
    EXPECT_EQ(object->Row(3)[3], 0xFF848284u);
    EXPECT_EQ(object->Row(3)[1], 0xFF000031u);

    // Overlapping copy inside one bitmap moves rows as if through a copy.
    ASSERT_TRUE(BitBlt(memory, 1, 1, 3, 3, memory, 0, 0, SRCCOPY));
    EXPECT_EQ(object->Row(1)[1], 0xFF000000u);
    EXPECT_EQ(object->Row(3)[3], 0xFF000022u);
    EXPECT_EQ(object->Row(2)[3], 0xFF000012u);

    EXPECT_EQ(SelectObject(memory, stock), static_cast<HGDIOBJ>(bitmap));
    EXPECT_TRUE(DeleteDC(memory));
    EXPECT_TRUE(DeleteObject(bitmap));
}

TEST(Gdi, AbsurdHeadersAreRefusedWithoutReadingTheBits) {
    size_t before = platform::gdi::LiveGdiObjectCount();
    // Bits on an unreadable page: any read of them faults.
    const size_t page = 4096;
    void* guard = mmap(nullptr, page, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(guard, MAP_FAILED);
    auto refused = [&](DibInfo& dib) {
        return CreateDIBitmap(nullptr, &dib.header(), CBM_INIT, guard, dib.info(), DIB_RGB_COLORS) == nullptr;
    };
    struct Case {
        const char* what;
        int width, height, bitCount;
        void (*edit)(BITMAPINFOHEADER&);
    };
    const Case cases[] = {
        {"zero width", 0, 4, 24, nullptr},
        {"negative width", -4, 4, 24, nullptr},
        {"zero height", 4, 0, 24, nullptr},
        {"side over 16384", 16385, 1, 24, nullptr},
        {"height over 16384 top-down", 1, -16385, 24, nullptr},
        {"most negative height", 1, INT_MIN, 24, nullptr},
        {"over 16 Mi pixels", 8192, 8192, 1, nullptr},
        {"unknown depth", 4, 4, 7, nullptr},
        {"run-length bits", 4, 4, 8, [](BITMAPINFOHEADER& h) { h.biCompression = 1; }},
        {"bitfields at 24 bits", 4, 4, 24, [](BITMAPINFOHEADER& h) { h.biCompression = BI_BITFIELDS; }},
        {"two planes", 4, 4, 24, [](BITMAPINFOHEADER& h) { h.biPlanes = 2; }},
        {"core header", 4, 4, 24, [](BITMAPINFOHEADER& h) { h.biSize = 12; }},
        {"huge header size", 4, 4, 24, [](BITMAPINFOHEADER& h) { h.biSize = 0x7FFFFFF0; }},
        {"image size short of the rows", 4, 4, 24, [](BITMAPINFOHEADER& h) { h.biSizeImage = 4 * 12 - 1; }},
    };
    for (const Case& c : cases) {
        DibInfo dib(c.width, c.height, c.bitCount);
        if (c.edit) c.edit(dib.header());
        EXPECT_TRUE(refused(dib)) << c.what;
    }
    // Bad masks: not contiguous, overlapping.
    DibInfo gappy(2, 2, 16, {0xF00F, 0x07E0, 0x001F}, BI_BITFIELDS);
    DibInfo overlapping(2, 2, 32, {0xFF0000, 0x01FF00, 0xFF}, BI_BITFIELDS);
    EXPECT_TRUE(refused(gappy));
    EXPECT_TRUE(refused(overlapping));

    // The bitmap's size comes from `header`, the bits' layout from `info`:
    // both are checked.
    DibInfo small(2, 2, 24), huge(20000, 2, 24);
    EXPECT_EQ(CreateDIBitmap(nullptr, &small.header(), CBM_INIT, guard, huge.info(), DIB_RGB_COLORS), nullptr);
    EXPECT_EQ(CreateDIBitmap(nullptr, &huge.header(), 0, nullptr, nullptr, 0), nullptr);
    // Missing pieces and palette-index colours.
    std::vector<uint8_t> bits(64, 0);
    EXPECT_EQ(CreateDIBitmap(nullptr, nullptr, CBM_INIT, bits.data(), small.info(), DIB_RGB_COLORS), nullptr);
    EXPECT_EQ(CreateDIBitmap(nullptr, &small.header(), CBM_INIT, nullptr, small.info(), DIB_RGB_COLORS), nullptr);
    EXPECT_EQ(CreateDIBitmap(nullptr, &small.header(), CBM_INIT, bits.data(), nullptr, DIB_RGB_COLORS), nullptr);
    EXPECT_EQ(CreateDIBitmap(nullptr, &small.header(), CBM_INIT, bits.data(), small.info(), DIB_PAL_COLORS), nullptr);
    munmap(guard, page);
    EXPECT_EQ(platform::gdi::LiveGdiObjectCount(), before);

    // Without CBM_INIT only the header counts: a blank bitmap of its size.
    HBITMAP blank = CreateDIBitmap(nullptr, &small.header(), 0, nullptr, nullptr, 0);
    ASSERT_NE(blank, nullptr);
    BITMAP info{};
    ASSERT_EQ(GetObjectA(blank, sizeof info, &info), static_cast<int>(sizeof info));
    EXPECT_EQ(info.bmWidth, 2);
    EXPECT_EQ(info.bmHeight, 2);
    EXPECT_TRUE(DeleteObject(blank));
}

TEST(Gdi, SelectionsDeletionsAndForeignDcsAreKeptStraight) {
    size_t before = platform::gdi::LiveGdiObjectCount();
    DibInfo dib(2, 2, 24);
    std::vector<uint8_t> bits(16, 0x40);
    HBITMAP a = dib.Create(bits), b = dib.Create(bits);
    ASSERT_TRUE(a && b);
    HDC first = CreateCompatibleDC(GetDC(nullptr));
    HDC second = CreateCompatibleDC(first);
    ASSERT_TRUE(first && second);
    EXPECT_EQ(platform::gdi::LiveGdiObjectCount(), before + 4);

    HGDIOBJ stock = SelectObject(first, a);
    ASSERT_NE(stock, nullptr);
    EXPECT_EQ(SelectObject(second, a), nullptr);  // a bitmap lives in one DC at a time
    EXPECT_FALSE(DeleteObject(a));                 // nor can it go while selected
    EXPECT_EQ(SelectObject(first, a), static_cast<HGDIOBJ>(a));
    EXPECT_EQ(SelectObject(first, b), static_cast<HGDIOBJ>(a));
    EXPECT_EQ(SelectObject(second, a), stock);
    EXPECT_TRUE(DeleteObject(stock));  // a stock object survives deletion
    EXPECT_EQ(SelectObject(second, stock), static_cast<HGDIOBJ>(a));
    EXPECT_TRUE(DeleteObject(a));
    EXPECT_EQ(SelectObject(second, a), nullptr);  // stale handle

    // Deleting a DC with a bitmap still selected lets the bitmap go too.
    EXPECT_FALSE(DeleteObject(b));
    EXPECT_FALSE(DeleteObject(first));  // DCs go through DeleteDC
    EXPECT_TRUE(DeleteDC(first));
    EXPECT_FALSE(DeleteDC(first));
    EXPECT_TRUE(DeleteObject(b));

    // Pixel-view DCs belong to their surface; the screen's DC has no pixels here.
    uint32_t pixels[4] = {};
    PixelView pv{reinterpret_cast<uint8_t*>(pixels), 2, 2, 8, 32, 0xFF0000, 0xFF00, 0xFF, 0};
    HDC viewDc = platform::gdi::CreatePixelViewDc(pv);
    ASSERT_NE(viewDc, nullptr);
    EXPECT_FALSE(DeleteDC(viewDc));
    EXPECT_EQ(SelectObject(viewDc, stock), nullptr);
    EXPECT_FALSE(platform::gdi::DeletePixelViewDc(second));
    EXPECT_FALSE(BitBlt(GetDC(nullptr), 0, 0, 1, 1, viewDc, 0, 0, SRCCOPY));
    EXPECT_FALSE(BitBlt(viewDc, 0, 0, 1, 1, GetDC(nullptr), 0, 0, SRCCOPY));
    EXPECT_FALSE(BitBlt(viewDc, 0, 0, 1, 1, second, 0, 0, 0x00EE0086));  // SRCPAINT
    EXPECT_EQ(CreateCompatibleDC(reinterpret_cast<HDC>(uintptr_t{0x1234})), nullptr);
    EXPECT_TRUE(platform::gdi::DeletePixelViewDc(viewDc));
    EXPECT_FALSE(platform::gdi::DeletePixelViewDc(viewDc));
    EXPECT_TRUE(DeleteDC(second));

    // Views this code cannot draw into are refused.
    const PixelView bad[] = {
        {nullptr, 2, 2, 8, 32, 0xFF0000, 0xFF00, 0xFF, 0},
        {reinterpret_cast<uint8_t*>(pixels), 2, 2, 7, 32, 0xFF0000, 0xFF00, 0xFF, 0},
        {reinterpret_cast<uint8_t*>(pixels), 2, 2, 8, 8, 0, 0, 0, 0},
        {reinterpret_cast<uint8_t*>(pixels), 2, 2, 8, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF},
        {reinterpret_cast<uint8_t*>(pixels), 2, 2, 4, 16, 0xF800, 0x07E0, 0x001F, 0x10000},
        {reinterpret_cast<uint8_t*>(pixels), 0, 2, 8, 32, 0xFF0000, 0xFF00, 0xFF, 0},
    };
    for (const PixelView& v : bad) EXPECT_EQ(platform::gdi::CreatePixelViewDc(v), nullptr);
    EXPECT_EQ(platform::gdi::LiveGdiObjectCount(), before);
}
