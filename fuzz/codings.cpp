// Mail and web content codings: base64 (tolerant and strict), quoted-printable, the Q coding and
// encoded words of header fields. Our own encodings of any bytes must decode back to them.
#include "components/foundation/DataBuffer.h"
#include "components/foundation/StringBuffer.h"
#include "components/mail/ContentCoding.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

void Expect(bool same, const char* coding, size_t size) {
    if (same) return;
    std::fprintf(stderr, "invariant: %zu bytes encoded as %s do not decode back\n", size, coding);
    std::abort();
}

bool Equals(const unsigned char* decoded, unsigned count, const uint8_t* data, size_t size) {
    return count == size && (size == 0 || (decoded && std::memcmp(decoded, data, size) == 0));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ContentCoding coding;
    const char* text = reinterpret_cast<const char*>(data);
    const unsigned length = unsigned(size);
    const std::string terminated(text, size);

    // The bytes as received text.
    unsigned count = 0;
    std::free(coding.DecodeBase64(text, length, &count));
    bool success = false;
    std::free(coding.DecodeBase64Strict(text, length, &count, &success));
    DataBuffer buffer;
    coding.DecodeBase64ToData(text, length, buffer);
    torvane::StringBuffer appended;
    coding.AppendDecodedBase64(terminated.c_str(), appended);
    std::free(coding.DecodeQuotedPrintable(text, length, &count));
    DataBuffer qpBuffer;
    coding.DecodeQuotedPrintableToData(text, length, qpBuffer);
    if (length > 0) std::free(coding.DecodeQ(text, int(length), &count));  // 0 would mean "to the NUL"
    std::free(coding.DecodeQ(terminated.c_str(), 0, &count));
    torvane::StringBuffer words(terminated.c_str());
    coding.DecodeWordsToUtf8(words);
    DataBuffer raw;
    coding.DecodeWordsRaw(torvane::StringBuffer(terminated.c_str()), raw);
    torvane::StringBuffer marked(terminated.c_str());
    bool commas = false;
    coding.DecodeWordsMarkCommas(marked, &commas);

    // The bytes as content we send: encoded, then decoded again.
    coding.SetLineLength(10 + (size % 70));
    torvane::StringBuffer base64;
    coding.EncodeBase64(data, length, base64);
    unsigned char* decoded = coding.DecodeBase64(base64.GetText(), unsigned(base64.GetLength()), &count);
    Expect(Equals(decoded, count, data, size), "base64", size);
    std::free(decoded);

    torvane::StringBuffer qp;
    coding.EncodeQuotedPrintable(data, length, qp);
    decoded = coding.DecodeQuotedPrintable(qp.GetText(), unsigned(qp.GetLength()), &count);
    Expect(Equals(decoded, count, data, size), "quoted-printable", size);
    std::free(decoded);

    unsigned qCount = 0;
    char* q = coding.EncodeQ(data, length, &qCount);
    if (q && qCount > 0) {
        decoded = coding.DecodeQ(q, int(qCount), &count);
        Expect(Equals(decoded, count, data, size), "Q", size);
        std::free(decoded);
    }
    std::free(q);

    torvane::StringBuffer header;
    coding.AppendEncodedWord(data, length, "utf-8", header);
    coding.AppendBWords(data, length, "iso-8859-1", header);
    coding.AppendQWords(data, length, "utf-8", header);
    return 0;
}
