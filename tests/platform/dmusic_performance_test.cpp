// The DirectMusic performance over FluidSynth, listened to through the
// offline output: gapless loops, repeats, master volume in hundredths of a
// decibel, master tempo, Stop; the call order it insists on; and the ways it
// fails without a soundfont or an audio device.
#include <dmusici.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <objbase.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "platform/dmusic_test_support.h"
#include "platform/platform_testing.h"
#include "test_support.h"

namespace {

constexpr int kRate = 22050;
constexpr size_t kBarFrames = 2 * kRate;  // one 4/4 bar at 120 beats a minute

class DirectMusicPerformance : public ::testing::Test {
protected:
    void SetUp() override {
        if (!dmusictest::SoundFontInstalled()) GTEST_SKIP() << "no General MIDI soundfont installed";
        platform::SetMusicSoundFont("");
        platform::UseOfflineMusicOutput(true, kRate);
        CoInitialize(nullptr);
        ASSERT_EQ(CoCreateInstance(CLSID_DirectMusicLoader, nullptr, CLSCTX_INPROC, IID_IDirectMusicLoader8,
                                   reinterpret_cast<LPVOID*>(&loader)),
                  S_OK);
    }
    void TearDown() override {
        if (loader) loader->Release();
        platform::UseOfflineMusicOutput(false);
        platform::SetMusicSoundFont("");
        CoUninitialize();
    }

    IDirectMusicSegment8* LoadClick(uint32_t endTick = 1920) {
        std::vector<uint8_t> bytes = dmusictest::ClickFile(endTick);
        DMUS_OBJECTDESC desc{};
        desc.dwSize = 848;
        desc.dwValidData = DMUS_OBJ_CLASS | DMUS_OBJ_MEMORY;
        desc.guidClass = CLSID_DirectMusicSegment;
        desc.pbMemData = bytes.data();
        desc.llMemLength = static_cast<LONGLONG>(bytes.size());
        IDirectMusicSegment8* segment = nullptr;
        EXPECT_EQ(loader->GetObject(&desc, IID_IDirectMusicSegment8, reinterpret_cast<LPVOID*>(&segment)), S_OK);
        return segment;
    }

    // A performance with its default port, master volume set.
    IDirectMusicPerformance8* NewPerformance(LONG masterVolume = 0) {
        IDirectMusicPerformance8* performance = nullptr;
        EXPECT_EQ(CoCreateInstance(CLSID_DirectMusicPerformance, nullptr, CLSCTX_INPROC,
                                   IID_IDirectMusicPerformance8, reinterpret_cast<LPVOID*>(&performance)),
                  S_OK);
        EXPECT_EQ(performance->Init(nullptr, nullptr, nullptr), S_OK);
        EXPECT_EQ(performance->SetGlobalParam(GUID_PerfMasterVolume, &masterVolume, sizeof(masterVolume)), S_OK);
        EXPECT_EQ(performance->AddPort(nullptr), S_OK);
        return performance;
    }

    static void End(IDirectMusicPerformance8* performance) {
        EXPECT_EQ(performance->CloseDown(), S_OK);
        EXPECT_EQ(performance->Release(), 0u);
    }

    IDirectMusicLoader8* loader = nullptr;
};

}  // namespace

TEST_F(DirectMusicPerformance, LoopsWithoutAGapAndRepeatsAsAsked) {
    IDirectMusicSegment8* segment = LoadClick();
    ASSERT_NE(segment, nullptr);

    ASSERT_EQ(segment->SetRepeats(DMUS_SEG_REPEAT_INFINITE), S_OK);
    IDirectMusicPerformance8* performance = NewPerformance();
    ASSERT_EQ(performance->PlaySegment(segment, DMUS_SEGF_BEAT, 0, nullptr), S_OK);
    EXPECT_EQ(performance->IsPlaying(segment, nullptr), S_OK);
    std::vector<float> audio = platform::RenderMusicOffline(5.5 * 2);
    ASSERT_EQ(audio.size(), 2 * size_t{11 * kRate});
    const float threshold = dmusictest::Peak(audio) * 0.1f;
    std::vector<size_t> onsets = dmusictest::Onsets(audio, threshold, kRate / 2);
    ASSERT_EQ(onsets.size(), 6u);
    // Each pass starts one bar after the last. The synthesizer starts every
    // note on a block of 64 frames, and the player restarts the file at the
    // first block after its end: the seam moves by one block (1.5 ms at
    // 44.1 kHz) at most, like any other note.
    for (size_t i = 1; i < onsets.size(); ++i) {
        EXPECT_NEAR(static_cast<double>(onsets[i] - onsets[i - 1]), double{kBarFrames}, 64.0) << "pass " << i;
    }
    EXPECT_NEAR(static_cast<double>(onsets.back() - onsets.front()), 5.0 * kBarFrames, 5 * 64.0);
    End(performance);

    // One repeat plays the bar twice, then the performance falls silent.
    ASSERT_EQ(segment->SetRepeats(1), S_OK);
    performance = NewPerformance();
    ASSERT_EQ(performance->PlaySegment(segment, 0, 0, nullptr), S_OK);
    audio = platform::RenderMusicOffline(8.0);
    EXPECT_EQ(dmusictest::Onsets(audio, threshold, kRate / 2).size(), 2u);
    EXPECT_EQ(performance->IsPlaying(nullptr, nullptr), S_FALSE);
    End(performance);
    segment->Release();
}

TEST_F(DirectMusicPerformance, MasterVolumeScalesTheLevelInHundredthsOfADecibel) {
    IDirectMusicSegment8* segment = LoadClick();
    ASSERT_NE(segment, nullptr);
    segment->SetRepeats(DMUS_SEG_REPEAT_INFINITE);
    auto levelAt = [&](LONG volume) {
        IDirectMusicPerformance8* performance = NewPerformance(volume);
        EXPECT_EQ(performance->PlaySegment(segment, DMUS_SEGF_BEAT, 0, nullptr), S_OK);
        std::vector<float> audio = platform::RenderMusicOffline(4.0);
        End(performance);
        return dmusictest::RmsDb(audio, 0, audio.size() / 2);
    };
    const double zero = levelAt(0);
    EXPECT_GT(zero, -60.0);
    EXPECT_NEAR(levelAt(-750) - zero, -7.5, 0.05);
    EXPECT_NEAR(levelAt(750) - zero, 7.5, 0.05);
    EXPECT_NEAR(levelAt(-2000) - zero, -20.0, 0.05);
    // Beyond DMUS_VOLUME_MAX the volume stays at the maximum.
    EXPECT_NEAR(levelAt(5000) - zero, 20.0, 0.05);

    // A change while the song plays reaches the notes already sounding.
    IDirectMusicPerformance8* performance = NewPerformance(0);
    ASSERT_EQ(performance->PlaySegment(segment, DMUS_SEGF_BEAT, 0, nullptr), S_OK);
    std::vector<float> before = platform::RenderMusicOffline(0.05);
    LONG quieter = -600;
    ASSERT_EQ(performance->SetGlobalParam(GUID_PerfMasterVolume, &quieter, sizeof(quieter)), S_OK);
    std::vector<float> after = platform::RenderMusicOffline(0.05);
    EXPECT_LT(dmusictest::RmsDb(after, 0, after.size() / 2), dmusictest::RmsDb(before, 0, before.size() / 2) - 3.0);
    LONG read = 0;
    EXPECT_EQ(performance->GetGlobalParam(GUID_PerfMasterVolume, &read, sizeof(read)), S_OK);
    EXPECT_EQ(read, -600);
    End(performance);
    segment->Release();
}

TEST_F(DirectMusicPerformance, MasterTempoOfZeroKeepsTheSongsOwnTempo) {
    IDirectMusicSegment8* segment = LoadClick();
    ASSERT_NE(segment, nullptr);
    segment->SetRepeats(DMUS_SEG_REPEAT_INFINITE);
    auto periodWithTempo = [&](float tempo, HRESULT expected) {
        IDirectMusicPerformance8* performance = NewPerformance();
        EXPECT_EQ(performance->SetGlobalParam(GUID_PerfMasterTempo, &tempo, sizeof(tempo)), expected);
        EXPECT_EQ(performance->PlaySegment(segment, DMUS_SEGF_BEAT, 0, nullptr), S_OK);
        std::vector<float> audio = platform::RenderMusicOffline(6.5);
        End(performance);
        std::vector<size_t> onsets = dmusictest::Onsets(audio, dmusictest::Peak(audio) * 0.1f, kRate / 4);
        return onsets.size() < 2 ? 0.0 : double(onsets[1] - onsets[0]);
    };
    EXPECT_NEAR(periodWithTempo(0.0f, E_INVALIDARG), double{kBarFrames}, 64.0);
    EXPECT_NEAR(periodWithTempo(1.0f, S_OK), double{kBarFrames}, 64.0);
    EXPECT_NEAR(periodWithTempo(2.0f, S_OK), double{kBarFrames} / 2, 64.0);
    segment->Release();
}

TEST_F(DirectMusicPerformance, StopSilencesAndReleasesTheSegment) {
    IDirectMusicSegment8* segment = LoadClick(240);  // a click every eighth note
    ASSERT_NE(segment, nullptr);
    segment->SetRepeats(DMUS_SEG_REPEAT_INFINITE);
    IDirectMusicPerformance8* performance = NewPerformance();
    ASSERT_EQ(performance->PlaySegment(segment, DMUS_SEGF_BEAT, 0, nullptr), S_OK);
    EXPECT_EQ(segment->AddRef(), 3u);  // the test's, the performance's, this one
    segment->Release();
    std::vector<float> audio = platform::RenderMusicOffline(1.0);
    EXPECT_GT(dmusictest::RmsDb(audio, 0, audio.size() / 2), -60.0);

    EXPECT_EQ(performance->Stop(nullptr, nullptr, 0, 0), S_OK);
    EXPECT_EQ(performance->IsPlaying(nullptr, nullptr), S_FALSE);
    EXPECT_EQ(segment->AddRef(), 2u);
    segment->Release();
    audio = platform::RenderMusicOffline(3.0);
    EXPECT_LT(dmusictest::RmsDb(audio, 2 * kRate, 3 * kRate), -90.0);  // the reverb has died away too

    End(performance);
    EXPECT_TRUE(platform::RenderMusicOffline(1.0).empty());  // no port any more
    EXPECT_EQ(segment->Release(), 0u);
}

TEST_F(DirectMusicPerformance, CallsOutOfOrderFailWithTheDirectMusicCodes) {
    IDirectMusicSegment8* segment = LoadClick();
    ASSERT_NE(segment, nullptr);
    IDirectMusicPerformance8* performance = nullptr;
    ASSERT_EQ(CoCreateInstance(CLSID_DirectMusicPerformance, nullptr, CLSCTX_INPROC, IID_IDirectMusicPerformance8,
                               reinterpret_cast<LPVOID*>(&performance)),
              S_OK);
    DWORD one = 1;
    EXPECT_EQ(performance->SetGlobalParam(GUID_PerfAutoDownload, &one, 4), DMUS_E_NOT_INIT);
    EXPECT_EQ(performance->AddPort(nullptr), DMUS_E_NOT_INIT);
    EXPECT_EQ(performance->PlaySegment(segment, 0, 0, nullptr), DMUS_E_NOT_INIT);

    EXPECT_EQ(performance->Init(nullptr, nullptr, nullptr), S_OK);
    EXPECT_EQ(performance->Init(nullptr, nullptr, nullptr), DMUS_E_ALREADY_INITED);
    EXPECT_EQ(performance->SetGlobalParam(GUID_PerfAutoDownload, &one, 2), E_INVALIDARG);
    EXPECT_EQ(performance->SetGlobalParam(GUID_PerfAutoDownload, nullptr, 4), E_POINTER);
    EXPECT_EQ(performance->SetGlobalParam(CLSID_DirectMusicLoader, &one, 4), E_NOTIMPL);
    EXPECT_EQ(performance->SetGlobalParam(GUID_PerfAutoDownload, &one, 4), S_OK);
    float tempo = 0;
    EXPECT_EQ(performance->GetGlobalParam(GUID_PerfMasterTempo, &tempo, sizeof(tempo)), S_OK);
    EXPECT_EQ(tempo, 1.0f);  // the refused 0 never replaced the song's own tempo
    EXPECT_EQ(performance->PlaySegment(segment, 0, 0, nullptr), DMUS_E_NOT_FOUND);  // no port yet
    EXPECT_EQ(performance->AddPort(reinterpret_cast<IDirectMusicPort*>(8)), E_NOTIMPL);
    EXPECT_EQ(performance->AddPort(nullptr), S_OK);
    EXPECT_EQ(performance->PlaySegment(segment, DMUS_SEGF_SECONDARY, 0, nullptr), E_NOTIMPL);
    EXPECT_EQ(performance->PlaySegment(nullptr, 0, 0, nullptr), E_POINTER);
    EXPECT_EQ(performance->IsPlaying(nullptr, nullptr), S_FALSE);
    EXPECT_EQ(performance->CloseDown(), S_OK);
    EXPECT_EQ(performance->AddPort(nullptr), DMUS_E_NOT_INIT);
    // Releasing a performance that still plays closes it down on the way.
    EXPECT_EQ(performance->Release(), 0u);
    performance = NewPerformance();
    ASSERT_EQ(performance->PlaySegment(segment, 0, 0, nullptr), S_OK);
    EXPECT_EQ(performance->Release(), 0u);
    EXPECT_TRUE(platform::RenderMusicOffline(0.1).empty());
    EXPECT_EQ(segment->Release(), 0u);
}

TEST_F(DirectMusicPerformance, WithoutASoundFontOrAnAudioDeviceThePortFails) {
    IDirectMusicSegment8* segment = LoadClick();
    ASSERT_NE(segment, nullptr);
    IDirectMusicPerformance8* performance = nullptr;
    auto fresh = [&]() {
        ASSERT_EQ(CoCreateInstance(CLSID_DirectMusicPerformance, nullptr, CLSCTX_INPROC,
                                   IID_IDirectMusicPerformance8, reinterpret_cast<LPVOID*>(&performance)),
                  S_OK);
        ASSERT_EQ(performance->Init(nullptr, nullptr, nullptr), S_OK);
    };

    // No soundfont there, or something that is no file: a FIFO would block
    // the synthesizer's open for ever, a folder cannot be loaded. No music,
    // at once, and one warning for what is there but unusable.
    const std::string folder = testsupport::MakeTempDir("vexlar-soundfont-");
    const std::string fifo = folder + "/fifo.sf2";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string& path : {std::string("/nonexistent/none.sf2"), fifo, folder}) {
        platform::SetMusicSoundFont(path);
        fresh();
        testing::internal::CaptureStderr();
        EXPECT_EQ(performance->AddPort(nullptr), DMUS_E_SYNTHNOTCONFIGURED) << path;
        const std::string said = testing::internal::GetCapturedStderr();
        EXPECT_EQ(said.find(path) != std::string::npos, path != "/nonexistent/none.sf2") << said;
        EXPECT_EQ(performance->PlaySegment(segment, DMUS_SEGF_BEAT, 0, nullptr), DMUS_E_NOT_FOUND);
        EXPECT_EQ(performance->Stop(nullptr, nullptr, 0, 0), S_OK);
        End(performance);
    }
    platform::SetMusicSoundFont("");
    testsupport::RemoveTree(folder);

    // The audio device: none when SDL has no driver to offer.
    platform::UseOfflineMusicOutput(false);
    const char* driver = getenv("SDL_AUDIODRIVER");
    const std::string saved = driver ? driver : "";
    setenv("SDL_AUDIODRIVER", "vexlar-no-such-driver", 1);
    fresh();
    EXPECT_EQ(performance->AddPort(nullptr), DMUS_E_CANNOT_OPEN_PORT);
    End(performance);

    // With SDL's dummy driver the device path plays on SDL's audio thread.
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    fresh();
    ASSERT_EQ(performance->AddPort(nullptr), S_OK);
    segment->SetRepeats(DMUS_SEG_REPEAT_INFINITE);
    ASSERT_EQ(performance->PlaySegment(segment, DMUS_SEGF_BEAT, 0, nullptr), S_OK);
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    EXPECT_EQ(performance->IsPlaying(segment, nullptr), S_OK);
    LONG volume = -300;
    EXPECT_EQ(performance->SetGlobalParam(GUID_PerfMasterVolume, &volume, sizeof(volume)), S_OK);
    EXPECT_EQ(performance->Stop(nullptr, nullptr, 0, 0), S_OK);
    End(performance);
    if (saved.empty()) unsetenv("SDL_AUDIODRIVER");
    else setenv("SDL_AUDIODRIVER", saved.c_str(), 1);
    EXPECT_EQ(segment->Release(), 0u);
}
