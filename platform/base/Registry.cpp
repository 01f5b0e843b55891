#include "platform/base/Registry.h"

#include "platform/base/FileAtomicWriter.h"
#include "platform/base/LastError.h"
#include "platform/base/TextCase.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <pwd.h>
#include <sstream>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
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
    std::vector<Value> values;
    std::vector<std::unique_ptr<Key>> subkeys;

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
        return subkeys.back().get();
    }
    Value* FindValue(const std::string& wanted)
    {
        for (Value& value : values) {
            if (EqualsNoCase(value.name, wanted))
                return &value;
        }
        return nullptr;
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

std::string HexOf(const std::string& bytes)
{
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    for (unsigned char c : bytes) {
        hex += digits[c >> 4];
        hex += digits[c & 15];
    }
    return hex;
}

bool FromHex(const std::string& hex, std::string& out)
{
    if (hex.size() % 2)
        return false;
    out.clear();
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

std::vector<std::string> SplitFields(const std::string& line)
{
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (;;) {
        std::size_t space = line.find(' ', start);
        fields.push_back(line.substr(start, space == std::string::npos ? std::string::npos : space - start));
        if (space == std::string::npos)
            return fields;
        start = space + 1;
    }
}

void Serialize(const Key& key, const std::string& path, std::ostringstream& out)
{
    out << "K " << HexOf(path) << '\n';
    for (const Value& value : key.values)
        out << "V " << HexOf(value.name) << ' ' << value.type << ' ' << HexOf(value.data) << '\n';
    for (const auto& subkey : key.subkeys)
        Serialize(*subkey, path.empty() ? subkey->name : path + "\\" + subkey->name, out);
}

// One root's tree, read from its file; for changes, held under the root's lock until destroyed.
class RootStore {
public:
    RootStore(int root, bool forChange)
        : m_root(root)
    {
        std::string folder = GetRegistryFolder();
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
        m_status = Load(folder + "/" + kRootNames[root]);
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
        Key* key = &m_tree;
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

    LSTATUS Save()
    {
        std::ostringstream text;
        text << kHeader << '\n';
        Serialize(m_tree, "", text);
        std::string bytes = text.str();
        auto writer = FileAtomicWriter::Create(GetRegistryFolder() + "/" + kRootNames[m_root]);
        if (!writer)
            return LSTATUS(GetLastError());
        if (!writer->Write(bytes.data(), bytes.size()) || !writer->Commit())
            return LSTATUS(GetLastError());
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

    LSTATUS Load(const std::string& path)
    {
        std::ifstream file(path, std::ios::binary);
        if (!file) {
            if (errno == ENOENT || errno == ENOTDIR)
                return ERROR_SUCCESS;
            return LSTATUS(ErrorCodeFromErrno(errno));
        }
        std::string line;
        if (!std::getline(file, line) || line != kHeader)
            return ERROR_BADDB;
        Key* current = nullptr;
        while (std::getline(file, line)) {
            std::vector<std::string> fields = SplitFields(line);
            if (fields.size() == 2 && fields[0] == "K") {
                std::string path;
                if (!FromHex(fields[1], path))
                    return ERROR_BADDB;
                KeyPath names;
                SplitSubKey(path.c_str(), names);
                current = &m_tree;
                for (const std::string& name : names) {
                    Key* next = current->FindSubkey(name);
                    current = next ? next : current->AddSubkey(name);
                }
                continue;
            }
            if (fields.size() == 4 && fields[0] == "V" && current) {
                Value value;
                char* end = nullptr;
                unsigned long type = std::strtoul(fields[2].c_str(), &end, 10);
                if (fields[2].empty() || *end || !FromHex(fields[1], value.name) || !FromHex(fields[3], value.data))
                    return ERROR_BADDB;
                value.type = DWORD(type);
                current->values.push_back(std::move(value));
                continue;
            }
            return ERROR_BADDB;
        }
        return ERROR_SUCCESS;
    }

    int m_root;
    int m_lockFd = -1;
    LSTATUS m_status = ERROR_SUCCESS;
    Key m_tree;
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
        existing->data = bytes;
    } else {
        target->values.push_back(Value { name, type, bytes });
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
    std::string name = valueName ? valueName : "";
    auto found = std::find_if(target->values.begin(), target->values.end(),
        [&name](const Value& value) { return EqualsNoCase(value.name, name); });
    if (found == target->values.end())
        return ERROR_FILE_NOT_FOUND;
    target->values.erase(found);
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
    auto& siblings = parent->subkeys;
    siblings.erase(std::find_if(siblings.begin(), siblings.end(), [target](const auto& k) { return k.get() == target; }));
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
    std::vector<std::string> names;
    for (const auto& subkey : target->subkeys)
        names.push_back(subkey->name);
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        int order = CompareNoCase(a, b);
        return order != 0 ? order < 0 : a < b;
    });
    if (index >= names.size())
        return ERROR_NO_MORE_ITEMS;
    LSTATUS copied = CopyName(names[index], name, nameLength);
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
