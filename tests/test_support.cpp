#include "test_support.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "platform/platform_testing.h"

namespace testsupport {

std::string MakeTempDir(const std::string& prefix) {
    std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "XXXXXX")).string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    return pattern;
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

std::vector<CapturedMessageBox>& MessageBoxes() {
    static std::vector<CapturedMessageBox> boxes;
    return boxes;
}

void CaptureMessageBoxes() {
    platform::SetMessageBoxHandler([](HWND, const std::string& text, const std::string& caption, UINT type) {
        MessageBoxes().push_back({text, caption, type});
        return IDOK;
    });
}

}  // namespace testsupport
