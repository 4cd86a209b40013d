// music_segment.cpp — IDirectMusicSegment8 over a Standard MIDI file.
#include "platform/dmusic/music_segment.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace platform::dmusic {

SegmentImpl::SegmentImpl(std::vector<uint8_t> bytes, const MidiFileInfo& info)
    : bytes_(std::move(bytes)), info_(info) {}

HRESULT SegmentImpl::QueryInterface(REFIID riid, LPVOID* ppvObj) {
    if (!ppvObj) return E_POINTER;
    *ppvObj = nullptr;
    if (riid != IID_IUnknown && riid != IID_IDirectMusicSegment && riid != IID_IDirectMusicSegment8)
        return E_NOINTERFACE;
    AddRef();
    *ppvObj = static_cast<IDirectMusicSegment8*>(this);
    return S_OK;
}

ULONG SegmentImpl::AddRef() { return ++refs_; }

ULONG SegmentImpl::Release() {
    const ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
}

HRESULT SegmentImpl::GetLength(MUSIC_TIME* pmtLength) {
    if (!pmtLength) return E_POINTER;
    const uint64_t length = info_.endTick * DMUS_PPQ / static_cast<uint64_t>(info_.ticksPerQuarter);
    *pmtLength = static_cast<MUSIC_TIME>(
        std::min<uint64_t>(length, static_cast<uint64_t>(std::numeric_limits<MUSIC_TIME>::max())));
    return S_OK;
}

HRESULT SegmentImpl::SetRepeats(DWORD dwRepeats) {
    repeats_ = dwRepeats;
    return S_OK;
}

HRESULT SegmentImpl::GetRepeats(DWORD* pdwRepeats) {
    if (!pdwRepeats) return E_POINTER;
    *pdwRepeats = repeats_;
    return S_OK;
}

}  // namespace platform::dmusic
