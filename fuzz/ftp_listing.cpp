// Directory listing bodies from an FTP server through the layout detector, every layout parser
// and the MLSD fact parser.
#include "components/foundation/LogBase.h"
#include "components/net/ftp/Ftp2.h"

#include <cstdint>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 100000)
        return 0;
    std::string text(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        end = end == std::string::npos ? text.size() : end + 1;
        lines.push_back(text.substr(start, end - start));
        start = end;
    }
    LogNull log;
    Ftp2 engine;
    engine.Bsd44Server = size && (data[0] & 1);
    engine.ListPattern = "*.jpg";
    std::vector<std::string> copy = lines;
    engine.ParseListing(copy, log);
    for (int i = 0; i < engine.GetEntryCount(); ++i) {
        SYSTEMTIME st;
        engine.GetRemoteLastModified(engine.Entry(i).name, st);
        engine.FindFileEntry(engine.Entry(i).name, false);
    }
    Ftp2 mlsd;
    mlsd.ParseMlsdListing(lines, log);
    return 0;
}
