// The registry calls over the .reg-file store: values through the file, Win32
// result codes, damaged files kept aside, interrupted writes and concurrent
// writers.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/registry/registry_file.h"
#include "test_support.h"

namespace fs = std::filesystem;

namespace {

const char kKey[] = "Software\\Vexlar Test\\Settings";

class RegistryStore : public ::testing::Test {
protected:
    void SetUp() override {
        const char* saved = std::getenv("XDG_CONFIG_HOME");
        hadSaved_ = saved != nullptr;
        if (saved) saved_ = saved;
        home_ = testsupport::MakeTempDir("vexlar-registry-");
        setenv("XDG_CONFIG_HOME", home_.c_str(), 1);
        file_ = platform::RegistryFilePath();
    }
    void TearDown() override {
        platform::registry::SetBeforeRenameHookForTests({});
        if (hadSaved_)
            setenv("XDG_CONFIG_HOME", saved_.c_str(), 1);
        else
            unsetenv("XDG_CONFIG_HOME");
        testsupport::RemoveTree(home_);
    }

    HKEY Open(REGSAM access) {
        HKEY key = nullptr;
        EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, access, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        return key;
    }
    static LONG ReadDword(HKEY key, const char* name, DWORD& value) {
        DWORD type = 0, size = sizeof value;
        value = 0;
        LONG rc = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
        if (rc == ERROR_SUCCESS && (type != REG_DWORD || size != 4)) return ERROR_BADDB;
        return rc;
    }
    static LONG WriteDword(HKEY key, const char* name, DWORD value) {
        return RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
    }
    std::vector<std::string> FilesLike(const std::string& prefix) const {
        std::vector<std::string> found;
        for (const auto& entry : fs::directory_iterator(fs::path(file_).parent_path()))
            if (entry.path().filename().string().rfind(prefix, 0) == 0) found.push_back(entry.path().string());
        return found;
    }

    std::string home_, file_, saved_;
    bool hadSaved_ = false;
};

}  // namespace

TEST_F(RegistryStore, ValuesTravelThroughTheFileInRegFormat) {
    EXPECT_EQ(file_, home_ + "/vexlar3d/registry.reg");
    HKEY key = nullptr;
    DWORD disposition = 0;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, &key,
                              &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, static_cast<DWORD>(REG_CREATED_NEW_KEY));
    ASSERT_NE(key, nullptr);
    EXPECT_NE(key, HKEY_CURRENT_USER);
    EXPECT_EQ(WriteDword(key, "ShowFPS", 2), ERROR_SUCCESS);
    const char title[] = "Vexlar \"3D\" C:\\saver";
    EXPECT_EQ(RegSetValueExA(key, "Title", 0, REG_SZ, reinterpret_cast<const BYTE*>(title), sizeof title),
              ERROR_SUCCESS);
    EXPECT_FALSE(fs::exists(file_));  // recorded on the key until flushed
    EXPECT_EQ(RegFlushKey(key), ERROR_SUCCESS);
    EXPECT_EQ(testsupport::ReadFile(file_),
              "Windows Registry Editor Version 5.00\n"
              "\n"
              "[HKEY_CURRENT_USER\\Software\\Vexlar Test\\Settings]\n"
              "\"ShowFPS\"=dword:00000002\n"
              "\"Title\"=\"Vexlar \\\"3D\\\" C:\\\\saver\"\n"
              "\n");
    EXPECT_EQ(WriteDword(key, "ShowFPS", 1), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);

    // Names compare without case and keep the spelling already stored.
    HKEY reopened = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\vexlar test\\settings", 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &reopened, &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, static_cast<DWORD>(REG_OPENED_EXISTING_KEY));
    EXPECT_NE(reopened, key);  // closed handles are not handed out again
    DWORD value = 0;
    EXPECT_EQ(ReadDword(reopened, "showfps", value), ERROR_SUCCESS);
    EXPECT_EQ(value, 1u);
    char text[64] = {};
    DWORD size = sizeof text;
    EXPECT_EQ(RegQueryValueExA(reopened, "TITLE", nullptr, nullptr, reinterpret_cast<BYTE*>(text), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(std::string(text, size), std::string(title, sizeof title));
    EXPECT_EQ(WriteDword(reopened, "SHOWFPS", 2), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(reopened), ERROR_SUCCESS);
    std::string stored = testsupport::ReadFile(file_);
    EXPECT_NE(stored.find("\"ShowFPS\"=dword:00000002\n"), std::string::npos) << stored;
    EXPECT_EQ(stored.find("SHOWFPS"), std::string::npos);
}

TEST_F(RegistryStore, ResultCodesFollowWin32) {
    HKEY key = Open(KEY_ALL_ACCESS);
    const char text[] = "abcdef";
    ASSERT_EQ(RegSetValueExA(key, "Text", 0, REG_SZ, reinterpret_cast<const BYTE*>(text), sizeof text), ERROR_SUCCESS);

    DWORD type = 99, size = 99;
    BYTE buffer[16] = {};
    EXPECT_EQ(RegQueryValueExA(key, "Missing", nullptr, &type, buffer, &size), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(type, static_cast<DWORD>(REG_NONE));
    size = 0;
    EXPECT_EQ(RegQueryValueExA(key, "Text", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 7u);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    size = 4;
    EXPECT_EQ(RegQueryValueExA(key, "Text", nullptr, &type, buffer, &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 7u);
    EXPECT_EQ(RegQueryValueExA(key, "Text", nullptr, &type, buffer, nullptr), ERROR_INVALID_PARAMETER);
    DWORD reserved = 0;
    EXPECT_EQ(RegQueryValueExA(key, "Text", &reserved, &type, buffer, &size), ERROR_INVALID_PARAMETER);

    // Access is checked against what the key was opened with.
    HKEY reader = nullptr, writer = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kKey, 0, KEY_READ, &reader), ERROR_SUCCESS);
    EXPECT_EQ(WriteDword(reader, "ShowFPS", 2), ERROR_ACCESS_DENIED);
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kKey, 0, KEY_WRITE, &writer), ERROR_SUCCESS);
    DWORD value = 0;
    EXPECT_EQ(ReadDword(writer, "Text", value), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegCloseKey(writer), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(reader), ERROR_SUCCESS);
    HKEY child = reinterpret_cast<HKEY>(1);
    EXPECT_EQ(RegOpenKeyA(HKEY_CURRENT_USER, "Control Panel\\Desktop", &child), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(child, nullptr);

    // Handles and arguments.
    HKEY bogus = reinterpret_cast<HKEY>(static_cast<uintptr_t>(0x1234));
    EXPECT_EQ(ReadDword(bogus, "Text", value), ERROR_INVALID_HANDLE);
    EXPECT_EQ(WriteDword(nullptr, "Text", 1), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegFlushKey(bogus), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_READ, nullptr, nullptr, nullptr),
              ERROR_INVALID_PARAMETER);
    for (const char* bad : {"\\Leading", "Two\\\\Parts", "Line\nBreak"}) {
        child = reinterpret_cast<HKEY>(1);
        EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, bad, 0, nullptr, 0, KEY_READ, nullptr, &child, nullptr),
                  ERROR_INVALID_PARAMETER)
            << bad;
        EXPECT_EQ(child, nullptr);
    }
    EXPECT_EQ(RegSetValueExA(key, "Text", 0, REG_BINARY, nullptr, 4), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
}

TEST_F(RegistryStore, KeepsWhatItDoesNotUnderstand) {
    const std::string original =
        "\xEF\xBB\xBFWindows Registry Editor Version 5.00\r\n"
        "\r\n"
        "; kept by hand\r\n"
        "[HKEY_CURRENT_USER\\Software\\Vexlar Test\\Settings]\r\n"
        "\"ShowFPS\"=dword:00000001\r\n"
        "\"Future\"=qword:0000000000000007\r\n"
        "\"Wide\"=hex(2):25,00,54,00,00,00\r\n"
        "\r\n"
        "[HKEY_CURRENT_USER\\Software\\Someone Else]\r\n"
        "\"Theirs\"=\"keep me\"\r\n"
        "\r\n"
        "[HKEY_USERS\\.DEFAULT]\r\n"
        "\"Elsewhere\"=dword:00000003\r\n";
    testsupport::WriteFile(file_, original);
    HKEY key = Open(KEY_ALL_ACCESS);
    DWORD value = 0;
    EXPECT_EQ(ReadDword(key, "Future", value), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(WriteDword(key, "ShowFPS", 2), ERROR_SUCCESS);
    EXPECT_EQ(WriteDword(key, "Music", 1), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_EQ(testsupport::ReadFile(file_),
              "Windows Registry Editor Version 5.00\n"
              "\n"
              "; kept by hand\n"
              "[HKEY_CURRENT_USER\\Software\\Vexlar Test\\Settings]\n"
              "\"ShowFPS\"=dword:00000002\n"
              "\"Future\"=qword:0000000000000007\n"
              "\"Wide\"=hex(2):25,00,54,00,00,00\n"
              "\"Music\"=dword:00000001\n"
              "\n"
              "[HKEY_CURRENT_USER\\Software\\Someone Else]\n"
              "\"Theirs\"=\"keep me\"\n"
              "\n"
              "[HKEY_USERS\\.DEFAULT]\n"
              "\"Elsewhere\"=dword:00000003\n");
}

TEST_F(RegistryStore, DamagedFileIsReadAsEmptyAndKeptAside) {
    std::vector<std::string> damaged = {
        std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16),
        "[HKEY_CURRENT_USER\\Software\\Vexlar Test\\Settings]\n\"ShowFPS\"=dword:00000002\n",
        "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software\\Vexlar Test\\Settings]\n"
        "\"ShowFPS\"=dword:00000002\n\"Title\"=\"cut off he",
    };
    for (size_t round = 0; round < damaged.size(); ++round) {
        testsupport::WriteFile(file_, damaged[round]);
        HKEY key = Open(KEY_ALL_ACCESS);
        DWORD value = 0;
        EXPECT_EQ(ReadDword(key, "ShowFPS", value), ERROR_FILE_NOT_FOUND);
        EXPECT_EQ(WriteDword(key, "Round", static_cast<DWORD>(round)), ERROR_SUCCESS);
        testing::internal::CaptureStderr();
        EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
        std::string warning = testing::internal::GetCapturedStderr();

        // Every damaged version is still there, however quickly they came.
        std::vector<std::string> aside = FilesLike("registry.reg.damaged-");
        ASSERT_EQ(aside.size(), round + 1);
        bool kept = false;
        for (const std::string& path : aside) {
            if (testsupport::ReadFile(path) != damaged[round]) continue;
            kept = true;
            EXPECT_NE(warning.find(path), std::string::npos) << warning;
        }
        EXPECT_TRUE(kept) << "round " << round;
        EXPECT_NE(warning.find(file_), std::string::npos) << warning;
        EXPECT_EQ(std::count(warning.begin(), warning.end(), '\n'), 1);
        key = Open(KEY_READ);
        EXPECT_EQ(ReadDword(key, "Round", value), ERROR_SUCCESS);
        EXPECT_EQ(value, round);
        EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    }

    // A file that cannot be read is treated the same way (permissions do not bind root).
    if (geteuid() != 0) {
        chmod(file_.c_str(), 0);
        HKEY key = Open(KEY_ALL_ACCESS);
        EXPECT_EQ(WriteDword(key, "Round", 9), ERROR_SUCCESS);
        testing::internal::CaptureStderr();
        EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
        testing::internal::GetCapturedStderr();
        EXPECT_EQ(FilesLike("registry.reg.damaged-").size(), damaged.size() + 1);
    }
}

TEST_F(RegistryStore, InterruptedWriteLeavesTheOldFileWhole) {
    HKEY key = Open(KEY_ALL_ACCESS);
    ASSERT_EQ(WriteDword(key, "Width", 800), ERROR_SUCCESS);
    ASSERT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    std::string before = testsupport::ReadFile(file_);

    // The writer dies after its temporary file is complete, before the rename.
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        platform::registry::SetBeforeRenameHookForTests([] { raise(SIGKILL); });
        HKEY k = nullptr;
        RegOpenKeyExA(HKEY_CURRENT_USER, kKey, 0, KEY_WRITE, &k);
        DWORD width = 1024;
        RegSetValueExA(k, "Width", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&width), 4);
        RegCloseKey(k);
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(testsupport::ReadFile(file_), before);
    EXPECT_EQ(FilesLike("registry.reg.tmp-").size(), 1u);

    key = Open(KEY_ALL_ACCESS);
    EXPECT_EQ(WriteDword(key, "Height", 600), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_TRUE(FilesLike("registry.reg.tmp-").empty());  // the stray file is cleared by the next writer
    key = Open(KEY_READ);
    DWORD value = 0;
    EXPECT_EQ(ReadDword(key, "Width", value), ERROR_SUCCESS);
    EXPECT_EQ(value, 800u);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
}

TEST_F(RegistryStore, ConcurrentWritersKeepEachOthersValues) {
    constexpr int kWriters = 4, kRounds = 25;
    std::vector<pid_t> children;
    for (int w = 0; w < kWriters; ++w) {
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            std::string name = "Writer" + std::to_string(w);
            int failures = 0;
            for (DWORD round = 1; round <= kRounds; ++round) {
                HKEY k = nullptr;
                failures += RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_WRITE, nullptr, &k, nullptr) !=
                            ERROR_SUCCESS;
                failures += RegSetValueExA(k, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&round), 4) !=
                            ERROR_SUCCESS;
                failures += RegCloseKey(k) != ERROR_SUCCESS;
            }
            _exit(failures == 0 ? 0 : 1);
        }
        children.push_back(child);
    }
    for (pid_t child : children) {
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    HKEY key = Open(KEY_READ);
    for (int w = 0; w < kWriters; ++w) {
        DWORD value = 0;
        EXPECT_EQ(ReadDword(key, ("Writer" + std::to_string(w)).c_str(), value), ERROR_SUCCESS);
        EXPECT_EQ(value, static_cast<DWORD>(kRounds)) << "writer " << w;
    }
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_TRUE(FilesLike("registry.reg.tmp-").empty());
}
