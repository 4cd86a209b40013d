// Painting into a window: BitBlt into the DC of BeginPaint lands in the
// window's picture, the black class background is erased only when the
// window asked for it, the picture follows the client size, and a window in
// a foreign parent follows that parent's size.
#include <gtest/gtest.h>
#include <windows.h>

#include <vector>

#include "platform/platform_testing.h"

namespace {

class WindowDcTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::SelectWindowBackend(platform::WindowBackend::Headless);
        WNDCLASSA wc{};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
        wc.lpszClassName = "WindowDcTest";
        ASSERT_NE(RegisterClassA(&wc), 0);
    }
    void TearDown() override { platform::SelectWindowBackend(platform::WindowBackend::Headless); }

    // A 3 x 2 bitmap of distinct colours.
    static HBITMAP Picture() {
        const uint32_t bits[6] = {0x00112233, 0x00445566, 0x00778899, 0x00AABBCC, 0x00DDEEFF, 0x00102030};
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = 3;
        info.bmiHeader.biHeight = -2;  // top-down
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        return CreateDIBitmap(GetDC(nullptr), &info.bmiHeader, CBM_INIT, bits, &info, DIB_RGB_COLORS);
    }

    static void Paint(HWND window, HBITMAP bitmap, int x, int y) {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        HDC memory = CreateCompatibleDC(dc);
        HGDIOBJ old = SelectObject(memory, bitmap);
        EXPECT_TRUE(BitBlt(dc, x, y, 3, 2, memory, 0, 0, SRCCOPY));
        SelectObject(memory, old);
        DeleteDC(memory);
        EndPaint(window, &paint);
    }

    static std::vector<uint32_t> Image(HWND window, int* width, int* height) {
        std::vector<uint32_t> pixels;
        EXPECT_TRUE(platform::ReadWindowImage(window, &pixels, width, height));
        return pixels;
    }
};

TEST_F(WindowDcTest, BitBltPaintsTheWindowAndEraseHappensOnlyWhenAskedFor) {
    HWND window = CreateWindowExA(0, "WindowDcTest", "", WS_POPUP | WS_VISIBLE, 10, 10, 8, 5, nullptr, nullptr,
                                  nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    HBITMAP bitmap = Picture();
    ASSERT_NE(bitmap, nullptr);

    Paint(window, bitmap, 4, 2);
    int width = 0, height = 0;
    std::vector<uint32_t> image = Image(window, &width, &height);
    ASSERT_EQ(width, 8);
    ASSERT_EQ(height, 5);
    EXPECT_EQ(image[2 * 8 + 4], 0x112233u);
    EXPECT_EQ(image[2 * 8 + 6], 0x778899u);
    EXPECT_EQ(image[3 * 8 + 5], 0xDDEEFFu);
    EXPECT_EQ(image[0], 0u);
    EXPECT_EQ(image[4 * 8 + 7], 0u);  // clipped: the bitmap's last row is at y 3

    // A second paint in the same update (what DefWindowProcA does after the
    // application) erases nothing: the picture stays.
    PAINTSTRUCT paint;
    BeginPaint(window, &paint);
    EXPECT_FALSE(paint.fErase);
    EndPaint(window, &paint);
    EXPECT_EQ(Image(window, &width, &height), image);

    // Invalidated with erase: the class's black background first.
    InvalidateRect(window, nullptr, TRUE);
    Paint(window, bitmap, 0, 0);
    image = Image(window, &width, &height);
    EXPECT_EQ(image[0], 0x112233u);
    EXPECT_EQ(image[2 * 8 + 4], 0u);

    // The screen has no pixels; the picture follows the client size.
    HDC memory = CreateCompatibleDC(nullptr);
    EXPECT_FALSE(BitBlt(GetDC(nullptr), 0, 0, 1, 1, memory, 0, 0, SRCCOPY));
    DeleteDC(memory);
    SetWindowPos(window, nullptr, 0, 0, 20, 3, SWP_NOMOVE | SWP_NOZORDER);
    image = Image(window, &width, &height);
    EXPECT_EQ(width, 20);
    EXPECT_EQ(height, 3);
    DeleteObject(bitmap);
    DestroyWindow(window);
    EXPECT_FALSE(platform::ReadWindowImage(window, &image, &width, &height));
}

TEST_F(WindowDcTest, AChildOfAForeignWindowFollowsItsSize) {
    constexpr uintptr_t kParent = 0x777;
    platform::HeadlessAddForeignWindow(kParent, 120, 90);
    std::vector<LPARAM> sizes;
    static std::vector<LPARAM>* seen = nullptr;
    seen = &sizes;
    WNDCLASSA wc{};
    wc.lpfnWndProc = [](HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) -> LRESULT {
        if (msg == WM_SIZE) seen->push_back(lParam);
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    };
    wc.lpszClassName = "WindowDcTestChild";
    ASSERT_NE(RegisterClassA(&wc), 0);
    HWND child = CreateWindowExA(0, "WindowDcTestChild", "", WS_CHILD | WS_VISIBLE, 0, 0, 120, 90,
                                 reinterpret_cast<HWND>(kParent), nullptr, nullptr, nullptr);
    ASSERT_NE(child, nullptr);
    platform::HeadlessResizeForeignWindow(kParent, 300, 200);
    RECT client{};
    GetClientRect(child, &client);
    EXPECT_EQ(client.right, 300);
    EXPECT_EQ(client.bottom, 200);
    EXPECT_EQ(sizes, (std::vector<LPARAM>{MAKELPARAM(120, 90), MAKELPARAM(300, 200)}));
    MSG msg{};
    EXPECT_TRUE(PeekMessageA(&msg, child, WM_PAINT, WM_PAINT, PM_NOREMOVE));  // repainted at its new size
    DestroyWindow(child);
}

}  // namespace
