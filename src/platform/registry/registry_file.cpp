// registry_file.cpp — locating, reading and atomically replacing the registry
// store's file. See registry_file.h for the commit protocol.
#include "platform/registry/registry_file.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <mutex>
#include <set>

#include "platform/platform.h"

namespace fs = std::filesystem;

namespace platform {

std::string RegistryFilePath() {
    std::string base;
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && xdg[0] == '/') {
        base = xdg;
    } else {
        // A relative XDG_CONFIG_HOME is invalid and ignored, as the base-directory rules say.
        const char* home = std::getenv("HOME");
        if (home && home[0] == '/') {
            base = home;
        } else if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir && pw->pw_dir[0] == '/') {
            base = pw->pw_dir;
        } else {
            return {};
        }
        base += "/.config";
    }
    while (base.size() > 1 && base.back() == '/') base.pop_back();
    if (base == "/") base.clear();
    return base + "/vexlar3d/registry.reg";
}

std::string RegistryWriteFailure() { return registry::LastRegistryWriteFailure(); }

}  // namespace platform

namespace platform::registry {

namespace {

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() { Close(); }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }
    bool Close() {
        int fd = fd_;
        fd_ = -1;
        return fd < 0 || close(fd) == 0;
    }

private:
    int fd_;
};

// Missing: nothing there (a new file may be made). Unreadable: a regular
// file whose bytes cannot be used (too big, a read error). NotOurs: something
// that must be left alone (no permission to read it; a directory, device or
// FIFO; a link to nothing).
enum class ReadStatus { Missing, Ok, Unreadable, NotOurs };

struct FileRead {
    ReadStatus status = ReadStatus::Missing;
    std::string bytes;
    mode_t mode = 0;
    std::string why;  // for NotOurs and Unreadable
};

FileRead ReadRegistryBytes(const std::string& path) {
    FileRead result;
    // Non-blocking, so that a FIFO put in the file's place cannot hang the open.
    FileDescriptor fd(open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (fd.get() < 0) {
        const int error = errno;
        struct stat link {};
        if ((error == ENOENT || error == ENOTDIR) && lstat(path.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
            result.status = ReadStatus::NotOurs;
            result.why = "a link to nothing";
        } else if (error == ENOENT || error == ENOTDIR) {
            result.status = ReadStatus::Missing;
        } else {
            result.status = ReadStatus::NotOurs;
            result.why = std::strerror(error);
        }
        return result;
    }
    struct stat st {};
    if (fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        struct stat link {};
        const bool linked = lstat(path.c_str(), &link) == 0 && S_ISLNK(link.st_mode);
        result.status = ReadStatus::NotOurs;
        result.why = std::string(linked ? "a link to " : "") + (S_ISDIR(st.st_mode) ? "a folder" : "something") +
                     ", not a regular file";
        return result;
    }
    result.status = ReadStatus::Unreadable;
    result.why = "too large";
    if (static_cast<unsigned long long>(st.st_size) > kMaxRegistryFileBytes) return result;
    result.mode = st.st_mode & 07777;
    std::string bytes;
    char buffer[65536];
    for (;;) {
        ssize_t n = read(fd.get(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            result.why = std::strerror(errno);
            return result;
        }
        if (n == 0) break;
        bytes.append(buffer, static_cast<size_t>(n));
        if (bytes.size() > kMaxRegistryFileBytes) return result;  // grew while being read
    }
    result.status = ReadStatus::Ok;
    result.bytes = std::move(bytes);
    return result;
}

// The parsed form of the last file read, reused while its bytes are the same.
struct ReadCache {
    std::mutex mutex;
    std::string path;
    std::string bytes;
    std::shared_ptr<const RegDocument> doc;
};

ReadCache& Cache() {
    static ReadCache cache;
    return cache;
}

// One warning per file and kind of trouble, however often the file is read.
void WarnOnce(const std::string& file, const std::string& text) {
    static std::mutex mutex;
    static std::set<std::string> said;
    std::lock_guard<std::mutex> lock(mutex);
    if (!said.insert(file + '\n' + text).second) return;
    std::fprintf(stderr, "vexlar3d: settings file %s %s\n", file.c_str(), text.c_str());
}

std::string& LastWriteFailure() {
    static std::string text;
    return text;
}

LONG CannotWrite(const std::string& file, const std::string& why) {
    LastWriteFailure() = "cannot write " + file + ": " + why;
    return ERROR_CANTWRITE;
}

std::function<void(WriteStep)>& WriteStepHook() {
    static std::function<void(WriteStep)> hook;
    return hook;
}

void Reached(WriteStep step) {
    if (WriteStepHook()) WriteStepHook()(step);
}

std::shared_ptr<const RegDocument> EmptyDocument() {
    static const std::shared_ptr<const RegDocument> empty = std::make_shared<RegDocument>(NewRegDocument());
    return empty;
}

std::string FollowLinks(const std::string& file) {
    fs::path path(file);
    std::error_code ec;
    for (int hops = 0; hops < 16 && fs::is_symlink(path, ec); ++hops) {
        fs::path target = fs::read_symlink(path, ec);
        if (ec) break;
        path = target.is_absolute() ? target : path.parent_path() / target;
    }
    return path.string();
}

std::string TemporaryPrefix(const std::string& target) { return fs::path(target).filename().string() + ".tmp-"; }

// Only a writer holding the lock has a temporary file, so any found while
// holding it was left by a writer that died.
void RemoveStrayTemporaries(const std::string& target) {
    std::string prefix = TemporaryPrefix(target);
    std::error_code ec;
    for (const fs::directory_entry& entry : fs::directory_iterator(fs::path(target).parent_path(), ec)) {
        std::string name = entry.path().filename().string();
        if (name.compare(0, prefix.size(), prefix) == 0) unlink(entry.path().c_str());
    }
}

// `carried`: the new file holds what of the old one still read.
bool MoveAside(const std::string& target, bool carried) {
    char stamp[32];
    time_t now = ::time(nullptr);
    tm local {};
    localtime_r(&now, &local);
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    std::string base = target + ".damaged-" + stamp;
    for (int n = 1; n < 1000; ++n) {
        std::string aside = n == 1 ? base : base + "-" + std::to_string(n);
        int rc = renameat2(AT_FDCWD, target.c_str(), AT_FDCWD, aside.c_str(), RENAME_NOREPLACE);
        if (rc != 0 && (errno == EINVAL || errno == ENOSYS)) {
            // No RENAME_NOREPLACE on this file system: check first (writers hold the lock).
            struct stat st {};
            if (lstat(aside.c_str(), &st) == 0) continue;
            rc = rename(target.c_str(), aside.c_str());
        }
        if (rc == 0) {
            if (carried)
                std::fprintf(stderr,
                             "vexlar3d: registry file %s has damaged lines; kept it whole as %s, the new one "
                             "holds every value that read\n",
                             target.c_str(), aside.c_str());
            else
                std::fprintf(stderr, "vexlar3d: registry file %s is damaged or unreadable; kept it as %s and started a new one\n",
                             target.c_str(), aside.c_str());
            return true;
        }
        if (errno != EEXIST) return false;
    }
    return false;
}

bool WriteAll(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

void SyncFolder(const std::string& folder) {
    FileDescriptor fd(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.get() >= 0) fsync(fd.get());
}

// Temporary file, fsync, rename over the target, fsync the folder. On a
// failure `why` says what failed, in words.
bool ReplaceFile(const std::string& target, const std::string& text, mode_t mode, bool keepMode, std::string* why) {
    std::string temporary = (fs::path(target).parent_path() / TemporaryPrefix(target)).string() +
                            std::to_string(static_cast<long>(getpid()));
    unlink(temporary.c_str());
    FileDescriptor fd(open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666));
    if (fd.get() < 0) {
        *why = std::strerror(errno);
        return false;
    }
    Reached(WriteStep::Opened);
    errno = 0;
    bool ok = WriteAll(fd.get(), text);
    if (ok) Reached(WriteStep::Written);
    if (ok && keepMode) fchmod(fd.get(), mode);
    ok = ok && fsync(fd.get()) == 0;
    if (ok) Reached(WriteStep::Synced);
    ok = fd.Close() && ok;
    if (!ok) *why = errno ? std::strerror(errno) : "the write was cut short";
    if (ok) Reached(WriteStep::Closed);
    if (ok && rename(temporary.c_str(), target.c_str()) != 0) {
        *why = std::strerror(errno);
        ok = false;
    }
    if (!ok) {
        unlink(temporary.c_str());
        return false;
    }
    Reached(WriteStep::Renamed);
    SyncFolder(fs::path(target).parent_path().string());
    Reached(WriteStep::FolderSynced);
    return true;
}

}  // namespace

std::shared_ptr<const RegDocument> LoadRegistryFile(const std::string& file) {
    if (file.empty()) {
        WarnOnce("(none)", "has no place: neither XDG_CONFIG_HOME nor HOME names a folder; using built-in settings");
        return EmptyDocument();
    }
    FileRead current = ReadRegistryBytes(file);
    if (current.status == ReadStatus::NotOurs) {
        WarnOnce(file, "cannot be read (" + current.why + "); left alone, using built-in settings");
        return EmptyDocument();
    }
    if (current.status != ReadStatus::Ok) return EmptyDocument();
    ReadCache& cache = Cache();
    std::lock_guard<std::mutex> lock(cache.mutex);
    if (cache.doc && cache.path == file && cache.bytes == current.bytes) return cache.doc;
    auto doc = std::make_shared<RegDocument>();
    if (!ParseRegDocument(current.bytes, *doc)) return EmptyDocument();
    if (doc->damagedLines > 0) {
        WarnOnce(file, "has " + std::to_string(doc->damagedLines) +
                           " damaged line(s), left out; the rest of it is used");
    }
    cache.path = file;
    cache.bytes = std::move(current.bytes);
    cache.doc = doc;
    return doc;
}

std::string LastRegistryWriteFailure() { return LastWriteFailure(); }

LONG CommitRegistryChanges(const std::string& file, const std::vector<RegChange>& changes) {
    if (changes.empty()) return ERROR_SUCCESS;
    if (file.empty()) return CannotWrite("the settings file", "neither XDG_CONFIG_HOME nor HOME names a folder");
    const std::string folder = fs::path(file).parent_path().string();
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec) return CannotWrite(file, ec.message());

    // No link is followed to the lock: it is ours, in our folder.
    FileDescriptor lock(open((file + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOCTTY | O_NOFOLLOW, 0666));
    if (lock.get() < 0) return CannotWrite(file, std::strerror(errno));
    while (flock(lock.get(), LOCK_EX) != 0)
        if (errno != EINTR) return CannotWrite(file, std::strerror(errno));

    // Through a link to a regular file, that file is replaced in its own folder.
    std::string target = FollowLinks(file);
    FileRead current = ReadRegistryBytes(file);
    if (current.status == ReadStatus::NotOurs) {
        WarnOnce(file, "cannot be read (" + current.why + "); left alone, using built-in settings");
        return CannotWrite(file, current.why + "; it was left as it is");
    }
    RemoveStrayTemporaries(target);
    RegDocument doc;
    bool damaged = current.status == ReadStatus::Unreadable ||
                   (current.status == ReadStatus::Ok &&
                    (!ParseRegDocument(current.bytes, doc) || doc.damagedLines > 0));
    if (current.status != ReadStatus::Ok || (damaged && doc.sections.empty())) doc = NewRegDocument();
    const bool carried = !doc.sections.empty();

    bool changed = false;
    for (const RegChange& change : changes) {
        if (change.kind == RegChange::Kind::CreateKey)
            changed = EnsureRegKey(doc, change.root, change.path) || changed;
        else
            changed = SetRegValue(doc, change.root, change.path, change.name, change.value) || changed;
    }
    if (!changed) return ERROR_SUCCESS;
    std::string text = SerializeRegDocument(doc);
    if (text.size() > kMaxRegistryFileBytes) return CannotWrite(file, "the settings would grow too large");
    // The damaged original is kept beside the new file, whole.
    if (damaged && !MoveAside(target, carried)) return CannotWrite(target, std::strerror(errno));
    bool keepMode = current.status == ReadStatus::Ok && !damaged;
    std::string why;
    if (!ReplaceFile(target, text, current.mode, keepMode, &why)) return CannotWrite(target, why);
    return ERROR_SUCCESS;
}

void SetWriteStepHookForTests(std::function<void(WriteStep)> hook) { WriteStepHook() = std::move(hook); }

}  // namespace platform::registry
