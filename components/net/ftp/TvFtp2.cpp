#include "components/net/ftp/TvFtp2.h"

#include "components/foundation/TvString.h"
#include "components/foundation/XString.h"
#include "components/net/ftp/ClsFtp2.h"
#include "components/net/ftp/FtpCallback.h"

TvFtp2::TvFtp2()
    : m_impl(std::make_unique<ClsFtp2>())
{
}

TvFtp2::~TvFtp2() { m_callback = nullptr; }

std::string TvFtp2::Text(const char* text) const
{
    XString x;
    x.SetFromUtf8OrAnsi(text ? text : "", m_utf8);
    return x.GetUtf8();
}

void TvFtp2::SetHostname(const char* host) { m_impl->SetHostname(Text(host)); }

void TvFtp2::GetHostname(TvString& out)
{
    out.Clear();
    out.SetUtf8(m_impl->GetHostname().c_str());
}

void TvFtp2::SetPort(int port) { m_impl->Engine().Port = port; }
void TvFtp2::SetUsername(const char* user) { m_impl->SetUsername(user ? user : ""); }
void TvFtp2::SetPassword(const char* password) { m_impl->SetPassword(password ? password : ""); }
void TvFtp2::SetPassive(bool passive) { m_impl->SetPassive(passive); }

void TvFtp2::SetAuthTlsWhenOffered(bool on) { m_impl->Engine().AuthTlsWhenOffered = on; }

bool TvFtp2::Connect()
{
    TvFtpCb cb(m_callback);
    return m_impl->Connect(&cb);
}

bool TvFtp2::Disconnect()
{
    TvFtpCb cb(m_callback);
    m_impl->Disconnect(&cb);
    return true;
}

bool TvFtp2::IsConnected() { return m_impl->IsConnected(nullptr); }

bool TvFtp2::ChangeRemoteDir(const char* dir)
{
    TvFtpCb cb(m_callback);
    return m_impl->ChangeRemoteDir(Text(dir), &cb, false);
}

bool TvFtp2::PutFile(const char* localPath, const char* remoteName)
{
    TvFtpCb cb(m_callback);
    return m_impl->PutFile(Text(localPath), Text(remoteName), &cb, false);
}

bool TvFtp2::PutTree(const char* localDir)
{
    TvFtpCb cb(m_callback);
    std::string plan;
    return m_impl->PutTree(Text(localDir), plan, false, 0, &cb);
}

void TvFtp2::GetLastErrorText(TvString& out)
{
    XString text;
    m_impl->GetErrorLogText(text, false);
    out.SetUtf8(text.GetUtf8());
}
