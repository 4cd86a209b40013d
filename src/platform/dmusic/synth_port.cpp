// synth_port.cpp — FluidSynth with a General MIDI soundfont, out through SDL2
// audio or rendered offline; the music controls of platform.h.
#include "platform/dmusic/synth_port.h"

#include <SDL.h>
#include <dlfcn.h>
#include <dmusici.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "platform/platform_testing.h"

namespace platform::dmusic {
namespace {

// Best first: the large General MIDI font when the user has it, else the
// small one the setup script installs (default-GM points to it on Debian).
const char* const kSoundFonts[] = {
    "/usr/share/sounds/sf2/FluidR3_GM.sf2",
    "/usr/share/sounds/sf2/default-GM.sf2",
    "/usr/share/sounds/sf2/TimGM6mb.sf2",
};

bool g_soundFontChosen = false;
std::string g_soundFont;
bool g_offline = false;
int g_offlineRate = 44100;
SynthPort* g_offlinePort = nullptr;

// A regular file we may read. Anything else in a soundfont's place (a FIFO
// would block the synthesizer's open for ever, a folder cannot be loaded) is
// passed over, with one warning.
bool Readable(const std::string& path) {
    struct stat st {};
    if (path.empty() || stat(path.c_str(), &st) != 0) return false;
    if (!S_ISREG(st.st_mode)) {
        static std::set<std::string> warned;
        if (warned.insert(path).second)
            std::fprintf(stderr, "vexlar3d: soundfont %s is not a regular file; no music from it\n", path.c_str());
        return false;
    }
    return access(path.c_str(), R_OK) == 0;
}

// Music fails silently: FluidSynth's own messages would only reach stderr.
void SilenceSynthLog() {
    static bool done = false;
    if (done) return;
    done = true;
    for (int level = FLUID_PANIC; level < LAST_LOG_LEVEL; ++level) fluid_set_log_function(level, nullptr, nullptr);
}

// ALSA reports a missing sound card on stderr by itself, from inside SDL;
// a handler of ours keeps it quiet. libasound is only looked up, never
// loaded: SDL loaded it when it chose ALSA.
void SilentAlsaError(const char*, int, const char*, int, const char*, ...) {}

void SilenceAlsa() {
    if (const char* driver = SDL_GetCurrentAudioDriver(); !driver || std::string(driver) != "alsa") return;
    void* alsa = dlopen("libasound.so.2", RTLD_LAZY | RTLD_NOLOAD);
    if (!alsa) return;
    using Handler = void (*)(const char*, int, const char*, int, const char*, ...);
    if (auto set = reinterpret_cast<int (*)(Handler)>(dlsym(alsa, "snd_lib_error_set_handler"))) set(&SilentAlsaError);
    dlclose(alsa);
}

}  // namespace

std::string ChosenSoundFont() {
    if (g_soundFontChosen) return Readable(g_soundFont) ? g_soundFont : std::string();
    for (const char* path : kSoundFonts) {
        if (Readable(path)) return path;
    }
    return {};
}

HRESULT SynthPort::Open(std::unique_ptr<SynthPort>* out) {
    out->reset();
    SilenceSynthLog();
    const std::string soundFont = ChosenSoundFont();
    if (soundFont.empty()) return DMUS_E_SYNTHNOTCONFIGURED;

    std::unique_ptr<SynthPort> port(new SynthPort);
    if (g_offline) {
        port->sampleRate_ = g_offlineRate;
    } else {
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return DMUS_E_CANNOT_OPEN_PORT;
        port->sdlAudio_ = true;
        SilenceAlsa();
        SDL_AudioSpec want{};
        want.freq = 44100;
        want.format = AUDIO_F32SYS;
        want.channels = 2;
        want.samples = 1024;
        want.callback = &SynthPort::AudioCallback;
        want.userdata = port.get();
        SDL_AudioSpec have{};
        port->device_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have, SDL_AUDIO_ALLOW_FREQUENCY_CHANGE);
        if (port->device_ == 0) return DMUS_E_CANNOT_OPEN_PORT;  // the destructor ends SDL audio
        port->sampleRate_ = have.freq;
    }

    port->settings_ = new_fluid_settings();
    if (!port->settings_) return E_OUTOFMEMORY;
    fluid_settings_setnum(port->settings_, "synth.sample-rate", port->sampleRate_);
    // A loop restarts the file without resetting the synthesizer, so notes
    // and reverb ringing over the loop point carry on.
    fluid_settings_setint(port->settings_, "player.reset-synth", 0);
    port->synth_ = new_fluid_synth(port->settings_);
    if (!port->synth_) return E_OUTOFMEMORY;
    if (fluid_synth_sfload(port->synth_, soundFont.c_str(), 1) == FLUID_FAILED) return DMUS_E_SYNTHNOTCONFIGURED;

    if (port->device_) {
        SDL_PauseAudioDevice(port->device_, 0);
    } else {
        g_offlinePort = port.get();
    }
    *out = std::move(port);
    return S_OK;
}

SynthPort::~SynthPort() {
    if (g_offlinePort == this) g_offlinePort = nullptr;
    if (device_) SDL_CloseAudioDevice(device_);  // waits for the audio thread
    if (sdlAudio_) SDL_QuitSubSystem(SDL_INIT_AUDIO);
    if (synth_) delete_fluid_synth(synth_);
    if (settings_) delete_fluid_settings(settings_);
}

void SynthPort::Lock() {
    if (device_) SDL_LockAudioDevice(device_);
}

void SynthPort::Unlock() {
    if (device_) SDL_UnlockAudioDevice(device_);
}

void SynthPort::Render(float* interleaved, size_t frames) {
    constexpr size_t kBlock = 4096;
    while (frames > 0) {
        const int n = static_cast<int>(std::min(frames, kBlock));
        fluid_synth_write_float(synth_, n, interleaved, 0, 2, interleaved, 1, 2);
        interleaved += 2 * static_cast<size_t>(n);
        frames -= static_cast<size_t>(n);
    }
}

void SynthPort::AudioCallback(void* userdata, uint8_t* stream, int length) {
    auto* port = static_cast<SynthPort*>(userdata);
    auto* out = reinterpret_cast<float*>(stream);
    const int frames = length / static_cast<int>(2 * sizeof(float));
    if (port->synth_) {
        fluid_synth_write_float(port->synth_, frames, out, 0, 2, out, 1, 2);
    } else {
        std::fill(out, out + 2 * frames, 0.0f);
    }
}

}  // namespace platform::dmusic

namespace platform {

void SetMusicSoundFont(const std::string& path) {
    dmusic::g_soundFontChosen = !path.empty();
    dmusic::g_soundFont = path;
}

void UseOfflineMusicOutput(bool offline, int sampleRate) {
    dmusic::g_offline = offline;
    dmusic::g_offlineRate = sampleRate > 0 ? sampleRate : 44100;
}

std::vector<float> RenderMusicOffline(double seconds) {
    dmusic::SynthPort* port = dmusic::g_offlinePort;
    if (!port || !(seconds > 0)) return {};
    const auto frames = static_cast<size_t>(std::llround(seconds * port->SampleRate()));
    std::vector<float> samples(2 * frames);
    port->Render(samples.data(), frames);
    return samples;
}

}  // namespace platform
