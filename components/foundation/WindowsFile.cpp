#include "components/foundation/WindowsFile.h"

void WindowsFile::ShrinkStrings()
{
    m_fullPath.Compact();
    m_name.Compact();
    m_relativePath.Compact();
}
