#include "components/foundation/TextTrim.h"
#include "components/mail/DistributionList.h"

#include <fstream>
#include <sstream>
#include <strings.h>

namespace {

std::string Trimmed(const std::string& text) { return TrimWhitespace(text); }

} // namespace

int DistributionList::LoadFile(const char* fileName, LogBase& log)
{
    if (!fileName)
        return -1;
    Clear();
    m_fileName = fileName;
    std::ifstream in(fileName, std::ios::binary);
    if (!in) {
        log.LogError("Failed to read distribution list file");
        log.LogData("filename", fileName);
        return -1;
    }
    std::stringstream all;
    all << in.rdbuf();
    std::istringstream lines(all.str());
    std::string line;
    while (std::getline(lines, line)) {
        line = Trimmed(line);
        if (!line.empty() && line.find('@') != std::string::npos)
            m_addresses.push_back(line);
    }
    return Count();
}

bool DistributionList::AddAddress(const char* text)
{
    std::string address = Trimmed(text ? text : "");
    if (address.find('@') == std::string::npos)
        return false;
    if (!Contains(address.c_str()))
        m_addresses.push_back(address);
    return true;
}

bool DistributionList::Contains(const char* address) const
{
    for (const std::string& a : m_addresses)
        if (strcasecmp(a.c_str(), address) == 0)
            return true;
    return false;
}

const char* DistributionList::GetAt(int index) const
{
    if (index < 0 || index >= Count())
        return nullptr;
    return m_addresses[size_t(index)].c_str();
}
