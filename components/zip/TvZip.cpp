#include "components/zip/TvZip.h"

#include "components/foundation/TvString.h"
#include "components/foundation/XString.h"
#include "components/zip/ClsZip2.h"
#include "components/zip/TvZipCb.h"
#include "components/zip/ZipDn.h"
#include "components/zip/ZipSystem.h"

// ---- TvZipCb ----

void TvZipCb::AbortCheck(bool* abort)
{
    if (m_target && abort) m_target->AbortCheck(abort);
}
void TvZipCb::WritePercentDone(int percent, bool* abort)
{
    if (m_target) m_target->WritePercentDone(percent, abort);
}
void TvZipCb::PercentDone(int percent, bool* abort)
{
    if (m_target) m_target->PercentDone(percent, abort);
}
void TvZipCb::ToBeAdded(const char* path, unsigned size, bool* skip)
{
    if (m_target) m_target->ToBeAdded(path, size, skip);
}
void TvZipCb::DirToBeAdded(const char* path, bool* skip)
{
    if (m_target) m_target->DirToBeAdded(path, skip);
}
void TvZipCb::FileAdded(const char* path, unsigned size, bool* abort)
{
    if (m_target) m_target->FileAdded(path, size, abort);
}
void TvZipCb::ToBeZipped(const char* name, unsigned size, bool* skip)
{
    if (m_target) m_target->ToBeZipped(name, size, skip);
}
void TvZipCb::FileZipped(const char* name, unsigned size, unsigned compressedSize, bool* abort)
{
    if (m_target) m_target->FileZipped(name, size, compressedSize, abort);
}
void TvZipCb::AddFilesBegin()
{
    if (m_target) m_target->AddFilesBegin();
}
void TvZipCb::AddFilesEnd()
{
    if (m_target) m_target->AddFilesEnd();
}
void TvZipCb::WriteZipBegin()
{
    if (m_target) m_target->WriteZipBegin();
}
void TvZipCb::WriteZipEnd()
{
    if (m_target) m_target->WriteZipEnd();
}

// ---- ZipDn ----

ZipDn::ZipDn(int componentCode)
    : m_system(new ZipSystem())
{
    m_system->AddRef();
    auto* zip = new ClsZip2(m_system);
    m_archiveId = zip->GetId();
    m_indexHint = m_system->RegisterZip(zip);
    zip->SetComponentCode(componentCode);
}

ZipDn::~ZipDn()
{
    if (m_system) m_system->Release();
    m_system = nullptr;
}

ClsZip2* ZipDn::Archive() { return m_system ? m_system->FindZip(m_archiveId, &m_indexHint) : nullptr; }

bool ZipDn::NewZip(const XString& path)
{
    ClsZip2* zip = Archive();
    return zip != nullptr && zip->NewZip(path);
}

bool ZipDn::SetPassword(const XString& password)
{
    ClsZip2* zip = Archive();
    if (zip == nullptr) return false;
    zip->SetPassword(password.GetUtf8());
    const bool protect = zip->GetPassword().GetLength() > 0;
    zip->SetEncryption(protect ? 4 : 0);
    zip->SetKeyLength(protect ? 256 : 128);
    if (!protect) zip->SetTraditional(false);
    return true;
}

bool ZipDn::AppendFiles(const XString& pattern, bool recurse, ZipCallback* callback, int* added)
{
    ClsZip2* zip = Archive();
    return zip != nullptr && zip->AppendFiles(pattern, recurse, callback, added);
}

bool ZipDn::GetErrorText(XString& out, bool crlf)
{
    ClsZip2* zip = Archive();
    if (zip == nullptr) return false;
    zip->GetErrorLogText(out, crlf);
    return true;
}

bool ZipDn::WriteZip(ZipCallback* callback)
{
    ClsZip2* zip = Archive();
    if (zip == nullptr) return false;
    zip->BeginPublicCall("WriteZip", zip->GetComponentCode(), false, kZipBuildDate);
    if (callback) callback->WriteZipBegin();
    const bool ok = zip->WriteZip(true, callback, nullptr);
    if (callback) callback->WriteZipEnd();
    zip->EndPublicCall();
    return ok;
}

// ---- TvZip ----

TvZip::TvZip()
    : m_string(new TvString())
    , m_handle(new ZipDn(0))
{
}

TvZip::~TvZip()
{
    delete m_handle;
    delete m_string;
}

bool TvZip::NewZip(const char* zipPath)
{
    XString path;
    path.SetFromUtf8OrAnsi(zipPath, m_utf8);
    return m_handle->NewZip(path);
}

void TvZip::SetPassword(const char* password)
{
    XString text;
    text.SetFromUtf8OrAnsi(password, m_utf8);
    m_handle->SetPassword(text);
}

bool TvZip::AppendFiles(const char* pattern, bool recurse) { return AppendFilesWithProgress(pattern, recurse, nullptr); }

bool TvZip::AppendFilesWithProgress(const char* pattern, bool recurse, TvZipProgress* progress)
{
    XString text;
    text.SetFromUtf8OrAnsi(pattern, m_utf8);
    int added = 0;
    if (progress == nullptr) return m_handle->AppendFiles(text, recurse, nullptr, &added);
    TvZipCb callback(progress);
    return m_handle->AppendFiles(text, recurse, &callback, &added);
}

bool TvZip::WriteZip() { return m_handle->WriteZip(nullptr); }

bool TvZip::WriteZipWithProgress(TvZipProgress* progress)
{
    if (progress == nullptr) return m_handle->WriteZip(nullptr);
    TvZipCb callback(progress);
    return m_handle->WriteZip(&callback);
}

void TvZip::LastErrorText(TvString& out)
{
    XString text;
    if (m_handle->GetErrorText(text, false)) out.SetUtf8(text.GetUtf8());
}
