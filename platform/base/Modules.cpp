#include "platform/base/Modules.h"

#include "platform/base/LastError.h"
#include "platform/base/TextCase.h"
#include "platform/base/Unicode.h"

#include <memory>
#include <mutex>
#include <vector>

namespace {

using namespace platform::modules;

struct Module {
    std::u16string key;
    Exports exports;
    int loads = 0;
};

std::u16string KeyOf(std::u16string_view name)
{
    std::u16string key = AsciiLowerCopy(name);
    if (key.size() > 4 && key.compare(key.size() - 4, 4, u".dll") == 0)
        key.resize(key.size() - 4);
    return key;
}

struct Registry {
    std::mutex lock;
    // Modules are never freed: handles stay unique for the process's life.
    std::vector<std::unique_ptr<Module>> all;
    std::map<std::u16string, Module*> byName;
    Module* program = nullptr;
    std::vector<std::pair<std::u16string, Exports>> extraDefaults;

    Module* Add(const std::u16string& name, Exports exports)
    {
        auto module = std::make_unique<Module>();
        module->key = KeyOf(name);
        module->exports = std::move(exports);
        Module* raw = module.get();
        all.push_back(std::move(module));
        byName[raw->key] = raw;
        return raw;
    }

    void Defaults()
    {
        byName.clear();
        program = Add(u"vornalt.exe", {});
        for (const auto& [name, exports] : extraDefaults)
            Add(name, exports);
    }

    Module* Find(HMODULE handle)
    {
        for (const auto& m : all)
            if (reinterpret_cast<HMODULE>(m.get()) == handle)
                return byName.count(m->key) && byName[m->key] == m.get() ? m.get() : nullptr;
        return nullptr;
    }
};

Registry& GetRegistry()
{
    static Registry* registry = [] {
        auto* r = new Registry();
        r->Defaults();
        return r;
    }();
    return *registry;
}

HMODULE Lookup(std::u16string_view name, bool load)
{
    Registry& r = GetRegistry();
    std::lock_guard guard(r.lock);
    auto found = r.byName.find(KeyOf(name));
    if (found == r.byName.end()) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    if (load)
        ++found->second->loads;
    return reinterpret_cast<HMODULE>(found->second);
}

} // namespace

HMODULE LoadLibraryW(const WCHAR* name)
{
    if (!name) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return Lookup(name, true);
}

HMODULE GetModuleHandleW(const WCHAR* name)
{
    if (!name) {
        Registry& r = GetRegistry();
        std::lock_guard guard(r.lock);
        return reinterpret_cast<HMODULE>(r.program);
    }
    return Lookup(name, false);
}

HMODULE GetModuleHandleA(const char* name)
{
    if (!name)
        return GetModuleHandleW(nullptr);
    return Lookup(Utf8ToUtf16(name), false);
}

BOOL FreeLibrary(HMODULE handle)
{
    Registry& r = GetRegistry();
    std::lock_guard guard(r.lock);
    Module* module = r.Find(handle);
    if (!module || module->loads <= 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    --module->loads;
    return TRUE;
}

FARPROC GetProcAddress(HMODULE handle, const char* name)
{
    Registry& r = GetRegistry();
    std::lock_guard guard(r.lock);
    Module* module = r.Find(handle);
    if (!module || !name) {
        SetLastError(module ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
        return nullptr;
    }
    auto found = module->exports.find(name);
    if (found == module->exports.end()) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    return found->second;
}

namespace platform::modules {

HMODULE Register(const std::u16string& name, Exports exports)
{
    Registry& r = GetRegistry();
    std::lock_guard guard(r.lock);
    return reinterpret_cast<HMODULE>(r.Add(name, std::move(exports)));
}

bool Remove(const std::u16string& name)
{
    Registry& r = GetRegistry();
    std::lock_guard guard(r.lock);
    return r.byName.erase(KeyOf(name)) > 0;
}

bool RemoveExport(const std::u16string& name, const std::string& exportName)
{
    Registry& r = GetRegistry();
    std::lock_guard guard(r.lock);
    auto found = r.byName.find(KeyOf(name));
    return found != r.byName.end() && found->second->exports.erase(exportName) > 0;
}

void AddDefault(const std::u16string& name, Exports exports)
{
    Registry& r = GetRegistry();
    std::lock_guard guard(r.lock);
    r.extraDefaults.emplace_back(name, exports);
    r.Add(name, std::move(exports));
}

void Reset()
{
    Registry& r = GetRegistry();
    std::lock_guard guard(r.lock);
    r.Defaults();
}

} // namespace platform::modules
