// music_segment.cpp — IDirectMusicSegment8 over a Standard MIDI file.
#include "platform/dmusic/music_segment.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace platform::dmusic {

DirectMusicSegment8Fluid::DirectMusicSegment8Fluid(std::vector<uint8_t> bytes, const MidiFileInfo& info)
    : bytes_(std::move(bytes)), info_(info) {}

HRESULT DirectMusicSegment8Fluid::GetLength(MUSIC_TIME* pmtLength) {
    if (!pmtLength) return E_POINTER;
    const uint64_t length = info_.endTick * DMUS_PPQ / static_cast<uint64_t>(info_.ticksPerQuarter);
    *pmtLength = static_cast<MUSIC_TIME>(
        std::min<uint64_t>(length, static_cast<uint64_t>(std::numeric_limits<MUSIC_TIME>::max())));
    return S_OK;
}

HRESULT DirectMusicSegment8Fluid::SetRepeats(DWORD dwRepeats) {
    repeats_ = dwRepeats;
    return S_OK;
}

HRESULT DirectMusicSegment8Fluid::GetRepeats(DWORD* pdwRepeats) {
    if (!pdwRepeats) return E_POINTER;
    *pdwRepeats = repeats_;
    return S_OK;
}

}  // namespace platform::dmusic
