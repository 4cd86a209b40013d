// COM start-up and object creation, and the DirectMusic loader: segments from
// Standard MIDI files in memory, refused descriptions, damaged files.
#include <dmusici.h>
#include <gtest/gtest.h>
#include <objbase.h>

#include <cstring>
#include <vector>

#include "platform/platform_testing.h"
#include "platform/win32/resource_table.h"
#include "platform/dmusic_test_support.h"

namespace {

class ComScope {
public:
    ComScope() { CoInitialize(nullptr); }
    ~ComScope() { CoUninitialize(); }
};

IDirectMusicLoader8* NewLoader() {
    IDirectMusicLoader8* loader = nullptr;
    EXPECT_EQ(CoCreateInstance(CLSID_DirectMusicLoader, nullptr, CLSCTX_INPROC, IID_IDirectMusicLoader8,
                               reinterpret_cast<LPVOID*>(&loader)),
              S_OK);
    return loader;
}

DMUS_OBJECTDESC MemoryDesc(const std::vector<uint8_t>& bytes) {
    DMUS_OBJECTDESC desc{};
    desc.dwSize = 848;
    desc.dwValidData = DMUS_OBJ_CLASS | DMUS_OBJ_MEMORY;
    desc.guidClass = CLSID_DirectMusicSegment;
    desc.pbMemData = const_cast<uint8_t*>(bytes.data());
    desc.llMemLength = static_cast<LONGLONG>(bytes.size());
    return desc;
}

HRESULT Load(IDirectMusicLoader8* loader, const std::vector<uint8_t>& bytes, IDirectMusicSegment8** segment) {
    DMUS_OBJECTDESC desc = MemoryDesc(bytes);
    return loader->GetObject(&desc, IID_IDirectMusicSegment8, reinterpret_cast<LPVOID*>(segment));
}

std::vector<uint8_t> EmbeddedSong() {
    HMODULE self = GetModuleHandleA(nullptr);
    HRSRC found = FindResourceA(self, MAKEINTRESOURCEA(236), "Sound");
    if (!found) return {};
    const auto* data = static_cast<const uint8_t*>(LockResource(LoadResource(self, found)));
    return std::vector<uint8_t>(data, data + SizeofResource(self, found));
}

}  // namespace

TEST(DirectMusicCom, InitialisationIsCountedAndCreationNeedsIt) {
    ASSERT_EQ(platform::ComInitializeCount(), 0);
    IDirectMusicLoader8* loader = reinterpret_cast<IDirectMusicLoader8*>(1);
    EXPECT_EQ(CoCreateInstance(CLSID_DirectMusicLoader, nullptr, CLSCTX_INPROC, IID_IDirectMusicLoader8,
                               reinterpret_cast<LPVOID*>(&loader)),
              CO_E_NOTINITIALIZED);
    EXPECT_EQ(loader, nullptr);

    EXPECT_EQ(CoInitialize(nullptr), S_OK);
    EXPECT_EQ(CoInitialize(nullptr), S_FALSE);
    EXPECT_EQ(platform::ComInitializeCount(), 2);
    CoUninitialize();
    CoUninitialize();
    CoUninitialize();  // unmatched: nothing happens
    EXPECT_EQ(platform::ComInitializeCount(), 0);
    EXPECT_EQ(CoInitialize(reinterpret_cast<LPVOID>(1)), E_INVALIDARG);
    EXPECT_EQ(platform::ComInitializeCount(), 0);
}

TEST(DirectMusicCom, CreatesTheTwoClassesAndRefusesTheRest) {
    ComScope com;
    IUnknown* object = nullptr;
    auto out = reinterpret_cast<LPVOID*>(&object);
    EXPECT_EQ(CoCreateInstance(CLSID_DirectMusicSegment, nullptr, CLSCTX_INPROC, IID_IUnknown, out),
              REGDB_E_CLASSNOTREG);
    EXPECT_EQ(CoCreateInstance(CLSID_DirectMusicLoader, nullptr, CLSCTX_LOCAL_SERVER, IID_IUnknown, out),
              REGDB_E_CLASSNOTREG);
    EXPECT_EQ(CoCreateInstance(CLSID_DirectMusicLoader, reinterpret_cast<IUnknown*>(8), CLSCTX_INPROC,
                               IID_IUnknown, out),
              CLASS_E_NOAGGREGATION);
    EXPECT_EQ(CoCreateInstance(CLSID_DirectMusicLoader, nullptr, CLSCTX_INPROC, IID_IDirectMusicPerformance8, out),
              E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(CoCreateInstance(CLSID_DirectMusicLoader, nullptr, CLSCTX_INPROC, IID_IUnknown, nullptr), E_POINTER);

    // Interfaces of one object share one reference count.
    IDirectMusicPerformance8* performance = nullptr;
    ASSERT_EQ(CoCreateInstance(CLSID_DirectMusicPerformance, nullptr, CLSCTX_INPROC, IID_IDirectMusicPerformance8,
                               reinterpret_cast<LPVOID*>(&performance)),
              S_OK);
    IUnknown* unknown = nullptr;
    ASSERT_EQ(performance->QueryInterface(IID_IUnknown, reinterpret_cast<LPVOID*>(&unknown)), S_OK);
    EXPECT_EQ(unknown, static_cast<IUnknown*>(performance));
    EXPECT_EQ(performance->AddRef(), 3u);
    EXPECT_EQ(unknown->Release(), 2u);
    EXPECT_EQ(performance->QueryInterface(IID_IDirectMusicLoader8, reinterpret_cast<LPVOID*>(&unknown)),
              E_NOINTERFACE);
    EXPECT_EQ(unknown, nullptr);
    EXPECT_EQ(performance->Release(), 1u);
    EXPECT_EQ(performance->Release(), 0u);
}

TEST(DirectMusicLoader, LoadsAStandardMidiFileFromMemoryAndCopiesIt) {
    ComScope com;
    IDirectMusicLoader8* loader = NewLoader();
    ASSERT_NE(loader, nullptr);

    std::vector<uint8_t> bytes = dmusictest::ClickFile(3840);
    IDirectMusicSegment8* segment = nullptr;
    ASSERT_EQ(Load(loader, bytes, &segment), S_OK);
    ASSERT_NE(segment, nullptr);
    std::fill(bytes.begin(), bytes.end(), 0);  // the segment has its own copy

    MUSIC_TIME length = 0;
    EXPECT_EQ(segment->GetLength(&length), S_OK);
    EXPECT_EQ(length, 2 * 4 * DMUS_PPQ);  // two bars
    DWORD repeats = 7;
    EXPECT_EQ(segment->GetRepeats(&repeats), S_OK);
    EXPECT_EQ(repeats, 0u);
    EXPECT_EQ(segment->SetRepeats(DMUS_SEG_REPEAT_INFINITE), S_OK);
    EXPECT_EQ(segment->GetRepeats(&repeats), S_OK);
    EXPECT_EQ(repeats, DMUS_SEG_REPEAT_INFINITE);

    // Every load gives a segment of its own.
    IDirectMusicSegment8* second = nullptr;
    ASSERT_EQ(Load(loader, dmusictest::ClickFile(), &second), S_OK);
    EXPECT_NE(second, segment);
    EXPECT_EQ(second->Release(), 0u);
    EXPECT_EQ(segment->Release(), 0u);
    EXPECT_EQ(loader->Release(), 0u);
}

TEST(DirectMusicLoader, RefusesDescriptionsItCannotServe) {
    ComScope com;
    IDirectMusicLoader8* loader = NewLoader();
    ASSERT_NE(loader, nullptr);
    const std::vector<uint8_t> bytes = dmusictest::ClickFile();
    IDirectMusicSegment8* segment = reinterpret_cast<IDirectMusicSegment8*>(1);
    auto out = reinterpret_cast<LPVOID*>(&segment);

    DMUS_OBJECTDESC desc = MemoryDesc(bytes);
    desc.dwSize = 840;  // does not reach pbMemData
    EXPECT_EQ(loader->GetObject(&desc, IID_IDirectMusicSegment8, out), E_INVALIDARG);
    EXPECT_EQ(segment, nullptr);

    desc = MemoryDesc(bytes);
    desc.dwValidData = DMUS_OBJ_MEMORY;
    EXPECT_EQ(loader->GetObject(&desc, IID_IDirectMusicSegment8, out), DMUS_E_LOADER_NOCLASSID);
    desc = MemoryDesc(bytes);
    desc.guidClass = CLSID_DirectMusicPerformance;
    EXPECT_EQ(loader->GetObject(&desc, IID_IDirectMusicSegment8, out), DMUS_E_LOADER_FORMATNOTSUPPORTED);
    desc = MemoryDesc(bytes);
    desc.dwValidData = DMUS_OBJ_CLASS | DMUS_OBJ_FILENAME;
    EXPECT_EQ(loader->GetObject(&desc, IID_IDirectMusicSegment8, out), E_NOTIMPL);
    desc.dwValidData = DMUS_OBJ_CLASS;
    EXPECT_EQ(loader->GetObject(&desc, IID_IDirectMusicSegment8, out), DMUS_E_LOADER_NOFILENAME);
    desc = MemoryDesc(bytes);
    desc.pbMemData = nullptr;
    EXPECT_EQ(loader->GetObject(&desc, IID_IDirectMusicSegment8, out), E_INVALIDARG);
    desc = MemoryDesc(bytes);
    EXPECT_EQ(loader->GetObject(&desc, IID_IDirectMusicPerformance8, out), E_NOINTERFACE);
    EXPECT_EQ(loader->GetObject(nullptr, IID_IDirectMusicSegment8, out), E_POINTER);
    EXPECT_EQ(segment, nullptr);
    // The older interface names reach the same segment.
    EXPECT_EQ(loader->GetObject(&desc, IID_IDirectMusicSegment, out), S_OK);
    ASSERT_NE(segment, nullptr);
    segment->Release();
    loader->Release();
}

TEST(DirectMusicLoader, RefusesDamagedAndUnplayableFiles) {
    ComScope com;
    IDirectMusicLoader8* loader = NewLoader();
    ASSERT_NE(loader, nullptr);
    const std::vector<uint8_t> good = EmbeddedSong();
    ASSERT_GT(good.size(), 1000u) << "resource 236 (\"Sound\") is missing";
    IDirectMusicSegment8* segment = nullptr;

    // Cut anywhere before its last byte, the song is refused.
    for (size_t size = 0; size < good.size(); size += (size < 64 ? 1 : 97)) {
        std::vector<uint8_t> cut(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(size));
        EXPECT_NE(Load(loader, cut, &segment), S_OK) << "accepted a song cut to " << size << " bytes";
        EXPECT_EQ(segment, nullptr);
    }
    // Any single damaged byte either loads or is refused; it never crashes.
    for (size_t at = 0; at < good.size(); at += 13) {
        std::vector<uint8_t> damaged = good;
        damaged[at] ^= 0xA5;
        if (Load(loader, damaged, &segment) == S_OK) segment->Release();
    }

    auto patched = [](std::vector<uint8_t> file, size_t at, std::vector<uint8_t> bytes) {
        std::copy(bytes.begin(), bytes.end(), file.begin() + static_cast<std::ptrdiff_t>(at));
        return file;
    };
    const std::vector<uint8_t> click = dmusictest::ClickFile();
    EXPECT_EQ(Load(loader, patched(click, 8, {0, 2}), &segment), DMUS_E_UNSUPPORTED_STREAM);        // format 2
    EXPECT_EQ(Load(loader, patched(click, 12, {0xE7, 0x28}), &segment), DMUS_E_UNSUPPORTED_STREAM);  // SMPTE
    EXPECT_EQ(Load(loader, patched(click, 10, {0, 2}), &segment), DMUS_E_UNSUPPORTED_STREAM);  // a track missing
    EXPECT_EQ(Load(loader, patched(click, 0, {'R', 'I', 'F', 'F'}), &segment), DMUS_E_UNSUPPORTED_STREAM);
    // A running status with nothing to run on, and a note number above 127.
    EXPECT_EQ(Load(loader, patched(click, 30, {42}), &segment), DMUS_E_UNSUPPORTED_STREAM);
    EXPECT_EQ(Load(loader, patched(click, 31, {0xAA}), &segment), DMUS_E_UNSUPPORTED_STREAM);
    // A song ending with its last note loads; one that ends where it starts
    // has nothing to play or loop.
    ASSERT_EQ(Load(loader, dmusictest::ClickFile(60), &segment), S_OK);
    segment->Release();
    std::vector<uint8_t> empty = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 1, 0xE0,
                                  'M', 'T', 'r', 'k', 0, 0, 0, 4, 0, 0xFF, 0x2F, 0};
    EXPECT_EQ(Load(loader, empty, &segment), DMUS_E_UNSUPPORTED_STREAM);
    loader->Release();
}
