// Modules, the reported Windows version and the screen-saver-running flag.
#include <gtest/gtest.h>

#include "platform/platform_testing.h"

namespace {
INT_PTR VerifyStub() { return 7; }
}  // namespace

TEST(Modules, OptionalSystemComponentsAreAbsentByDefault) {
    platform::UnregisterAllModules();
    HMODULE self = GetModuleHandleA(nullptr);
    EXPECT_NE(self, nullptr);
    EXPECT_EQ(GetModuleHandleA(nullptr), self);
    for (const char* name : {"IMM32.DLL", "PASSWORD.CPL", "MPR.DLL"}) {
        EXPECT_EQ(GetModuleHandleA(name), nullptr) << name;
        EXPECT_EQ(LoadLibraryA(name), nullptr) << name;
    }
    EXPECT_EQ(LoadLibraryA(nullptr), nullptr);
    EXPECT_EQ(GetProcAddress(self, "VerifyScreenSavePwd"), nullptr);
    EXPECT_FALSE(FreeLibrary(nullptr));
    EXPECT_EQ(platform::LoadedModuleCount(), 0);
}

TEST(Modules, RegisteredModuleLoadsWithReferenceCounts) {
    platform::UnregisterAllModules();
    platform::RegisterModule("PASSWORD.CPL", {{"VerifyScreenSavePwd", &VerifyStub}});
    EXPECT_EQ(GetModuleHandleA("PASSWORD.CPL"), nullptr);  // registered, not loaded

    HMODULE first = LoadLibraryA("password.cpl");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(LoadLibraryA("C:\\Windows\\System32\\Password.Cpl"), first);
    EXPECT_EQ(GetModuleHandleA("PASSWORD.CPL"), first);
    EXPECT_EQ(platform::LoadedModuleCount(), 1);
    FARPROC verify = GetProcAddress(first, "VerifyScreenSavePwd");
    ASSERT_NE(verify, nullptr);
    EXPECT_EQ(verify(), 7);
    EXPECT_EQ(GetProcAddress(first, "verifyscreensavepwd"), nullptr);  // export names are exact
    EXPECT_EQ(GetProcAddress(first, "PwdChangePasswordA"), nullptr);

    EXPECT_TRUE(FreeLibrary(first));
    EXPECT_EQ(GetModuleHandleA("PASSWORD.CPL"), first);  // one reference left
    EXPECT_TRUE(FreeLibrary(first));
    EXPECT_EQ(GetModuleHandleA("PASSWORD.CPL"), nullptr);
    EXPECT_EQ(GetProcAddress(first, "VerifyScreenSavePwd"), nullptr);
    EXPECT_FALSE(FreeLibrary(first));
    EXPECT_EQ(platform::LoadedModuleCount(), 0);

    // Already in the process: found without loading; a name without extension means .DLL.
    platform::RegisterModule("IMM32.DLL", {{"ImmAssociateContext", &VerifyStub}});
    platform::MarkModuleLoaded("imm32");
    HMODULE imm = GetModuleHandleA("Imm32");
    ASSERT_NE(imm, nullptr);
    EXPECT_NE(GetProcAddress(imm, "ImmAssociateContext"), nullptr);
    EXPECT_EQ(platform::LoadedModuleCount(), 1);

    platform::UnregisterAllModules();
    EXPECT_EQ(GetModuleHandleA("IMM32.DLL"), nullptr);
    EXPECT_EQ(GetProcAddress(imm, "ImmAssociateContext"), nullptr);
}

TEST(Version, ChecksStructureSizeAndReportsPlatform) {
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof info - 1;
    EXPECT_FALSE(GetVersionExA(&info));
    EXPECT_FALSE(GetVersionExA(nullptr));

    info.dwOSVersionInfoSize = 148;
    ASSERT_TRUE(GetVersionExA(&info));
    EXPECT_EQ(info.dwPlatformId, static_cast<DWORD>(VER_PLATFORM_WIN32_NT));

    platform::SetReportedPlatform(VER_PLATFORM_WIN32_WINDOWS);
    ASSERT_TRUE(GetVersionExA(&info));
    EXPECT_EQ(info.dwPlatformId, static_cast<DWORD>(VER_PLATFORM_WIN32_WINDOWS));
    platform::SetReportedPlatform(-1);
    EXPECT_FALSE(GetVersionExA(&info));
    platform::SetReportedPlatform(VER_PLATFORM_WIN32_NT);
}

TEST(SystemParameters, RecordsScreenSaverRunning) {
    platform::ResetSystemParameters();
    BOOL previous = 55;
    EXPECT_TRUE(SystemParametersInfoA(SPI_SETSCREENSAVERRUNNING, TRUE, &previous, 0));
    EXPECT_EQ(previous, FALSE);
    EXPECT_TRUE(platform::ScreenSaverRunningFlag());
    EXPECT_TRUE(SystemParametersInfoA(SPI_SETSCREENSAVERRUNNING, FALSE, &previous, 0));
    EXPECT_EQ(previous, TRUE);
    EXPECT_FALSE(platform::ScreenSaverRunningFlag());
    EXPECT_TRUE(SystemParametersInfoA(SPI_SETSCREENSAVERRUNNING, TRUE, nullptr, 0));
    EXPECT_FALSE(SystemParametersInfoA(0x0070, TRUE, &previous, 0));
    EXPECT_EQ(platform::ScreenSaverRunningCalls(), 3);
    platform::ResetSystemParameters();
    EXPECT_FALSE(platform::ScreenSaverRunningFlag());
    EXPECT_EQ(platform::ScreenSaverRunningCalls(), 0);
}
