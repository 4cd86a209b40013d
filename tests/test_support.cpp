#include "test_support.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

#ifndef _WIN32
#include "platform/platform_testing.h"
#endif

namespace testsupport {

std::string MakeTempDir(const std::string& prefix) {
#ifdef _WIN32
    // No mkdtemp: random names until one is not taken.
    static std::mt19937 names(std::random_device{}());
    for (int attempt = 0; attempt < 100; ++attempt) {
        const auto path = std::filesystem::temp_directory_path() / (prefix + std::to_string(names()));
        if (std::filesystem::create_directory(path)) return path.string();
    }
    throw std::runtime_error("no free temporary folder name");
#else
    std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "XXXXXX")).string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    return pattern;
#endif
}

void RemoveTree(const std::string& path) {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

void SetEnv(const char* name, const char* value) {
#ifdef _WIN32
    _putenv_s(name, value ? value : "");  // an empty value removes it
#else
    if (value) setenv(name, value, 1);
    else unsetenv(name);
#endif
}

std::vector<CapturedMessageBox>& MessageBoxes() {
    static std::vector<CapturedMessageBox> boxes;
    return boxes;
}

void CaptureMessageBoxes() {
#ifndef _WIN32
    platform::SetMessageBoxHandler([](HWND, const std::string& text, const std::string& caption, UINT type) {
        MessageBoxes().push_back({text, caption, type});
        return IDOK;
    });
#endif
}

}  // namespace testsupport
