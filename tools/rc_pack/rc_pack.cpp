// rc_pack — build-time tool: reads the resource script (resources/vexlar3d.rc)
// and writes the C++ source that embeds every listed resource in the
// executable. Usage: rc_pack [--overlay DIR] <script.rc> <output.cpp>; a file
// the script names is taken from DIR where DIR holds one of the same relative
// path (see ApplyOverlay). Errors are printed as "script:line: message" and
// end the tool with exit code 1.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

#include "rc_script.h"

int main(int argc, char** argv) {
    std::string overlayDir;
    int first = 1;
    if (argc == 5 && std::string(argv[1]) == "--overlay") {
        overlayDir = argv[2];
        first = 3;
    } else if (argc != 3) {
        std::cerr << "usage: rc_pack [--overlay DIR] <script.rc> <output.cpp>\n";
        return 2;
    }
    const std::string scriptPath = argv[first];
    const std::string outputPath = argv[first + 1];

    std::ifstream in(scriptPath, std::ios::binary);
    if (!in) {
        std::cerr << scriptPath << ": cannot read the resource script\n";
        return 1;
    }
    std::ostringstream text;
    text << in.rdbuf();

    std::string source;
    try {
        auto resources = rcpack::ParseResourceScript(text.str(), scriptPath);
        if (!overlayDir.empty()) rcpack::ApplyOverlay(resources, scriptPath, overlayDir);
        source = rcpack::GenerateResourceSource(resources, std::filesystem::path(scriptPath).filename().string());
    } catch (const rcpack::ScriptError& e) {
        std::cerr << e.what() << "\n";
        return 1;
    }

    // Always rewritten, even when unchanged, so that the build reassembles the
    // .incbin'd files after any of them changed. Written beside the target and
    // renamed, so an interrupted run never leaves half a file.
    std::error_code ec;
    std::filesystem::path out(outputPath);
    if (out.has_parent_path()) std::filesystem::create_directories(out.parent_path(), ec);
    std::string temporary = outputPath + ".tmp";
    {
        std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
        file << source;
        if (!file.flush()) {
            std::cerr << outputPath << ": cannot write\n";
            return 1;
        }
    }
    std::filesystem::rename(temporary, out, ec);
    if (ec) {
        std::cerr << outputPath << ": cannot write: " << ec.message() << "\n";
        std::remove(temporary.c_str());
        return 1;
    }
    return 0;
}
