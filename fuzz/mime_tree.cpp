// MIME part-tree parsing and the e-mail loader on any bytes: parse, normalise, build the e-mail,
// render it and load the rendering again. A second rendering must equal the first (the mail
// manager sends a clone made this way).
#include "components/foundation/StringBuffer.h"
#include "components/mail/Email2.h"
#include "components/mail/mime/MimeMessage2.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    torvane::StringBuffer text;
    if (size > 0) text.AppendBytes(data, int(size));
    MimeMessage2 tree;
    tree.ParseFromBuffer(text, nullptr);

    std::unique_ptr<Email2> email(Email2::LoadFromMimeText(text, false, false, nullptr, nullptr));
    if (!email) std::abort();
    torvane::StringBuffer first;
    email->Render(email.get(), first, nullptr, nullptr, 0, false);
    std::unique_ptr<Email2> clone(email->Clone(nullptr));
    if (!clone) std::abort();
    torvane::StringBuffer second;
    clone->Render(clone.get(), second, nullptr, nullptr, 0, false);
    torvane::StringBuffer again;
    email->Render(email.get(), again, nullptr, nullptr, 0, false);
    const std::string firstText(first.GetText(), size_t(first.GetLength()));
    if (std::string(again.GetText(), size_t(again.GetLength())) != firstText) {
        std::fprintf(stderr, "invariant: rendering twice gives two texts\n");
        std::abort();
    }
    if (std::string(second.GetText(), size_t(second.GetLength())) != firstText) {
        std::fprintf(stderr, "invariant: the clone renders another text\n");
        std::abort();
    }
    return 0;
    return 0;
}
