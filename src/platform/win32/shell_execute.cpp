// shell_execute.cpp — ShellExecuteA: "open" (or no verb) hands the file or
// address to xdg-open, started detached so that the caller neither waits for
// it nor leaves a zombie behind. Other verbs, a missing file argument and a
// system without xdg-open give SE_ERR_NOASSOC; a failed start gives
// SE_ERR_FNF. Parameters and folder are not passed on.
#include "platform/win32/shell_execute.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

namespace {

platform::ShellExecuteHook g_hook;

HINSTANCE Result(uintptr_t value) { return reinterpret_cast<HINSTANCE>(value); }

bool OnPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::string dirs = path && *path ? path : "/usr/local/bin:/usr/bin:/bin";
    size_t start = 0;
    while (start <= dirs.size()) {
        size_t end = dirs.find(':', start);
        if (end == std::string::npos) end = dirs.size();
        std::string dir = dirs.substr(start, end - start);
        if (!dir.empty() && access((dir + "/" + program).c_str(), X_OK) == 0) return true;
        start = end + 1;
    }
    return false;
}

bool SameVerb(const char* a, const char* b) {
    for (; *a && *b; ++a, ++b) {
        char ca = (*a >= 'A' && *a <= 'Z') ? static_cast<char>(*a + 32) : *a;
        if (ca != *b) return false;
    }
    return *a == *b;
}

}  // namespace

namespace platform {
void SetShellExecuteHook(ShellExecuteHook hook) { g_hook = std::move(hook); }
}  // namespace platform

HINSTANCE ShellExecuteA(HWND, LPCSTR operation, LPCSTR file, LPCSTR parameters, LPCSTR directory, int) {
    if (g_hook) return g_hook(operation ? operation : "", file ? file : "", parameters ? parameters : "",
                              directory ? directory : "");
    if (operation && *operation && !SameVerb(operation, "open")) return Result(SE_ERR_NOASSOC);
    if (!file || !*file || !OnPath("xdg-open")) return Result(SE_ERR_NOASSOC);
    // Made before forking: only async-signal-safe calls between fork and exec.
    std::vector<std::string> variables = platform::EnvironmentForChildren();
    std::vector<char*> environment;
    for (std::string& variable : variables) environment.push_back(variable.data());
    environment.push_back(nullptr);
    char* const arguments[] = {const_cast<char*>("xdg-open"), const_cast<char*>(file), nullptr};
    pid_t child = fork();
    if (child < 0) return Result(SE_ERR_FNF);
    if (child == 0) {
        setsid();
        pid_t grandchild = fork();
        if (grandchild == 0) {
            execvpe("xdg-open", arguments, environment.data());
            _exit(127);
        }
        _exit(grandchild < 0 ? 1 : 0);
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0) {
        if (errno != EINTR) return Result(SE_ERR_FNF);
    }
    return Result(WIFEXITED(status) && WEXITSTATUS(status) == 0 ? 42 : SE_ERR_FNF);
}
