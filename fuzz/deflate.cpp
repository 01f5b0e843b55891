// The DEFLATE compressor against the decoder: any bytes, at the level the first byte picks, with
// output room handed out in small and odd amounts, must come back unchanged.
#include "components/zip/ZeeStream.h"
#include "fuzz/InflateFuzz.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const int level = data[0] % 10;
    const size_t room = 1 + data[0] / 10 * 7;  // 1 .. 176 bytes per call
    ++data;
    --size;

    ZeeStream stream(level);
    std::vector<BYTE> compressed;
    std::vector<BYTE> buffer(room);
    // Half the input first without finishing, then the rest with the finish request.
    const size_t half = size / 2;
    stream.SetInput(data, DWORD(half));
    while (stream.InputAvailable() > 0) {
        stream.SetOutput(buffer.data(), DWORD(room));
        bool end = false;
        if (!stream.Deflate(false, &end)) break;
        compressed.insert(compressed.end(), buffer.data(), stream.OutputPointer());
    }
    stream.SetInput(data + half - stream.InputAvailable(), DWORD(size - half + stream.InputAvailable()));
    for (int guard = 0;; ++guard) {
        stream.SetOutput(buffer.data(), DWORD(room));
        bool end = false;
        if (!stream.Deflate(true, &end) || guard > (1 << 24)) {
            std::fprintf(stderr, "invariant: the compressor stopped before the end of the stream\n");
            std::abort();
        }
        compressed.insert(compressed.end(), buffer.data(), stream.OutputPointer());
        if (end) break;
    }
    if (stream.TotalIn() != size) {
        std::fprintf(stderr, "invariant: the compressor took %u of %zu bytes\n", unsigned(stream.TotalIn()), size);
        std::abort();
    }

    CollectingSink sink;
    InflateState2 decoder;
    decoder.SetSink(&sink);
    decoder.InflateBlock(compressed.data(), DWORD(compressed.size()));
    if (decoder.Failed() || sink.bytes.size() != size ||
        (size && std::memcmp(sink.bytes.data(), data, size) != 0)) {
        std::fprintf(stderr, "invariant: level %d: %zu bytes compressed to %zu do not decode back (%s, %zu bytes)\n", level, size,
                     compressed.size(), decoder.Failed() ? "failed" : "done", sink.bytes.size());
        std::abort();
    }
    return 0;
}
