// registry_file.h — the registry store's file: reading it, and committing a
// key handle's changes to it safely.
//
// Reading needs no lock: the file is only ever replaced whole by a rename, so
// a reader sees one complete version. A commit takes an exclusive flock on
// "registry.reg.lock" beside the file, re-reads the current file, applies the
// changes, writes a temporary file in the same folder, fsyncs it, renames it
// over the old one and fsyncs the folder. Writers of different processes
// therefore never lose each other's values, and a crash leaves either the old
// or the new file whole. A damaged or unreadable file reads as empty and is
// renamed aside (with a warning on stderr) before the first write replaces it.
//
// Limits: the lock is advisory (an editor writing the file by hand is not
// kept out); a symbolic link at the file's place is followed and its target
// replaced, the link itself kept.
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
// file on disk is then as it was).
LONG CommitRegistryChanges(const std::string& file, const std::vector<RegChange>& changes);

// Called after the temporary file is written and synced, before the rename;
// lets a test stand for a crash at the worst moment. Empty to remove.
void SetBeforeRenameHookForTests(std::function<void()> hook);

}  // namespace platform::registry
