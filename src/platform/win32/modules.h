// modules.h — the executable's own module handle, shared by the module,
// resource and window calls of the platform layer.
#pragma once

#include <windows.h>

namespace platform {

// What GetModuleHandleA(nullptr) returns: a fixed, non-null value that stands
// for the executable (its resources, its window classes).
HINSTANCE ExecutableInstance();

}  // namespace platform
