// image_decoder_wic.cpp — image_decoder.h on the Windows Imaging Component.
//
// WIC decodes the file, its format converter turns every picture into 32-bit
// BGRA, and we pack that into a 24-bit DIB: rows bottom-up and DWORD-aligned,
// BI_RGB, no palette. CreateDIBitmap gives the same bitmap from it as from
// the layout the Linux build keeps (which may be 1 or 8 bits with a palette);
// only JPEG pixels may differ by a few levels, each codec rounding its own way.
// Converting through 32-bit BGRA rather than 24-bit BGR is deliberate: not
// every WIC can turn a 1-bit BMP into 24 bits, every one gives BGRA.
//
// Loads read through an IStream of our own over the reader record, so the
// bounded memory reader of ImageLoadFromBytes sees every read the decoder
// makes, as it does on Linux. COM: the thread needs an apartment for WIC;
// ImageInitialise enters one and ImageDeInitialise leaves it, and each load
// enters one for its own length too, so a load works on any thread.
#include "platform/image/image_decoder.h"

#include <windows.h>
#include <wincodec.h>

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "platform/image/bounded_reader.h"

struct ImageBitmap {
    BITMAPINFO info{};  // header, then no palette (24 bits)
    std::vector<BYTE> bits;
};

namespace {

// The calls to ImageInitialise on this thread whose CoInitializeEx succeeded
// and still await their CoUninitialize. A thread that is already in the
// multi-threaded apartment refuses every such call, so a count is enough.
thread_local int comInitialised = 0;

// One reference to a COM object, released on scope exit.
template <typename T>
class ComRef {
public:
    ComRef() = default;
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;
    ~ComRef() {
        if (object_) object_->Release();
    }
    T* operator->() const { return object_; }
    T* get() const { return object_; }
    T** out() { return &object_; }
    void** outVoid() { return reinterpret_cast<void**>(&object_); }

private:
    T* object_ = nullptr;
};

// Enters a single-threaded apartment for a scope; a thread already in the
// multi-threaded one can use COM as it is.
class ComScope {
public:
    ComScope() : entered_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;
    ~ComScope() {
        if (entered_) CoUninitialize();
    }

private:
    bool entered_;
};

// ---- the stream over a reader record ---------------------------------------------

// Positions are counted from where the reader stood when the stream was made:
// decoders expect the image to start at 0.
class ReaderStream final : public IStream {
public:
    ReaderStream(const ImageIO& io, ImageHandle handle, long start) : io_(io), handle_(handle), start_(start) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_ISequentialStream) || IsEqualIID(iid, IID_IStream)) {
            *out = static_cast<IStream*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&references_)); }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG left = InterlockedDecrement(&references_);
        if (left == 0) delete this;
        return static_cast<ULONG>(left);
    }

    // A short read answers S_OK with the count, as memory streams do.
    HRESULT STDMETHODCALLTYPE Read(void* buffer, ULONG size, ULONG* done) override {
        if (done) *done = 0;
        if (!buffer) return STG_E_INVALIDPOINTER;
        if (size == 0) return S_OK;
        const unsigned got = io_.read_proc(buffer, 1, size, handle_);
        if (done) *done = got < size ? got : size;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Write(const void*, ULONG, ULONG* done) override {
        if (done) *done = 0;
        return STG_E_ACCESSDENIED;
    }
    HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* position) override {
        long long offset = move.QuadPart;
        int whence = SEEK_CUR;
        if (origin == STREAM_SEEK_SET) {
            offset += start_;
            whence = SEEK_SET;
        } else if (origin == STREAM_SEEK_END) {
            whence = SEEK_END;
        } else if (origin != STREAM_SEEK_CUR) {
            return STG_E_INVALIDFUNCTION;
        }
        if (offset < LONG_MIN || offset > LONG_MAX) return STG_E_SEEKERROR;
        if (io_.seek_proc(handle_, static_cast<long>(offset), whence) != 0) return STG_E_SEEKERROR;
        const long at = io_.tell_proc(handle_);
        if (at < start_) return STG_E_SEEKERROR;
        if (position) position->QuadPart = static_cast<ULONGLONG>(at - start_);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER) override { return STG_E_INVALIDFUNCTION; }
    HRESULT STDMETHODCALLTYPE CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Commit(DWORD) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Revert() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override {
        return STG_E_INVALIDFUNCTION;
    }
    HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override {
        return STG_E_INVALIDFUNCTION;
    }
    // The size is found by a trip to the end and back.
    HRESULT STDMETHODCALLTYPE Stat(STATSTG* stat, DWORD) override {
        if (!stat) return STG_E_INVALIDPOINTER;
        const long here = io_.tell_proc(handle_);
        if (here < 0 || io_.seek_proc(handle_, 0, SEEK_END) != 0) return STG_E_ACCESSDENIED;
        const long end = io_.tell_proc(handle_);
        if (io_.seek_proc(handle_, here, SEEK_SET) != 0 || end < start_) return STG_E_ACCESSDENIED;
        std::memset(stat, 0, sizeof *stat);
        stat->type = STGTY_STREAM;
        stat->cbSize.QuadPart = static_cast<ULONGLONG>(end - start_);
        stat->grfMode = STGM_READ;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Clone(IStream** out) override {
        if (out) *out = nullptr;
        return E_NOTIMPL;
    }

private:
    ~ReaderStream() = default;

    LONG references_ = 1;
    ImageIO io_;
    ImageHandle handle_;
    long start_;
};

// ---- decoding ------------------------------------------------------------------

const GUID* ContainerOf(ImageFormat format) {
    switch (format) {
        case kImageFormatBmp:
            return &GUID_ContainerFormatBmp;
        case kImageFormatJpeg:
            return &GUID_ContainerFormatJpeg;
        case kImageFormatPng:
            return &GUID_ContainerFormatPng;
        default:
            return nullptr;
    }
}

size_t DibStride(int width, int bitsPerPixel) {
    return (static_cast<size_t>(width) * static_cast<size_t>(bitsPerPixel) + 31) / 32 * 4;
}

BITMAPINFOHEADER DibHeader(int width, int height, int bitsPerPixel, LONG pelsPerMeterX, LONG pelsPerMeterY) {
    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = height;  // positive: bottom-up
    header.biPlanes = 1;
    header.biBitCount = static_cast<WORD>(bitsPerPixel);
    header.biCompression = BI_RGB;
    header.biSizeImage = static_cast<DWORD>(DibStride(width, bitsPerPixel) * static_cast<size_t>(height));
    header.biXPelsPerMeter = pelsPerMeterX;
    header.biYPelsPerMeter = pelsPerMeterY;
    return header;
}

// 72 dots per inch, where a file gives no resolution.
constexpr LONG kDefaultPelsPerMeter = 2835;

LONG PelsPerMeter(double dpi) {
    if (!(dpi > 0.0 && dpi < 1.0e6)) return kDefaultPelsPerMeter;
    return static_cast<LONG>(std::lround(dpi / 0.0254));
}

// Decodes the first frame of `stream` as `format`. The frame's size is checked
// before any pixel is asked for; the pixels then come through the converter a
// band of rows at a time, so the BGRA copy stays small.
std::unique_ptr<ImageBitmap> Decode(ImageFormat format, IStream* stream) {
    const GUID* container = ContainerOf(format);
    if (!container) return nullptr;
    ComScope apartment;

    ComRef<IWICImagingFactory> factory;
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                factory.outVoid())))
        return nullptr;
    ComRef<IWICBitmapDecoder> decoder;
    if (FAILED(factory->CreateDecoder(*container, nullptr, decoder.out()))) return nullptr;
    if (FAILED(decoder->Initialize(stream, WICDecodeMetadataCacheOnDemand))) return nullptr;
    ComRef<IWICBitmapFrameDecode> frame;
    if (FAILED(decoder->GetFrame(0, frame.out()))) return nullptr;

    UINT width = 0;
    UINT height = 0;
    if (FAILED(frame->GetSize(&width, &height))) return nullptr;
    if (width == 0 || height == 0 || width > kMaxImageSide || height > kMaxImageSide ||
        static_cast<uint64_t>(width) * height > kMaxImagePixels)
        return nullptr;

    double dpiX = 0.0;
    double dpiY = 0.0;
    if (FAILED(frame->GetResolution(&dpiX, &dpiY))) dpiX = dpiY = 0.0;

    ComRef<IWICFormatConverter> converter;
    if (FAILED(factory->CreateFormatConverter(converter.out()))) return nullptr;
    if (FAILED(converter->Initialize(frame.get(), GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone, nullptr, 0.0,
                                     WICBitmapPaletteTypeCustom)))
        return nullptr;

    const int w = static_cast<int>(width);
    const int h = static_cast<int>(height);
    auto image = std::make_unique<ImageBitmap>();
    image->info.bmiHeader = DibHeader(w, h, 24, PelsPerMeter(dpiX), PelsPerMeter(dpiY));
    const size_t stride = DibStride(w, 24);
    image->bits.assign(stride * height, 0);

    const UINT bgraStride = width * 4;
    const int bandRows = static_cast<int>(UINT(1) << 20) / static_cast<int>(bgraStride) + 1;
    std::vector<BYTE> band(static_cast<size_t>(bgraStride) * static_cast<size_t>(bandRows < h ? bandRows : h));
    for (int top = 0; top < h; top += bandRows) {
        const int rows = h - top < bandRows ? h - top : bandRows;
        const WICRect rect{0, top, w, rows};
        if (FAILED(converter->CopyPixels(&rect, bgraStride, bgraStride * static_cast<UINT>(rows), band.data())))
            return nullptr;
        for (int r = 0; r < rows; ++r) {
            const BYTE* source = band.data() + static_cast<size_t>(r) * bgraStride;
            BYTE* target = image->bits.data() + static_cast<size_t>(h - 1 - (top + r)) * stride;
            for (int x = 0; x < w; ++x) {
                target[x * 3 + 0] = source[x * 4 + 0];
                target[x * 3 + 1] = source[x * 4 + 1];
                target[x * 3 + 2] = source[x * 4 + 2];
            }
        }
    }
    return image;
}

// ---- the file reader ------------------------------------------------------------

unsigned FileRead(void* buffer, unsigned size, unsigned count, ImageHandle handle) {
    return static_cast<unsigned>(std::fread(buffer, size, count, static_cast<FILE*>(handle)));
}

unsigned FileWrite(void* buffer, unsigned size, unsigned count, ImageHandle handle) {
    return static_cast<unsigned>(std::fwrite(buffer, size, count, static_cast<FILE*>(handle)));
}

int FileSeek(ImageHandle handle, long offset, int origin) {
    return std::fseek(static_cast<FILE*>(handle), offset, origin);
}

long FileTell(ImageHandle handle) { return std::ftell(static_cast<FILE*>(handle)); }

// ---- encoding ------------------------------------------------------------------

// A BMP file of 24 bits, or of 1 bit with the palette black, white.
bool EncodeBmp(int width, int height, const uint32_t* pixels, int bitsPerPixel, std::vector<unsigned char>* out) {
    const size_t stride = DibStride(width, bitsPerPixel);
    const DWORD colours = bitsPerPixel == 1 ? 2 : 0;
    const size_t offset = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER) + colours * sizeof(RGBQUAD);
    const size_t total = offset + stride * static_cast<size_t>(height);
    if (total > 0xFFFFFFFFu) return false;

    std::vector<unsigned char> file(total, 0);
    BITMAPFILEHEADER fileHeader{};
    fileHeader.bfType = 0x4D42;  // "BM"
    fileHeader.bfSize = static_cast<DWORD>(total);
    fileHeader.bfOffBits = static_cast<DWORD>(offset);
    BITMAPINFOHEADER header = DibHeader(width, height, bitsPerPixel, kDefaultPelsPerMeter, kDefaultPelsPerMeter);
    header.biClrUsed = colours;
    std::memcpy(file.data(), &fileHeader, sizeof fileHeader);
    std::memcpy(file.data() + sizeof fileHeader, &header, sizeof header);
    if (colours) {
        const RGBQUAD palette[2] = {{0, 0, 0, 0}, {255, 255, 255, 0}};
        std::memcpy(file.data() + sizeof fileHeader + sizeof header, palette, sizeof palette);
    }

    for (int y = 0; y < height; ++y) {
        const uint32_t* source = pixels + static_cast<size_t>(y) * static_cast<size_t>(width);
        unsigned char* row = file.data() + offset + static_cast<size_t>(height - 1 - y) * stride;
        for (int x = 0; x < width; ++x) {
            const uint32_t p = source[x];
            const BYTE blue = static_cast<BYTE>(p);
            const BYTE green = static_cast<BYTE>(p >> 8);
            const BYTE red = static_cast<BYTE>(p >> 16);
            if (bitsPerPixel == 24) {
                row[x * 3 + 0] = blue;
                row[x * 3 + 1] = green;
                row[x * 3 + 2] = red;
            } else {
                // Rec. 709 luma, rounded, as the Linux build's threshold sees it.
                const int grey = static_cast<int>(0.2126f * red + 0.7152f * green + 0.0722f * blue + 0.5f);
                if (grey >= 128) row[x >> 3] |= static_cast<unsigned char>(0x80 >> (x & 7));
            }
        }
    }
    out->swap(file);
    return true;
}

}  // namespace

void ImageInitialise(bool) {
    const HRESULT result = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    // S_FALSE too: the apartment was there, but the call still counts.
    if (SUCCEEDED(result)) ++comInitialised;
}

void ImageDeInitialise() {
    if (comInitialised == 0) return;
    --comInitialised;
    CoUninitialize();
}

// The formats WIC decodes here, by extension or by the format's own name,
// case aside; a name without a dot is taken whole.
ImageFormat ImageFormatFromFilename(const char* fileName) {
    if (!fileName) return kImageFormatUnknown;
    const char* dot = std::strrchr(fileName, '.');
    const char* extension = dot ? dot + 1 : fileName;
    static const struct {
        const char* name;
        ImageFormat format;
    } kNames[] = {
        {"bmp", kImageFormatBmp},   {"jpg", kImageFormatJpeg}, {"jif", kImageFormatJpeg},
        {"jpeg", kImageFormatJpeg}, {"jpe", kImageFormatJpeg}, {"png", kImageFormatPng},
    };
    for (const auto& entry : kNames) {
        if (lstrcmpiA(extension, entry.name) == 0) return entry.format;
    }
    return kImageFormatUnknown;
}

ImageBitmap* ImageLoadFromBytes(ImageFormat format, const void* data, size_t size) {
    return platform::image::LoadBoundedBytes(format, data, size);
}

ImageBitmap* ImageLoadFromHandle(ImageFormat format, ImageIO* io, ImageHandle handle, int) {
    if (!io || !io->read_proc || !io->seek_proc || !io->tell_proc || !ContainerOf(format)) return nullptr;
    const long start = io->tell_proc(handle);
    if (start < 0) return nullptr;
    ReaderStream* stream = new (std::nothrow) ReaderStream(*io, handle, start);
    if (!stream) return nullptr;
    ImageBitmap* image = nullptr;
    try {
        image = Decode(format, stream).release();
    } catch (...) {
        image = nullptr;
    }
    stream->Release();
    return image;
}

ImageBitmap* ImageLoad(ImageFormat format, const char* path, int flags) {
    if (!path || !ContainerOf(format)) return nullptr;
    FILE* file = std::fopen(path, "rb");
    if (!file) return nullptr;
    ImageIO io{FileRead, FileWrite, FileSeek, FileTell};
    ImageBitmap* image = ImageLoadFromHandle(format, &io, file, flags);
    std::fclose(file);
    return image;
}

// The decoded image has no alpha channel, so there is nothing to switch.
void ImageSetTransparent(ImageBitmap*, bool) {}

const void* ImageGetInfo(ImageBitmap* image) { return image ? &image->info : nullptr; }

const void* ImageGetInfoHeader(ImageBitmap* image) { return image ? &image->info.bmiHeader : nullptr; }

const void* ImageGetBits(ImageBitmap* image) { return image ? image->bits.data() : nullptr; }

void ImageUnload(ImageBitmap* image) { delete image; }

// BMP only: the other formats are written by the Linux tools alone.
bool ImageEncode(ImageFormat format, int width, int height, const uint32_t* pixels, int bitsPerPixel,
                 std::vector<unsigned char>* out) {
    if (format != kImageFormatBmp || !pixels || !out || width <= 0 || height <= 0 || width > kMaxImageSide ||
        height > kMaxImageSide || (bitsPerPixel != 24 && bitsPerPixel != 1))
        return false;
    try {
        return EncodeBmp(width, height, pixels, bitsPerPixel, out);
    } catch (...) {
        return false;
    }
}
