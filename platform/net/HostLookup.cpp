#include "platform/net/HostLookup.h"

#include <cstring>
#include <memory>
#include <mutex>
#include <netdb.h>
#include <sys/socket.h>

namespace {
std::mutex g_lookupMutex;
std::shared_ptr<HostLookupFunction> g_lookup;
}

bool SystemHostLookup(const std::string& name, HostLookupResult& result)
{
    result = HostLookupResult {};
    addrinfo hints {};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_CANONNAME;
    addrinfo* list = nullptr;
    if (::getaddrinfo(name.c_str(), nullptr, &hints, &list) != 0 || !list)
        return false;
    if (list->ai_canonname)
        result.canonicalName = list->ai_canonname;
    std::vector<NetAddress> v6;
    for (addrinfo* ai = list; ai; ai = ai->ai_next) {
        NetAddress a;
        if (ai->ai_family == AF_INET) {
            a.family = AF_INET;
            std::memcpy(a.bytes, &reinterpret_cast<sockaddr_in*>(ai->ai_addr)->sin_addr, 4);
            result.addresses.push_back(a);
        } else if (ai->ai_family == AF_INET6) {
            a.family = AF_INET6;
            std::memcpy(a.bytes, &reinterpret_cast<sockaddr_in6*>(ai->ai_addr)->sin6_addr, 16);
            v6.push_back(a);
        }
    }
    ::freeaddrinfo(list);
    result.addresses.insert(result.addresses.end(), v6.begin(), v6.end());
    return !result.addresses.empty();
}

bool LookupHostAddresses(const std::string& name, HostLookupResult& result)
{
    std::shared_ptr<HostLookupFunction> replacement;
    {
        std::lock_guard<std::mutex> lock(g_lookupMutex);
        replacement = g_lookup;
    }
    if (replacement)
        return (*replacement)(name, result);
    return SystemHostLookup(name, result);
}

void SetHostLookupFunction(HostLookupFunction function)
{
    std::lock_guard<std::mutex> lock(g_lookupMutex);
    if (function)
        g_lookup = std::make_shared<HostLookupFunction>(std::move(function));
    else
        g_lookup.reset();
}
