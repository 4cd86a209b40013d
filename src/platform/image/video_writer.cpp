// video_writer.cpp — frames piped raw to ffmpeg.
#include "platform/image/video_writer.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <vector>

extern char** environ;

namespace {

std::string Ending(const std::string& path) {
    const size_t dot = path.rfind('.');
    if (dot == std::string::npos || path.find('/', dot) != std::string::npos) return "";
    std::string ending = path.substr(dot + 1);
    std::transform(ending.begin(), ending.end(), ending.begin(), [](unsigned char c) { return std::tolower(c); });
    return ending;
}

}  // namespace

bool IsVideoFileName(const std::string& path) {
    const std::string ending = Ending(path);
    return ending == "mp4" || ending == "webm" || ending == "gif";
}

std::string FindFfmpeg() {
    const char* path = std::getenv("PATH");
    std::stringstream folders(path ? path : "/usr/bin:/bin");
    std::string folder;
    while (std::getline(folders, folder, ':')) {
        if (folder.empty()) continue;
        const std::string candidate = folder + "/ffmpeg";
        struct stat info {};
        if (stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(candidate.c_str(), X_OK) == 0)
            return candidate;
    }
    return "";
}

VideoWriter::~VideoWriter() { Close(); }

std::string VideoWriter::Open(const std::string& path, int width, int height, double fps) {
    Close();
    const std::string ffmpeg = FindFfmpeg();
    if (ffmpeg.empty()) return "ffmpeg is not installed";
    width_ = width;
    height_ = height;
    path_ = path;
    errorLog_ = path + ".ffmpeg-log";

    char size[32], rate[32];
    std::snprintf(size, sizeof size, "%dx%d", width, height);
    std::snprintf(rate, sizeof rate, "%.6g", fps);
    std::vector<std::string> args = {ffmpeg,        "-hide_banner", "-loglevel", "error",        "-nostdin",
                                     "-y",          "-f",           "rawvideo",  "-pixel_format", "bgr0",
                                     "-video_size", size,           "-framerate", rate,          "-i",
                                     "pipe:0"};
    const std::string even = "scale=trunc(iw/2)*2:trunc(ih/2)*2";
    const std::string ending = Ending(path);
    if (ending == "gif") {
        args.insert(args.end(), {"-vf", "split[a][b];[a]palettegen=max_colors=128:stats_mode=diff[p];[b][p]paletteuse=dither=none:diff_mode=rectangle",
                                 "-loop", "0"});
    } else if (ending == "webm") {
        args.insert(args.end(), {"-vf", even, "-c:v", "libvpx-vp9", "-b:v", "0", "-crf", "36", "-deadline",
                                 "realtime", "-cpu-used", "8", "-pix_fmt", "yuv420p"});
    } else {
        args.insert(args.end(), {"-vf", even, "-c:v", "libx264", "-preset", "veryfast", "-crf", "23", "-pix_fmt",
                                 "yuv420p", "-movflags", "+faststart"});
    }
    args.push_back(path);

    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return std::string("no pipe: ") + std::strerror(errno);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[0], STDIN_FILENO);
    // ffmpeg's complaints go to a file beside the video, shown only on failure.
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errorLog_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    const int rc = posix_spawn(&child_, ffmpeg.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[0]);
    if (rc != 0) {
        close(fds[1]);
        child_ = -1;
        return "cannot start " + ffmpeg + ": " + std::strerror(rc);
    }
    pipe_ = fds[1];
    // A writer whose reader died gets EPIPE, not a signal that ends the process.
    signal(SIGPIPE, SIG_IGN);
    return "";
}

bool VideoWriter::WriteFrame(const uint32_t* pixels) {
    if (pipe_ < 0) return false;
    const char* bytes = reinterpret_cast<const char*>(pixels);
    size_t left = static_cast<size_t>(width_) * static_cast<size_t>(height_) * 4u;
    while (left > 0) {
        const ssize_t n = write(pipe_, bytes, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes += n;
        left -= static_cast<size_t>(n);
    }
    return true;
}

std::string VideoWriter::Close() {
    if (child_ < 0) return "";
    if (pipe_ >= 0) close(pipe_);
    pipe_ = -1;
    int status = 0;
    while (waitpid(child_, &status, 0) < 0 && errno == EINTR) {
    }
    child_ = -1;
    std::string failure;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::ifstream log(errorLog_);
        std::string line, last;
        while (std::getline(log, line))
            if (!line.empty()) last = line;
        failure = "ffmpeg could not write " + path_ + (last.empty() ? "" : " (" + last + ")");
    }
    unlink(errorLog_.c_str());
    return failure;
}
