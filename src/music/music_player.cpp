// music_player.cpp — StartMusic and StopMusic over the DirectMusic objects.
#include "music/music_player.h"

#include <dmusici.h>
#include <objbase.h>

#include <algorithm>
#include <cstdint>
#include <limits>

namespace {

constexpr int kSongResourceId = 236;
constexpr char kSongResourceType[] = "Sound";
// The object description's size as this build lays the record out (856
// bytes on x64, 848 in the 32-bit layout).
constexpr DWORD kObjectDescSize = sizeof(DMUS_OBJECTDESC);

IDirectMusicLoader8* loader = nullptr;
IDirectMusicSegment8* segment = nullptr;
IDirectMusicPerformance8* performance = nullptr;

}  // namespace

LONG MusicMasterVolume(int volume) {
    // volume / 100 * 1500 - 750, in integers: volume * 15 is exact, so there
    // is nothing for truncation to round away (33 gives -255, not -254).
    const int64_t hundredths = int64_t{volume} * 15 - 750;
    return static_cast<LONG>(std::clamp<int64_t>(hundredths, std::numeric_limits<LONG>::min(),
                                                 std::numeric_limits<LONG>::max()));
}

bool StartMusic(HWND, int volume) {
    if (FAILED(CoInitialize(nullptr))) return false;
    if (FAILED(CoCreateInstance(CLSID_DirectMusicLoader, nullptr, CLSCTX_INPROC, IID_IDirectMusicLoader8,
                                reinterpret_cast<LPVOID*>(&loader))))
        return false;

    HMODULE module = GetModuleHandleA(nullptr);
    HRSRC resource = FindResourceA(module, MAKEINTRESOURCEA(kSongResourceId), kSongResourceType);
    if (!resource) return false;
    HGLOBAL loaded = LoadResource(module, resource);
    auto* bytes = static_cast<LPBYTE>(LockResource(loaded));
    const DWORD size = SizeofResource(module, resource);
    if (!bytes) return false;

    DMUS_OBJECTDESC desc{};
    desc.dwSize = kObjectDescSize;
    desc.dwValidData = DMUS_OBJ_CLASS | DMUS_OBJ_MEMORY;
    desc.guidClass = CLSID_DirectMusicSegment;
    desc.pbMemData = bytes;
    desc.llMemLength = size;
    if (FAILED(loader->GetObject(&desc, IID_IDirectMusicSegment8, reinterpret_cast<LPVOID*>(&segment))))
        return false;

    if (FAILED(CoCreateInstance(CLSID_DirectMusicPerformance, nullptr, CLSCTX_INPROC, IID_IDirectMusicPerformance8,
                                reinterpret_cast<LPVOID*>(&performance))))
        return false;
    if (FAILED(performance->Init(nullptr, nullptr, nullptr))) return false;
    // The three parameters' results do not matter: the port decides.
    DWORD autoDownload = 1;
    performance->SetGlobalParam(GUID_PerfAutoDownload, &autoDownload, sizeof(autoDownload));
    LONG masterVolume = MusicMasterVolume(volume);
    performance->SetGlobalParam(GUID_PerfMasterVolume, &masterVolume, sizeof(masterVolume));
    // A master tempo of 0 lies outside the documented range; the performance
    // refuses it and the song keeps its own tempo.
    DWORD masterTempo = 0;
    performance->SetGlobalParam(GUID_PerfMasterTempo, &masterTempo, sizeof(masterTempo));
    if (FAILED(performance->AddPort(nullptr))) return false;

    if (FAILED(segment->SetRepeats(DMUS_SEG_REPEAT_INFINITE))) return false;
    return SUCCEEDED(performance->PlaySegment(segment, DMUS_SEGF_BEAT, 0, nullptr));
}

void StopMusic() {
    if (segment) {
        segment->Release();
        segment = nullptr;
    }
    if (performance) {
        performance->Stop(nullptr, nullptr, 0, 0);
        performance->CloseDown();
        performance->Release();
        performance = nullptr;
    }
    if (loader) {
        loader->Release();
        loader = nullptr;
    }
    CoUninitialize();
}
