#include "platform/base/Registry.h"

#include "platform/base/FileAtomicWriter.h"
#include "platform/base/LastError.h"
#include "platform/base/TextCase.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <memory>
#include <mutex>
#include <random>
#include <pwd.h>
#include <sys/file.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>
#include <vector>

namespace {

constexpr const char* kHeader = "vornalt-registry 1";
constexpr std::size_t kMaxNameLength = 255;
const char* const kRootNames[4] = { "HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE", "HKEY_USERS" };

struct Value {
    std::string name;
    DWORD type = REG_NONE;
    std::string data;
};

struct Key {
    std::string name;
    std::vector<Value> values; // in the order first set
    std::unordered_map<std::string, std::size_t> valueIndex; // lower-case name -> position in values
    std::vector<std::unique_ptr<Key>> subkeys;
    std::vector<const Key*> sortedSubkeys; // ascending without regard to case; empty when stale

    Key* FindSubkey(const std::string& wanted)
    {
        for (auto& subkey : subkeys) {
            if (EqualsNoCase(subkey->name, wanted))
                return subkey.get();
        }
        return nullptr;
    }
    Key* AddSubkey(const std::string& name)
    {
        subkeys.push_back(std::make_unique<Key>());
        subkeys.back()->name = name;
        sortedSubkeys.clear();
        return subkeys.back().get();
    }
    void RemoveSubkey(const Key* subkey)
    {
        subkeys.erase(std::find_if(subkeys.begin(), subkeys.end(), [subkey](const auto& k) { return k.get() == subkey; }));
        sortedSubkeys.clear();
    }
    // The subkeys in enumeration order, sorted once per change rather than once per call.
    const std::vector<const Key*>& SortedSubkeys()
    {
        if (sortedSubkeys.size() != subkeys.size()) {
            sortedSubkeys.clear();
            for (const auto& subkey : subkeys)
                sortedSubkeys.push_back(subkey.get());
            std::sort(sortedSubkeys.begin(), sortedSubkeys.end(), [](const Key* a, const Key* b) {
                int order = CompareNoCase(a->name, b->name);
                return order != 0 ? order < 0 : a->name < b->name;
            });
        }
        return sortedSubkeys;
    }
    Value* FindValue(const std::string& wanted)
    {
        auto found = valueIndex.find(AsciiLowerCopy(wanted));
        return found == valueIndex.end() ? nullptr : &values[found->second];
    }
    // A name already present keeps its first value (only a hand-edited file repeats one).
    void AddValue(Value value)
    {
        if (valueIndex.emplace(AsciiLowerCopy(value.name), values.size()).second)
            values.push_back(std::move(value));
    }
    bool RemoveValue(const std::string& wanted)
    {
        auto found = valueIndex.find(AsciiLowerCopy(wanted));
        if (found == valueIndex.end())
            return false;
        std::size_t position = found->second;
        valueIndex.erase(found);
        values.erase(values.begin() + std::ptrdiff_t(position));
        for (auto& entry : valueIndex) {
            if (entry.second > position)
                --entry.second;
        }
        return true;
    }
};

using KeyPath = std::vector<std::string>;

struct OpenKey {
    int root = 0;
    KeyPath path; // the names as stored
    REGSAM access = 0;
};

std::mutex g_handlesMutex;
std::map<UINT_PTR, OpenKey> g_handles;
UINT_PTR g_nextHandle = 0x1000;
std::string g_testFolder;

int RootIndexOf(HKEY key)
{
    for (int i = 0; i < 4; ++i) {
        if (key == reinterpret_cast<HKEY>(static_cast<UINT_PTR>(0x80000000u + unsigned(i))))
            return i;
    }
    return -1;
}

bool ResolveKey(HKEY key, OpenKey& out)
{
    int root = RootIndexOf(key);
    if (root >= 0) {
        out = OpenKey { root, {}, KEY_ALL_ACCESS };
        return true;
    }
    std::lock_guard<std::mutex> lock(g_handlesMutex);
    auto found = g_handles.find(reinterpret_cast<UINT_PTR>(key));
    if (found == g_handles.end())
        return false;
    out = found->second;
    return true;
}

HKEY RegisterKey(const OpenKey& key)
{
    std::lock_guard<std::mutex> lock(g_handlesMutex);
    UINT_PTR value = g_nextHandle;
    g_nextHandle += 4;
    g_handles[value] = key;
    return reinterpret_cast<HKEY>(value);
}

bool SplitSubKey(const char* subKey, KeyPath& out)
{
    if (!subKey)
        return true;
    std::string name;
    for (const char* p = subKey;; ++p) {
        if (*p == '\\' || *p == 0) {
            if (name.size() > kMaxNameLength)
                return false;
            if (!name.empty())
                out.push_back(name);
            name.clear();
            if (*p == 0)
                return true;
            continue;
        }
        name += *p;
    }
}

void AppendHex(std::string& out, std::string_view bytes)
{
    static const char digits[] = "0123456789abcdef";
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
}

bool FromHex(std::string_view hex, std::string& out)
{
    if (hex.size() % 2)
        return false;
    out.clear();
    out.reserve(hex.size() / 2);
    for (std::size_t i = 0; i < hex.size(); i += 2) {
        int value = 0;
        for (int j = 0; j < 2; ++j) {
            char c = hex[i + std::size_t(j)];
            int digit = AsciiIsDigit(c) ? c - '0' : (c >= 'a' && c <= 'f') ? c - 'a' + 10 : -1;
            if (digit < 0)
                return false;
            value = value * 16 + digit;
        }
        out += char(value);
    }
    return true;
}

std::vector<std::string_view> SplitFields(std::string_view line)
{
    std::vector<std::string_view> fields;
    for (;;) {
        std::size_t space = line.find(' ');
        fields.push_back(line.substr(0, space));
        if (space == std::string_view::npos)
            return fields;
        line.remove_prefix(space + 1);
    }
}

bool ParseNumber(std::string_view text, unsigned long long& out)
{
    if (text.empty() || text.size() > 19)
        return false;
    out = 0;
    for (char c : text) {
        if (!AsciiIsDigit(c))
            return false;
        out = out * 10 + unsigned(c - '0');
    }
    return true;
}

void Serialize(const Key& key, const std::string& path, std::string& out)
{
    out += "K ";
    AppendHex(out, path);
    out += '\n';
    for (const Value& value : key.values) {
        out += "V ";
        AppendHex(out, value.name);
        out += ' ';
        out += std::to_string(value.type);
        out += ' ';
        AppendHex(out, value.data);
        out += '\n';
    }
    for (const auto& subkey : key.subkeys)
        Serialize(*subkey, path.empty() ? subkey->name : path + "\\" + subkey->name, out);
}

// The file's text: the header, a line "G <generation>", then a "K <hex path>" line per key
// followed by a "V <hex name> <type> <hex data>" line per value. Files without the generation
// line (older ones) are read as generation 0.
LSTATUS Parse(std::string_view text, Key& tree, unsigned long long& generation)
{
    generation = 0;
    bool first = true;
    bool header = true;
    Key* current = nullptr;
    std::string path;
    while (!text.empty()) {
        std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (header) {
            if (line != kHeader)
                return ERROR_BADDB;
            header = false;
            continue;
        }
        std::vector<std::string_view> fields = SplitFields(line);
        if (first && fields.size() == 2 && fields[0] == "G") {
            first = false;
            if (!ParseNumber(fields[1], generation))
                return ERROR_BADDB;
            continue;
        }
        first = false;
        if (fields.size() == 2 && fields[0] == "K") {
            if (!FromHex(fields[1], path))
                return ERROR_BADDB;
            KeyPath names;
            SplitSubKey(path.c_str(), names);
            current = &tree;
            for (const std::string& name : names) {
                Key* next = current->FindSubkey(name);
                current = next ? next : current->AddSubkey(name);
            }
            continue;
        }
        if (fields.size() == 4 && fields[0] == "V" && current) {
            Value value;
            unsigned long long type = 0;
            if (!ParseNumber(fields[2], type) || type > 0xFFFFFFFFu || !FromHex(fields[1], value.name)
                || !FromHex(fields[3], value.data))
                return ERROR_BADDB;
            value.type = DWORD(type);
            current->AddValue(std::move(value));
            continue;
        }
        return ERROR_BADDB;
    }
    return header ? ERROR_BADDB : ERROR_SUCCESS;
}

// What a root's file looked like when its tree was read or written. Every write replaces the file
// (a new inode) and raises the generation stored in it, so two versions written within one tick
// of a coarse clock, with the same size and a recycled inode number, still differ.
struct FileIdentity {
    bool exists = false;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    long long modifiedNs = 0;
    long long changedNs = 0;
    unsigned long long generation = 0;

    bool operator==(const FileIdentity&) const = default;
};

FileIdentity IdentityOf(const struct stat& info, unsigned long long generation)
{
    FileIdentity identity;
    identity.exists = true;
    identity.device = info.st_dev;
    identity.inode = info.st_ino;
    identity.size = info.st_size;
    identity.modifiedNs = (long long)info.st_mtim.tv_sec * 1000000000 + info.st_mtim.tv_nsec;
    identity.changedNs = (long long)info.st_ctim.tv_sec * 1000000000 + info.st_ctim.tv_nsec;
    identity.generation = generation;
    return identity;
}

// The generation from the start of a file, 0 when it has none (or the start is damaged, which the
// full read then reports).
unsigned long long GenerationIn(std::string_view start)
{
    std::size_t headerEnd = start.find('\n');
    if (headerEnd == std::string_view::npos || start.substr(0, headerEnd) != kHeader)
        return 0;
    start.remove_prefix(headerEnd + 1);
    std::size_t lineEnd = start.find('\n');
    unsigned long long generation = 0;
    if (lineEnd == std::string_view::npos || start.substr(0, 2) != "G " || !ParseNumber(start.substr(2, lineEnd - 2), generation))
        return 0;
    return generation;
}

// A new file's first generation is random, so a file deleted and made again never passes for
// the one a process has cached.
unsigned long long FreshGeneration()
{
    std::random_device device;
    unsigned long long value = (static_cast<unsigned long long>(device()) << 32) ^ device();
    return (value >> 4) + 1;
}

// A root's tree as this process last read or wrote it, kept between calls: a call re-reads the
// file only when it is not the version the tree came from.
struct RootCache {
    std::mutex mutex;
    bool valid = false;
    std::string path;
    FileIdentity identity;
    Key tree;
};
RootCache g_roots[4];

// One call's access to a root's tree: holds the root's cache for the call and, for changes, the
// lock on the root's lock file, so the tree is the file's latest version while the call runs.
class RootStore {
public:
    RootStore(int root, bool forChange)
        : m_cache(g_roots[root])
        , m_guard(m_cache.mutex)
        , m_root(root)
    {
        std::string folder = GetRegistryFolder();
        m_path = folder + "/" + kRootNames[root];
        if (forChange) {
            if (!MakeFolders(folder)) {
                m_status = LSTATUS(ErrorCodeFromErrno(errno, true));
                return;
            }
            std::string lockPath = folder + "/" + kRootNames[root] + ".lock";
            m_lockFd = open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
            if (m_lockFd < 0) {
                m_status = LSTATUS(ErrorCodeFromErrno(errno));
                return;
            }
            while (flock(m_lockFd, LOCK_EX) != 0) {
                if (errno != EINTR) {
                    m_status = LSTATUS(ErrorCodeFromErrno(errno));
                    return;
                }
            }
        }
        m_status = Refresh();
    }
    ~RootStore()
    {
        if (m_lockFd >= 0)
            close(m_lockFd);
    }
    RootStore(const RootStore&) = delete;
    RootStore& operator=(const RootStore&) = delete;

    LSTATUS Status() const { return m_status; }

    Key* Find(const KeyPath& path)
    {
        Key* key = &m_cache.tree;
        for (const std::string& name : path) {
            key = key->FindSubkey(name);
            if (!key)
                return nullptr;
        }
        return key;
    }

    // The key an open handle names: the store's status when the root could not be read or locked,
    // ERROR_KEY_DELETED when another process removed the key.
    LSTATUS FindOpened(const KeyPath& path, Key*& out)
    {
        if (m_status != ERROR_SUCCESS)
            return m_status;
        out = Find(path);
        return out ? ERROR_SUCCESS : ERROR_KEY_DELETED;
    }

    // Writes the changed tree, durable when this returns. On failure the cached tree (changed
    // already) no longer matches the file, so the next call reads the file again.
    LSTATUS Save()
    {
        unsigned long long generation
            = m_cache.identity.generation ? m_cache.identity.generation + 1 : FreshGeneration();
        std::string text;
        text.reserve(std::size_t(m_cache.identity.size) + 256);
        text += kHeader;
        text += "\nG ";
        text += std::to_string(generation);
        text += '\n';
        Serialize(m_cache.tree, "", text);
        m_cache.valid = false;
        auto writer = FileAtomicWriter::Create(m_path);
        if (!writer)
            return LSTATUS(GetLastError());
        if (!writer->Write(text.data(), text.size()) || !writer->Commit())
            return LSTATUS(GetLastError());
        struct stat info;
        if (stat(m_path.c_str(), &info) == 0) {
            m_cache.identity = IdentityOf(info, generation);
            m_cache.valid = true;
        }
        return ERROR_SUCCESS;
    }

private:
    static bool MakeFolders(const std::string& folder)
    {
        for (std::size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
            std::string part = folder.substr(0, slash);
            if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
                return false;
            if (slash == std::string::npos)
                return true;
        }
    }

    // Brings the cached tree to the file's current version, reading the file only when it changed.
    LSTATUS Refresh()
    {
        int fd = open(m_path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            int error = errno;
            if (error != ENOENT && error != ENOTDIR) {
                m_cache.valid = false;
                return LSTATUS(ErrorCodeFromErrno(error));
            }
            if (!m_cache.valid || m_cache.path != m_path || m_cache.identity.exists) {
                m_cache.tree = Key();
                AddStandardKeys(m_cache.tree);
                m_cache.identity = FileIdentity();
                m_cache.path = m_path;
                m_cache.valid = true;
            }
            return ERROR_SUCCESS;
        }
        LSTATUS status = RefreshFrom(fd);
        close(fd);
        return status;
    }

    LSTATUS RefreshFrom(int fd)
    {
        struct stat info;
        char start[64];
        ssize_t startLength = 0;
        if (fstat(fd, &info) != 0 || (startLength = pread(fd, start, sizeof(start), 0)) < 0) {
            m_cache.valid = false;
            return LSTATUS(ErrorCodeFromErrno(errno));
        }
        FileIdentity identity = IdentityOf(info, GenerationIn(std::string_view(start, std::size_t(startLength))));
        if (m_cache.valid && m_cache.path == m_path && m_cache.identity == identity)
            return ERROR_SUCCESS;
        m_cache.valid = false;
        std::string text;
        char buffer[65536];
        for (off_t offset = 0;;) {
            ssize_t got = pread(fd, buffer, sizeof(buffer), offset);
            if (got < 0) {
                if (errno == EINTR)
                    continue;
                return LSTATUS(ErrorCodeFromErrno(errno));
            }
            if (got == 0)
                break;
            text.append(buffer, std::size_t(got));
            offset += got;
        }
        Key tree;
        unsigned long long generation = 0;
        if (Parse(text, tree, generation) != ERROR_SUCCESS)
            return ERROR_BADDB;
        AddStandardKeys(tree);
        m_cache.tree = std::move(tree);
        m_cache.identity = identity;
        m_cache.identity.generation = generation;
        m_cache.path = m_path;
        m_cache.valid = true;
        return ERROR_SUCCESS;
    }

    // As on the platform this layer stands in for, the user's root always holds "Software":
    // programs open it and make their own keys below it.
    void AddStandardKeys(Key& tree) const
    {
        if (m_root == 1 && !tree.FindSubkey("Software"))
            tree.AddSubkey("Software");
    }

    RootCache& m_cache;
    std::lock_guard<std::mutex> m_guard;
    int m_root;
    std::string m_path;
    int m_lockFd = -1;
    LSTATUS m_status = ERROR_SUCCESS;
};

bool Allows(const OpenKey& key, REGSAM needed) { return (key.access & needed) == needed; }

LSTATUS ResolveKeyFor(HKEY key, REGSAM needed, OpenKey& out)
{
    if (!ResolveKey(key, out))
        return ERROR_INVALID_HANDLE;
    return Allows(out, needed) ? LSTATUS(ERROR_SUCCESS) : LSTATUS(ERROR_ACCESS_DENIED);
}

LSTATUS CopyOut(const std::string& bytes, BYTE* data, DWORD* size)
{
    if (data && !size)
        return ERROR_INVALID_PARAMETER;
    if (!size)
        return ERROR_SUCCESS;
    DWORD available = *size;
    *size = DWORD(bytes.size());
    if (!data)
        return ERROR_SUCCESS;
    if (available < bytes.size())
        return ERROR_MORE_DATA;
    std::memcpy(data, bytes.data(), bytes.size());
    return ERROR_SUCCESS;
}

LSTATUS CopyName(const std::string& name, char* buffer, DWORD* length)
{
    if (!buffer || !length)
        return ERROR_INVALID_PARAMETER;
    if (*length <= name.size())
        return ERROR_MORE_DATA;
    std::memcpy(buffer, name.c_str(), name.size() + 1);
    *length = DWORD(name.size());
    return ERROR_SUCCESS;
}

} // namespace

std::string GetRegistryFolder()
{
    {
        std::lock_guard<std::mutex> lock(g_handlesMutex);
        if (!g_testFolder.empty())
            return g_testFolder;
    }
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config && config[0] == '/')
        return std::string(config) + "/vornalt";
    const char* home = std::getenv("HOME");
    if (!home || !*home) {
        struct passwd* entry = getpwuid(getuid());
        home = entry ? entry->pw_dir : "/tmp";
    }
    return std::string(home) + "/.config/vornalt";
}

void SetRegistryFolderForTesting(const std::string& folder)
{
    std::lock_guard<std::mutex> lock(g_handlesMutex);
    g_testFolder = folder;
}

std::size_t CountOpenRegistryKeys()
{
    std::lock_guard<std::mutex> lock(g_handlesMutex);
    return g_handles.size();
}

LSTATUS RegOpenKeyExA(HKEY key, const char* subKey, DWORD, REGSAM desired, HKEY* result)
{
    if (!result)
        return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    OpenKey parent;
    if (!ResolveKey(key, parent))
        return ERROR_INVALID_HANDLE;
    KeyPath names;
    if (!SplitSubKey(subKey, names))
        return ERROR_INVALID_PARAMETER;
    RootStore store(parent.root, false);
    Key* current = nullptr;
    if (LSTATUS status = store.FindOpened(parent.path, current); status != ERROR_SUCCESS)
        return status;
    OpenKey opened { parent.root, parent.path, desired };
    for (const std::string& name : names) {
        current = current->FindSubkey(name);
        if (!current)
            return ERROR_FILE_NOT_FOUND;
        opened.path.push_back(current->name);
    }
    *result = RegisterKey(opened);
    return ERROR_SUCCESS;
}

LSTATUS RegCreateKeyExA(HKEY key, const char* subKey, DWORD, char*, DWORD, REGSAM desired,
    const SECURITY_ATTRIBUTES*, HKEY* result, DWORD* disposition)
{
    if (!result)
        return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    OpenKey parent;
    if (!ResolveKey(key, parent))
        return ERROR_INVALID_HANDLE;
    KeyPath names;
    if (!SplitSubKey(subKey, names))
        return ERROR_INVALID_PARAMETER;
    RootStore store(parent.root, true);
    Key* current = nullptr;
    if (LSTATUS status = store.FindOpened(parent.path, current); status != ERROR_SUCCESS)
        return status;
    OpenKey opened { parent.root, parent.path, desired };
    bool created = false;
    for (const std::string& name : names) {
        Key* next = current->FindSubkey(name);
        if (!next) {
            if (!Allows(parent, KEY_CREATE_SUB_KEY) && !created)
                return ERROR_ACCESS_DENIED;
            next = current->AddSubkey(name);
            created = true;
        }
        current = next;
        opened.path.push_back(current->name);
    }
    if (created) {
        LSTATUS saved = store.Save();
        if (saved != ERROR_SUCCESS)
            return saved;
    }
    if (disposition)
        *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    *result = RegisterKey(opened);
    return ERROR_SUCCESS;
}

LSTATUS RegCloseKey(HKEY key)
{
    if (RootIndexOf(key) >= 0)
        return ERROR_SUCCESS;
    std::lock_guard<std::mutex> lock(g_handlesMutex);
    return g_handles.erase(reinterpret_cast<UINT_PTR>(key)) ? ERROR_SUCCESS : LSTATUS(ERROR_INVALID_HANDLE);
}

LSTATUS RegSetValueExA(HKEY key, const char* valueName, DWORD, DWORD type, const BYTE* data, DWORD size)
{
    OpenKey opened;
    if (LSTATUS status = ResolveKeyFor(key, KEY_SET_VALUE, opened); status != ERROR_SUCCESS)
        return status;
    if (!data && size)
        return ERROR_INVALID_PARAMETER;
    std::string name = valueName ? valueName : "";
    if (name.size() > 16383)
        return ERROR_INVALID_PARAMETER;
    RootStore store(opened.root, true);
    Key* target = nullptr;
    if (LSTATUS status = store.FindOpened(opened.path, target); status != ERROR_SUCCESS)
        return status;
    std::string bytes(reinterpret_cast<const char*>(data), data ? size : 0);
    if (Value* existing = target->FindValue(name)) {
        existing->type = type;
        existing->data = std::move(bytes);
    } else {
        target->AddValue(Value { name, type, std::move(bytes) });
    }
    return store.Save();
}

LSTATUS RegQueryValueExA(HKEY key, const char* valueName, DWORD*, DWORD* type, BYTE* data, DWORD* size)
{
    OpenKey opened;
    if (LSTATUS status = ResolveKeyFor(key, KEY_QUERY_VALUE, opened); status != ERROR_SUCCESS)
        return status;
    RootStore store(opened.root, false);
    Key* target = nullptr;
    if (LSTATUS status = store.FindOpened(opened.path, target); status != ERROR_SUCCESS)
        return status;
    Value* value = target->FindValue(valueName ? valueName : "");
    if (!value)
        return ERROR_FILE_NOT_FOUND;
    if (type)
        *type = value->type;
    return CopyOut(value->data, data, size);
}

LSTATUS RegDeleteValueA(HKEY key, const char* valueName)
{
    OpenKey opened;
    if (LSTATUS status = ResolveKeyFor(key, KEY_SET_VALUE, opened); status != ERROR_SUCCESS)
        return status;
    RootStore store(opened.root, true);
    Key* target = nullptr;
    if (LSTATUS status = store.FindOpened(opened.path, target); status != ERROR_SUCCESS)
        return status;
    if (!target->RemoveValue(valueName ? valueName : ""))
        return ERROR_FILE_NOT_FOUND;
    return store.Save();
}

LSTATUS RegDeleteKeyA(HKEY key, const char* subKey)
{
    OpenKey opened;
    if (!ResolveKey(key, opened))
        return ERROR_INVALID_HANDLE;
    KeyPath names = opened.path;
    std::size_t ownLength = names.size();
    if (!SplitSubKey(subKey, names) || names.size() == ownLength)
        return ERROR_INVALID_PARAMETER;
    RootStore store(opened.root, true);
    if (store.Status() != ERROR_SUCCESS)
        return store.Status();
    std::string last = names.back();
    names.pop_back();
    Key* parent = store.Find(names);
    Key* target = parent ? parent->FindSubkey(last) : nullptr;
    if (!target)
        return ERROR_FILE_NOT_FOUND;
    if (!target->subkeys.empty())
        return ERROR_ACCESS_DENIED;
    parent->RemoveSubkey(target);
    return store.Save();
}

LSTATUS RegEnumKeyExA(HKEY key, DWORD index, char* name, DWORD* nameLength, DWORD*, char* keyClass,
    DWORD* classLength, FILETIME* lastWriteTime)
{
    OpenKey opened;
    if (LSTATUS status = ResolveKeyFor(key, KEY_ENUMERATE_SUB_KEYS, opened); status != ERROR_SUCCESS)
        return status;
    RootStore store(opened.root, false);
    Key* target = nullptr;
    if (LSTATUS status = store.FindOpened(opened.path, target); status != ERROR_SUCCESS)
        return status;
    const std::vector<const Key*>& sorted = target->SortedSubkeys();
    if (index >= sorted.size())
        return ERROR_NO_MORE_ITEMS;
    LSTATUS copied = CopyName(sorted[index]->name, name, nameLength);
    if (copied != ERROR_SUCCESS)
        return copied;
    if (keyClass && classLength && *classLength > 0)
        keyClass[0] = 0;
    if (classLength)
        *classLength = 0;
    if (lastWriteTime)
        std::memset(lastWriteTime, 0, sizeof(DWORD) * 2);
    return ERROR_SUCCESS;
}

LSTATUS RegEnumValueA(HKEY key, DWORD index, char* valueName, DWORD* valueNameLength, DWORD*, DWORD* type,
    BYTE* data, DWORD* dataSize)
{
    OpenKey opened;
    if (LSTATUS status = ResolveKeyFor(key, KEY_QUERY_VALUE, opened); status != ERROR_SUCCESS)
        return status;
    RootStore store(opened.root, false);
    Key* target = nullptr;
    if (LSTATUS status = store.FindOpened(opened.path, target); status != ERROR_SUCCESS)
        return status;
    if (index >= target->values.size())
        return ERROR_NO_MORE_ITEMS;
    const Value& value = target->values[index];
    LSTATUS copied = CopyName(value.name, valueName, valueNameLength);
    if (copied != ERROR_SUCCESS)
        return copied;
    if (type)
        *type = value.type;
    return CopyOut(value.data, data, dataSize);
}
