#include "components/zip/ZipCallback.h"

void ZipCallback::OnPercentDone(int percent, bool* abort)
{
    if (m_writing)
        WritePercentDone(percent, abort);
    else
        PercentDone(percent, abort);
}
