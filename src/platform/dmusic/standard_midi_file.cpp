// standard_midi_file.cpp — walks a Standard MIDI file's chunks and events.
#include "platform/dmusic/standard_midi_file.h"

#include <algorithm>
#include <cstring>

namespace platform::dmusic {
namespace {

// Ticks beyond this are refused: no song of ours is days long, and the
// arithmetic below stays far from overflow.
constexpr uint64_t kMaxTicks = 1ull << 40;

uint32_t Big32(const uint8_t* p) {
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}
uint16_t Big16(const uint8_t* p) { return static_cast<uint16_t>((p[0] << 8) | p[1]); }

// A variable-length quantity of at most four bytes, all inside [p, end).
bool ReadVarLen(const uint8_t*& p, const uint8_t* end, uint32_t* value) {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) {
        if (p >= end) return false;
        uint8_t b = *p++;
        v = (v << 7) | (b & 0x7F);
        if (!(b & 0x80)) {
            *value = v;
            return true;
        }
    }
    return false;
}

bool ReadTrack(const uint8_t* p, const uint8_t* end, uint64_t* endTick) {
    uint64_t tick = 0;
    uint8_t running = 0;
    while (p < end) {
        uint32_t delta = 0;
        if (!ReadVarLen(p, end, &delta)) return false;
        tick += delta;
        if (tick > kMaxTicks) return false;
        if (p >= end) return false;
        uint8_t status = *p;
        if (status & 0x80) {
            ++p;
        } else {
            if (!running) return false;  // data byte with no status to run on
            status = running;
        }
        if (status == 0xFF) {
            running = 0;
            if (p >= end) return false;
            uint8_t type = *p++;
            uint32_t length = 0;
            if (!ReadVarLen(p, end, &length) || length > static_cast<size_t>(end - p)) return false;
            p += length;
            if (type == 0x2F) break;  // end of track; anything after it is ignored
        } else if (status == 0xF0 || status == 0xF7) {
            running = 0;
            uint32_t length = 0;
            if (!ReadVarLen(p, end, &length) || length > static_cast<size_t>(end - p)) return false;
            p += length;
        } else if (status >= 0xF0) {
            return false;  // real-time and common messages have no place in a file
        } else {
            running = status;
            const int dataBytes = ((status & 0xF0) == 0xC0 || (status & 0xF0) == 0xD0) ? 1 : 2;
            if (end - p < dataBytes) return false;
            for (int i = 0; i < dataBytes; ++i) {
                if (p[i] & 0x80) return false;
            }
            p += dataBytes;
        }
    }
    *endTick = tick;
    return true;
}

}  // namespace

bool ReadMidiFileInfo(const uint8_t* data, size_t size, MidiFileInfo* info) {
    if (!data || size < 14 || std::memcmp(data, "MThd", 4) != 0) return false;
    const uint32_t headerLength = Big32(data + 4);
    if (headerLength < 6 || headerLength > size - 8) return false;
    MidiFileInfo result;
    result.format = Big16(data + 8);
    result.trackCount = Big16(data + 10);
    const uint16_t division = Big16(data + 12);
    if (result.format > 1 || result.trackCount == 0) return false;
    if ((division & 0x8000) || division == 0) return false;  // SMPTE time is not played
    result.ticksPerQuarter = division;

    size_t pos = 8 + size_t{headerLength};
    int tracksRead = 0;
    while (tracksRead < result.trackCount && size - pos >= 8) {
        const uint8_t* chunk = data + pos;
        const uint32_t length = Big32(chunk + 4);
        if (length > size - pos - 8) return false;
        if (std::memcmp(chunk, "MTrk", 4) == 0) {
            uint64_t trackEnd = 0;
            if (!ReadTrack(chunk + 8, chunk + 8 + length, &trackEnd)) return false;
            result.endTick = std::max(result.endTick, trackEnd);
            ++tracksRead;
        }
        pos += 8 + size_t{length};
    }
    if (tracksRead < result.trackCount || result.endTick == 0) return false;
    *info = result;
    return true;
}

}  // namespace platform::dmusic
