// bounded_reader.h — decoding an image from bytes in memory, for both image
// decoders (FreeImage on Linux, WIC on Windows): ImageLoadFromBytes reads
// through a reader record bounded by the bytes. Reads stop at the end, seeks
// may not leave [0, size], and an image for which the decoder asked past the
// end (a damaged one) is not a picture: null.
#pragma once

#include <climits>
#include <cstddef>
#include <cstdio>
#include <cstring>

#include "platform/image/image_decoder.h"

namespace platform::image {

struct BoundedReader {
    const unsigned char* start;
    size_t size;
    size_t position;       // never past size
    bool overran = false;  // a read found nothing left, or a seek aimed outside
};

inline unsigned BoundedRead(void* buffer, unsigned size, unsigned count, ImageHandle handle) {
    auto* reader = static_cast<BoundedReader*>(handle);
    if (size == 0) return 0;
    const size_t whole = (reader->size - reader->position) / size;
    const unsigned items = whole < count ? static_cast<unsigned>(whole) : count;
    const size_t bytes = static_cast<size_t>(items) * size;
    if (items == 0 && count > 0) reader->overran = true;
    if (bytes) std::memcpy(buffer, reader->start + reader->position, bytes);
    reader->position += bytes;
    return items;
}

inline unsigned BoundedWrite(void*, unsigned size, unsigned, ImageHandle) { return size; }

inline int BoundedSeek(ImageHandle handle, long offset, int origin) {
    auto* reader = static_cast<BoundedReader*>(handle);
    long long base = static_cast<long long>(reader->position);
    if (origin == SEEK_SET) base = 0;
    if (origin == SEEK_END) base = static_cast<long long>(reader->size);
    const long long target = base + offset;
    if (target < 0 || target > static_cast<long long>(reader->size)) {
        reader->overran = true;
        return -1;
    }
    reader->position = static_cast<size_t>(target);
    return 0;
}

inline long BoundedTell(ImageHandle handle) {
    const size_t position = static_cast<BoundedReader*>(handle)->position;
    return position > static_cast<size_t>(LONG_MAX) ? -1 : static_cast<long>(position);
}

// ImageLoadFromBytes of either decoder.
inline ImageBitmap* LoadBoundedBytes(ImageFormat format, const void* data, size_t size) {
    if (!data || format == kImageFormatUnknown) return nullptr;
    BoundedReader reader{static_cast<const unsigned char*>(data), size, 0};
    ImageIO io{BoundedRead, BoundedWrite, BoundedSeek, BoundedTell};
    ImageBitmap* image = ImageLoadFromHandle(format, &io, &reader, 0);
    // What a decoder that wanted more than there is made of the missing part
    // is not a picture.
    if (image && reader.overran) {
        ImageUnload(image);
        image = nullptr;
    }
    return image;
}

}  // namespace platform::image
