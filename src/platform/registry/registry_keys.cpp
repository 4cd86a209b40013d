// registry_keys.cpp — the Win32 registry calls over the .reg-file store:
// RegCreateKeyExA, RegOpenKeyA, RegOpenKeyExA, RegQueryValueExA,
// RegSetValueExA, RegFlushKey, RegCloseKey.
//
// HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE and HKEY_CLASSES_ROOT are predefined
// and map to sections of their own name. An opened key is a handle value from
// a private range (never null, never a predefined value, never reused) that
// remembers the store file, the key path and the access it was opened with.
// RegSetValueExA records the change on the handle; the process sees it at
// once, the file when RegFlushKey or RegCloseKey commits it. Values set
// directly on a predefined key are committed at once, as such keys are never
// closed.
//
// Left out: deleting keys and values, enumeration, notifications, volatile
// keys, security. Names may not hold line breaks or bytes that are not UTF-8
// (the file could not carry them): such calls fail with ERROR_INVALID_PARAMETER.
#include <windows.h>

#include <cstring>
#include <map>
#include <mutex>

#include "platform/platform.h"
#include "platform/registry/registry_file.h"

using namespace platform::registry;

namespace {

constexpr DWORD kMaxValueBytes = 1u << 20;
constexpr size_t kMaxKeyNameBytes = 255;
constexpr size_t kMaxValueNameBytes = 16383;
constexpr size_t kMaxPathBytes = 32767;

constexpr REGSAM kGenericRead = 0x80000000;
constexpr REGSAM kGenericWrite = 0x40000000;
constexpr REGSAM kGenericAll = 0x10000000;
constexpr REGSAM kMaximumAllowed = 0x02000000;

constexpr uintptr_t kFirstHandle = 0x00510000;
constexpr uintptr_t kHandleStep = 0x10;
constexpr uintptr_t kLastHandle = 0x7FFF0000;  // below the predefined 0x80000000 range

struct PendingChange {
    uint64_t order;
    RegChange change;
};

struct OpenKey {
    std::string file;
    RegRoot root = RegRoot::CurrentUser;
    std::string path;
    REGSAM access = 0;
    bool predefined = false;
    std::vector<PendingChange> pending;
};

struct KeyTable {
    std::mutex mutex;
    std::map<uintptr_t, OpenKey> keys;
    uintptr_t nextHandle = kFirstHandle;
    uint64_t nextOrder = 1;
};

KeyTable& Keys() {
    static KeyTable table;
    return table;
}

REGSAM EffectiveAccess(REGSAM access) {
    if (access & (kGenericAll | kMaximumAllowed)) access |= KEY_ALL_ACCESS;
    if (access & kGenericRead) access |= KEY_READ;
    if (access & kGenericWrite) access |= KEY_WRITE;
    return access;
}

// Resolves a handle into `key` (a copy for predefined keys, whose file is
// looked up now). Caller holds the table lock.
OpenKey* FindKey(KeyTable& table, HKEY handle, OpenKey& predefined) {
    uintptr_t value = reinterpret_cast<uintptr_t>(handle);
    RegRoot root;
    if (handle == HKEY_CURRENT_USER)
        root = RegRoot::CurrentUser;
    else if (handle == HKEY_LOCAL_MACHINE)
        root = RegRoot::LocalMachine;
    else if (handle == HKEY_CLASSES_ROOT)
        root = RegRoot::ClassesRoot;
    else {
        auto it = table.keys.find(value);
        return it == table.keys.end() ? nullptr : &it->second;
    }
    predefined = OpenKey{platform::RegistryFilePath(), root, {}, KEY_ALL_ACCESS, true, {}};
    return &predefined;
}

bool IsValidName(std::string_view name, size_t maxBytes) {
    return name.size() <= maxBytes && name.find('\0') == std::string_view::npos && IsCleanText(name);
}

// Joins `subKey` below `parent`. Rejects a leading backslash, empty parts and
// names the file cannot carry; one trailing backslash is tolerated.
bool JoinPath(const std::string& parent, const char* subKey, std::string& out) {
    std::string_view sub = subKey ? subKey : "";
    if (sub.size() > 1 && sub.back() == '\\') sub.remove_suffix(1);
    out = parent;
    if (sub.empty()) return true;
    if (sub.front() == '\\') return false;
    size_t start = 0;
    for (;;) {
        size_t end = sub.find('\\', start);
        std::string_view part = sub.substr(start, end == std::string_view::npos ? end : end - start);
        if (part.empty() || !IsValidName(part, kMaxKeyNameBytes)) return false;
        if (end == std::string_view::npos) break;
        start = end + 1;
    }
    if (!out.empty()) out += '\\';
    out += sub;
    return out.size() <= kMaxPathBytes;
}

bool KeyExists(KeyTable& table, const std::string& file, RegRoot root, const std::string& path) {
    if (path.empty()) return true;
    for (const auto& [handle, key] : table.keys) {
        if (key.file != file) continue;
        for (const PendingChange& p : key.pending)
            if (p.change.root == root && PathCovers(path, p.change.path)) return true;
    }
    return RegKeyExists(*LoadRegistryFile(file), root, path);
}

HKEY AddKey(KeyTable& table, OpenKey key) {
    if (table.nextHandle > kLastHandle) return nullptr;
    uintptr_t value = table.nextHandle;
    table.nextHandle += kHandleStep;
    table.keys.emplace(value, std::move(key));
    return reinterpret_cast<HKEY>(value);
}

LONG Commit(OpenKey& key) {
    std::vector<RegChange> changes;
    changes.reserve(key.pending.size());
    for (const PendingChange& p : key.pending) changes.push_back(p.change);
    LONG result = CommitRegistryChanges(key.file, changes);
    if (result == ERROR_SUCCESS) key.pending.clear();
    return result;
}

LONG OpenOrCreate(HKEY parentHandle, const char* subKey, REGSAM access, bool create, PHKEY result,
                  LPDWORD disposition) {
    KeyTable& table = Keys();
    std::lock_guard<std::mutex> lock(table.mutex);
    OpenKey scratch;
    OpenKey* parent = FindKey(table, parentHandle, scratch);
    if (!parent) return ERROR_INVALID_HANDLE;
    OpenKey key;
    if (!JoinPath(parent->path, subKey, key.path)) return ERROR_INVALID_PARAMETER;
    key.file = parent->file;
    key.root = parent->root;
    key.access = EffectiveAccess(access);
    bool exists = KeyExists(table, key.file, key.root, key.path);
    if (!exists && !create) return ERROR_FILE_NOT_FOUND;
    if (!exists) {
        if (!(parent->access & KEY_CREATE_SUB_KEY)) return ERROR_ACCESS_DENIED;
        RegChange change;
        change.kind = RegChange::Kind::CreateKey;
        change.root = key.root;
        change.path = key.path;
        key.pending.push_back({table.nextOrder++, std::move(change)});
    }
    HKEY handle = AddKey(table, std::move(key));
    if (!handle) return ERROR_OUTOFMEMORY;
    *result = handle;
    if (disposition) *disposition = exists ? REG_OPENED_EXISTING_KEY : REG_CREATED_NEW_KEY;
    return ERROR_SUCCESS;
}

}  // namespace

LONG RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD reserved, LPSTR /*className*/, DWORD options, REGSAM access,
                     LPSECURITY_ATTRIBUTES /*security*/, PHKEY result, LPDWORD disposition) {
    if (result) *result = nullptr;
    if (disposition) *disposition = 0;
    if (!result || !subKey || reserved != 0 || options != REG_OPTION_NON_VOLATILE) return ERROR_INVALID_PARAMETER;
    return OpenOrCreate(key, subKey, access, true, result, disposition);
}

LONG RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD options, REGSAM access, PHKEY result) {
    if (result) *result = nullptr;
    if (!result || options != 0) return ERROR_INVALID_PARAMETER;
    return OpenOrCreate(key, subKey, access, false, result, nullptr);
}

LONG RegOpenKeyA(HKEY key, LPCSTR subKey, PHKEY result) {
    if (result) *result = nullptr;
    if (!result) return ERROR_INVALID_PARAMETER;
    if (!subKey || !subKey[0]) {
        // Documented: with no subkey the handle passed in comes back.
        KeyTable& table = Keys();
        std::lock_guard<std::mutex> lock(table.mutex);
        OpenKey scratch;
        if (!FindKey(table, key, scratch)) return ERROR_INVALID_HANDLE;
        *result = key;
        return ERROR_SUCCESS;
    }
    return OpenOrCreate(key, subKey, KEY_ALL_ACCESS, false, result, nullptr);
}

LONG RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD dataSize) {
    if (type) *type = REG_NONE;
    if (reserved || (data && !dataSize)) return ERROR_INVALID_PARAMETER;
    std::string_view name = valueName ? valueName : "";

    KeyTable& table = Keys();
    std::lock_guard<std::mutex> lock(table.mutex);
    OpenKey scratch;
    OpenKey* open = FindKey(table, key, scratch);
    if (!open) return ERROR_INVALID_HANDLE;
    if (!(open->access & KEY_QUERY_VALUE)) return ERROR_ACCESS_DENIED;

    // This process's uncommitted changes come first, the latest winning.
    const RegValue* value = nullptr;
    uint64_t latest = 0;
    for (const auto& [handle, other] : table.keys) {
        if (other.file != open->file) continue;
        for (const PendingChange& p : other.pending)
            if (p.order > latest && p.change.kind == RegChange::Kind::SetValue && p.change.root == open->root &&
                EqualsIgnoreCase(p.change.path, open->path) && EqualsIgnoreCase(p.change.name, name)) {
                value = &p.change.value;
                latest = p.order;
            }
    }
    std::shared_ptr<const RegDocument> doc;
    if (!value) {
        doc = LoadRegistryFile(open->file);
        const RegLine* line = FindRegValue(*doc, open->root, open->path, name);
        if (line && line->kind == RegLine::Kind::Value) value = &line->value;
    }
    if (!value) {
        if (dataSize) *dataSize = 0;
        return ERROR_FILE_NOT_FOUND;
    }
    if (type) *type = value->type;
    DWORD needed = static_cast<DWORD>(value->data.size());
    if (!data) {
        if (dataSize) *dataSize = needed;
        return ERROR_SUCCESS;
    }
    if (*dataSize < needed) {
        *dataSize = needed;
        return ERROR_MORE_DATA;
    }
    if (needed) std::memcpy(data, value->data.data(), needed);
    *dataSize = needed;
    return ERROR_SUCCESS;
}

LONG RegSetValueExA(HKEY key, LPCSTR valueName, DWORD reserved, DWORD type, const BYTE* data, DWORD dataSize) {
    std::string_view name = valueName ? valueName : "";
    if (reserved != 0 || (!data && dataSize) || dataSize > kMaxValueBytes || !IsValidName(name, kMaxValueNameBytes))
        return ERROR_INVALID_PARAMETER;

    KeyTable& table = Keys();
    std::lock_guard<std::mutex> lock(table.mutex);
    OpenKey scratch;
    OpenKey* open = FindKey(table, key, scratch);
    if (!open) return ERROR_INVALID_HANDLE;
    if (!(open->access & KEY_SET_VALUE)) return ERROR_ACCESS_DENIED;

    RegChange change;
    change.kind = RegChange::Kind::SetValue;
    change.root = open->root;
    change.path = open->path;
    change.name = std::string(name);
    change.value.type = type;
    if (dataSize) change.value.data.assign(data, data + dataSize);
    open->pending.push_back({table.nextOrder++, std::move(change)});
    return open->predefined ? Commit(*open) : ERROR_SUCCESS;
}

LONG RegFlushKey(HKEY key) {
    KeyTable& table = Keys();
    std::lock_guard<std::mutex> lock(table.mutex);
    OpenKey scratch;
    OpenKey* open = FindKey(table, key, scratch);
    if (!open) return ERROR_INVALID_HANDLE;
    return Commit(*open);
}

LONG RegCloseKey(HKEY key) {
    KeyTable& table = Keys();
    std::lock_guard<std::mutex> lock(table.mutex);
    OpenKey scratch;
    OpenKey* open = FindKey(table, key, scratch);
    if (!open) return ERROR_INVALID_HANDLE;
    if (open->predefined) return ERROR_SUCCESS;
    // The handle goes whatever the commit gives; a failed commit is reported.
    LONG result = Commit(*open);
    table.keys.erase(reinterpret_cast<uintptr_t>(key));
    return result;
}
