// Helpers for the music tests: small Standard MIDI files written on the spot,
// and level measurements of rendered audio (interleaved stereo floats).
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <unistd.h>
#include <vector>

namespace dmusictest {

// True when one of the General MIDI soundfonts the platform looks for exists.
inline bool SoundFontInstalled() {
    for (const char* path : {"/usr/share/sounds/sf2/FluidR3_GM.sf2", "/usr/share/sounds/sf2/default-GM.sf2",
                             "/usr/share/sounds/sf2/TimGM6mb.sf2"}) {
        if (access(path, R_OK) == 0) return true;
    }
    return false;
}

// A format-0 file at 120 beats a minute, 480 ticks a quarter: one short
// closed hi-hat (channel 10) at tick 0, the track ending at `endTick`
// (1920 = one 4/4 bar = 2 seconds).
inline std::vector<uint8_t> ClickFile(uint32_t endTick = 1920) {
    std::vector<uint8_t> track = {
        0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20,  // tempo 500000 us a quarter
        0x00, 0x99, 42, 110,                       // note on, channel 10
        0x3C, 0x89, 42, 0,                         // note off 60 ticks later
    };
    uint32_t rest = endTick - 60;
    std::vector<uint8_t> delta;
    delta.push_back(rest & 0x7F);
    while (rest >>= 7) delta.insert(delta.begin(), static_cast<uint8_t>(0x80 | (rest & 0x7F)));
    track.insert(track.end(), delta.begin(), delta.end());
    track.insert(track.end(), {0xFF, 0x2F, 0x00});
    std::vector<uint8_t> file = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0x01, 0xE0, 'M', 'T', 'r', 'k'};
    const auto size = static_cast<uint32_t>(track.size());
    for (int shift = 24; shift >= 0; shift -= 8) file.push_back(static_cast<uint8_t>(size >> shift));
    file.insert(file.end(), track.begin(), track.end());
    return file;
}

// RMS level in dB relative to full scale over frames [first, last).
inline double RmsDb(const std::vector<float>& samples, size_t first, size_t last) {
    last = std::min(last, samples.size() / 2);
    if (first >= last) return -200.0;
    double sum = 0;
    for (size_t i = 2 * first; i < 2 * last; ++i) sum += double{samples[i]} * samples[i];
    return 10.0 * std::log10(sum / double(2 * (last - first)) + 1e-30);
}

inline float Peak(const std::vector<float>& samples) {
    float peak = 0;
    for (float s : samples) peak = std::max(peak, std::fabs(s));
    return peak;
}

// Frames where a sound starts: the signal rises above `threshold` after at
// least `quietFrames` frames below it.
inline std::vector<size_t> Onsets(const std::vector<float>& samples, float threshold, size_t quietFrames) {
    std::vector<size_t> onsets;
    size_t quiet = quietFrames;  // the start counts as quiet
    for (size_t frame = 0; frame < samples.size() / 2; ++frame) {
        const float level = std::max(std::fabs(samples[2 * frame]), std::fabs(samples[2 * frame + 1]));
        if (level >= threshold) {
            if (quiet >= quietFrames) onsets.push_back(frame);
            quiet = 0;
        } else {
            ++quiet;
        }
    }
    return onsets;
}

}  // namespace dmusictest
