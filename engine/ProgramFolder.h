#pragma once
// The folder of the program file, ending in '/', as UTF-16 text. Never fails.

#include <string>

std::u16string GetProgramFolder();
