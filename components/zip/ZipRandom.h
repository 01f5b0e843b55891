#pragma once
// Unpredictable bytes for encryption headers and salts, from the kernel's generator. Two entries
// made in the same millisecond must not share a salt, so a clock-seeded generator will not do.

#include <cstddef>

bool ZipRandomBytes(void* out, std::size_t n);
