// Zip archives a user hands over to be rewritten: opened without and with a password, written
// again as they stand (entries copied) and with other protection (every entry decrypted and
// inflated, then encoded again). An archive reported as written must open again with as many
// entries.
#include "components/foundation/DataBuffer.h"
#include "components/foundation/ExtPtrArray.h"
#include "components/foundation/Logger.h"
#include "components/foundation/XString.h"
#include "components/zip/ClsZip2.h"
#include "components/zip/ZipDn.h"
#include "components/zip/ZipWalk.h"
#include "fuzz/FuzzTemp.h"

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

void CheckReopens(const DataBuffer& written, int entries, const char* what) {
    MemoryData view;
    view.SetBlock(written.GetData(), written.GetSize());
    ExtPtrArray walked;
    torvane::StringBuffer comment;
    ZipEndRecord end;
    Logger log;
    bool differ = false;
    const bool ok = ZipWalk::Walk(view, log, walked, comment, end, 437, &differ);
    const int count = walked.GetCount();
    walked.DeleteAll();
    if (!ok || count != entries) {
        std::fprintf(stderr, "invariant: an archive of %d entries written %s reads back %s with %d\n", entries, what,
                     ok ? "fine" : "as damaged", count);
        std::abort();
    }
}

void Rewrite(ClsZip2* zip, const char* what) {
    DataBuffer written;
    if (zip->WriteZip(false, nullptr, &written)) CheckReopens(written, zip->GetEntryCount(), what);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Scratch files of the pipeline go to the harness's own folder.
    static const bool tmpSet = setenv("TMPDIR", FuzzTempFolder().c_str(), 1) == 0;
    (void)tmpSet;
    const std::string path = FuzzTempFile("in.zip", data, size);
    XString zipPath;
    zipPath.SetFromUtf8(path.c_str());

    {
        // No password: copied as it stands, then every entry decoded for new protection.
        ZipDn handle(0);
        ClsZip2* zip = handle.Archive();
        zip->NewZip(zipPath);
        if (zip->OpenZip()) {
            Rewrite(zip, "unchanged");
            zip->SetPassword("pw");
            zip->SetEncryption(0);
            zip->SetTraditional(true);
            Rewrite(zip, "with traditional protection");
        }
    }
    {
        // The password the seeds use: encrypted entries decrypt, inflate, and go out as AES.
        ZipDn handle(0);
        ClsZip2* zip = handle.Archive();
        zip->SetPassword("pw");
        zip->NewZip(zipPath);
        if (zip->OpenZip()) {
            zip->SetEncryption(4);
            zip->SetKeyLength(128);
            Rewrite(zip, "as AES");
            zip->SetEncryption(0);
            zip->SetTraditional(false);
            Rewrite(zip, "plain");
        }
    }
    return 0;
}
