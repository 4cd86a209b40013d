// music_loader.h — IDirectMusicLoader8: segments from Standard MIDI files in
// memory.
//
// GetObject wants DMUS_OBJ_CLASS with CLSID_DirectMusicSegment and
// DMUS_OBJ_MEMORY with the file's address and length; dwSize must cover the
// record through pbMemData (848 bytes). It checks the whole file and copies
// it, and returns a new segment on every call (there is no cache). Loading by
// file name, stream or object identity is not supported (E_NOTIMPL).
#pragma once

#include <dmusici.h>

namespace platform::dmusic {

// CoCreateInstance's work for CLSID_DirectMusicLoader.
HRESULT CreateLoader(REFIID riid, LPVOID* out);

}  // namespace platform::dmusic
