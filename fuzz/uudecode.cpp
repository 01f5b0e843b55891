// uudecoding: the first file of a text and every file of it.
#include "components/foundation/DataBuffer.h"
#include "components/foundation/ExtPtrArray.h"
#include "components/foundation/StringBuffer.h"
#include "components/mail/mime/Uu.h"

#include <memory>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    torvane::StringBuffer text;
    if (size > 0) text.AppendBytes(data, int(size));
    Uu uu;
    DataBuffer out;
    uu.Decode(text, out);
    std::vector<std::unique_ptr<DataBuffer>> files;
    ExtPtrArray names;
    uu.DecodeAll(text, files, names);
    names.DeleteAll();
    return 0;
}
