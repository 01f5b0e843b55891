#pragma once
// Unpacking a gzip body. The output is bounded by the caller's limit and grows as data inflates;
// the member's own size field is never trusted for it. The CRC and size are checked.

#include <cstdint>
#include <string>

bool HttpGunzip(const std::string& packed, std::uint64_t maxOutput, std::string& out, std::string& error);
