// main.cpp — the vexlar3d executable.
//
// Hands the process arguments to the platform as a Windows-style command
// line, applies the Linux options in front of the saver switches (help,
// version, xscreensaver's window options) and runs the host, which ends the
// process itself.
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "host/command_options.h"
#include "host/dispatch.h"
#include "platform/platform.h"

int main(int argc, char** argv) {
    platform::SetCommandLine(argc, argv);
    platform::SelectWindowBackend(platform::WindowBackend::Sdl);
    platform::InstallTerminationHandlers();

    StartPlan plan = PlanStart(argc, argv, std::getenv("XSCREENSAVER_WINDOW"), platform::RootWindowId);
    std::fputs(plan.out.c_str(), stdout);
    std::fputs(plan.err.c_str(), stderr);
    if (plan.exitNow) return plan.exitCode;

    std::vector<const char*> arguments;
    for (const std::string& argument : plan.arguments) arguments.push_back(argument.c_str());
    platform::SetCommandLine(static_cast<int>(arguments.size()), arguments.data());

    HostMain();
}
