// dmusici.h — the DirectMusic 8 performance layer of the platform layer.
//
// Implements:
//  - IDirectMusicLoader8::GetObject: a Standard MIDI file (format 0 or 1,
//    ticks per quarter note) given in memory (DMUS_OBJ_CLASS | DMUS_OBJ_MEMORY,
//    class CLSID_DirectMusicSegment) becomes an IDirectMusicSegment8. The
//    bytes are checked and copied: the caller's memory may go away afterwards.
//  - IDirectMusicSegment8: GetLength (music time, DMUS_PPQ per quarter note),
//    SetRepeats / GetRepeats (DMUS_SEG_REPEAT_INFINITE loops without a gap).
//  - IDirectMusicPerformance8: Init (no DirectMusic or DirectSound object),
//    SetGlobalParam / GetGlobalParam for GUID_PerfAutoDownload,
//    GUID_PerfMasterVolume (hundredths of a decibel, DMUS_VOLUME_MIN to
//    DMUS_VOLUME_MAX) and GUID_PerfMasterTempo (a float factor; a value outside
//    DMUS_MASTERTEMPO_MIN..MAX is refused and the song keeps its own tempo),
//    AddPort (the default port only), PlaySegment (one primary segment; it
//    starts at once and replaces the one playing), Stop, IsPlaying, CloseDown.
//  - Reference counts as COM defines them; the performance holds a reference
//    to the segment it plays.
// Objects come from CoCreateInstance (objbase.h).
//
// Behind it (src/platform/dmusic/): FluidSynth plays the file through a
// General MIDI soundfont, out through SDL2 audio. No soundfont makes AddPort
// fail with DMUS_E_SYNTHNOTCONFIGURED, no audio device with
// DMUS_E_CANNOT_OPEN_PORT; nothing else changes.
//
// Left out: DirectMusic's own formats (segments, styles, bands, DLS
// collections), files and streams as sources, the loader's cache, secondary
// segments, segment states, audio paths, ports other than the default, tools,
// notifications, time stamps (start and stop times mean "now").
#pragma once

#include "objbase.h"

typedef LONGLONG REFERENCE_TIME;
typedef LONG MUSIC_TIME;  // a 32-bit count of DMUS_PPQ parts of a quarter note

#define DMUS_PPQ 768

#define DMUS_MAX_NAME 64
#define DMUS_MAX_CATEGORY 64
#define DMUS_MAX_FILENAME 260

// ---- object descriptions -----------------------------------------------------------
#define DMUS_OBJ_OBJECT (1 << 0)
#define DMUS_OBJ_CLASS (1 << 1)
#define DMUS_OBJ_NAME (1 << 2)
#define DMUS_OBJ_CATEGORY (1 << 3)
#define DMUS_OBJ_FILENAME (1 << 4)
#define DMUS_OBJ_FULLPATH (1 << 5)
#define DMUS_OBJ_URL (1 << 6)
#define DMUS_OBJ_VERSION (1 << 7)
#define DMUS_OBJ_DATE (1 << 8)
#define DMUS_OBJ_LOADED (1 << 9)
#define DMUS_OBJ_MEMORY (1 << 10)
#define DMUS_OBJ_STREAM (1 << 11)

struct FILETIME {
    DWORD dwLowDateTime;
    DWORD dwHighDateTime;
};

struct DMUS_VERSION {
    DWORD dwVersionMS;
    DWORD dwVersionLS;
};

struct IStream;

// The names are UTF-16, as on Windows. The fields up to and including
// pbMemData take 848 bytes, which is also the whole record's size in the
// 32-bit layout (856 on x64): a dwSize of 848 or more covers everything a
// memory load reads.
struct DMUS_OBJECTDESC {
    DWORD dwSize;
    DWORD dwValidData;
    GUID guidObject;
    GUID guidClass;
    FILETIME ftDate;
    DMUS_VERSION vVersion;
    char16_t wszName[DMUS_MAX_NAME];
    char16_t wszCategory[DMUS_MAX_CATEGORY];
    char16_t wszFileName[DMUS_MAX_FILENAME];
    LONGLONG llMemLength;
    LPBYTE pbMemData;
    IStream* pStream;
};
typedef DMUS_OBJECTDESC* LPDMUS_OBJECTDESC;
static_assert(offsetof(DMUS_OBJECTDESC, pStream) == 848, "a memory description is 848 bytes up to pbMemData");

// ---- segment and performance flags --------------------------------------------------
#define DMUS_SEG_REPEAT_INFINITE 0xFFFFFFFF

#define DMUS_SEGF_REFTIME (1 << 6)
#define DMUS_SEGF_SECONDARY (1 << 7)
#define DMUS_SEGF_QUEUE (1 << 8)
#define DMUS_SEGF_CONTROL (1 << 9)
#define DMUS_SEGF_AFTERPREPARETIME (1 << 10)
#define DMUS_SEGF_GRID (1 << 11)
#define DMUS_SEGF_BEAT (1 << 12)
#define DMUS_SEGF_MEASURE (1 << 13)
#define DMUS_SEGF_DEFAULT (1 << 14)

#define DMUS_VOLUME_MAX 2000
#define DMUS_VOLUME_MIN -20000
#define DMUS_MASTERTEMPO_MAX 100.0f
#define DMUS_MASTERTEMPO_MIN 0.01f

// ---- result codes --------------------------------------------------------------------
#define MAKE_DMHRESULTERROR(code) (static_cast<HRESULT>(0x88780000u | static_cast<DWORD>(code)))

#define DMUS_E_SYNTHNOTCONFIGURED MAKE_DMHRESULTERROR(0x1131)
#define DMUS_E_UNSUPPORTED_STREAM MAKE_DMHRESULTERROR(0x1150)
#define DMUS_E_ALREADY_INITED MAKE_DMHRESULTERROR(0x1151)
#define DMUS_E_NOT_FOUND MAKE_DMHRESULTERROR(0x1161)
#define DMUS_E_NOT_INIT MAKE_DMHRESULTERROR(0x1162)
#define DMUS_E_LOADER_NOCLASSID MAKE_DMHRESULTERROR(0x1180)
#define DMUS_E_LOADER_FORMATNOTSUPPORTED MAKE_DMHRESULTERROR(0x1183)
#define DMUS_E_LOADER_NOFILENAME MAKE_DMHRESULTERROR(0x1186)
#define DMUS_E_CANNOT_OPEN_PORT MAKE_DMHRESULTERROR(0x1206)

// ---- identifiers ---------------------------------------------------------------------
extern const CLSID CLSID_DirectMusicLoader;
extern const CLSID CLSID_DirectMusicPerformance;
extern const CLSID CLSID_DirectMusicSegment;
extern const IID IID_IDirectMusicLoader;
extern const IID IID_IDirectMusicLoader8;
extern const IID IID_IDirectMusicSegment;
extern const IID IID_IDirectMusicSegment8;
extern const IID IID_IDirectMusicPerformance;
extern const IID IID_IDirectMusicPerformance8;
extern const GUID GUID_PerfMasterTempo;
extern const GUID GUID_PerfMasterVolume;
extern const GUID GUID_PerfAutoDownload;

// ---- interfaces ----------------------------------------------------------------------
struct IDirectMusic;
struct IDirectSound;
struct IDirectMusicPort;
struct IDirectMusicSegmentState;
typedef IDirectSound* LPDIRECTSOUND;

struct IDirectMusicLoader : IUnknown {
    virtual HRESULT GetObject(LPDMUS_OBJECTDESC pDesc, REFIID riid, LPVOID* ppv) = 0;

protected:
    ~IDirectMusicLoader() = default;
};
struct IDirectMusicLoader8 : IDirectMusicLoader {
protected:
    ~IDirectMusicLoader8() = default;
};

struct IDirectMusicSegment : IUnknown {
    virtual HRESULT GetLength(MUSIC_TIME* pmtLength) = 0;
    virtual HRESULT SetRepeats(DWORD dwRepeats) = 0;
    virtual HRESULT GetRepeats(DWORD* pdwRepeats) = 0;

protected:
    ~IDirectMusicSegment() = default;
};
struct IDirectMusicSegment8 : IDirectMusicSegment {
protected:
    ~IDirectMusicSegment8() = default;
};

struct IDirectMusicPerformance : IUnknown {
    virtual HRESULT Init(IDirectMusic** ppDirectMusic, LPDIRECTSOUND pDirectSound, HWND hWnd) = 0;
    virtual HRESULT PlaySegment(IDirectMusicSegment* pSegment, DWORD dwFlags, int64_t i64StartTime,
                                IDirectMusicSegmentState** ppSegmentState) = 0;
    virtual HRESULT Stop(IDirectMusicSegment* pSegment, IDirectMusicSegmentState* pSegmentState, MUSIC_TIME mtTime,
                         DWORD dwFlags) = 0;
    // S_OK while the segment (any segment, when null) plays, else S_FALSE.
    virtual HRESULT IsPlaying(IDirectMusicSegment* pSegment, IDirectMusicSegmentState* pSegState) = 0;
    virtual HRESULT AddPort(IDirectMusicPort* pPort) = 0;
    virtual HRESULT GetGlobalParam(REFGUID rguidType, void* pParam, DWORD dwSize) = 0;
    virtual HRESULT SetGlobalParam(REFGUID rguidType, void* pParam, DWORD dwSize) = 0;
    virtual HRESULT CloseDown() = 0;

protected:
    ~IDirectMusicPerformance() = default;
};
struct IDirectMusicPerformance8 : IDirectMusicPerformance {
protected:
    ~IDirectMusicPerformance8() = default;
};
