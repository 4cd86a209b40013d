// music_segment.h — IDirectMusicSegment8 over a Standard MIDI file.
//
// The segment keeps its own copy of the file and the facts the loader read
// from it. Its length is the longest track's end in music time (DMUS_PPQ
// parts of a quarter note). Repeats are read when the segment starts playing:
// 0 plays it once, n plays it n + 1 times, DMUS_SEG_REPEAT_INFINITE loops.
#pragma once

#include <dmusici.h>

#include <cstdint>
#include <vector>

#include "platform/com_object.h"
#include "platform/dmusic/standard_midi_file.h"

namespace platform::dmusic {

class DirectMusicSegment8Fluid final
    : public ComObject<IDirectMusicSegment8, E_POINTER, IID_IUnknown, IID_IDirectMusicSegment,
                       IID_IDirectMusicSegment8> {
public:
    DirectMusicSegment8Fluid(std::vector<uint8_t> bytes, const MidiFileInfo& info);

    HRESULT GetLength(MUSIC_TIME* pmtLength) override;
    HRESULT SetRepeats(DWORD dwRepeats) override;
    HRESULT GetRepeats(DWORD* pdwRepeats) override;

    const std::vector<uint8_t>& Bytes() const { return bytes_; }
    DWORD Repeats() const { return repeats_; }

private:
    ~DirectMusicSegment8Fluid() = default;
    std::vector<uint8_t> bytes_;
    MidiFileInfo info_;
    DWORD repeats_ = 0;
};

}  // namespace platform::dmusic
