// registry_file.h — the registry store's file: reading it, and committing a
// key handle's changes to it safely.
//
// Reading needs no lock: the file is only ever replaced whole by a rename, so
// a reader sees one complete version. A commit takes an exclusive flock on
// "registry.reg.lock" beside the file, re-reads the current file, applies the
// changes, writes a temporary file in the same folder, fsyncs it, renames it
// over the old one and fsyncs the folder. Writers of different processes
// therefore never lose each other's values, and a crash leaves either the old
// or the new file whole. A file with damaged lines gives every value that
// still reads (a warning names it once); before the first write replaces it,
// it is renamed aside whole. A symbolic link is followed: a regular file at
// its end is read and replaced in its own folder, the link kept.
//
// Only regular files are ever renamed or replaced. What cannot be read for
// lack of permission, a folder, device or FIFO in the file's place, or a link
// to nothing, is left alone: reads give an empty document (built-in
// settings) with one warning, and writes fail.
//
// Limits: the lock is advisory (an editor writing the file by hand is not
// kept out).
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/registry/reg_document.h"

namespace platform::registry {

// One change recorded on an open key, committed in order.
struct RegChange {
    enum class Kind { CreateKey, SetValue };
    Kind kind = Kind::SetValue;
    RegRoot root = RegRoot::CurrentUser;
    std::string path;
    std::string name;
    RegValue value;
};

// The current contents of the file; never null. Missing or damaged files give
// an empty document. Cached while the file stays the same.
std::shared_ptr<const RegDocument> LoadRegistryFile(const std::string& file);

// ERROR_SUCCESS, or ERROR_CANTWRITE when the changes could not be stored (the
// file on disk is then as it was); LastRegistryWriteFailure says why.
LONG CommitRegistryChanges(const std::string& file, const std::vector<RegChange>& changes);

// "cannot write FILE: REASON" for the last commit that failed.
std::string LastRegistryWriteFailure();

// The steps of replacing the file, in order: the temporary file opened, its
// bytes written, synced, closed, renamed over the file, the folder synced.
enum class WriteStep { Opened, Written, Synced, Closed, Renamed, FolderSynced };

// Called at each step of a write that got that far; lets a test stand for a
// crash at any moment. Empty to remove.
void SetWriteStepHookForTests(std::function<void(WriteStep)> hook);

}  // namespace platform::registry
