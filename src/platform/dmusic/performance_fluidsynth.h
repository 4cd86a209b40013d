// performance_fluidsynth.h — IDirectMusicPerformance8 playing segments with
// FluidSynth's MIDI player on the default port (synth_port.h).
//
// Init must come first; the global parameters may be set before or after
// AddPort and take effect at once: the master volume, in hundredths of a
// decibel, scales the synthesizer's gain by 10^(volume / 2000) from its level
// at 0; the master tempo multiplies the file's own tempo. PlaySegment starts
// the segment at once (the boundary flags have nothing to wait for with one
// segment) and replaces the segment playing. Stop releases the notes that
// sound; CloseDown stops, closes the port and ends the performance, and
// Release of the last reference does it when the owner did not.
#pragma once

#include <dmusici.h>

namespace platform::dmusic {

// The synthesizer's gain at a master volume of 0: leaves the loudest song
// of ours headroom at DMUS_VOLUME_MAX (+20 dB would be too much for any song,
// so the headroom is for +7.5 dB, the most the saver sets).
constexpr float kGainAtZeroVolume = 0.3f;

// CoCreateInstance's work for CLSID_DirectMusicPerformance.
HRESULT CreatePerformance(REFIID riid, LPVOID* out);

}  // namespace platform::dmusic
