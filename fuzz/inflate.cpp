// Raw DEFLATE decoding, the way zip entries and PNG-like streams reach it: the whole stream in one
// block, and the same stream trickled in through a source. Both must agree on a good stream.
#include "fuzz/InflateFuzz.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CollectingSink whole;
    InflateState2 blockDecoder;
    blockDecoder.SetSink(&whole);
    blockDecoder.InflateBlock(data, DWORD(size));

    CollectingSink pieces;
    InflateState2 streamDecoder;
    streamDecoder.SetSink(&pieces);
    TricklingSource source(data, size);
    DWORD leftOver = 0;
    if (!streamDecoder.InflateFromSource(&source, &leftOver)) return 0;

    if (size > 0 && !blockDecoder.Failed()) {
        if (streamDecoder.Failed() || pieces.bytes != whole.bytes) {
            std::fprintf(stderr, "invariant: a stream decoded whole (%zu bytes) decodes differently in pieces (%s, %zu bytes)\n",
                         whole.bytes.size(), streamDecoder.Failed() ? "failed" : "done", pieces.bytes.size());
            std::abort();
        }
        if (leftOver > size) std::abort();
    }
    return 0;
}
