// Helpers shared by the tests: temporary folders and captured message boxes.
#pragma once

#include <string>
#include <vector>

namespace testsupport {

std::string MakeTempDir(const std::string& prefix);
void RemoveTree(const std::string& path);
std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& bytes);

struct CapturedMessageBox {
    std::string text;     // UTF-8
    std::string caption;  // UTF-8
    unsigned type;
};
// Installs a handler that records every message box and answers IDOK.
void CaptureMessageBoxes();
std::vector<CapturedMessageBox>& MessageBoxes();

}  // namespace testsupport
