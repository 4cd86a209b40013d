// fuzz_dib_bitmap.cpp — feeds the input to CreateDIBitmap (platform/win32/
// gdi_dib.cpp) as the header that sizes the bitmap, the BITMAPINFO (header,
// masks, colour table) that lays out the bits, and the bits.
//
// Input: a flags byte (1: a size header of its own follows the BITMAPINFO
// header, else the one header serves both; 2: no CBM_INIT), the 40-byte
// BITMAPINFO header, the size header when flagged, then the bytes of the rest
// of the BITMAPINFO and of the bits, zero-filled where the input ends. The
// call is given no size for the BITMAPINFO or the bits, so each is allocated
// at exactly the size Win32 says its header implies: a read past either is a
// fault of the call. Headers of more than 4 Mi pixels are skipped to keep
// each run short; the limits above that are the unit tests' to show.
//
// Checks that a made bitmap has the size header's dimensions and that a
// refusal makes no GDI object.
#include <sanitizer/common_interface_defs.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include <windows.h>

#include "platform/win32/gdi_objects.h"

namespace {

constexpr size_t kHeaderBytes = sizeof(BITMAPINFOHEADER);
static_assert(kHeaderBytes == 40);
constexpr uint64_t kMaxPixels = 4u << 20;

// A broken promise is a finding: said through the sanitizer's report
// channel (libFuzzer may have closed stderr), then an abort.
void Require(bool condition, const char* what) {
    if (condition) return;
    __sanitizer_report_error_summary((std::string("fuzz_dib_bitmap: ") + what).c_str());
    std::abort();
}

// Bytes from the input, zero-filled past its end.
class Input {
public:
    Input(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    void Take(void* out, size_t bytes) {
        const size_t have = std::min(bytes, size_ - at_);
        if (have) std::memcpy(out, data_ + at_, have);
        std::memset(static_cast<uint8_t*>(out) + have, 0, bytes - have);
        at_ += have;
    }

private:
    const uint8_t* data_;
    size_t size_;
    size_t at_ = 0;
};

uint64_t Pixels(const BITMAPINFOHEADER& h) {
    const uint64_t width = h.biWidth > 0 ? static_cast<uint64_t>(h.biWidth) : 0;
    const uint64_t height = h.biHeight < 0 ? -static_cast<int64_t>(h.biHeight) : h.biHeight;
    return width * height;
}

// The BITMAPINFO's size: its header, then the masks of BI_BITFIELDS after a
// header too small to hold them, or the colour table of 1 to 8 bits.
size_t InfoBytes(const BITMAPINFOHEADER& h) {
    const size_t header = h.biSize >= kHeaderBytes && h.biSize <= 124 ? h.biSize : kHeaderBytes;
    size_t table = 0;
    if (h.biBitCount == 1 || h.biBitCount == 4 || h.biBitCount == 8) {
        const DWORD full = 1u << h.biBitCount;
        table = 4 * static_cast<size_t>(h.biClrUsed == 0 ? full : std::min(h.biClrUsed, full));
    } else if ((h.biBitCount == 16 || h.biBitCount == 32) && h.biCompression == BI_BITFIELDS && header < 52) {
        table = 12;
    }
    return header + table;
}

// Rows padded to 4 bytes, as many as the BITMAPINFO's height.
uint64_t BitsBytes(const BITMAPINFOHEADER& h) {
    const uint64_t width = h.biWidth > 0 ? static_cast<uint64_t>(h.biWidth) : 0;
    const uint64_t height = h.biHeight < 0 ? -static_cast<int64_t>(h.biHeight) : h.biHeight;
    return (width * h.biBitCount + 31) / 32 * 4 * height;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Input in(data, size);
    uint8_t flags = 0;
    in.Take(&flags, 1);
    BITMAPINFOHEADER layout;
    in.Take(&layout, kHeaderBytes);
    BITMAPINFOHEADER sizing = layout;
    if (flags & 1) in.Take(&sizing, kHeaderBytes);
    const DWORD init = (flags & 2) ? 0 : CBM_INIT;
    if (Pixels(layout) > kMaxPixels || Pixels(sizing) > kMaxPixels) return 0;

    const size_t infoBytes = InfoBytes(layout);
    std::unique_ptr<uint8_t[]> info(new uint8_t[infoBytes]);
    std::memcpy(info.get(), &layout, kHeaderBytes);
    in.Take(info.get() + kHeaderBytes, infoBytes - kHeaderBytes);
    const uint64_t bitsBytes = init ? BitsBytes(layout) : 0;
    if (bitsBytes > kMaxPixels * 4) return 0;  // depths past 32 bits, which are refused anyway
    std::unique_ptr<uint8_t[]> bits(new uint8_t[bitsBytes ? bitsBytes : 1]);
    in.Take(bits.get(), bitsBytes);

    const size_t before = platform::gdi::LiveGdiObjectCount();
    HBITMAP bitmap = CreateDIBitmap(nullptr, &sizing, init, init ? bits.get() : nullptr,
                                    init ? reinterpret_cast<const BITMAPINFO*>(info.get()) : nullptr, DIB_RGB_COLORS);
    if (!bitmap) {
        Require(platform::gdi::LiveGdiObjectCount() == before, "a refused bitmap left a GDI object");
        return 0;
    }
    BITMAP made{};
    Require(GetObjectA(bitmap, sizeof made, &made) == static_cast<int>(sizeof made), "the bitmap cannot be read");
    Require(made.bmWidth == sizing.biWidth && static_cast<uint64_t>(made.bmWidth) * made.bmHeight == Pixels(sizing),
            "the bitmap's size is not the size header's");
    Require(DeleteObject(bitmap), "the bitmap cannot be deleted");
    return 0;
}
