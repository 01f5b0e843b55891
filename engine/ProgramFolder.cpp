#include "engine/ProgramFolder.h"

#include "platform/base/ProcessInfo.h"

std::u16string GetProgramFolder() { return GetProgramFolderPathW(); }
