#include "components/net/http/HttpGzip.h"

#include <zlib.h>

bool HttpGunzip(const std::string& packed, std::uint64_t maxOutput, std::string& out, std::string& error)
{
    out.clear();
    z_stream zs{};
    // 16 + 15: a gzip wrapper, whose CRC-32 and length zlib checks at the end of the member.
    if (inflateInit2(&zs, 16 + 15) != Z_OK) {
        error = "Failed to initialise gzip decompression";
        return false;
    }
    zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.data()));
    zs.avail_in = uInt(packed.size());
    char buf[65536];
    int rc = Z_OK;
    while (rc == Z_OK) {
        zs.next_out = reinterpret_cast<Bytef*>(buf);
        zs.avail_out = sizeof buf;
        rc = inflate(&zs, Z_NO_FLUSH);
        size_t got = sizeof buf - zs.avail_out;
        if (out.size() + got > maxOutput) {
            inflateEnd(&zs);
            out.clear();
            error = "Unpacked gzip body is too large";
            return false;
        }
        out.append(buf, got);
        if (rc == Z_BUF_ERROR && zs.avail_in == 0)
            break;
    }
    inflateEnd(&zs);
    if (rc != Z_STREAM_END) {
        out.clear();
        error = rc == Z_DATA_ERROR ? "Corrupt gzip body (bad data, CRC or length)" : "Truncated gzip body";
        return false;
    }
    return true;
}
