// shell_execute.h — test control of ShellExecuteA.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace platform {

// When set, ShellExecuteA calls this with the verb ("" for none), the file,
// the parameters and the folder instead of starting a program, and returns
// its result. An empty function restores the real call.
using ShellExecuteHook = std::function<HINSTANCE(const std::string& verb, const std::string& file,
                                                 const std::string& parameters, const std::string& directory)>;
void SetShellExecuteHook(ShellExecuteHook hook);

// The environment a program started for the user gets: this process's,
// without the disabled session bus StayOffAbsentSessionBus may have set
// (process.cpp), so that it finds the desktop's own.
std::vector<std::string> EnvironmentForChildren();

}  // namespace platform
