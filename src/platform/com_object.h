// com_object.h — IUnknown written once for every COM object of the layer.
//
// ComObject<Interface, kNullOut, kIids...> is the base of our implementation
// of one interface. It keeps the reference count and answers
// QueryInterface the way each object of this layer does:
//   - a null out-pointer gives kNullOut (DirectMusic's E_POINTER,
//     DirectDraw's DDERR_INVALIDPARAMS);
//   - otherwise the out-pointer is cleared first, and each IID in kIids is
//     answered with this object and a new reference (S_OK, which is DD_OK);
//   - any other IID gives E_NOINTERFACE. An object lists IID_IUnknown only
//     where it answers it: the DirectX objects of this layer refuse it, and
//     an object with an empty list refuses every interface.
// A class that hands out another object for some IID (IDirectDraw7 gives
// its IDirect3D7) overrides QueryInterface, answers that IID and passes the
// rest on to ComObject::QueryInterface.
//
// Objects start with one reference, held by whoever created them. The last
// Release calls LastReferenceGone, which deletes the object unless the class
// says otherwise (a back buffer belongs to its flipping chain, which deletes
// it). Release on an object at 0 changes nothing and returns 0. The count is
// atomic: DirectMusic objects are released from the audio thread too.
//
// Naming: our implementation of an interface is named after the interface
// without its leading I, followed by the library behind the family:
// GL for DirectDraw and Direct3D (DirectDraw7GL, DirectDrawSurface7GL,
// DirectDrawClipperGL, Direct3D7GL, Direct3DDevice7GL), Fluid (FluidSynth)
// for DirectMusic (DirectMusicLoader8Fluid, DirectMusicSegment8Fluid,
// DirectMusicPerformance8Fluid).
#pragma once

#include <objbase.h>

#include <atomic>

namespace platform {

template <typename Interface, HRESULT kNullOut, const IID&... kIids>
class ComObject : public Interface {
public:
    HRESULT QueryInterface(REFIID riid, LPVOID* ppvObj) override {
        if (!ppvObj) return kNullOut;
        *ppvObj = nullptr;
        if (!((riid == kIids) || ...)) return E_NOINTERFACE;
        AddRef();
        *ppvObj = static_cast<Interface*>(this);
        return S_OK;
    }

    ULONG AddRef() final { return ++refs_; }

    ULONG Release() final {
        ULONG count = refs_.load();
        do {
            if (count == 0) return 0;
        } while (!refs_.compare_exchange_weak(count, count - 1));
        if (count == 1) LastReferenceGone();
        return count - 1;
    }

protected:
    ComObject() = default;
    ComObject(const ComObject&) = delete;
    ComObject& operator=(const ComObject&) = delete;
    virtual ~ComObject() = default;

    virtual void LastReferenceGone() { delete this; }
    // For an object whose creator keeps no reference (a back buffer, held
    // by its chain).
    void SetReferenceCount(ULONG count) { refs_.store(count); }

private:
    std::atomic<ULONG> refs_{1};
};

}  // namespace platform
