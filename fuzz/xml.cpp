// XML documents as files: the encoding sniff, the forgiving reader (trimmed and not), and the
// writer. A document that loads must save as a file that loads again.
#include "components/foundation/DataBuffer.h"
#include "components/foundation/LogBase.h"
#include "components/foundation/TreeNode.h"
#include "components/foundation/XmlParser.h"
#include "fuzz/FuzzTemp.h"

#include <cstdio>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string in = FuzzTempFile("in.xml", data, size);
    const std::string out = FuzzTempFolder() + "/out.xml";
    LogNull log;
    for (bool trim : {true, false}) {
        TreeNode* top = nullptr;
        if (!LoadXmlFileToTree(in.c_str(), &log, nullptr, &top, trim) || !top) continue;
        std::remove(out.c_str());
        if (SaveXmlTreeToFile(top, out.c_str(), log)) {
            TreeNode* again = nullptr;
            const bool reloaded = LoadXmlFileToTree(out.c_str(), &log, nullptr, &again, trim) && again;
            if (again) again->DeleteDocument();
            if (!reloaded) {
                std::fprintf(stderr, "invariant: a loaded document was saved as a file that holds no document\n");
                std::string saved;
                if (std::FILE* f = std::fopen(out.c_str(), "rb")) {
                    char buffer[400];
                    saved.assign(buffer, std::fread(buffer, 1, sizeof buffer, f));
                    std::fclose(f);
                }
                std::fprintf(stderr, "saved (trim %d): ", int(trim));
                for (unsigned char c : saved) std::fprintf(stderr, c >= 32 && c < 127 ? "%c" : "\\x%02x", c);
                std::fprintf(stderr, "\n");
                std::abort();
            }
        }
        top->DeleteDocument();
    }
    return 0;
}
