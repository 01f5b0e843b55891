#pragma once
// English texts for the certificate and key error codes, in the manner of the system's message
// texts (one sentence ending in ".\r\n"); other codes get the system's text.

#include "platform/base/Types.h"

#include <string>

std::string CryptErrorText(DWORD code);
