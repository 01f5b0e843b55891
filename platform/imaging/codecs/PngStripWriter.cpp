// PNG of a grey, RGB or RGBA bitmap by our own writer, so that one picture's filtering and
// deflating spread over the imaging threads; libpng's writer does it all on one thread, and for
// a photograph that is by far the slowest step of a batch.
//
// The rows are cut into strips of about a megabyte; strip boundaries depend only on the picture,
// never on the thread count, so the file is the same whichever thread wrote which strip. Each
// strip is filtered and deflated on its own, primed with the 32 KB of filtered data before it,
// and ends on a byte boundary (a sync flush), so the pieces join into one zlib stream whose
// Adler-32 is combined from theirs. Filters are chosen per row as libpng does (smallest sum of
// absolute values), with zlib's filtered strategy, so files come out about libpng's size.

#include "platform/imaging/codecs/Codecs.h"

#include "platform/imaging/ImagingInternal.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include <zlib.h>

namespace imaging_internal {

namespace {

constexpr std::size_t kStripBytes = 1 << 20;
constexpr std::size_t kWindowBytes = 32 * 1024;
constexpr std::size_t kChunkBytes = 1 << 20;

enum : BYTE { FilterNone = 0, FilterSub = 1, FilterUp = 2, FilterAverage = 3, FilterPaeth = 4 };

inline BYTE Paeth(int left, int up, int upLeft)
{
    const int estimate = left + up - upLeft;
    const int toLeft = std::abs(estimate - left), toUp = std::abs(estimate - up), toUpLeft = std::abs(estimate - upLeft);
    if (toLeft <= toUp && toLeft <= toUpLeft)
        return BYTE(left);
    return BYTE(toUp <= toUpLeft ? up : upLeft);
}

// The bitmap's rows in PNG byte order (RGB or RGBA from BGR or BGRA; grey as it is).
class RowSource {
public:
    RowSource(const ImageBitmap& bitmap, int channels) : m_bitmap(bitmap), m_channels(channels) {}

    std::size_t RowBytes() const { return std::size_t(m_bitmap.width) * std::size_t(m_channels); }

    void Read(LONG y, BYTE* to) const
    {
        const BYTE* from = m_bitmap.Row(y);
        if (m_channels == 1) {
            std::memcpy(to, from, RowBytes());
            return;
        }
        for (LONG x = 0; x < m_bitmap.width; ++x, from += m_channels, to += m_channels) {
            to[0] = from[2];
            to[1] = from[1];
            to[2] = from[0];
            if (m_channels == 4)
                to[3] = from[3];
        }
    }

private:
    const ImageBitmap& m_bitmap;
    int m_channels;
};

// Filters rows in order: each call takes the next raw row and leaves the filter byte and the
// filtered row in Filtered().
class RowFilter {
public:
    RowFilter(std::size_t rowBytes, int channels)
        : m_rowBytes(rowBytes), m_step(std::size_t(channels)), m_previous(rowBytes, 0), m_current(rowBytes),
          m_best(rowBytes + 1), m_trial(rowBytes + 1)
    {
    }

    // Where the caller puts the next raw row before calling Filter.
    BYTE* NextRaw() { return m_current.data(); }
    void Filter()
    {
        Try<FilterNone>(true);
        Try<FilterSub>(false);
        Try<FilterUp>(false);
        Try<FilterAverage>(false);
        Try<FilterPaeth>(false);
        m_previous.swap(m_current);
    }
    const std::vector<BYTE>& Filtered() const { return m_best; }
    // Makes `raw` the row above the next one, for a start inside the picture (above the first
    // row everything is 0).
    void SetPrevious(const BYTE* raw) { std::memcpy(m_previous.data(), raw, m_rowBytes); }

private:
    template <BYTE Type>
    static BYTE Predicted(int left, int up, int upLeft)
    {
        switch (Type) {
        case FilterNone: return 0;
        case FilterSub: return BYTE(left);
        case FilterUp: return BYTE(up);
        case FilterAverage: return BYTE((left + up) >> 1);
        default: return Paeth(left, up, upLeft);
        }
    }

    // One filter over the row, kept when its sum of absolute values (bytes read as signed) is
    // the smallest so far; the first one tried is always kept.
    template <BYTE Type>
    void Try(bool first)
    {
        BYTE* out = (first ? m_best.data() : m_trial.data()) + 1;
        out[-1] = Type;
        const BYTE* raw = m_current.data();
        const BYTE* up = m_previous.data();
        const std::size_t n = m_rowBytes, step = m_step;
        unsigned long long cost = 0;
        std::size_t i = 0;
        for (; i < step && i < n; ++i) {
            out[i] = BYTE(raw[i] - Predicted<Type>(0, up[i], 0));
            cost += out[i] < 128 ? out[i] : 256 - out[i];
        }
        for (; i < n; ++i) {
            out[i] = BYTE(raw[i] - Predicted<Type>(raw[i - step], up[i], up[i - step]));
            cost += out[i] < 128 ? out[i] : 256 - out[i];
        }
        if (first || cost < m_bestCost) {
            m_bestCost = cost;
            if (!first)
                m_best.swap(m_trial);
        }
    }

    std::size_t m_rowBytes;
    std::size_t m_step;
    std::vector<BYTE> m_previous, m_current, m_best, m_trial;
    unsigned long long m_bestCost = 0;
};

struct Piece {
    std::vector<BYTE> bytes;  // raw deflate data, ending on a byte boundary
    uLong adler = 1;
    std::size_t inputBytes = 0;
    bool failed = false;
};

bool Deflate(z_stream& stream, const BYTE* data, std::size_t size, int flush, std::vector<BYTE>& out)
{
    stream.next_in = const_cast<Bytef*>(data);
    stream.avail_in = uInt(size);
    do {
        if (out.size() - stream.total_out < 64 * 1024)
            out.resize(std::max<std::size_t>(out.size() * 2, stream.total_out + 64 * 1024));
        stream.next_out = out.data() + stream.total_out;
        stream.avail_out = uInt(out.size() - stream.total_out);
        const int status = deflate(&stream, flush);
        if (status == Z_STREAM_ERROR)
            return false;
        if (flush == Z_FINISH && status == Z_STREAM_END)
            return true;
    } while (stream.avail_in > 0 || stream.avail_out == 0 || (flush == Z_FINISH));
    return true;
}

// Filters and deflates rows [begin, end). Rows before `begin` are filtered again, unseen, to
// prime the window with the data the previous strip ends on.
void EncodeStrip(const RowSource& source, int channels, int level, LONG begin, LONG end, bool last, Piece& piece)
{
    const std::size_t rowBytes = source.RowBytes();
    RowFilter filter(rowBytes, channels);
    const std::size_t filteredBytes = rowBytes + 1;
    const LONG primeRows = begin == 0 ? 0 : LONG(std::min<std::size_t>(begin, (kWindowBytes + filteredBytes - 1) / filteredBytes));

    z_stream stream{};
    if (deflateInit2(&stream, level, Z_DEFLATED, -15, 8, Z_FILTERED) != Z_OK) {
        piece.failed = true;
        return;
    }
    bool ok = true;
    std::vector<BYTE> window;
    LONG y = begin - primeRows;
    if (y > 0) {
        source.Read(y - 1, filter.NextRaw());
        filter.SetPrevious(filter.NextRaw());
    }
    for (; y < begin; ++y) {
        source.Read(y, filter.NextRaw());
        filter.Filter();
        window.insert(window.end(), filter.Filtered().begin(), filter.Filtered().end());
    }
    if (window.size() > kWindowBytes)
        window.erase(window.begin(), window.end() - std::ptrdiff_t(kWindowBytes));
    if (!window.empty())
        ok = deflateSetDictionary(&stream, window.data(), uInt(window.size())) == Z_OK;

    piece.bytes.resize(std::max<std::size_t>(64 * 1024, std::size_t(end - begin) * filteredBytes / 2));
    for (; ok && y < end; ++y) {
        source.Read(y, filter.NextRaw());
        filter.Filter();
        const std::vector<BYTE>& row = filter.Filtered();
        piece.adler = adler32(piece.adler, row.data(), uInt(row.size()));
        piece.inputBytes += row.size();
        ok = Deflate(stream, row.data(), row.size(), Z_NO_FLUSH, piece.bytes);
    }
    if (ok)
        ok = Deflate(stream, nullptr, 0, last ? Z_FINISH : Z_SYNC_FLUSH, piece.bytes);
    piece.bytes.resize(stream.total_out);
    deflateEnd(&stream);
    piece.failed = !ok;
}

void PutBigEndian32(BYTE* to, std::uint32_t value)
{
    to[0] = BYTE(value >> 24);
    to[1] = BYTE(value >> 16);
    to[2] = BYTE(value >> 8);
    to[3] = BYTE(value);
}

bool AppendChunk(EncodedBytes* out, const char type[4], const BYTE* data, std::size_t size)
{
    BYTE head[8];
    PutBigEndian32(head, std::uint32_t(size));
    std::memcpy(head + 4, type, 4);
    uLong crc = crc32(0, head + 4, 4);
    if (size > 0)
        crc = crc32(crc, data, uInt(size));
    BYTE tail[4];
    PutBigEndian32(tail, std::uint32_t(crc));
    return out->Append(head, 8) && (size == 0 || out->Append(data, size)) && out->Append(tail, 4);
}

// zlib's two header bytes for a 32 KB window and the level's speed class.
void ZlibHeader(int level, BYTE header[2])
{
    const int speed = level < 2 ? 0 : (level < 6 ? 1 : (level == 6 ? 2 : 3));
    header[0] = 0x78;
    header[1] = BYTE(speed << 6);
    header[1] = BYTE(header[1] + 31 - (header[0] * 256 + header[1]) % 31);
}

}  // namespace

int EncodePng(const ImageBitmap& bitmap, int zlibLevel, EncodedBytes* out)
{
    const int channels = bitmap.bitsPerPixel == 8 ? 1 : (bitmap.bitsPerPixel == 24 ? 3 : 4);
    const BYTE colorType = channels == 1 ? 0 : (channels == 3 ? 2 : 6);
    const RowSource source(bitmap, channels);
    const std::size_t filteredBytes = source.RowBytes() + 1;
    const LONG stripRows = LONG(std::clamp<std::size_t>(kStripBytes / filteredBytes, 1, std::size_t(bitmap.height)));
    const LONG strips = (bitmap.height + stripRows - 1) / stripRows;

    std::vector<Piece> pieces;
    try {
        pieces.resize(std::size_t(strips));
    } catch (const std::bad_alloc&) {
        return Fail(IMAGING_ERROR_NO_MEMORY, "out of memory while writing PNG");
    }
    std::atomic<bool> outOfMemory{false};
    ForEachRowBand(strips, (long long)stripRows * (long long)filteredBytes * 8, [&](LONG first, LONG limit) {
        for (LONG strip = first; strip < limit; ++strip) {
            const LONG begin = strip * stripRows;
            try {
                EncodeStrip(source, channels, zlibLevel, begin, std::min(bitmap.height, begin + stripRows),
                            strip == strips - 1, pieces[std::size_t(strip)]);
            } catch (const std::bad_alloc&) {
                outOfMemory = true;
            }
        }
    });
    if (outOfMemory)
        return Fail(IMAGING_ERROR_NO_MEMORY, "out of memory while writing PNG");
    for (const Piece& piece : pieces)
        if (piece.failed)
            return Fail(IMAGING_ERROR_FILE_WRITE, "PNG: the compressor failed");

    static const BYTE signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    BYTE header[13];
    PutBigEndian32(header, std::uint32_t(bitmap.width));
    PutBigEndian32(header + 4, std::uint32_t(bitmap.height));
    header[8] = 8;
    header[9] = colorType;
    header[10] = header[11] = header[12] = 0;

    // The zlib stream: its header, the pieces, the Adler-32 of all filtered data. IDAT chunks cut
    // it at fixed sizes, so a chunk may hold the end of one piece and the start of the next.
    std::vector<BYTE> stream;
    uLong adler = 1;
    std::size_t total = 2 + 4;
    for (const Piece& piece : pieces)
        total += piece.bytes.size();
    try {
        stream.reserve(total);
    } catch (const std::bad_alloc&) {
        return Fail(IMAGING_ERROR_NO_MEMORY, "out of memory while writing PNG");
    }
    BYTE zlibHeader[2];
    ZlibHeader(zlibLevel, zlibHeader);
    stream.insert(stream.end(), zlibHeader, zlibHeader + 2);
    for (Piece& piece : pieces) {
        stream.insert(stream.end(), piece.bytes.begin(), piece.bytes.end());
        adler = adler32_combine(adler, piece.adler, z_off_t(piece.inputBytes));
        std::vector<BYTE>().swap(piece.bytes);
    }
    BYTE check[4];
    PutBigEndian32(check, std::uint32_t(adler));
    stream.insert(stream.end(), check, check + 4);

    bool ok = out->Append(signature, 8) && AppendChunk(out, "IHDR", header, sizeof header);
    for (std::size_t at = 0; ok && at < stream.size(); at += kChunkBytes)
        ok = AppendChunk(out, "IDAT", stream.data() + at, std::min(kChunkBytes, stream.size() - at));
    ok = ok && AppendChunk(out, "IEND", nullptr, 0);
    if (!ok)
        return Fail(IMAGING_ERROR_NO_MEMORY, "out of memory while writing PNG");
    return IMAGING_SUCCESS;
}

}  // namespace imaging_internal
