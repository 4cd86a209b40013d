// The shared IUnknown of the layer's COM objects: reference counts, the
// last release, and the QueryInterface answers each object gives, the
// interfaces it refuses included.
#include <dmusici.h>
#include <gtest/gtest.h>
#include <objbase.h>

#include <thread>
#include <vector>

#include "d3d_fixture.h"
#include "platform/com_object.h"

namespace {

const IID kThingIid = {0x1e3a57c2, 0x0b41, 0x4c7e, {0x9d, 0x11, 0x52, 0x6f, 0x3a, 0x80, 0x44, 0x01}};
const IID kOtherIid = {0x1e3a57c2, 0x0b41, 0x4c7e, {0x9d, 0x11, 0x52, 0x6f, 0x3a, 0x80, 0x44, 0x02}};

struct IThing : IUnknown {
    virtual int Value() = 0;
};

// Counts its destructions; keepAtZero makes it outlive its count, as a back
// buffer does.
class Thing final : public platform::ComObject<IThing, E_POINTER, IID_IUnknown, kThingIid> {
public:
    Thing(int* destroyed, bool keepAtZero) : destroyed_(destroyed), keepAtZero_(keepAtZero) {}
    int Value() override { return 7; }
    void Free() { delete this; }

private:
    ~Thing() override { ++*destroyed_; }
    void LastReferenceGone() override {
        if (!keepAtZero_) delete this;
    }
    int* destroyed_;
    bool keepAtZero_;
};

ULONG RefCount(IUnknown* object) {
    object->AddRef();
    return object->Release();
}

template <typename T>
HRESULT Query(IUnknown* object, REFIID iid, T** out) {
    *out = reinterpret_cast<T*>(object);  // a stale value that must be cleared
    return object->QueryInterface(iid, reinterpret_cast<LPVOID*>(out));
}

// QueryInterface refuses iid with E_NOINTERFACE and clears the out-pointer.
void ExpectRefused(IUnknown* object, REFIID iid) {
    IUnknown* refused = nullptr;
    EXPECT_EQ(Query(object, iid, &refused), E_NOINTERFACE);
    EXPECT_EQ(refused, nullptr);
}

// QueryInterface answers iid with `expected` itself and one more reference.
void ExpectAnswered(IUnknown* object, REFIID iid, IUnknown* expected) {
    const ULONG before = RefCount(object);
    IUnknown* answer = nullptr;
    ASSERT_EQ(Query(object, iid, &answer), S_OK);
    EXPECT_EQ(answer, expected);
    EXPECT_EQ(RefCount(object), before + 1);
    answer->Release();
}

}  // namespace

TEST(ComObject, CountsReferencesAndDeletesOnTheLastRelease) {
    int destroyed = 0;
    auto* thing = new Thing(&destroyed, false);
    EXPECT_EQ(thing->AddRef(), 2u);
    EXPECT_EQ(thing->Release(), 1u);
    EXPECT_EQ(destroyed, 0);
    EXPECT_EQ(thing->Release(), 0u);
    EXPECT_EQ(destroyed, 1);
}

TEST(ComObject, AnObjectKeptAtZeroIgnoresFurtherReleases) {
    int destroyed = 0;
    auto* thing = new Thing(&destroyed, true);
    EXPECT_EQ(thing->Release(), 0u);
    EXPECT_EQ(thing->Release(), 0u);  // no wrap-around to ULONG's maximum
    EXPECT_EQ(destroyed, 0);
    EXPECT_EQ(thing->AddRef(), 1u);
    EXPECT_EQ(thing->Release(), 0u);
    thing->Free();
    EXPECT_EQ(destroyed, 1);
}

TEST(ComObject, QueryInterfaceAnswersTheListedIidsAndClearsTheOutPointer) {
    int destroyed = 0;
    auto* thing = new Thing(&destroyed, false);
    IThing* asThing = nullptr;
    ASSERT_EQ(Query(thing, kThingIid, &asThing), S_OK);
    EXPECT_EQ(asThing, static_cast<IThing*>(thing));
    EXPECT_EQ(asThing->Value(), 7);
    IUnknown* unknown = nullptr;
    ASSERT_EQ(Query(thing, IID_IUnknown, &unknown), S_OK);
    EXPECT_EQ(unknown, static_cast<IUnknown*>(thing));
    EXPECT_EQ(RefCount(thing), 3u);

    IUnknown* refused = nullptr;
    EXPECT_EQ(Query(thing, kOtherIid, &refused), E_NOINTERFACE);
    EXPECT_EQ(refused, nullptr);
    EXPECT_EQ(thing->QueryInterface(kThingIid, nullptr), E_POINTER);
    EXPECT_EQ(RefCount(thing), 3u);

    unknown->Release();
    asThing->Release();
    thing->Release();
    EXPECT_EQ(destroyed, 1);
}

TEST(ComObject, CountsStayExactUnderConcurrentAddRefAndRelease) {
    int destroyed = 0;
    auto* thing = new Thing(&destroyed, false);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([thing] {
            for (int i = 0; i < 20000; ++i) {
                thing->AddRef();
                thing->Release();
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(RefCount(thing), 1u);
    EXPECT_EQ(destroyed, 0);
    thing->Release();
    EXPECT_EQ(destroyed, 1);
}

// ---- the layer's objects -------------------------------------------------------------------

class ComAnswers : public d3dtest::DeviceFixture {};

TEST_F(ComAnswers, DirectDrawAnswersItselfAndDirect3DButRefusesIUnknown) {
    Create(8, 8);
    ExpectAnswered(dd, IID_IDirectDraw7, dd);
    ExpectRefused(dd, IID_IUnknown);
    EXPECT_EQ(dd->QueryInterface(IID_IDirectDraw7, nullptr), DDERR_INVALIDPARAMS);

    // Each IID_IDirect3D7 query makes a new Direct3D object on the same DirectDraw.
    IDirect3D7* second = nullptr;
    ASSERT_EQ(Query(dd, IID_IDirect3D7, &second), DD_OK);
    EXPECT_NE(second, d3d);
    EXPECT_EQ(RefCount(second), 1u);
    second->Release();
}

TEST_F(ComAnswers, Direct3DAnswersItselfAndPassesDirectDrawOn) {
    Create(8, 8);
    ExpectAnswered(d3d, IID_IDirect3D7, d3d);
    const ULONG ddBefore = RefCount(dd);
    IDirectDraw7* owner = nullptr;
    ASSERT_EQ(Query(d3d, IID_IDirectDraw7, &owner), DD_OK);
    EXPECT_EQ(owner, dd);
    EXPECT_EQ(RefCount(dd), ddBefore + 1);
    owner->Release();
    ExpectRefused(d3d, IID_IUnknown);
    EXPECT_EQ(d3d->QueryInterface(IID_IDirect3D7, nullptr), DDERR_INVALIDPARAMS);
}

TEST_F(ComAnswers, SurfacesAnswerOnlyTheirOwnInterface) {
    Create(8, 8);
    ExpectAnswered(target, IID_IDirectDrawSurface7, target);
    ExpectRefused(target, IID_IUnknown);
    ExpectRefused(target, IID_IDirectDraw7);
    EXPECT_EQ(target->QueryInterface(IID_IDirectDrawSurface7, nullptr), DDERR_INVALIDPARAMS);
}

TEST_F(ComAnswers, ClippersAndDevicesRefuseEveryInterface) {
    Create(8, 8);
    IDirectDrawClipper* clipper = nullptr;
    ASSERT_EQ(dd->CreateClipper(0, &clipper, nullptr), DD_OK);
    for (IUnknown* object : {static_cast<IUnknown*>(clipper), static_cast<IUnknown*>(device)}) {
        for (const IID* iid : {&IID_IUnknown, &IID_IDirectDraw7, &IID_IDirect3D7}) ExpectRefused(object, *iid);
        EXPECT_EQ(object->QueryInterface(IID_IUnknown, nullptr), E_NOINTERFACE);
    }
    EXPECT_EQ(clipper->Release(), 0u);
}

TEST(ComAnswersMusic, TheLoaderAnswersIUnknownAndBothVersions) {
    CoInitialize(nullptr);
    IDirectMusicLoader8* loader = nullptr;
    ASSERT_EQ(CoCreateInstance(CLSID_DirectMusicLoader, nullptr, CLSCTX_INPROC, IID_IDirectMusicLoader8,
                               reinterpret_cast<LPVOID*>(&loader)),
              S_OK);
    for (const IID* iid : {&IID_IUnknown, &IID_IDirectMusicLoader, &IID_IDirectMusicLoader8})
        ExpectAnswered(loader, *iid, loader);
    ExpectRefused(loader, IID_IDirectMusicSegment8);
    EXPECT_EQ(loader->QueryInterface(IID_IUnknown, nullptr), E_POINTER);
    EXPECT_EQ(loader->Release(), 0u);
    CoUninitialize();
}
