// music_loader.cpp — IDirectMusicLoader8 over Standard MIDI files in memory.
#include "platform/dmusic/music_loader.h"

#include <atomic>
#include <cstddef>
#include <new>
#include <vector>

#include "platform/dmusic/music_segment.h"
#include "platform/dmusic/standard_midi_file.h"

namespace platform::dmusic {
namespace {

class LoaderImpl final : public IDirectMusicLoader8 {
public:
    HRESULT QueryInterface(REFIID riid, LPVOID* ppvObj) override {
        if (!ppvObj) return E_POINTER;
        *ppvObj = nullptr;
        if (riid != IID_IUnknown && riid != IID_IDirectMusicLoader && riid != IID_IDirectMusicLoader8)
            return E_NOINTERFACE;
        AddRef();
        *ppvObj = static_cast<IDirectMusicLoader8*>(this);
        return S_OK;
    }
    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override {
        const ULONG left = --refs_;
        if (left == 0) delete this;
        return left;
    }
    HRESULT GetObject(LPDMUS_OBJECTDESC pDesc, REFIID riid, LPVOID* ppv) override;

private:
    ~LoaderImpl() = default;
    std::atomic<ULONG> refs_{1};
};

HRESULT LoaderImpl::GetObject(LPDMUS_OBJECTDESC pDesc, REFIID riid, LPVOID* ppv) {
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
        auto* segment = new SegmentImpl(std::vector<uint8_t>(bytes, bytes + size), info);
        *ppv = static_cast<IDirectMusicSegment8*>(segment);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

}  // namespace

HRESULT CreateLoader(REFIID riid, LPVOID* out) {
    auto* loader = new (std::nothrow) LoaderImpl;
    if (!loader) return E_OUTOFMEMORY;
    HRESULT hr = loader->QueryInterface(riid, out);
    loader->Release();
    return hr;
}

}  // namespace platform::dmusic
