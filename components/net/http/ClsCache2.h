#pragma once
// A cache of named resources on disk: one ".dat" file per key, a small header with an expiry time
// and a tag text, then the resource's bytes.

#include "components/foundation/ClsBase.h"
#include "platform/base/Time.h"

#include <string>
#include <vector>

class LogBase;

class ClsCache2 : public ClsBase {
public:
    ClsCache2() = default;
    ~ClsCache2() override = default;

    // Roots are kept in the order added; level is the number of folder levels below a root (0-2).
    void AddRoot(const char* folder) { m_roots.emplace_back(folder ? folder : ""); }
    void SetLevel(int level) { m_level = level < 0 ? 0 : level > 2 ? 2 : level; }
    bool HasRoots() const { return !m_roots.empty(); }

    bool GetFilename(const std::string& key, std::string& path);
    bool SaveToCache(const std::string& key, const SYSTEMTIME& expiry, const std::string& tag, const std::string& data,
        LogBase& log);
    bool IsCached(const std::string& key);
    bool FetchFromCache(const std::string& key, std::string& out, LogBase& log);
    bool IsLastFetchExpired() const;
    bool UpdateExpiration(const std::string& key, const SYSTEMTIME& expiry, LogBase& log);

    // The last successful fetch: false when there was none. The expiry is all zero when the
    // entry has none.
    bool GetLastExpiration(SYSTEMTIME& out) const;
    bool GetLastEtag(std::string& out) const;
    bool GetLastFetchExpiry(SYSTEMTIME& out) const { return GetLastExpiration(out); }
    bool GetLastFetchTag(std::string& out) const { return GetLastEtag(out); }
    double LastFetchExpiryDate() const { return m_lastExpiry; }

    static constexpr unsigned short kMagic = 0x9AFE;
    // Splits a file's bytes into tag, expiry and data; false for a damaged header.
    static bool ParseFile(const std::string& bytes, std::string& tag, double& expiry, std::string& data);

private:
    bool GetFilenameTo(const std::string& key, std::string& path, LogBase& log) const;

    std::vector<std::string> m_roots;
    int m_level = 0;
    std::string m_lastKey;
    std::string m_lastTag;
    double m_lastExpiry = 0;
};
