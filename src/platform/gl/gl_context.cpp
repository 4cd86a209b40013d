// gl_context.cpp — the current-context bookkeeping shared by both backends.
#include "platform/gl/gl_context.h"

#include <malloc.h>

#include <utility>

#include "platform/platform.h"

namespace platform::gl {
namespace {
GlContext* g_current = nullptr;
std::string g_contextError;
}

std::string ContextError() { return g_contextError; }
void NoteContextError(std::string reason) { g_contextError = std::move(reason); }

std::string WithDriverHint(const std::string& reason, const char* packages) {
    const bool several = std::string(packages).find(' ') != std::string::npos;
    return reason + "; install the Debian package" + (several ? "s " : " ") + packages;
}

bool GlContext::MakeCurrent() {
    if (g_current == this) return true;
    if (!Activate()) {
        g_current = nullptr;
        return false;
    }
    g_current = this;
    return true;
}

void GlContext::Forget() {
    if (g_current == this) {
        Deactivate();
        g_current = nullptr;
    }
}

void TuneAllocatorForGl() {
    static bool done = false;
    if (done) return;
    done = true;
    mallopt(M_MMAP_THRESHOLD, 64 << 20);
    mallopt(M_TRIM_THRESHOLD, 256 << 20);
}

}  // namespace platform::gl

namespace platform {
std::string DeviceError() { return gl::ContextError(); }
}  // namespace platform
