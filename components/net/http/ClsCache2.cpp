#include "components/net/http/ClsCache2.h"

#include "components/foundation/DateParser.h"
#include "components/foundation/HexDigits.h"
#include "components/foundation/LogBase.h"
#include "components/foundation/Md5.h"
#include "components/foundation/StringBuffer.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

const char* const kNoRoots = "No cache roots have been set.  Need to call AddRoot at least once.";

double ToOle(const SYSTEMTIME& t) { return t.wYear == 0 ? 0.0 : DateParser::SystemTimeToVariant(t); }

bool ReadWhole(const std::string& path, std::string& out)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream s;
    s << in.rdbuf();
    out = s.str();
    return !in.bad();
}

} // namespace

bool ClsCache2::GetFilenameTo(const std::string& key, std::string& path, LogBase& log) const
{
    if (m_roots.empty()) {
        log.LogError(kNoRoots);
        return false;
    }
    unsigned char d[16];
    Md5Digest(key.data(), unsigned(key.size()), d);
    path = m_roots[d[0] % m_roots.size()];
    if (path.empty() || path.back() != '/')
        path += '/';
    if (m_level >= 1)
        path += std::to_string(d[1]) + "/";
    if (m_level >= 2)
        path += std::to_string(d[2]) + "/";
    for (unsigned char c : d) {
        path += kUpperHexDigits[c >> 4];
        path += kUpperHexDigits[c & 15];
    }
    path += ".dat";
    return true;
}

bool ClsCache2::GetFilename(const std::string& key, std::string& path)
{
    m_log.ClearLog();
    LogContextScope scope(m_log, "GetFilename");
    return GetFilenameTo(key, path, m_log);
}

bool ClsCache2::SaveToCache(const std::string& key, const SYSTEMTIME& expiry, const std::string& tag,
    const std::string& data, LogBase& log)
{
    LogContextScope scope(log, "SaveToCache");
    if (m_roots.empty()) {
        log.LogError(kNoRoots);
        return false;
    }
    log.LogData("ResourceName", key.c_str());
    std::string path;
    if (!GetFilenameTo(key, path, log)) {
        log.LogError("Failed to convert resource name to filename");
        return false;
    }
    log.LogData("CacheFilename", path.c_str());
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ec);
    if (ec) {
        log.LogError("Failed to create directory");
        return false;
    }
    if (tag.size() > 8000 - 20) {
        log.LogError("Tag text too long");
        return false;
    }
    double ole = ToOle(expiry);
    std::string head;
    auto put = [&head](std::uint64_t v, int n) {
        for (int i = 0; i < n; ++i)
            head += char((v >> (8 * i)) & 0xFF);
    };
    put(20 + tag.size(), 4);
    put(1, 2);
    put(kMagic, 2);
    put(0, 2);
    std::uint64_t bits;
    std::memcpy(&bits, &ole, 8);
    put(bits, 8);
    put(tag.size(), 2);
    head += tag;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) {
        log.LogError("Failed to open file for writing");
        log.LogData("filename", path.c_str());
        return false;
    }
    out.write(head.data(), std::streamsize(head.size()));
    out.write(data.data(), std::streamsize(data.size()));
    out.close();
    if (!out) {
        log.LogError("Failed to write file");
        log.LogData("filename", path.c_str());
        return false;
    }
    return true;
}

bool ClsCache2::IsCached(const std::string& key)
{
    LogBase quiet;
    std::string path;
    return !m_roots.empty() && GetFilenameTo(key, path, quiet) && std::filesystem::is_regular_file(path);
}

bool ClsCache2::ParseFile(const std::string& bytes, std::string& tag, double& expiry, std::string& data)
{
    if (bytes.size() < 4)
        return false;
    auto le = [&bytes](size_t at, int n) {
        std::uint64_t v = 0;
        for (int i = n - 1; i >= 0; --i)
            v = v << 8 | (unsigned char)bytes[at + i];
        return v;
    };
    std::uint64_t length = le(0, 4);
    if (length < 5 || length > 8000 || length > bytes.size())
        return false;
    // Fields past the stated header length are not there.
    if (length < 8 || le(6, 2) != kMagic)
        return false;
    expiry = 0;
    if (length >= 18) {
        std::uint64_t bits = le(10, 8);
        std::memcpy(&expiry, &bits, 8);
        if (!(expiry == expiry) || expiry < 0 || expiry > 2958465.0)
            expiry = 0;
    }
    tag.clear();
    if (length >= 20) {
        std::uint64_t t = le(18, 2);
        if (20 + t > length)
            return false;
        tag.assign(bytes, 20, size_t(t));
    }
    data.assign(bytes, size_t(length), std::string::npos);
    return true;
}

bool ClsCache2::FetchFromCache(const std::string& key, std::string& out, LogBase& log)
{
    if (m_roots.empty()) {
        log.LogError(kNoRoots);
        return false;
    }
    m_lastKey.clear();
    m_lastTag.clear();
    m_lastExpiry = 0;
    std::string path;
    if (!GetFilenameTo(key, path, log)) {
        log.LogError("Failed to convert resource name to filename");
        return false;
    }
    log.LogData("CacheFilename", path.c_str());
    if (!std::filesystem::exists(path))
        return false;
    std::string bytes;
    if (!ReadWhole(path, bytes) || bytes.size() < 8) {
        log.LogError("Failed to load cache file");
        return false;
    }
    std::string tag, data;
    double expiry = 0;
    if ((unsigned char)bytes[6] != (kMagic & 0xFF) || (unsigned char)bytes[7] != (kMagic >> 8)) {
        log.LogError("Not a valid cache file.");
        return false;
    }
    if (!ParseFile(bytes, tag, expiry, data)) {
        log.LogError("Failed to load cache file");
        return false;
    }
    out.swap(data);
    m_lastTag = tag;
    m_lastKey = key;
    m_lastExpiry = expiry;
    SYSTEMTIME t;
    if (GetLastExpiration(t)) {
        torvane::StringBuffer text;
        DateParser::FormatRfc822(t, text);
        log.LogData("Expiration", text.GetText());
    }
    return true;
}

bool ClsCache2::IsLastFetchExpired() const
{
    if (m_lastExpiry == 0 || m_lastKey.empty())
        return false;
    SYSTEMTIME now;
    GetLocalTime(&now);
    return DateParser::SystemTimeToVariant(now) >= m_lastExpiry;
}

bool ClsCache2::GetLastExpiration(SYSTEMTIME& out) const
{
    if (m_lastKey.empty())
        return false;
    out = SYSTEMTIME {};
    if (m_lastExpiry != 0)
        DateParser::VariantToSystemTime(&m_lastExpiry, &out);
    return true;
}

bool ClsCache2::GetLastEtag(std::string& out) const
{
    out.clear();
    if (m_lastKey.empty())
        return false;
    out = m_lastTag;
    return true;
}

bool ClsCache2::UpdateExpiration(const std::string& key, const SYSTEMTIME& expiry, LogBase& log)
{
    if (m_roots.empty()) {
        log.LogError(kNoRoots);
        return false;
    }
    std::string path;
    if (!GetFilenameTo(key, path, log)) {
        log.LogError("Failed to convert resource name to filename");
        return false;
    }
    std::FILE* file = std::fopen(path.c_str(), "rb+");
    if (!file) {
        log.LogError("Failed to open file");
        log.LogData("filename", path.c_str());
        return false;
    }
    if (std::fseek(file, 10, SEEK_SET) != 0) {
        std::fclose(file);
        log.LogError("Failed to seek to position in cache file.");
        log.LogData("filename", path.c_str());
        return false;
    }
    double ole = ToOle(expiry);
    unsigned char bytes[8];
    std::uint64_t bits;
    std::memcpy(&bits, &ole, 8);
    for (int i = 0; i < 8; ++i)
        bytes[i] = (unsigned char)(bits >> (8 * i));
    bool ok = std::fwrite(bytes, 1, 8, file) == 8;
    ok = std::fclose(file) == 0 && ok;
    if (!ok) {
        log.LogError("Failed to update cache file.");
        log.LogData("filename", path.c_str());
    }
    return ok;
}
