// standard_midi_file.h — the checks a Standard MIDI file passes before the
// synthesizer's player gets it.
//
// Reads the header and walks every event of every track, so that a damaged
// or truncated file is refused here and never reaches the player. Accepts
// formats 0 and 1 with a division in ticks per quarter note; refuses format 2,
// SMPTE divisions, and files whose tracks end at tick 0 (nothing to play or
// loop). A track without its end-of-track event ends at its last event.
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform::dmusic {

struct MidiFileInfo {
    int format = 0;
    int trackCount = 0;
    int ticksPerQuarter = 0;
    uint64_t endTick = 0;  // where the longest track ends
};

bool ReadMidiFileInfo(const uint8_t* data, size_t size, MidiFileInfo* info);

}  // namespace platform::dmusic
