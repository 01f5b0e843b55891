// A stored command-bar layout (the controls half, as it lies in the profile or a file): the blob
// taken in, every bar and control loaded, and the popup links resolved.
#include "platform/framework/Exceptions.h"
#include "toolkit/commandbars/CommandBar.h"
#include "toolkit/commandbars/CommandBars.h"
#include "toolkit/commandbars/LayoutStore.h"
#include "toolkit/commandbars/PopupTracking.h"
#include "toolkit/controls/persist/PropExchangeArchive.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    auto* bytes = static_cast<BYTE*>(std::malloc(size ? size : 1));
    std::memcpy(bytes, data, size);
    CJQWZipMemFile file;
    file.AttachBlob(bytes, DWORD(size), TRUE);
    auto* bars = new CJQWCommandBars;
    {
        JQW_COMMANDBARS_EXCHANGE_PARAMS params;
        params.pCommandBars = bars;
        CArchive archive(&file, CArchive::load, 4096);
        CJQWPropExchangeArchive exchange(archive);
        exchange.m_pOwner = &params;
        CJQWCommandBarList loaded(bars);
        try {
            exchange.ExchangeSchema();
            if (bars->LoadBars(&exchange, loaded))
                for (int i = 0; i < loaded.GetCount(); ++i) {
                    std::vector<CJQWCommandBar*> resolving;
                    loaded.GetAt(i)->ResolvePopupBars(loaded, resolving);
                }
        } catch (CException* error) {
            error->Delete();
        }
    }
    bars->InternalRelease();
    return 0;
}
