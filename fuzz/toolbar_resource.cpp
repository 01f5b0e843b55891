// Toolbar resources (RT_TOOLBAR): a module's data as bars read it. An accepted resource must hold
// exactly the ids its count announced.
#include "toolkit/commandbars/BarResources.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    JQW_TOOLBAR_RESOURCE toolbar;
    if (JQWParseToolBarResource(data, size, toolbar)) {
        const size_t count = size_t(data[6]) | (size_t(data[7]) << 8);
        if (toolbar.ids.size() != count || 8 + 2 * count > size) std::abort();
        if (toolbar.iconSize.cx < 1 || toolbar.iconSize.cy < 1) std::abort();
    } else if (!toolbar.ids.empty()) {
        std::abort();
    }
    return 0;
}
