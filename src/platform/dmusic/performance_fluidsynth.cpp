// performance_fluidsynth.cpp — IDirectMusicPerformance8 over FluidSynth.
#include "platform/dmusic/performance_fluidsynth.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <memory>
#include <new>

#include "platform/com_object.h"
#include "platform/dmusic/music_segment.h"
#include "platform/dmusic/synth_port.h"

namespace platform::dmusic {
namespace {

class DirectMusicPerformance8Fluid final
    : public ComObject<IDirectMusicPerformance8, E_POINTER, IID_IUnknown, IID_IDirectMusicPerformance,
                       IID_IDirectMusicPerformance8> {
public:
    HRESULT Init(IDirectMusic** ppDirectMusic, LPDIRECTSOUND pDirectSound, HWND hWnd) override;
    HRESULT PlaySegment(IDirectMusicSegment* pSegment, DWORD dwFlags, int64_t i64StartTime,
                        IDirectMusicSegmentState** ppSegmentState) override;
    HRESULT Stop(IDirectMusicSegment* pSegment, IDirectMusicSegmentState* pSegmentState, MUSIC_TIME mtTime,
                 DWORD dwFlags) override;
    HRESULT IsPlaying(IDirectMusicSegment* pSegment, IDirectMusicSegmentState* pSegState) override;
    HRESULT AddPort(IDirectMusicPort* pPort) override;
    HRESULT GetGlobalParam(REFGUID rguidType, void* pParam, DWORD dwSize) override;
    HRESULT SetGlobalParam(REFGUID rguidType, void* pParam, DWORD dwSize) override;
    HRESULT CloseDown() override;

private:
    ~DirectMusicPerformance8Fluid() { CloseDown(); }
    void ApplyGain();
    // Both with the port locked.
    void EndPlayer();
    void ApplyTempo();

    bool initialised_ = false;
    DWORD autoDownload_ = 0;
    LONG masterVolume_ = 0;
    float masterTempo_ = 1.0f;
    std::unique_ptr<SynthPort> port_;
    fluid_player_t* player_ = nullptr;
    DirectMusicSegment8Fluid* playing_ = nullptr;  // one reference held while it plays
};

HRESULT DirectMusicPerformance8Fluid::Init(IDirectMusic** ppDirectMusic, LPDIRECTSOUND pDirectSound, HWND) {
    if (initialised_) return DMUS_E_ALREADY_INITED;
    // There is no DirectMusic or DirectSound object to hand out or to use.
    if (ppDirectMusic || pDirectSound) return E_NOTIMPL;
    initialised_ = true;
    return S_OK;
}

HRESULT DirectMusicPerformance8Fluid::AddPort(IDirectMusicPort* pPort) {
    if (!initialised_) return DMUS_E_NOT_INIT;
    if (pPort) return E_NOTIMPL;  // only the default port exists
    if (port_) return S_OK;
    HRESULT hr = SynthPort::Open(&port_);
    if (FAILED(hr)) return hr;
    ApplyGain();
    return S_OK;
}

HRESULT DirectMusicPerformance8Fluid::SetGlobalParam(REFGUID rguidType, void* pParam, DWORD dwSize) {
    if (!initialised_) return DMUS_E_NOT_INIT;
    if (!pParam) return E_POINTER;
    if (rguidType == GUID_PerfAutoDownload) {
        if (dwSize != sizeof(DWORD)) return E_INVALIDARG;
        // Every instrument of the soundfont is always there; the value is kept only.
        std::memcpy(&autoDownload_, pParam, sizeof(DWORD));
        return S_OK;
    }
    if (rguidType == GUID_PerfMasterVolume) {
        if (dwSize != sizeof(LONG)) return E_INVALIDARG;
        LONG volume;
        std::memcpy(&volume, pParam, sizeof(LONG));
        masterVolume_ = std::clamp<LONG>(volume, DMUS_VOLUME_MIN, DMUS_VOLUME_MAX);
        ApplyGain();
        return S_OK;
    }
    if (rguidType == GUID_PerfMasterTempo) {
        if (dwSize != sizeof(float)) return E_INVALIDARG;
        float tempo;
        std::memcpy(&tempo, pParam, sizeof(float));
        // Outside the documented range (0 among it) the value is refused and
        // the song keeps the tempo it has.
        if (!(tempo >= DMUS_MASTERTEMPO_MIN && tempo <= DMUS_MASTERTEMPO_MAX)) return E_INVALIDARG;
        masterTempo_ = tempo;
        if (port_) {
            port_->Lock();
            ApplyTempo();
            port_->Unlock();
        }
        return S_OK;
    }
    return E_NOTIMPL;
}

HRESULT DirectMusicPerformance8Fluid::GetGlobalParam(REFGUID rguidType, void* pParam, DWORD dwSize) {
    if (!initialised_) return DMUS_E_NOT_INIT;
    if (!pParam) return E_POINTER;
    const void* value = nullptr;
    if (rguidType == GUID_PerfAutoDownload) value = &autoDownload_;
    else if (rguidType == GUID_PerfMasterVolume) value = &masterVolume_;
    else if (rguidType == GUID_PerfMasterTempo) value = &masterTempo_;
    else return E_NOTIMPL;
    if (dwSize != 4) return E_INVALIDARG;
    std::memcpy(pParam, value, 4);
    return S_OK;
}

HRESULT DirectMusicPerformance8Fluid::PlaySegment(IDirectMusicSegment* pSegment, DWORD dwFlags, int64_t,
                                                  IDirectMusicSegmentState** ppSegmentState) {
    if (!initialised_) return DMUS_E_NOT_INIT;
    if (!pSegment) return E_POINTER;
    if (ppSegmentState || (dwFlags & DMUS_SEGF_SECONDARY)) return E_NOTIMPL;
    auto* segment = dynamic_cast<DirectMusicSegment8Fluid*>(pSegment);
    if (!segment) return E_INVALIDARG;  // not a segment of this loader
    if (!port_) return DMUS_E_NOT_FOUND;  // no port to play on

    port_->Lock();
    EndPlayer();
    HRESULT hr = S_OK;
    player_ = new_fluid_player(port_->Synth());
    if (!player_) {
        hr = E_OUTOFMEMORY;
    } else {
        const DWORD repeats = segment->Repeats();
        const int loops = repeats == DMUS_SEG_REPEAT_INFINITE
                              ? -1
                              : static_cast<int>(std::min<uint64_t>(uint64_t{repeats} + 1, INT_MAX));
        const std::vector<uint8_t>& bytes = segment->Bytes();
        if (fluid_player_add_mem(player_, bytes.data(), bytes.size()) != FLUID_OK ||
            fluid_player_set_loop(player_, loops) != FLUID_OK) {
            hr = E_FAIL;
        } else {
            ApplyTempo();
            if (fluid_player_play(player_) != FLUID_OK) hr = E_FAIL;
        }
        if (SUCCEEDED(hr)) {
            segment->AddRef();
            playing_ = segment;
        } else {
            EndPlayer();
        }
    }
    port_->Unlock();
    return hr;
}

HRESULT DirectMusicPerformance8Fluid::Stop(IDirectMusicSegment* pSegment, IDirectMusicSegmentState* pSegmentState,
                                           MUSIC_TIME, DWORD) {
    if (!initialised_) return DMUS_E_NOT_INIT;
    if (pSegmentState) return E_NOTIMPL;
    if (!port_) return S_OK;
    if (pSegment && static_cast<IDirectMusicSegment*>(playing_) != pSegment) return S_OK;
    port_->Lock();
    EndPlayer();
    port_->Unlock();
    return S_OK;
}

HRESULT DirectMusicPerformance8Fluid::IsPlaying(IDirectMusicSegment* pSegment, IDirectMusicSegmentState* pSegState) {
    if (!initialised_) return DMUS_E_NOT_INIT;
    if (pSegState) return E_NOTIMPL;
    if (!port_ || !player_) return S_FALSE;
    if (pSegment && static_cast<IDirectMusicSegment*>(playing_) != pSegment) return S_FALSE;
    port_->Lock();
    const bool playing = fluid_player_get_status(player_) == FLUID_PLAYER_PLAYING;
    port_->Unlock();
    return playing ? S_OK : S_FALSE;
}

HRESULT DirectMusicPerformance8Fluid::CloseDown() {
    if (port_) {
        port_->Lock();
        EndPlayer();
        port_->Unlock();
        port_.reset();
    }
    if (playing_) {  // a player that failed to start leaves none, but be sure
        playing_->Release();
        playing_ = nullptr;
    }
    initialised_ = false;
    return S_OK;
}

void DirectMusicPerformance8Fluid::ApplyGain() {
    if (!port_) return;
    const double factor = std::pow(10.0, masterVolume_ / 2000.0);
    port_->Lock();
    fluid_synth_set_gain(port_->Synth(), static_cast<float>(kGainAtZeroVolume * factor));
    port_->Unlock();
}

void DirectMusicPerformance8Fluid::ApplyTempo() {
    if (player_) fluid_player_set_tempo(player_, FLUID_PLAYER_TEMPO_INTERNAL, masterTempo_);
}

void DirectMusicPerformance8Fluid::EndPlayer() {
    if (player_) {
        fluid_player_stop(player_);
        delete_fluid_player(player_);
        player_ = nullptr;
        // The notes the player left sounding end with their release.
        fluid_synth_all_notes_off(port_->Synth(), -1);
    }
    if (playing_) {
        playing_->Release();
        playing_ = nullptr;
    }
}

}  // namespace

HRESULT CreatePerformance(REFIID riid, LPVOID* out) {
    auto* performance = new (std::nothrow) DirectMusicPerformance8Fluid;
    if (!performance) return E_OUTOFMEMORY;
    HRESULT hr = performance->QueryInterface(riid, out);
    performance->Release();
    return hr;
}

}  // namespace platform::dmusic
