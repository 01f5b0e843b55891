#include "engine/ActionRegistry.h"

#include "engine/Action.h"
#include "engine/actions/ActionImageAutoColor.h"
#include "engine/actions/ActionImageBorder.h"
#include "engine/actions/ActionImageBrightness.h"
#include "engine/actions/ActionImageContrast.h"
#include "engine/actions/ActionImageCrop.h"
#include "engine/actions/ActionImageDesaturate.h"
#include "engine/actions/ActionImageFlip.h"
#include "engine/actions/ActionImageFrame.h"
#include "engine/actions/ActionImageResize.h"
#include "engine/actions/ActionImageRotate.h"
#include "engine/actions/ActionImageRoundRectFrame.h"
#include "engine/actions/ActionImageSepia.h"
#include "engine/actions/ActionImageShadow.h"
#include "engine/actions/ActionImageSharpen.h"
#include "engine/actions/ActionImageWatermark.h"
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

template <typename T> CAction* make() { return new T; }

struct BuiltClass {
    const char16_t* typeKey;
    CAction* (*create)();
};

const BuiltClass kBuilt[] = {
    { u"builtin__autocolor", make<CActionImageAutoColor> },
    { u"builtin__addborder", make<CActionImageBorder> },
    { u"builtin__brightenimage", make<CActionImageBrightness> },
    { u"builtin__contrastimage", make<CActionImageContrast> },
    { u"builtin__cropimage", make<CActionImageCrop> },
    { u"builtin__desaturateimage", make<CActionImageDesaturate> },
    { u"builtin__frame", make<CActionImageFrame> },
    { u"builtin__resizeimage", make<CActionImageResize> },
    { u"builtin__rotateimage", make<CActionImageRotate> },
    { u"builtin__rrframe", make<CActionImageRoundRectFrame> },
    { u"builtin__sepia", make<CActionImageSepia> },
    { u"builtin__shadow", make<CActionImageShadow> },
    { u"builtin__sharpen", make<CActionImageSharpen> },
    { u"builtin__watermark", make<CActionImageWatermark> },
    { u"builtin__savefile", make<CActionSaveFile> },
    { u"builtin__flip", make<CActionImageFlip> },
};

ActionFactory builtFactory(std::u16string_view key)
{
    for (const BuiltClass& built : kBuilt) {
        if (key == built.typeKey)
            return built.create;
    }
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
