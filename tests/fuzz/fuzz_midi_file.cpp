// fuzz_midi_file.cpp — feeds the input as a Standard MIDI file to
// ReadMidiFileInfo (platform/dmusic/standard_midi_file.h), the check every
// song passes before the synthesizer's player gets it.
//
// Checks that an accepted file is one the player can take: format 0 or 1,
// tracks, ticks per quarter note, and an end after tick 0.
#include <sanitizer/common_interface_defs.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/dmusic/standard_midi_file.h"

namespace {

// A broken promise is a finding: said through the sanitizer's report
// channel (libFuzzer may have closed stderr), then an abort.
void Require(bool condition, const char* what) {
    if (condition) return;
    __sanitizer_report_error_summary((std::string("fuzz_midi_file: ") + what).c_str());
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    platform::dmusic::MidiFileInfo info;
    if (!platform::dmusic::ReadMidiFileInfo(data, size, &info)) return 0;
    Require(info.format == 0 || info.format == 1, "an unplayable format was accepted");
    Require(info.trackCount > 0 && info.ticksPerQuarter > 0 && info.ticksPerQuarter < 0x8000,
            "an accepted file has no tracks or no tick rate");
    Require(info.endTick > 0, "an accepted file ends where it starts");
    return 0;
}
