#include "components/foundation/ClsFileList.h"

#include "components/foundation/ClsStringArray.h"
#include "components/foundation/ExtPtrArray.h"
#include "components/foundation/FileList.h"
#include "components/foundation/StringBuffer.h"

ClsFileList::ClsFileList() { m_directory.SetFromUtf8("."); }

ClsStringArray* ClsFileList::List(const char* pattern, bool directories)
{
    XString patternText;
    patternText.SetFromUtf8(pattern);
    ExtPtrArray paths;
    FileList list;
    if (directories)
        list.GetDirectories(m_directory, patternText, paths);
    else
        list.GetFiles(m_directory, patternText, paths);

    auto* result = new ClsStringArray;
    result->SetRejectDuplicates(true);
    // A line feed in a file name is part of the name, not a line end to normalise.
    result->SetCrlf(false);
    for (int i = 0; i < paths.GetCount(); ++i)
        result->Append(paths.GetAtAs<torvane::StringBuffer>(i)->GetText());
    paths.DeleteAll();
    return result;
}

ClsStringArray* ClsFileList::GetFiles(const char* pattern) { return List(pattern, false); }

ClsStringArray* ClsFileList::GetDirectories(const char* pattern) { return List(pattern, true); }
