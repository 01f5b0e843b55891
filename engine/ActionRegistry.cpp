#include "engine/ActionRegistry.h"

#include "engine/Action.h"
#include "engine/actions/ActionImageFlip.h"
#include "engine/actions/ActionImageResize.h"
#include "engine/actions/ActionImageRotate.h"
#include "engine/actions/ActionSaveFile.h"
#include "engine/actions/UnbuiltActions.h"
#include "platform/base/TextCase.h"

#include <mutex>

namespace {
struct RegistryRow {
    const char16_t* typeKey;
    UINT nameId;
    UINT descriptionId;
    bool postProcess;
};

// In the order the user sees them offered.
const RegistryRow kRows[] = {
    { u"builtin_email", 263, 237, true },
    { u"builtin_flickr", 106, 261, true },
    { u"builtin_ftp", 107, 260, true },
    { u"builtin__autocolor", 108, 256, false },
    { u"builtin__addborder", 111, 252, false },
    { u"builtin__brightenimage", 112, 244, false },
    { u"builtin__contrastimage", 113, 245, false },
    { u"builtin__cropimage", 114, 246, false },
    { u"builtin__desaturateimage", 115, 249, false },
    { u"builtin__frame", 282, 281, false },
    { u"builtin_imagegallery", 117, 258, true },
    { u"builtin__resizeimage", 118, 248, false },
    { u"builtin__rotateimage", 119, 251, false },
    { u"builtin__rrframe", 120, 247, false },
    { u"builtin__sepia", 121, 254, false },
    { u"builtin__shadow", 122, 250, false },
    { u"builtin__sharpen", 123, 262, false },
    { u"builtin__watermark", 124, 253, false },
    { u"builtin__savefile", 125, 257, false },
    { u"builtin_zipall", 126, 259, true },
    { u"builtin__flip", 116, 255, false },
};

ActionFactory builtFactory(std::u16string_view key)
{
    if (key == u"builtin__resizeimage")
        return [] { return static_cast<CAction*>(new CActionImageResize); };
    if (key == u"builtin__rotateimage")
        return [] { return static_cast<CAction*>(new CActionImageRotate); };
    if (key == u"builtin__flip")
        return [] { return static_cast<CAction*>(new CActionImageFlip); };
    if (key == u"builtin__savefile")
        return [] { return static_cast<CAction*>(new CActionSaveFile); };
    return nullptr;
}

ActionFactory unbuiltFactory(const RegistryRow& row)
{
    ActionIdentity identity { row.typeKey, row.nameId, row.descriptionId };
    if (row.postProcess)
        return [identity] { return static_cast<CAction*>(new CUnbuiltPostProcessAction(identity)); };
    return [identity] { return static_cast<CAction*>(new CUnbuiltImageAction(identity)); };
}

struct Registry {
    std::mutex mutex;
    std::vector<ActionRegistryEntry> entries;

    Registry()
    {
        for (const RegistryRow& row : kRows) {
            ActionFactory factory = builtFactory(row.typeKey);
            if (!factory)
                factory = unbuiltFactory(row);
            entries.push_back({ row.typeKey, row.nameId, row.descriptionId, row.postProcess, std::move(factory) });
        }
    }
};

Registry& registry()
{
    static Registry instance;
    return instance;
}
}

std::vector<ActionRegistryEntry> GetActionRegistry()
{
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    return r.entries;
}

CAction* CreateActionByType(std::u16string_view typeKey)
{
    ActionFactory factory;
    {
        Registry& r = registry();
        std::lock_guard lock(r.mutex);
        for (const ActionRegistryEntry& entry : r.entries) {
            if (EqualsNoCase(std::u16string_view(entry.typeKey), typeKey)) {
                factory = entry.factory;
                break;
            }
        }
    }
    return factory ? factory() : nullptr;
}

bool SetActionFactory(std::u16string_view typeKey, ActionFactory factory)
{
    if (!factory)
        return false;
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    for (ActionRegistryEntry& entry : r.entries) {
        if (std::u16string_view(entry.typeKey) == typeKey) {
            entry.factory = std::move(factory);
            return true;
        }
    }
    return false;
}
