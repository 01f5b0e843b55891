// Response heads and chunked bodies as a hostile server would send them.
#include "components/net/http/HttpChunked.h"
#include "components/net/http/HttpResponseHeader.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string bytes(reinterpret_cast<const char*>(data), size);
    size_t end = bytes.find("\r\n\r\n");
    std::string head = bytes.substr(0, end == std::string::npos ? bytes.size() : end + 4);
    HttpResponseHeader header;
    header.ParseText(head.c_str());
    std::string value;
    header.GetCharset(value);
    header.GetField("Transfer-Encoding", value);
    (void)header.RenderFull();

    // The body in pieces whose size comes from the first byte, so splits are explored too.
    size_t step = size ? (data[0] % 17) + 1 : 1;
    HttpChunkedDecoder decoder(1 << 20);
    size_t pos = end == std::string::npos ? 0 : end + 4;
    while (pos < bytes.size()) {
        size_t used = 0;
        size_t n = bytes.size() - pos < step ? bytes.size() - pos : step;
        if (decoder.Feed(bytes.data() + pos, n, &used) != HttpChunkedDecoder::NeedMore)
            break;
        pos += used;
    }
    return 0;
}
