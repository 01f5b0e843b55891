#include "app/panes/ActionDragFormats.h"

#include "platform/framework/OleDataObject.h"
#include "platform/shell/Clipboard.h"

#include <cstdint>
#include <cstring>
#include <random>

namespace {

// What a block holds: this process's tag, then the address. A block of another size or tag
// comes from elsewhere and is never read as an address.
struct Payload {
    std::uint64_t processTag;
    const void* address;
};

std::uint64_t ProcessTag()
{
    static const std::uint64_t tag = [] {
        std::random_device device;
        std::uint64_t value = (std::uint64_t(device()) << 32) ^ device();
        return value ? value : 1;
    }();
    return tag;
}

HGLOBAL MakePayload(const void* address)
{
    HGLOBAL block = GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, sizeof(Payload));
    if (!block)
        return nullptr;
    auto* payload = static_cast<Payload*>(GlobalLock(block));
    payload->processTag = ProcessTag();
    payload->address = address;
    GlobalUnlock(block);
    return block;
}

const void* ReadPayload(const COleDataObject* data, UINT format)
{
    if (!data || !data->IsDataAvailable(format))
        return nullptr;
    HGLOBAL block = data->GetGlobalData(format);
    if (!block)
        return nullptr;
    const void* address = nullptr;
    if (GlobalSize(block) == sizeof(Payload)) {
        Payload payload;
        std::memcpy(&payload, GlobalLock(block), sizeof payload);
        GlobalUnlock(block);
        if (payload.processTag == ProcessTag())
            address = payload.address;
    }
    GlobalFree(block);
    return address;
}

} // namespace

UINT GetActionObjectFormat() { return RegisterClipboardFormatW(u"VornaltActionObjectPointer"); }
UINT GetActionsObjectFormat() { return RegisterClipboardFormatW(u"VornaltActionsObjectPointer"); }
UINT GetTargetObjectFormat() { return RegisterClipboardFormatW(u"VornaltTargetObjectPointer"); }

void RegisterActionDragFormats()
{
    GetActionObjectFormat();
    GetActionsObjectFormat();
    GetTargetObjectFormat();
}

HGLOBAL MakeActionObjectPayload(CAction* action) { return MakePayload(action); }

HGLOBAL MakeActionsObjectPayload(const std::vector<CAction*>* actions) { return MakePayload(actions); }

CAction* ReadActionObjectPayload(const COleDataObject* data)
{
    return const_cast<CAction*>(static_cast<const CAction*>(ReadPayload(data, GetActionObjectFormat())));
}

const std::vector<CAction*>* ReadActionsObjectPayload(const COleDataObject* data)
{
    return static_cast<const std::vector<CAction*>*>(ReadPayload(data, GetActionsObjectFormat()));
}
