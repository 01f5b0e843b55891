// Header field decoding: header blocks (line ends, continuations, charset guess, encoded words),
// parameters with quotes and RFC 2231 pieces, and rendering the fields back for several charsets.
#include "components/foundation/Charset.h"
#include "components/foundation/StringBuffer.h"
#include "components/mail/mime/MimeField.h"
#include "components/mail/mime/MimeHeader.h"
#include "components/mail/mime/MimeMessage2.h"
#include "components/mail/mime/ParamString.h"

#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    MimeHeader header;
    header.Parse(text.c_str(), int(text.size()));
    torvane::StringBuffer param;
    header.GetFieldParam("Content-Type", "boundary", param);
    header.MergeDuplicates("to");
    for (const char* name : { "utf-8", "iso-8859-1", "iso-2022-jp", "shift_jis", "us-ascii" }) {
        Charset charset;
        charset.SetByName(name);
        torvane::StringBuffer out;
        header.Render(out, "TVX-", charset);
    }
    MimeMessage2 part;
    part.SetHeaderField("Content-Type", text.c_str());
    part.SetHeaderField("Content-Disposition", text.c_str());
    part.RefreshFromHeader();
    torvane::StringBuffer decoded, charsetName;
    DecodeRfc2231Value(text.c_str(), nullptr, decoded, charsetName);
    ParamString tokens;
    tokens.Parse(text.c_str());
    return 0;
}
