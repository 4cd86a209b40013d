// Helpers shared by the tests: temporary folders, the environment and captured
// message boxes.
#pragma once

#include <string>
#include <vector>

namespace testsupport {

std::string MakeTempDir(const std::string& prefix);
void RemoveTree(const std::string& path);
std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& bytes);
// Sets an environment variable; a null value removes it.
void SetEnv(const char* name, const char* value);

struct CapturedMessageBox {
    std::string text;     // UTF-8
    std::string caption;  // UTF-8
    unsigned type;
};
// Installs a handler that records every message box and answers IDOK. Only
// the Linux platform has one: on Windows the system shows the box.
void CaptureMessageBoxes();
std::vector<CapturedMessageBox>& MessageBoxes();

}  // namespace testsupport
