#pragma once
// Published initial values of the Blowfish P-array and S-boxes (the hexadecimal digits of pi).

#include <cstdint>

extern const std::uint32_t kBlowfishInitialP[18];
extern const std::uint32_t kBlowfishInitialS[4][256];
