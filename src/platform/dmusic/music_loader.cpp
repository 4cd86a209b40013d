// music_loader.cpp — IDirectMusicLoader8 over Standard MIDI files in memory.
#include "platform/dmusic/music_loader.h"

#include <cstddef>
#include <new>
#include <vector>

#include "platform/com_object.h"
#include "platform/dmusic/music_segment.h"
#include "platform/dmusic/standard_midi_file.h"

namespace platform::dmusic {
namespace {

class DirectMusicLoader8Fluid final
    : public ComObject<IDirectMusicLoader8, E_POINTER, IID_IUnknown, IID_IDirectMusicLoader, IID_IDirectMusicLoader8> {
public:
    HRESULT GetObject(LPDMUS_OBJECTDESC pDesc, REFIID riid, LPVOID* ppv) override;

private:
    ~DirectMusicLoader8Fluid() = default;
};

HRESULT DirectMusicLoader8Fluid::GetObject(LPDMUS_OBJECTDESC pDesc, REFIID riid, LPVOID* ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (!pDesc) return E_POINTER;
    if (pDesc->dwSize < offsetof(DMUS_OBJECTDESC, pStream)) return E_INVALIDARG;
    const DWORD valid = pDesc->dwValidData;
    if (!(valid & DMUS_OBJ_CLASS)) return DMUS_E_LOADER_NOCLASSID;
    if (pDesc->guidClass != CLSID_DirectMusicSegment) return DMUS_E_LOADER_FORMATNOTSUPPORTED;
    if (!(valid & DMUS_OBJ_MEMORY)) {
        const DWORD otherSources = DMUS_OBJ_OBJECT | DMUS_OBJ_NAME | DMUS_OBJ_FILENAME | DMUS_OBJ_STREAM;
        return (valid & otherSources) ? E_NOTIMPL : DMUS_E_LOADER_NOFILENAME;
    }
    if (!pDesc->pbMemData || pDesc->llMemLength <= 0) return E_INVALIDARG;
    if (riid != IID_IUnknown && riid != IID_IDirectMusicSegment && riid != IID_IDirectMusicSegment8)
        return E_NOINTERFACE;

    const uint8_t* bytes = pDesc->pbMemData;
    const size_t size = static_cast<size_t>(pDesc->llMemLength);
    MidiFileInfo info;
    if (!ReadMidiFileInfo(bytes, size, &info)) return DMUS_E_UNSUPPORTED_STREAM;
    try {
        auto* segment = new DirectMusicSegment8Fluid(std::vector<uint8_t>(bytes, bytes + size), info);
        *ppv = static_cast<IDirectMusicSegment8*>(segment);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

}  // namespace

HRESULT CreateLoader(REFIID riid, LPVOID* out) {
    auto* loader = new (std::nothrow) DirectMusicLoader8Fluid;
    if (!loader) return E_OUTOFMEMORY;
    HRESULT hr = loader->QueryInterface(riid, out);
    loader->Release();
    return hr;
}

}  // namespace platform::dmusic
