#pragma once
// Host-name lookup, the one blocking call of the socket layer that cannot be interrupted. It goes
// through a replaceable function so that tests can make a lookup slow, fail or answer without
// any name service; the default asks the system resolver.

#include "platform/net/Sockets.h"

#include <functional>
#include <string>
#include <vector>

struct HostLookupResult {
    std::vector<NetAddress> addresses; // IPv4 first, then IPv6
    std::string canonicalName;
};

// True when the name resolved to at least one address. Thread-safe; may block for long.
using HostLookupFunction = std::function<bool(const std::string& name, HostLookupResult& result)>;

bool LookupHostAddresses(const std::string& name, HostLookupResult& result);
// Installs a replacement; an empty function restores the system resolver.
void SetHostLookupFunction(HostLookupFunction function);
// The system resolver itself (for replacements that pass some names through).
bool SystemHostLookup(const std::string& name, HostLookupResult& result);
