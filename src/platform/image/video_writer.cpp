// video_writer.cpp — frames piped raw to ffmpeg, the file put in place only whole.
#include "platform/image/video_writer.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sstream>

extern char** environ;

namespace {

// Where ffmpeg finds what it is handed: its -progress reports, then the files.
constexpr int kProgressFd = 3;
constexpr int kFirstFileFd = 4;
// Our own descriptors sit above those, so that setting up the child's never
// overwrites one still to be copied.
constexpr int kLowestOwnFd = 10;
constexpr double kDefaultTimeoutS = 20.0;

std::string Ending(const std::string& path) {
    const size_t dot = path.rfind('.');
    if (dot == std::string::npos || path.find('/', dot) != std::string::npos) return "";
    std::string ending = path.substr(dot + 1);
    std::transform(ending.begin(), ending.end(), ending.begin(), [](unsigned char c) { return std::tolower(c); });
    return ending;
}

double Now() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

void SleepMs(long ms) {
    timespec t{0, ms * 1000000L};
    nanosleep(&t, nullptr);
}

// How long ffmpeg may go without taking a byte or doing any work.
double EncoderTimeoutS() {
    const char* value = std::getenv("VEXLAR_ENCODER_TIMEOUT_S");
    if (!value || !*value) return kDefaultTimeoutS;
    char* end = nullptr;
    const double seconds = std::strtod(value, &end);
    return *end == '\0' && seconds > 0.0 ? seconds : kDefaultTimeoutS;
}

std::string FdPath(int fd) { return "/proc/self/fd/" + std::to_string(fd); }

// `fd` moved to kLowestOwnFd or above, close-on-exec; -1 (errno set) on failure.
int Lift(int fd) {
    if (fd < 0 || fd >= kLowestOwnFd) return fd;
    const int high = fcntl(fd, F_DUPFD_CLOEXEC, kLowestOwnFd);
    const int saved = errno;
    close(fd);
    errno = saved;
    return high;
}

std::string TempFolder() {
    const char* folder = std::getenv("TMPDIR");
    return folder && *folder ? folder : "/tmp";
}

// A private scratch file in `folder`, unlinked at once; -1 (errno set) on failure.
int ScratchFile(const std::string& folder) {
    std::string name = folder + "/vexlar3d-XXXXXX";
    const int fd = mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) return -1;
    unlink(name.c_str());
    return Lift(fd);
}

// The end of a file (its last 64 KiB), from the start.
std::string ReadTail(int fd) {
    struct stat info {};
    if (fd < 0 || fstat(fd, &info) != 0) return "";
    off_t at = std::max<off_t>(0, info.st_size - 65536);
    std::string text;
    char buffer[4096];
    for (;;) {
        const ssize_t n = pread(fd, buffer, sizeof buffer, at);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        text.append(buffer, static_cast<size_t>(n));
        at += n;
    }
    return text;
}

std::string LastLine(const std::string& text) {
    std::istringstream lines(text);
    std::string line, last;
    while (std::getline(lines, line)) {
        while (!line.empty() && std::isspace(static_cast<unsigned char>(line.back()))) line.pop_back();
        if (!line.empty()) last = line;
    }
    return last;
}

// The last "frame=N" of ffmpeg's -progress reports (frames of its first
// video output); -1 when it reported none.
long long FramesReported(const std::string& progress) {
    long long frames = -1;
    for (size_t at = progress.find("frame="); at != std::string::npos; at = progress.find("frame=", at + 1)) {
        if (at == 0 || progress[at - 1] == '\n') frames = std::strtoll(progress.c_str() + at + 6, nullptr, 10);
    }
    return frames;
}

// CPU time used by the process so far, in clock ticks; -1 when unknown.
long long CpuTicks(pid_t pid) {
    char name[64];
    std::snprintf(name, sizeof name, "/proc/%d/stat", static_cast<int>(pid));
    FILE* file = std::fopen(name, "re");
    if (!file) return -1;
    char text[1024];
    const size_t n = std::fread(text, 1, sizeof text - 1, file);
    std::fclose(file);
    text[n] = '\0';
    const char* fields = std::strrchr(text, ')');  // after the command name, which may hold anything
    unsigned long long user = 0, system = 0;
    if (!fields || std::sscanf(fields + 1, " %*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %llu %llu", &user,
                               &system) != 2) {
        return -1;
    }
    return static_cast<long long>(user + system);
}

off_t FileSize(int fd) {
    struct stat info {};
    return fd >= 0 && fstat(fd, &info) == 0 ? info.st_size : 0;
}

// The system's reason why the file is not whole, when it can be told: named
// in ffmpeg's log (it may exit 0 after a failed write), or a full file system.
std::string SystemReason(const std::string& log, int fd) {
    for (const int code : {ENOSPC, EDQUOT, EFBIG, EROFS, EACCES, EIO}) {
        const char* text = std::strerror(code);
        if (log.find(text) != std::string::npos) return text;
    }
    // No room left for us (root may still have the reserved blocks).
    struct statvfs space {};
    if (fd >= 0 && fstatvfs(fd, &space) == 0 && space.f_bavail == 0 && (space.f_bfree == 0 || geteuid() != 0))
        return std::strerror(ENOSPC);
    return "";
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

std::string VideoWriter::Open(const std::string& path, int width, int height, double fps) {
    Discard();
    failure_.clear();
    ffmpeg_ = FindFfmpeg();
    if (ffmpeg_.empty()) return "ffmpeg is not installed";
    width_ = width;
    height_ = height;
    frames_ = 0;
    path_ = path;
    const std::string ending = Ending(path);
    gif_ = ending == "gif";
    timeoutS_ = EncoderTimeoutS();

    // Hidden, beside the file (the rename stays on one file system), and a
    // name that did not exist: mkostemps creates it exclusively, links not followed.
    const std::filesystem::path target(path);
    std::string folder = target.parent_path().string();
    if (folder.empty()) folder = ".";
    std::string temp = folder + "/." + target.filename().string().substr(0, 64) + ".XXXXXX.part";
    target_ = Lift(mkostemps(temp.data(), 5, O_CLOEXEC));
    if (target_ < 0) return "cannot create a file in " + folder + ": " + std::strerror(errno);
    tempPath_ = temp;

    // The GIF's frames, kept for its second pass (gigabytes for a long
    // clip), go on the disk the GIF goes to rather than into $TMPDIR, which
    // may be memory; like the small files, with no name left behind.
    std::vector<int*> privateFiles = {&log_, &progress_};
    if (gif_) privateFiles.insert(privateFiles.end(), {&frameStore_, &palette_});
    for (int* file : privateFiles) {
        const std::string scratch = file == &frameStore_ ? folder : TempFolder();
        *file = ScratchFile(scratch);
        if (*file < 0) {
            const std::string reason = std::strerror(errno);
            Discard();
            return "cannot create a temporary file in " + scratch + ": " + reason;
        }
    }

    char size[32], rate[32];
    std::snprintf(size, sizeof size, "%dx%d", width, height);
    std::snprintf(rate, sizeof rate, "%.6g", fps);
    std::vector<std::string> args = {"-f",         "rawvideo", "-pixel_format", "bgr0", "-video_size",
                                     size,         "-framerate", rate,          "-i",   "pipe:0"};
    const std::string even = "scale=trunc(iw/2)*2:trunc(ih/2)*2";
    std::vector<int> files;
    if (gif_) {
        // Pass one: the frames kept losslessly while the palette is gathered
        // (palettegen keeps counts, not frames); Close maps them onto it.
        args.insert(args.end(), {"-filter_complex", "split[a][b];[a]palettegen=max_colors=128:stats_mode=diff[p]",
                                 "-map", "[b]", "-c:v", "ffv1", "-f", "matroska", FdPath(kFirstFileFd), "-map", "[p]",
                                 "-update", "1", "-c:v", "png", "-f", "image2", FdPath(kFirstFileFd + 1)});
        files = {frameStore_, palette_};
    } else if (ending == "webm") {
        args.insert(args.end(), {"-vf", even, "-c:v", "libvpx-vp9", "-b:v", "0", "-crf", "36", "-deadline",
                                 "realtime", "-cpu-used", "8", "-pix_fmt", "yuv420p", "-f", "webm",
                                 FdPath(kFirstFileFd)});
        files = {target_};
    } else {
        args.insert(args.end(), {"-vf", even, "-c:v", "libx264", "-preset", "veryfast", "-crf", "23", "-pix_fmt",
                                 "yuv420p", "-movflags", "+faststart", "-f", "mp4", FdPath(kFirstFileFd)});
        files = {target_};
    }

    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        const std::string reason = std::strerror(errno);
        Discard();
        return "no pipe: " + reason;
    }
    fcntl(fds[1], F_SETPIPE_SZ, 1 << 20);  // fewer wake-ups for large frames; the default works too
    const bool started = Spawn(args, fds[0], files);
    const int spawnError = errno;
    close(fds[0]);
    if (!started) {
        close(fds[1]);
        Discard();
        return "cannot start " + ffmpeg_ + ": " + std::strerror(spawnError);
    }
    pipe_ = fds[1];
    // Writes wait in poll, bounded; a writer whose reader died gets EPIPE,
    // not a signal that ends the process.
    fcntl(pipe_, F_SETFL, fcntl(pipe_, F_GETFL) | O_NONBLOCK);
    signal(SIGPIPE, SIG_IGN);
    return "";
}

bool VideoWriter::Spawn(std::vector<std::string> args, int input, const std::vector<int>& files) {
    args.insert(args.begin(), {ffmpeg_, "-hide_banner", "-loglevel", "error", "-nostdin", "-y", "-progress",
                               "pipe:" + std::to_string(kProgressFd)});
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (input >= 0) posix_spawn_file_actions_adddup2(&actions, input, STDIN_FILENO);
    else posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, log_, STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, log_, STDERR_FILENO);
    posix_spawn_file_actions_adddup2(&actions, progress_, kProgressFd);
    for (size_t i = 0; i < files.size(); ++i)
        posix_spawn_file_actions_adddup2(&actions, files[i], kFirstFileFd + static_cast<int>(i));
    // A group of its own: a stuck encoder is killed with whatever it started.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    const int rc = posix_spawn(&child_, ffmpeg_.c_str(), &actions, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) {
        child_ = -1;
        errno = rc;
        return false;
    }
    return true;
}

bool VideoWriter::WriteFrame(const uint32_t* pixels) {
    if (pipe_ < 0 || !failure_.empty()) return false;
    ++frames_;
    const char* bytes = reinterpret_cast<const char*>(pixels);
    size_t left = static_cast<size_t>(width_) * static_cast<size_t>(height_) * 4u;
    double deadline = Now() + timeoutS_;
    while (left > 0) {
        if (Stopped()) {
            failure_ = "stopped before " + path_ + " was written";
            Discard();
            return false;
        }
        const ssize_t n = write(pipe_, bytes, left);
        if (n > 0) {
            bytes += n;
            left -= static_cast<size_t>(n);
            deadline = Now() + timeoutS_;
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != EAGAIN) return false;  // ffmpeg ended; Close says why
        const double wait = deadline - Now();
        if (wait <= 0) {
            failure_ = Stalled();
            Discard();
            return false;
        }
        pollfd ready{pipe_, POLLOUT, 0};
        poll(&ready, 1, static_cast<int>(std::min(wait, 0.2) * 1000.0) + 1);  // short: a stop is seen soon
    }
    return true;
}

void VideoWriter::Kill() {
    if (child_ > 0) {
        kill(-child_, SIGKILL);
        kill(child_, SIGKILL);
        while (waitpid(child_, nullptr, 0) < 0 && errno == EINTR) {
        }
    }
    child_ = -1;
    if (pipe_ >= 0) close(pipe_);
    pipe_ = -1;
}

void VideoWriter::Discard() {
    Kill();
    for (int* fd : {&target_, &log_, &progress_, &frameStore_, &palette_}) {
        if (*fd >= 0) close(*fd);
        *fd = -1;
    }
    if (!tempPath_.empty()) unlink(tempPath_.c_str());
    tempPath_.clear();
}

std::string VideoWriter::Failure(const std::string& reason) const {
    const std::string last = LastLine(ReadTail(log_));
    return "cannot write " + path_ + ": " + reason + (last.empty() ? "" : "; ffmpeg said: " + last);
}

std::string VideoWriter::Stalled() const {
    char text[96];
    std::snprintf(text, sizeof text, "ffmpeg stopped taking frames (none for %g s), so it was killed", timeoutS_);
    return Failure(text);
}

// Waits for ffmpeg to end while it shows signs of work (CPU time, its output
// growing). "" once it has ended (*status set), else why it was killed.
std::string VideoWriter::WaitForEncoder(int* status) {
    double deadline = Now() + timeoutS_;
    long long lastCpu = -1;
    off_t lastSize = -1;
    for (;;) {
        const pid_t done = waitpid(child_, status, WNOHANG);
        if (done == child_ || (done < 0 && errno != EINTR)) {
            if (done < 0) *status = -1;
            child_ = -1;
            return "";
        }
        if (Stopped()) {
            Kill();
            return "stopped before " + path_ + " was written";
        }
        const long long cpu = CpuTicks(child_);
        const off_t size = FileSize(target_) + FileSize(frameStore_) + FileSize(palette_);
        if (cpu < 0 || cpu != lastCpu || size != lastSize) deadline = Now() + timeoutS_;
        lastCpu = cpu;
        lastSize = size;
        if (Now() > deadline) {
            Kill();
            char text[96];
            std::snprintf(text, sizeof text, "ffmpeg did nothing for %g s while finishing, so it was killed",
                          timeoutS_);
            return Failure(text);
        }
        SleepMs(20);
    }
}

// "" when ffmpeg ended well, having taken `expected` frames (a negative
// count: any), else what failed.
std::string VideoWriter::Outcome(int status, long long expected) const {
    const bool exitedWell = status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    std::string reason = SystemReason(ReadTail(log_), target_);
    if (!exitedWell || !reason.empty()) {
        if (reason.empty()) {
            char text[64];
            if (status != -1 && WIFSIGNALED(status))
                std::snprintf(text, sizeof text, "ffmpeg was ended by signal %d", WTERMSIG(status));
            else
                std::snprintf(text, sizeof text, "ffmpeg failed (exit status %d)",
                              status == -1 ? -1 : WEXITSTATUS(status));
            reason = text;
        }
        return Failure(reason);
    }
    const long long taken = FramesReported(ReadTail(progress_));
    if (expected >= 0 && taken != expected) {
        char text[128];
        std::snprintf(text, sizeof text, "ffmpeg ended after taking %lld of the %lld %s given",
                      std::max(taken, 0ll), expected, expected == 1 ? "frame" : "frames");
        return Failure(text);
    }
    return "";
}

std::string VideoWriter::Finish() {
    if (!failure_.empty()) return failure_;

    // What is still in the pipe is frames ffmpeg has not taken: it has to
    // drain before the end of the stream is given.
    double deadline = Now() + timeoutS_;
    int lastQueued = -1;
    int status = 0;
    bool ended = false;
    for (;;) {
        int queued = 0;
        if (ioctl(pipe_, FIONREAD, &queued) != 0 || queued == 0) break;
        if (waitpid(child_, &status, WNOHANG) == child_) {
            child_ = -1;
            ended = true;
            break;
        }
        if (Stopped()) return "stopped before " + path_ + " was written";
        if (queued != lastQueued) deadline = Now() + timeoutS_;
        lastQueued = queued;
        if (Now() > deadline) {
            Kill();
            return Stalled();
        }
        SleepMs(20);
    }
    close(pipe_);
    pipe_ = -1;
    if (!ended) {
        const std::string killed = WaitForEncoder(&status);
        if (!killed.empty()) return killed;
    }
    std::string failure = Outcome(status, frames_);
    if (!failure.empty()) return failure;

    if (gif_) {
        // Pass two: the stored frames onto the palette, straight into the file.
        if (ftruncate(progress_, 0) != 0 || lseek(progress_, 0, SEEK_SET) != 0)
            return Failure(std::string("its progress file: ") + std::strerror(errno));
        const std::vector<std::string> args = {"-i",     FdPath(kFirstFileFd),
                                               "-i",     FdPath(kFirstFileFd + 1),
                                               "-lavfi", "[0:v][1:v]paletteuse=dither=none:diff_mode=rectangle",
                                               "-loop",  "0",
                                               "-f",     "gif",
                                               FdPath(kFirstFileFd + 2)};
        if (!Spawn(args, -1, {frameStore_, palette_, target_}))
            return "cannot start " + ffmpeg_ + ": " + std::strerror(errno);
        const std::string killed = WaitForEncoder(&status);
        if (!killed.empty()) return killed;
        failure = Outcome(status, -1);
        if (!failure.empty()) return failure;
    }

    if (FileSize(target_) == 0) return Failure("ffmpeg wrote nothing");
    // The mode a file created in the usual way would have.
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(target_, 0666 & ~mask);
    if (fsync(target_) != 0) return "cannot write " + path_ + ": " + std::strerror(errno);
    if (rename(tempPath_.c_str(), path_.c_str()) != 0)
        return "cannot put " + path_ + " in place: " + std::strerror(errno);
    tempPath_.clear();
    return "";
}

std::string VideoWriter::Close() {
    if (target_ < 0 && failure_.empty()) return "";
    const std::string failure = Finish();
    Discard();
    failure_.clear();
    return failure;
}
