// objbase.h — COM start-up and object creation of the platform layer.
//
// Implements: CoInitialize (single-threaded, counted: S_OK for the first call,
// S_FALSE while already initialised), CoUninitialize (one call per successful
// CoInitialize; an unmatched call does nothing), CoCreateInstance for the
// classes this platform has: CLSID_DirectMusicLoader and
// CLSID_DirectMusicPerformance (dmusici.h), in process only.
//
// GUIDs and IUnknown are declared in ddraw.h, where the layer first needed
// them. Left out: apartments and threading models, out-of-process servers,
// class factories, aggregation (refused with CLASS_E_NOAGGREGATION), the task
// allocator. The implementation is src/platform/dmusic/com_runtime.cpp.
#pragma once

#include "ddraw.h"
#include "windows.h"

typedef int64_t LONGLONG;
typedef uint64_t ULONGLONG;

#define CLSCTX_INPROC_SERVER 0x1
#define CLSCTX_INPROC_HANDLER 0x2
#define CLSCTX_LOCAL_SERVER 0x4
#define CLSCTX_INPROC (CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER)

#define CO_E_NOTINITIALIZED (static_cast<HRESULT>(0x800401F0))
#define REGDB_E_CLASSNOTREG (static_cast<HRESULT>(0x80040154))
#define CLASS_E_NOAGGREGATION (static_cast<HRESULT>(0x80040110))

extern const IID IID_IUnknown;

HRESULT CoInitialize(LPVOID reserved);
void CoUninitialize();
HRESULT CoCreateInstance(REFCLSID rclsid, LPUNKNOWN pUnkOuter, DWORD dwClsContext, REFIID riid, LPVOID* ppv);
