// synth_port.h — the performance's default port: a FluidSynth synthesizer
// with a General MIDI soundfont, heard through an SDL2 audio device, or
// rendered on demand when the offline output is selected (tests).
//
// Either way the same synthesizer produces the samples, and a MIDI player
// attached to it advances with the samples rendered. The audio device pulls
// them on SDL's audio thread; Lock keeps that thread out while the caller
// changes the synthesizer or its player. Gain changes reach notes already
// sounding.
#pragma once

#include <fluidsynth.h>

#include <windows.h>

#include <memory>
#include <string>

namespace platform::dmusic {

// The soundfont the port loads: the one a test chose, else the first General
// MIDI soundfont found on the system; empty when there is none.
std::string ChosenSoundFont();

class SynthPort {
public:
    // DMUS_E_SYNTHNOTCONFIGURED without a usable soundfont,
    // DMUS_E_CANNOT_OPEN_PORT without an audio device.
    static HRESULT Open(std::unique_ptr<SynthPort>* out);
    ~SynthPort();
    SynthPort(const SynthPort&) = delete;
    SynthPort& operator=(const SynthPort&) = delete;

    fluid_synth_t* Synth() const { return synth_; }
    int SampleRate() const { return sampleRate_; }
    bool IsOffline() const { return device_ == 0; }

    void Lock();
    void Unlock();
    // Offline only: the next `frames` stereo frames, interleaved.
    void Render(float* interleaved, size_t frames);

private:
    SynthPort() = default;
    static void AudioCallback(void* userdata, uint8_t* stream, int length);

    fluid_settings_t* settings_ = nullptr;
    fluid_synth_t* synth_ = nullptr;
    uint32_t device_ = 0;  // SDL audio device; 0 for the offline output
    bool sdlAudio_ = false;
    int sampleRate_ = 44100;
};

}  // namespace platform::dmusic
