// StartMusic and StopMusic: the DirectMusic calls in their order (through a
// recording double of the loader, segment and performance), the failures that
// stop the start part-way, and the built-in song heard through the offline
// output: audible, looping without a gap, at the volume MusicVolume asks for.
#include "music/music_player.h"

#include <dmusici.h>
#include <gtest/gtest.h>
#include <objbase.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "platform/dmusic_test_support.h"
#include "platform/platform_testing.h"
#include "platform/win32/resource_table.h"
#include "support/com_doubles.h"

namespace {

// ---- a recording double of the DirectMusic objects ------------------------------------
struct Recorder {
    std::vector<std::string> calls;
    std::map<std::string, HRESULT> failures;  // call name -> result to give instead of S_OK
    int liveObjects = 0;

    HRESULT Call(const std::string& name, const std::string& arguments = "") {
        calls.push_back(name + "(" + arguments + ")");
        auto it = failures.find(name);
        return it == failures.end() ? S_OK : it->second;
    }
};

std::string Hex(DWORD value) {
    char text[16];
    std::snprintf(text, sizeof(text), "0x%X", value);
    return text;
}

template <typename Interface>
class Recorded : public Interface {
public:
    Recorded(Recorder& recorder, std::string name) : recorder_(recorder), name_(std::move(name)) {
        ++recorder_.liveObjects;
    }
    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override {
        recorder_.Call(name_ + ".Release");
        if (--refs_ == 0) {
            --recorder_.liveObjects;
            delete this;
            return 0;
        }
        return refs_;
    }

protected:
    virtual ~Recorded() = default;
    Recorder& recorder_;
    std::string name_;
    ULONG refs_ = 1;
};

class FakeSegment final : public Recorded<testsupport::NullMusicSegment> {
public:
    explicit FakeSegment(Recorder& r) : Recorded(r, "segment") {}
    HRESULT SetRepeats(DWORD repeats) override { return recorder_.Call("segment.SetRepeats", Hex(repeats)); }
};

class FakeLoader final : public Recorded<testsupport::NullMusicLoader> {
public:
    explicit FakeLoader(Recorder& r) : Recorded(r, "loader") {}
    HRESULT GetObject(LPDMUS_OBJECTDESC desc, REFIID riid, LPVOID* out) override {
        lastDesc = *desc;
        std::string arguments = "size " + std::to_string(desc->dwSize) + ", valid " + Hex(desc->dwValidData) +
                                (desc->guidClass == CLSID_DirectMusicSegment ? ", segment class" : ", other class") +
                                (riid == IID_IDirectMusicSegment8 ? ", IDirectMusicSegment8" : ", other interface");
        HRESULT hr = recorder_.Call("loader.GetObject", arguments);
        *out = SUCCEEDED(hr) ? static_cast<IDirectMusicSegment8*>(new FakeSegment(recorder_)) : nullptr;
        return hr;
    }
    static DMUS_OBJECTDESC lastDesc;
};
DMUS_OBJECTDESC FakeLoader::lastDesc{};

class FakePerformance final : public Recorded<testsupport::NullMusicPerformance> {
public:
    explicit FakePerformance(Recorder& r) : Recorded(r, "performance") {}
    HRESULT Init(IDirectMusic** music, LPDIRECTSOUND sound, HWND window) override {
        return recorder_.Call("performance.Init", std::string(music ? "music" : "null") + (sound ? ", sound" : ", null") +
                                                      (window ? ", window" : ", null"));
    }
    HRESULT PlaySegment(IDirectMusicSegment* segment, DWORD flags, int64_t start,
                        IDirectMusicSegmentState** state) override {
        return recorder_.Call("performance.PlaySegment", std::string(segment ? "segment" : "null") + ", " +
                                                             Hex(flags) + ", " + std::to_string(start) +
                                                             (state ? ", state" : ", null"));
    }
    HRESULT Stop(IDirectMusicSegment* segment, IDirectMusicSegmentState* state, MUSIC_TIME time,
                 DWORD flags) override {
        return recorder_.Call("performance.Stop", std::string(segment ? "segment" : "null") +
                                                      (state ? ", state, " : ", null, ") + std::to_string(time) +
                                                      ", " + Hex(flags));
    }
    HRESULT AddPort(IDirectMusicPort* port) override {
        return recorder_.Call("performance.AddPort", port ? "port" : "null");
    }
    HRESULT SetGlobalParam(REFGUID type, void* param, DWORD size) override {
        int32_t value;
        std::memcpy(&value, param, sizeof(value));
        const char* name = type == GUID_PerfAutoDownload  ? "AutoDownload"
                           : type == GUID_PerfMasterVolume ? "MasterVolume"
                           : type == GUID_PerfMasterTempo  ? "MasterTempo"
                                                           : "other";
        return recorder_.Call("performance.SetGlobalParam",
                              std::string(name) + ", " + std::to_string(value) + ", " + std::to_string(size));
    }
    HRESULT CloseDown() override { return recorder_.Call("performance.CloseDown"); }
};

class MusicPlayerCalls : public ::testing::Test {
protected:
    void SetUp() override {
        platform::SetCoCreateInstanceHook([this](REFCLSID clsid, LPUNKNOWN outer, DWORD context, REFIID iid,
                                                 LPVOID* out) -> HRESULT {
            const bool isLoader = clsid == CLSID_DirectMusicLoader;
            std::string arguments = std::string(isLoader ? "loader" : "performance") + (outer ? ", outer" : ", null") +
                                    ", " + std::to_string(context) + ", " +
                                    (iid == IID_IDirectMusicLoader8        ? "IDirectMusicLoader8"
                                     : iid == IID_IDirectMusicPerformance8 ? "IDirectMusicPerformance8"
                                                                           : "other");
            HRESULT hr = recorder.Call(std::string("CoCreateInstance.") + (isLoader ? "loader" : "performance"),
                                       arguments);
            if (FAILED(hr)) return hr;
            if (isLoader) *out = static_cast<IDirectMusicLoader8*>(new FakeLoader(recorder));
            else *out = static_cast<IDirectMusicPerformance8*>(new FakePerformance(recorder));
            return S_OK;
        });
    }
    void TearDown() override {
        platform::SetCoCreateInstanceHook(nullptr);
        platform::SubstituteResources(nullptr, 0);
        EXPECT_EQ(recorder.liveObjects, 0) << "StopMusic left objects unreleased";
        EXPECT_EQ(platform::ComInitializeCount(), 0);
    }

    std::vector<std::string> Calls() {
        std::vector<std::string> calls;
        calls.swap(recorder.calls);
        return calls;
    }

    Recorder recorder;
};

const std::vector<std::string> kStartCalls = {
    "CoCreateInstance.loader(loader, null, 3, IDirectMusicLoader8)",
    "loader.GetObject(size " + std::to_string(sizeof(DMUS_OBJECTDESC)) + ", valid 0x402, segment class, IDirectMusicSegment8)",
    "CoCreateInstance.performance(performance, null, 3, IDirectMusicPerformance8)",
    "performance.Init(null, null, null)",
    "performance.SetGlobalParam(AutoDownload, 1, 4)",
    "performance.SetGlobalParam(MasterVolume, -255, 4)",
    "performance.SetGlobalParam(MasterTempo, 0, 4)",
    "performance.AddPort(null)",
    "segment.SetRepeats(0xFFFFFFFF)",
    "performance.PlaySegment(segment, 0x1000, 0, null)",
};
const std::vector<std::string> kStopCalls = {
    "segment.Release()",         "performance.Stop(null, null, 0, 0x0)", "performance.CloseDown()",
    "performance.Release()",     "loader.Release()",
};

std::vector<std::string> Prefix(const std::vector<std::string>& calls, size_t count) {
    return std::vector<std::string>(calls.begin(), calls.begin() + static_cast<std::ptrdiff_t>(count));
}

}  // namespace

TEST(MusicPlayer, MasterVolumeFromMusicVolume) {
    EXPECT_EQ(MusicMasterVolume(0), -750);
    EXPECT_EQ(MusicMasterVolume(50), 0);
    EXPECT_EQ(MusicMasterVolume(100), 750);
    EXPECT_EQ(MusicMasterVolume(33), -255);  // 0.33 * 1500 in floats would truncate to -254
    EXPECT_EQ(MusicMasterVolume(1), -735);
    EXPECT_EQ(MusicMasterVolume(75), 375);
}

TEST_F(MusicPlayerCalls, StartAndStopCallDirectMusicInOrder) {
    EXPECT_TRUE(StartMusic(nullptr, 33));
    EXPECT_EQ(Calls(), kStartCalls);
    EXPECT_EQ(platform::ComInitializeCount(), 1);

    // The song is resource 236 of type "Sound", handed over where it lies.
    HMODULE self = GetModuleHandleA(nullptr);
    HRSRC song = FindResourceA(self, MAKEINTRESOURCEA(236), "Sound");
    ASSERT_NE(song, nullptr);
    EXPECT_EQ(FakeLoader::lastDesc.pbMemData, LockResource(LoadResource(self, song)));
    EXPECT_EQ(FakeLoader::lastDesc.llMemLength, static_cast<LONGLONG>(SizeofResource(self, song)));
    EXPECT_EQ(FakeLoader::lastDesc.pStream, nullptr);
    EXPECT_EQ(FakeLoader::lastDesc.wszFileName[0], u'\0');

    StopMusic();
    EXPECT_EQ(Calls(), kStopCalls);
}

TEST_F(MusicPlayerCalls, StopWithoutStartReleasesNothingAndEndsCom) {
    StopMusic();
    EXPECT_TRUE(Calls().empty());
    StopMusic();  // twice is as harmless
    EXPECT_TRUE(Calls().empty());

    // A start that failed at its first object leaves COM initialised until
    // StopMusic ends it.
    recorder.failures["CoCreateInstance.loader"] = E_OUTOFMEMORY;
    EXPECT_FALSE(StartMusic(nullptr, 50));
    EXPECT_EQ(Calls(), Prefix(kStartCalls, 1));
    EXPECT_EQ(platform::ComInitializeCount(), 1);
    StopMusic();
    EXPECT_TRUE(Calls().empty());
}

TEST_F(MusicPlayerCalls, AFailingStepEndsTheStartAndStopReleasesWhatExists) {
    struct Case {
        const char* failing;
        size_t callsMade;                     // of kStartCalls, the failing one included
        std::vector<std::string> stopCalls;   // what StopMusic then releases
    };
    const std::vector<std::string> loaderOnly = {"loader.Release()"};
    const std::vector<std::string> segmentAndLoader = {"segment.Release()", "loader.Release()"};
    const std::vector<Case> cases = {
        {"loader.GetObject", 2, loaderOnly},
        {"CoCreateInstance.performance", 3, segmentAndLoader},
        {"performance.Init", 4, kStopCalls},
        {"performance.AddPort", 8, kStopCalls},
        {"segment.SetRepeats", 9, kStopCalls},
        {"performance.PlaySegment", 10, kStopCalls},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.failing);
        recorder.failures = {{c.failing, E_FAIL}};
        EXPECT_FALSE(StartMusic(nullptr, 33));
        EXPECT_EQ(Calls(), Prefix(kStartCalls, c.callsMade));
        StopMusic();
        EXPECT_EQ(Calls(), c.stopCalls);
        EXPECT_EQ(recorder.liveObjects, 0);
    }

    // The three parameters may fail; the port decides.
    recorder.failures = {{"performance.SetGlobalParam", E_INVALIDARG}};
    EXPECT_TRUE(StartMusic(nullptr, 33));
    EXPECT_EQ(Calls(), kStartCalls);
    StopMusic();
    Calls();

    // Without the song nothing is loaded.
    recorder.failures.clear();
    const platform::EmbeddedResource none[] = {{0, "CustomData", 256, reinterpret_cast<const unsigned char*>(""), 0}};
    platform::SubstituteResources(none, 1);
    EXPECT_FALSE(StartMusic(nullptr, 33));
    EXPECT_EQ(Calls(), Prefix(kStartCalls, 1));
    StopMusic();
    EXPECT_EQ(Calls(), loaderOnly);
}

// ---- the built-in song through the real layer, rendered offline -----------------------------

namespace {

constexpr int kRate = 22050;
// 52 bars of 4/4 at 116 beats a minute (517241 microseconds a quarter).
constexpr double kSongSeconds = 52 * 4 * 0.517241;

class BuiltInSong : public ::testing::Test {
protected:
    void SetUp() override {
        if (!dmusictest::SoundFontInstalled()) GTEST_SKIP() << "no General MIDI soundfont installed";
        platform::UseOfflineMusicOutput(true, kRate);
    }
    void TearDown() override {
        StopMusic();
        platform::UseOfflineMusicOutput(false);
        platform::SetMusicSoundFont("");
        EXPECT_EQ(platform::ComInitializeCount(), 0);
    }
};

}  // namespace

TEST_F(BuiltInSong, PlaysAudiblyAndLoopsWithoutAGap) {
    ASSERT_TRUE(StartMusic(nullptr, 100));
    const std::vector<float> audio = platform::RenderMusicOffline(kSongSeconds + 4.0);
    ASSERT_FALSE(audio.empty());
    const auto frame = [](double seconds) { return static_cast<size_t>(seconds * kRate); };

    // Loud enough to hear, never clipping, even at the highest volume.
    EXPECT_GT(dmusictest::RmsDb(audio, 0, frame(kSongSeconds)), -35.0);
    EXPECT_LT(dmusictest::Peak(audio), 1.0f);

    // The song has no rests: once its first chord has swelled, no tenth of
    // a second anywhere, across the loop point included, falls silent.
    double quietest = 0;
    double quietestAt = 0;
    for (double t = 0.5; t + 0.1 <= kSongSeconds + 4.0; t += 0.1) {
        const double level = dmusictest::RmsDb(audio, frame(t), frame(t + 0.1));
        if (level < quietest) {
            quietest = level;
            quietestAt = t;
        }
    }
    EXPECT_GT(quietest, -55.0) << "silence at " << quietestAt << " s";
    // The loop point itself, to the hundredth of a second.
    for (double t = kSongSeconds - 0.5; t < kSongSeconds + 0.5; t += 0.01) {
        EXPECT_GT(dmusictest::RmsDb(audio, frame(t), frame(t + 0.01)), -60.0) << "gap at " << t << " s";
    }
    // After the loop point the song starts again: its opening sounds as
    // loud as the first time (the first chord has no earlier chord to
    // blend with, so compare from half a second in).
    EXPECT_NEAR(dmusictest::RmsDb(audio, frame(kSongSeconds + 0.5), frame(kSongSeconds + 4.0)),
                dmusictest::RmsDb(audio, frame(0.5), frame(4.0)), 2.0);
}

TEST_F(BuiltInSong, MusicVolumeMovesTheLevelBySevenAndAHalfDecibels) {
    auto levelAt = [](int volume) {
        EXPECT_TRUE(StartMusic(nullptr, volume));
        const std::vector<float> audio = platform::RenderMusicOffline(12.0);
        StopMusic();
        return dmusictest::RmsDb(audio, 0, audio.size() / 2);
    };
    const double middle = levelAt(50);
    EXPECT_NEAR(levelAt(0) - middle, -7.5, 0.5);
    EXPECT_NEAR(levelAt(100) - middle, 7.5, 0.5);
    EXPECT_TRUE(platform::RenderMusicOffline(1.0).empty());  // stopped: nothing plays
}

TEST_F(BuiltInSong, WithoutASoundFontThereIsNoMusicAndNoHarm) {
    platform::SetMusicSoundFont("/nonexistent/none.sf2");
    EXPECT_FALSE(StartMusic(nullptr, 75));
    EXPECT_TRUE(platform::RenderMusicOffline(1.0).empty());
    StopMusic();
    EXPECT_EQ(platform::ComInitializeCount(), 0);
}
