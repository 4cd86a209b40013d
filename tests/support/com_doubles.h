// Doubles of the DirectDraw, Direct3D and DirectMusic interfaces the tests
// fake: every method answers without doing anything (E_NOTIMPL;
// QueryInterface E_NOINTERFACE; AddRef and Release count nothing, the test
// owns the double). A fake derives from one and overrides the calls it
// watches. The methods the Linux headers declare are written once; those only
// the system's own headers have, on Windows, follow in a block of their own.
#pragma once

#include <d3d.h>
#include <ddraw.h>
#include <dmusici.h>

#include <cstdint>

namespace testsupport {

template <typename Interface>
struct NullUnknown : Interface {
    HRESULT QueryInterface(REFIID, LPVOID* out) override {
        if (out) *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return 1; }
    ULONG Release() override { return 0; }
};

struct NullClipper : NullUnknown<IDirectDrawClipper> {
    HRESULT GetHWnd(HWND*) override { return E_NOTIMPL; }
    HRESULT SetHWnd(DWORD, HWND) override { return E_NOTIMPL; }
#ifdef _WIN32
    HRESULT GetClipList(LPRECT, LPRGNDATA, LPDWORD) override { return E_NOTIMPL; }
    HRESULT Initialize(LPDIRECTDRAW, DWORD) override { return E_NOTIMPL; }
    HRESULT IsClipListChanged(BOOL*) override { return E_NOTIMPL; }
    HRESULT SetClipList(LPRGNDATA, DWORD) override { return E_NOTIMPL; }
#endif
};

struct NullSurface : NullUnknown<IDirectDrawSurface7> {
    HRESULT AddAttachedSurface(LPDIRECTDRAWSURFACE7) override { return E_NOTIMPL; }
    HRESULT Blt(LPRECT, LPDIRECTDRAWSURFACE7, LPRECT, DWORD, LPDDBLTFX) override { return E_NOTIMPL; }
    HRESULT BltFast(DWORD, DWORD, LPDIRECTDRAWSURFACE7, LPRECT, DWORD) override { return E_NOTIMPL; }
    HRESULT DeleteAttachedSurface(DWORD, LPDIRECTDRAWSURFACE7) override { return E_NOTIMPL; }
    HRESULT Flip(LPDIRECTDRAWSURFACE7, DWORD) override { return E_NOTIMPL; }
    HRESULT GetAttachedSurface(LPDDSCAPS2, LPDIRECTDRAWSURFACE7*) override { return E_NOTIMPL; }
    HRESULT GetCaps(LPDDSCAPS2) override { return E_NOTIMPL; }
    HRESULT GetColorKey(DWORD, LPDDCOLORKEY) override { return E_NOTIMPL; }
    HRESULT GetDC(HDC*) override { return E_NOTIMPL; }
    HRESULT GetPixelFormat(LPDDPIXELFORMAT) override { return E_NOTIMPL; }
    HRESULT GetSurfaceDesc(LPDDSURFACEDESC2) override { return E_NOTIMPL; }
    HRESULT IsLost() override { return E_NOTIMPL; }
    HRESULT Lock(LPRECT, LPDDSURFACEDESC2, DWORD, HANDLE) override { return E_NOTIMPL; }
    HRESULT ReleaseDC(HDC) override { return E_NOTIMPL; }
    HRESULT Restore() override { return E_NOTIMPL; }
    HRESULT SetClipper(LPDIRECTDRAWCLIPPER) override { return E_NOTIMPL; }
    HRESULT SetColorKey(DWORD, LPDDCOLORKEY) override { return E_NOTIMPL; }
    HRESULT Unlock(LPRECT) override { return E_NOTIMPL; }
    HRESULT GetDDInterface(LPVOID*) override { return E_NOTIMPL; }
#ifdef _WIN32
    HRESULT AddOverlayDirtyRect(LPRECT) override { return E_NOTIMPL; }
    HRESULT BltBatch(LPDDBLTBATCH, DWORD, DWORD) override { return E_NOTIMPL; }
    HRESULT EnumAttachedSurfaces(LPVOID, LPDDENUMSURFACESCALLBACK7) override { return E_NOTIMPL; }
    HRESULT EnumOverlayZOrders(DWORD, LPVOID, LPDDENUMSURFACESCALLBACK7) override { return E_NOTIMPL; }
    HRESULT GetBltStatus(DWORD) override { return E_NOTIMPL; }
    HRESULT GetClipper(LPDIRECTDRAWCLIPPER*) override { return E_NOTIMPL; }
    HRESULT GetFlipStatus(DWORD) override { return E_NOTIMPL; }
    HRESULT GetOverlayPosition(LPLONG, LPLONG) override { return E_NOTIMPL; }
    HRESULT GetPalette(LPDIRECTDRAWPALETTE*) override { return E_NOTIMPL; }
    HRESULT Initialize(LPDIRECTDRAW, LPDDSURFACEDESC2) override { return E_NOTIMPL; }
    HRESULT SetOverlayPosition(LONG, LONG) override { return E_NOTIMPL; }
    HRESULT SetPalette(LPDIRECTDRAWPALETTE) override { return E_NOTIMPL; }
    HRESULT UpdateOverlay(LPRECT, LPDIRECTDRAWSURFACE7, LPRECT, DWORD, LPDDOVERLAYFX) override { return E_NOTIMPL; }
    HRESULT UpdateOverlayDisplay(DWORD) override { return E_NOTIMPL; }
    HRESULT UpdateOverlayZOrder(DWORD, LPDIRECTDRAWSURFACE7) override { return E_NOTIMPL; }
    HRESULT PageLock(DWORD) override { return E_NOTIMPL; }
    HRESULT PageUnlock(DWORD) override { return E_NOTIMPL; }
    HRESULT SetSurfaceDesc(LPDDSURFACEDESC2, DWORD) override { return E_NOTIMPL; }
    HRESULT SetPrivateData(REFGUID, LPVOID, DWORD, DWORD) override { return E_NOTIMPL; }
    HRESULT GetPrivateData(REFGUID, LPVOID, LPDWORD) override { return E_NOTIMPL; }
    HRESULT FreePrivateData(REFGUID) override { return E_NOTIMPL; }
    HRESULT GetUniquenessValue(LPDWORD) override { return E_NOTIMPL; }
    HRESULT ChangeUniquenessValue() override { return E_NOTIMPL; }
    HRESULT SetPriority(DWORD) override { return E_NOTIMPL; }
    HRESULT GetPriority(LPDWORD) override { return E_NOTIMPL; }
    HRESULT SetLOD(DWORD) override { return E_NOTIMPL; }
    HRESULT GetLOD(LPDWORD) override { return E_NOTIMPL; }
#endif
};

struct NullDirectDraw : NullUnknown<IDirectDraw7> {
    HRESULT CreateClipper(DWORD, LPDIRECTDRAWCLIPPER*, IUnknown*) override { return E_NOTIMPL; }
    HRESULT CreateSurface(LPDDSURFACEDESC2, LPDIRECTDRAWSURFACE7*, IUnknown*) override { return E_NOTIMPL; }
    HRESULT EnumDisplayModes(DWORD, LPDDSURFACEDESC2, LPVOID, LPDDENUMMODESCALLBACK2) override { return E_NOTIMPL; }
    HRESULT GetDisplayMode(LPDDSURFACEDESC2) override { return E_NOTIMPL; }
    HRESULT RestoreAllSurfaces() override { return E_NOTIMPL; }
    HRESULT SetCooperativeLevel(HWND, DWORD) override { return E_NOTIMPL; }
    HRESULT SetDisplayMode(DWORD, DWORD, DWORD, DWORD, DWORD) override { return E_NOTIMPL; }
    HRESULT TestCooperativeLevel() override { return E_NOTIMPL; }
#ifdef _WIN32
    HRESULT Compact() override { return E_NOTIMPL; }
    HRESULT CreatePalette(DWORD, LPPALETTEENTRY, LPDIRECTDRAWPALETTE*, IUnknown*) override { return E_NOTIMPL; }
    HRESULT DuplicateSurface(LPDIRECTDRAWSURFACE7, LPDIRECTDRAWSURFACE7*) override { return E_NOTIMPL; }
    HRESULT EnumSurfaces(DWORD, LPDDSURFACEDESC2, LPVOID, LPDDENUMSURFACESCALLBACK7) override { return E_NOTIMPL; }
    HRESULT FlipToGDISurface() override { return E_NOTIMPL; }
    HRESULT GetCaps(LPDDCAPS, LPDDCAPS) override { return E_NOTIMPL; }
    HRESULT GetFourCCCodes(LPDWORD, LPDWORD) override { return E_NOTIMPL; }
    HRESULT GetGDISurface(LPDIRECTDRAWSURFACE7*) override { return E_NOTIMPL; }
    HRESULT GetMonitorFrequency(LPDWORD) override { return E_NOTIMPL; }
    HRESULT GetScanLine(LPDWORD) override { return E_NOTIMPL; }
    HRESULT GetVerticalBlankStatus(BOOL*) override { return E_NOTIMPL; }
    HRESULT Initialize(GUID*) override { return E_NOTIMPL; }
    HRESULT RestoreDisplayMode() override { return E_NOTIMPL; }
    HRESULT WaitForVerticalBlank(DWORD, HANDLE) override { return E_NOTIMPL; }
    HRESULT GetAvailableVidMem(LPDDSCAPS2, LPDWORD, LPDWORD) override { return E_NOTIMPL; }
    HRESULT GetSurfaceFromDC(HDC, LPDIRECTDRAWSURFACE7*) override { return E_NOTIMPL; }
    HRESULT GetDeviceIdentifier(LPDDDEVICEIDENTIFIER2, DWORD) override { return E_NOTIMPL; }
    HRESULT StartModeTest(LPSIZE, DWORD, DWORD) override { return E_NOTIMPL; }
    HRESULT EvaluateMode(DWORD, DWORD*) override { return E_NOTIMPL; }
#endif
};

struct NullDirect3D : NullUnknown<IDirect3D7> {
    HRESULT EnumDevices(LPD3DENUMDEVICESCALLBACK7, LPVOID) override { return E_NOTIMPL; }
    HRESULT CreateDevice(REFCLSID, LPDIRECTDRAWSURFACE7, LPDIRECT3DDEVICE7*) override { return E_NOTIMPL; }
    HRESULT EnumZBufferFormats(REFCLSID, LPD3DENUMPIXELFORMATSCALLBACK, LPVOID) override { return E_NOTIMPL; }
#ifdef _WIN32
    HRESULT CreateVertexBuffer(LPD3DVERTEXBUFFERDESC, IDirect3DVertexBuffer7**, DWORD) override { return E_NOTIMPL; }
    HRESULT EvictManagedTextures() override { return E_NOTIMPL; }
#endif
};

struct NullDevice : NullUnknown<IDirect3DDevice7> {
    HRESULT GetCaps(LPD3DDEVICEDESC7) override { return E_NOTIMPL; }
    HRESULT EnumTextureFormats(LPD3DENUMPIXELFORMATSCALLBACK, LPVOID) override { return E_NOTIMPL; }
    HRESULT BeginScene() override { return E_NOTIMPL; }
    HRESULT EndScene() override { return E_NOTIMPL; }
    HRESULT SetRenderTarget(LPDIRECTDRAWSURFACE7, DWORD) override { return E_NOTIMPL; }
    HRESULT GetRenderTarget(LPDIRECTDRAWSURFACE7*) override { return E_NOTIMPL; }
    HRESULT Clear(DWORD, LPD3DRECT, DWORD, D3DCOLOR, D3DVALUE, DWORD) override { return E_NOTIMPL; }
    HRESULT SetTransform(D3DTRANSFORMSTATETYPE, LPD3DMATRIX) override { return E_NOTIMPL; }
    HRESULT GetTransform(D3DTRANSFORMSTATETYPE, LPD3DMATRIX) override { return E_NOTIMPL; }
    HRESULT SetViewport(LPD3DVIEWPORT7) override { return E_NOTIMPL; }
    HRESULT GetViewport(LPD3DVIEWPORT7) override { return E_NOTIMPL; }
    HRESULT SetMaterial(LPD3DMATERIAL7) override { return E_NOTIMPL; }
    HRESULT GetMaterial(LPD3DMATERIAL7) override { return E_NOTIMPL; }
    HRESULT SetRenderState(D3DRENDERSTATETYPE, DWORD) override { return E_NOTIMPL; }
    HRESULT GetRenderState(D3DRENDERSTATETYPE, LPDWORD) override { return E_NOTIMPL; }
    HRESULT DrawPrimitive(D3DPRIMITIVETYPE, DWORD, LPVOID, DWORD, DWORD) override { return E_NOTIMPL; }
    HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE, DWORD, LPVOID, DWORD, LPWORD, DWORD, DWORD) override {
        return E_NOTIMPL;
    }
    HRESULT GetTexture(DWORD, LPDIRECTDRAWSURFACE7*) override { return E_NOTIMPL; }
    HRESULT SetTexture(DWORD, LPDIRECTDRAWSURFACE7) override { return E_NOTIMPL; }
    HRESULT GetTextureStageState(DWORD, D3DTEXTURESTAGESTATETYPE, LPDWORD) override { return E_NOTIMPL; }
    HRESULT SetTextureStageState(DWORD, D3DTEXTURESTAGESTATETYPE, DWORD) override { return E_NOTIMPL; }
#ifdef _WIN32
    HRESULT GetDirect3D(IDirect3D7**) override { return E_NOTIMPL; }
    HRESULT MultiplyTransform(D3DTRANSFORMSTATETYPE, LPD3DMATRIX) override { return E_NOTIMPL; }
    HRESULT SetLight(DWORD, LPD3DLIGHT7) override { return E_NOTIMPL; }
    HRESULT GetLight(DWORD, LPD3DLIGHT7) override { return E_NOTIMPL; }
    HRESULT BeginStateBlock() override { return E_NOTIMPL; }
    HRESULT EndStateBlock(LPDWORD) override { return E_NOTIMPL; }
    HRESULT PreLoad(LPDIRECTDRAWSURFACE7) override { return E_NOTIMPL; }
    HRESULT SetClipStatus(LPD3DCLIPSTATUS) override { return E_NOTIMPL; }
    HRESULT GetClipStatus(LPD3DCLIPSTATUS) override { return E_NOTIMPL; }
    HRESULT DrawPrimitiveStrided(D3DPRIMITIVETYPE, DWORD, LPD3DDRAWPRIMITIVESTRIDEDDATA, DWORD, DWORD) override {
        return E_NOTIMPL;
    }
    HRESULT DrawIndexedPrimitiveStrided(D3DPRIMITIVETYPE, DWORD, LPD3DDRAWPRIMITIVESTRIDEDDATA, DWORD, LPWORD, DWORD,
                                        DWORD) override {
        return E_NOTIMPL;
    }
    HRESULT DrawPrimitiveVB(D3DPRIMITIVETYPE, IDirect3DVertexBuffer7*, DWORD, DWORD, DWORD) override {
        return E_NOTIMPL;
    }
    HRESULT DrawIndexedPrimitiveVB(D3DPRIMITIVETYPE, IDirect3DVertexBuffer7*, DWORD, DWORD, LPWORD, DWORD,
                                   DWORD) override {
        return E_NOTIMPL;
    }
    HRESULT ComputeSphereVisibility(D3DVECTOR*, D3DVALUE*, DWORD, DWORD, LPDWORD) override { return E_NOTIMPL; }
    HRESULT ValidateDevice(LPDWORD) override { return E_NOTIMPL; }
    HRESULT ApplyStateBlock(DWORD) override { return E_NOTIMPL; }
    HRESULT CaptureStateBlock(DWORD) override { return E_NOTIMPL; }
    HRESULT DeleteStateBlock(DWORD) override { return E_NOTIMPL; }
    HRESULT CreateStateBlock(D3DSTATEBLOCKTYPE, LPDWORD) override { return E_NOTIMPL; }
    HRESULT Load(LPDIRECTDRAWSURFACE7, POINT*, LPDIRECTDRAWSURFACE7, LPRECT, DWORD) override { return E_NOTIMPL; }
    HRESULT LightEnable(DWORD, BOOL) override { return E_NOTIMPL; }
    HRESULT GetLightEnable(DWORD, BOOL*) override { return E_NOTIMPL; }
    HRESULT SetClipPlane(DWORD, D3DVALUE*) override { return E_NOTIMPL; }
    HRESULT GetClipPlane(DWORD, D3DVALUE*) override { return E_NOTIMPL; }
    HRESULT GetInfo(DWORD, LPVOID, DWORD) override { return E_NOTIMPL; }
#endif
};

struct NullMusicLoader : NullUnknown<IDirectMusicLoader8> {
    HRESULT GetObject(LPDMUS_OBJECTDESC, REFIID, LPVOID*) override { return E_NOTIMPL; }
#ifdef _WIN32
    HRESULT SetObject(LPDMUS_OBJECTDESC) override { return E_NOTIMPL; }
    HRESULT SetSearchDirectory(REFGUID, WCHAR*, BOOL) override { return E_NOTIMPL; }
    HRESULT ScanDirectory(REFGUID, WCHAR*, WCHAR*) override { return E_NOTIMPL; }
    HRESULT CacheObject(IDirectMusicObject*) override { return E_NOTIMPL; }
    HRESULT ReleaseObject(IDirectMusicObject*) override { return E_NOTIMPL; }
    HRESULT ClearCache(REFGUID) override { return E_NOTIMPL; }
    HRESULT EnableCache(REFGUID, BOOL) override { return E_NOTIMPL; }
    HRESULT EnumObject(REFGUID, DWORD, LPDMUS_OBJECTDESC) override { return E_NOTIMPL; }
    void CollectGarbage() override {}
    HRESULT ReleaseObjectByUnknown(IUnknown*) override { return E_NOTIMPL; }
    HRESULT LoadObjectFromFile(REFGUID, REFIID, WCHAR*, void**) override { return E_NOTIMPL; }
#endif
};

struct NullMusicSegment : NullUnknown<IDirectMusicSegment8> {
    HRESULT GetLength(MUSIC_TIME*) override { return E_NOTIMPL; }
    HRESULT SetRepeats(DWORD) override { return E_NOTIMPL; }
    HRESULT GetRepeats(DWORD*) override { return E_NOTIMPL; }
#ifdef _WIN32
    HRESULT SetLength(MUSIC_TIME) override { return E_NOTIMPL; }
    HRESULT GetDefaultResolution(DWORD*) override { return E_NOTIMPL; }
    HRESULT SetDefaultResolution(DWORD) override { return E_NOTIMPL; }
    HRESULT GetTrack(REFGUID, DWORD, DWORD, IDirectMusicTrack**) override { return E_NOTIMPL; }
    HRESULT GetTrackGroup(IDirectMusicTrack*, DWORD*) override { return E_NOTIMPL; }
    HRESULT InsertTrack(IDirectMusicTrack*, DWORD) override { return E_NOTIMPL; }
    HRESULT RemoveTrack(IDirectMusicTrack*) override { return E_NOTIMPL; }
    HRESULT InitPlay(IDirectMusicSegmentState**, IDirectMusicPerformance*, DWORD) override { return E_NOTIMPL; }
    HRESULT GetGraph(IDirectMusicGraph**) override { return E_NOTIMPL; }
    HRESULT SetGraph(IDirectMusicGraph*) override { return E_NOTIMPL; }
    HRESULT AddNotificationType(REFGUID) override { return E_NOTIMPL; }
    HRESULT RemoveNotificationType(REFGUID) override { return E_NOTIMPL; }
    HRESULT GetParam(REFGUID, DWORD, DWORD, MUSIC_TIME, MUSIC_TIME*, void*) override { return E_NOTIMPL; }
    HRESULT SetParam(REFGUID, DWORD, DWORD, MUSIC_TIME, void*) override { return E_NOTIMPL; }
    HRESULT Clone(MUSIC_TIME, MUSIC_TIME, IDirectMusicSegment**) override { return E_NOTIMPL; }
    HRESULT SetStartPoint(MUSIC_TIME) override { return E_NOTIMPL; }
    HRESULT GetStartPoint(MUSIC_TIME*) override { return E_NOTIMPL; }
    HRESULT SetLoopPoints(MUSIC_TIME, MUSIC_TIME) override { return E_NOTIMPL; }
    HRESULT GetLoopPoints(MUSIC_TIME*, MUSIC_TIME*) override { return E_NOTIMPL; }
    HRESULT SetPChannelsUsed(DWORD, DWORD*) override { return E_NOTIMPL; }
    HRESULT SetTrackConfig(REFGUID, DWORD, DWORD, DWORD, DWORD) override { return E_NOTIMPL; }
    HRESULT GetAudioPathConfig(IUnknown**) override { return E_NOTIMPL; }
    HRESULT Compose(MUSIC_TIME, IDirectMusicSegment*, IDirectMusicSegment*, IDirectMusicSegment**) override {
        return E_NOTIMPL;
    }
    HRESULT Download(IUnknown*) override { return E_NOTIMPL; }
    HRESULT Unload(IUnknown*) override { return E_NOTIMPL; }
#endif
};

struct NullMusicPerformance : NullUnknown<IDirectMusicPerformance8> {
    HRESULT Init(IDirectMusic**, LPDIRECTSOUND, HWND) override { return E_NOTIMPL; }
    HRESULT PlaySegment(IDirectMusicSegment*, DWORD, int64_t, IDirectMusicSegmentState**) override { return E_NOTIMPL; }
    HRESULT Stop(IDirectMusicSegment*, IDirectMusicSegmentState*, MUSIC_TIME, DWORD) override { return E_NOTIMPL; }
    HRESULT IsPlaying(IDirectMusicSegment*, IDirectMusicSegmentState*) override { return E_NOTIMPL; }
    HRESULT AddPort(IDirectMusicPort*) override { return E_NOTIMPL; }
    HRESULT GetGlobalParam(REFGUID, void*, DWORD) override { return E_NOTIMPL; }
    HRESULT SetGlobalParam(REFGUID, void*, DWORD) override { return E_NOTIMPL; }
    HRESULT CloseDown() override { return E_NOTIMPL; }
#ifdef _WIN32
    HRESULT GetSegmentState(IDirectMusicSegmentState**, MUSIC_TIME) override { return E_NOTIMPL; }
    HRESULT SetPrepareTime(DWORD) override { return E_NOTIMPL; }
    HRESULT GetPrepareTime(DWORD*) override { return E_NOTIMPL; }
    HRESULT SetBumperLength(DWORD) override { return E_NOTIMPL; }
    HRESULT GetBumperLength(DWORD*) override { return E_NOTIMPL; }
    HRESULT SendPMsg(DMUS_PMSG*) override { return E_NOTIMPL; }
    HRESULT MusicToReferenceTime(MUSIC_TIME, REFERENCE_TIME*) override { return E_NOTIMPL; }
    HRESULT ReferenceToMusicTime(REFERENCE_TIME, MUSIC_TIME*) override { return E_NOTIMPL; }
    HRESULT GetTime(REFERENCE_TIME*, MUSIC_TIME*) override { return E_NOTIMPL; }
    HRESULT AllocPMsg(ULONG, DMUS_PMSG**) override { return E_NOTIMPL; }
    HRESULT FreePMsg(DMUS_PMSG*) override { return E_NOTIMPL; }
    HRESULT GetGraph(IDirectMusicGraph**) override { return E_NOTIMPL; }
    HRESULT SetGraph(IDirectMusicGraph*) override { return E_NOTIMPL; }
    HRESULT SetNotificationHandle(HANDLE, REFERENCE_TIME) override { return E_NOTIMPL; }
    HRESULT GetNotificationPMsg(DMUS_NOTIFICATION_PMSG**) override { return E_NOTIMPL; }
    HRESULT AddNotificationType(REFGUID) override { return E_NOTIMPL; }
    HRESULT RemoveNotificationType(REFGUID) override { return E_NOTIMPL; }
    HRESULT RemovePort(IDirectMusicPort*) override { return E_NOTIMPL; }
    HRESULT AssignPChannelBlock(DWORD, IDirectMusicPort*, DWORD) override { return E_NOTIMPL; }
    HRESULT AssignPChannel(DWORD, IDirectMusicPort*, DWORD, DWORD) override { return E_NOTIMPL; }
    HRESULT PChannelInfo(DWORD, IDirectMusicPort**, DWORD*, DWORD*) override { return E_NOTIMPL; }
    HRESULT DownloadInstrument(IDirectMusicInstrument*, DWORD, IDirectMusicDownloadedInstrument**, DMUS_NOTERANGE*,
                               DWORD, IDirectMusicPort**, DWORD*, DWORD*) override {
        return E_NOTIMPL;
    }
    HRESULT Invalidate(MUSIC_TIME, DWORD) override { return E_NOTIMPL; }
    HRESULT GetParam(REFGUID, DWORD, DWORD, MUSIC_TIME, MUSIC_TIME*, void*) override { return E_NOTIMPL; }
    HRESULT SetParam(REFGUID, DWORD, DWORD, MUSIC_TIME, void*) override { return E_NOTIMPL; }
    HRESULT GetLatencyTime(REFERENCE_TIME*) override { return E_NOTIMPL; }
    HRESULT GetQueueTime(REFERENCE_TIME*) override { return E_NOTIMPL; }
    HRESULT AdjustTime(REFERENCE_TIME) override { return E_NOTIMPL; }
    HRESULT GetResolvedTime(REFERENCE_TIME, REFERENCE_TIME*, DWORD) override { return E_NOTIMPL; }
    HRESULT MIDIToMusic(BYTE, DMUS_CHORD_KEY*, BYTE, BYTE, WORD*) override { return E_NOTIMPL; }
    HRESULT MusicToMIDI(WORD, DMUS_CHORD_KEY*, BYTE, BYTE, BYTE*) override { return E_NOTIMPL; }
    HRESULT TimeToRhythm(MUSIC_TIME, DMUS_TIMESIGNATURE*, WORD*, BYTE*, BYTE*, short*) override { return E_NOTIMPL; }
    HRESULT RhythmToTime(WORD, BYTE, BYTE, short, DMUS_TIMESIGNATURE*, MUSIC_TIME*) override { return E_NOTIMPL; }
    HRESULT InitAudio(IDirectMusic**, IDirectSound**, HWND, DWORD, DWORD, DWORD, DMUS_AUDIOPARAMS*) override {
        return E_NOTIMPL;
    }
    HRESULT PlaySegmentEx(IUnknown*, WCHAR*, IUnknown*, DWORD, int64_t, IDirectMusicSegmentState**, IUnknown*,
                          IUnknown*) override {
        return E_NOTIMPL;
    }
    HRESULT StopEx(IUnknown*, int64_t, DWORD) override { return E_NOTIMPL; }
    HRESULT ClonePMsg(DMUS_PMSG*, DMUS_PMSG**) override { return E_NOTIMPL; }
    HRESULT CreateAudioPath(IUnknown*, BOOL, IDirectMusicAudioPath**) override { return E_NOTIMPL; }
    HRESULT CreateStandardAudioPath(DWORD, DWORD, BOOL, IDirectMusicAudioPath**) override { return E_NOTIMPL; }
    HRESULT SetDefaultAudioPath(IDirectMusicAudioPath*) override { return E_NOTIMPL; }
    HRESULT GetDefaultAudioPath(IDirectMusicAudioPath**) override { return E_NOTIMPL; }
    HRESULT GetParamEx(REFGUID, DWORD, DWORD, DWORD, MUSIC_TIME, MUSIC_TIME*, void*) override { return E_NOTIMPL; }
#endif
};

}  // namespace testsupport
