#pragma once
// Recipient addresses read from a text file, one a line; also collects refused addresses.

#include "components/foundation/LogBase.h"

#include <string>
#include <vector>

class DistributionList {
public:
    virtual ~DistributionList() = default;
    int LoadFile(const char* fileName, LogBase& log);
    bool AddAddress(const char* text);
    bool Contains(const char* address) const;
    int Count() const { return int(m_addresses.size()); }
    const char* GetAt(int index) const;
    void Clear() { m_addresses.clear(); }

private:
    std::string m_fileName;
    std::vector<std::string> m_addresses;
};
