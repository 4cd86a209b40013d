// fuzz_image_decoder.cpp — feeds the input as an image resource to
// ImageLoadFromBytes (platform/image/image_decoder.h), the bounded reader the
// texture loader reads resources through; a
// decoded image goes on to CreateDIBitmap as the texture loader hands it over.
// The input also goes to DecodeBmpFile (platform/win32/
// resources_freeimage.h), the decoder of LoadBitmapA.
//
// The format comes from the input's signature (BMP, JPEG or PNG; BMP when
// there is none). Checks that the size guard holds for every image let
// through and that a decoded bitmap has the pixels its size says.
#include <sanitizer/common_interface_defs.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <windows.h>

#include "platform/image/image_decoder.h"
#include "platform/win32/resources_freeimage.h"

namespace {

// A broken promise is a finding: said through the sanitizer's report
// channel (libFuzzer may have closed stderr), then an abort.
void Require(bool condition, const char* what) {
    if (condition) return;
    __sanitizer_report_error_summary((std::string("fuzz_image_decoder: ") + what).c_str());
    std::abort();
}

ImageFormat FormatOf(const uint8_t* data, size_t size) {
    if (size >= 3 && std::memcmp(data, "\xFF\xD8\xFF", 3) == 0) return ImageFormatFromFilename("resource.jpg");
    if (size >= 4 && std::memcmp(data, "\x89PNG", 4) == 0) return ImageFormatFromFilename("resource.png");
    return ImageFormatFromFilename("resource.bmp");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    ImageInitialise(false);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ImageBitmap* image = ImageLoadFromBytes(FormatOf(data, size), data, size);
    if (image) {
        ImageSetTransparent(image, false);
        const auto* header = static_cast<const BITMAPINFOHEADER*>(ImageGetInfoHeader(image));
        Require(header != nullptr, "a decoded image has no header");
        const int64_t width = header->biWidth;
        const int64_t height = header->biHeight < 0 ? -static_cast<int64_t>(header->biHeight) : header->biHeight;
        Require(width > 0 && height > 0 && width <= kMaxImageSide && height <= kMaxImageSide &&
                    static_cast<uint64_t>(width * height) <= kMaxImagePixels,
                "an image past the size guard was decoded");
        HBITMAP bitmap = CreateDIBitmap(nullptr, header, CBM_INIT, ImageGetBits(image),
                                        static_cast<const BITMAPINFO*>(ImageGetInfo(image)), DIB_RGB_COLORS);
        if (bitmap) DeleteObject(bitmap);
    }
    if (image) ImageUnload(image);

    platform::DecodedBitmap decoded;
    if (platform::DecodeBmpFile(data, size, &decoded)) {
        Require(decoded.width > 0 && decoded.height > 0 &&
                    decoded.pixels.size() == static_cast<size_t>(decoded.width) * static_cast<size_t>(decoded.height),
                "a decoded bitmap does not hold its pixels");
    }
    return 0;
}
