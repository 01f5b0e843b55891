#include "toolkit/controls/ThemeManager.h"

#include "platform/framework/DC.h"

#include <algorithm>
#include <memory>

namespace {

template <class T> void Erase(std::vector<T*>& list, T* item)
{
    list.erase(std::remove(list.begin(), list.end(), item), list.end());
}

} // namespace

CJQThemeManager* GetThemeManager()
{
    thread_local std::unique_ptr<CJQThemeManager> manager;
    if (!manager)
        manager = std::make_unique<CJQThemeManager>();
    return manager.get();
}

CJQThemeManager::~CJQThemeManager()
{
    auto shared = std::move(m_shared);
    for (auto& [cls, factory] : shared)
        delete factory;
}

CJQThemeManagerStyleFactory* CJQThemeManager::GetFactory(const CRuntimeClass* factoryClass)
{
    if (!factoryClass)
        return nullptr;
    auto found = m_shared.find(factoryClass);
    if (found != m_shared.end())
        return found->second;
    CObject* made = factoryClass->CreateObject();
    auto* factory = dynamic_cast<CJQThemeManagerStyleFactory*>(made);
    if (!factory) {
        delete made;
        return nullptr;
    }
    m_shared[factoryClass] = factory;
    return factory;
}

void CJQThemeManager::RemoveFactory(CJQThemeManagerStyleFactory* factory)
{
    Erase(m_factories, factory);
    for (auto it = m_shared.begin(); it != m_shared.end();) {
        if (it->second == factory)
            it = m_shared.erase(it);
        else
            ++it;
    }
}

IMPLEMENT_DYNCREATE(CJQThemeManagerStyleFactory, CObject)

CJQThemeManagerStyleFactory::CJQThemeManagerStyleFactory() { GetThemeManager()->AddFactory(this); }

CJQThemeManagerStyleFactory::~CJQThemeManagerStyleFactory()
{
    GetThemeManager()->RemoveFactory(this);
    const auto hosts = m_hosts;
    for (CJQThemeManagerStyleHost* host : hosts)
        host->FactoryGone(this);
    delete m_pStyle;
}

CJQThemeManagerStyle* CJQThemeManagerStyleFactory::CreateStyle(int) { return nullptr; }

void CJQThemeManagerStyleFactory::RefreshStyle()
{
    if (m_pStyle)
        m_pStyle->RefreshMetrics();
}

CJQThemeManagerStyle* CJQThemeManagerStyleFactory::GetStyle()
{
    if (!m_pStyle) {
        m_pStyle = CreateStyle(GetThemeManager()->GetTheme());
        if (m_pStyle) {
            m_pStyle->m_pFactory = this;
            m_pStyle->RefreshMetrics();
        }
    }
    return m_pStyle;
}

void CJQThemeManagerStyleFactory::SetStyle(CJQThemeManagerStyle* style)
{
    if (style != m_pStyle)
        delete m_pStyle;
    m_pStyle = style;
    if (m_pStyle) {
        m_pStyle->m_pFactory = this;
        m_pStyle->RefreshMetrics();
    }
    const auto hosts = m_hosts;
    for (CJQThemeManagerStyleHost* host : hosts)
        host->OnStyleChanged();
}

void CJQThemeManagerStyleFactory::AddHost(CJQThemeManagerStyleHost* host)
{
    if (std::find(m_hosts.begin(), m_hosts.end(), host) == m_hosts.end())
        m_hosts.push_back(host);
}

void CJQThemeManagerStyleFactory::RemoveHost(CJQThemeManagerStyleHost* host) { Erase(m_hosts, host); }

BOOL CJQThemeManagerStyle::TakeParentSnapshot(CWnd* control)
{
    HWND window = AfxSafeHwnd(control);
    HWND parent = window ? ::GetParent(window) : nullptr;
    if (!::IsWindow(parent))
        return FALSE;
    RECT r;
    ::GetWindowRect(window, &r);
    ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    const int width = r.right - r.left;
    const int height = r.bottom - r.top;
    HDC parentDC = ::GetDC(parent);
    m_bmpBackground.DeleteObject();
    m_bmpBackground.Attach(::CreateCompatibleBitmap(parentDC, width, height));
    HDC memory = ::CreateCompatibleDC(parentDC);
    HGDIOBJ old = ::SelectObject(memory, m_bmpBackground.GetSafeHandle());
    ::BitBlt(memory, 0, 0, width, height, parentDC, r.left, r.top, SRCCOPY);
    ::SelectObject(memory, old);
    ::DeleteDC(memory);
    ::ReleaseDC(parent, parentDC);
    return TRUE;
}

BOOL CJQThemeManagerStyle::DrawTransparentBackground(CDC* dc, CWnd* control)
{
    HWND window = AfxSafeHwnd(control);
    if (!window || !(::GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_TRANSPARENT))
        return FALSE;
    if (!TakeParentSnapshot(control) || !m_bmpBackground.GetSafeHandle())
        return FALSE;
    RECT client;
    ::GetClientRect(window, &client);
    HDC memory = ::CreateCompatibleDC(dc->m_hDC);
    HGDIOBJ old = ::SelectObject(memory, m_bmpBackground.GetSafeHandle());
    ::BitBlt(dc->m_hDC, 0, 0, client.right, client.bottom, memory, 0, 0, SRCCOPY);
    ::SelectObject(memory, old);
    ::DeleteDC(memory);
    return TRUE;
}

CJQThemeManagerStyleHost::CJQThemeManagerStyleHost(const CRuntimeClass* factoryClass) : m_pFactoryClass(factoryClass)
{
    m_pSharedFactory = GetThemeManager()->GetFactory(factoryClass);
    if (m_pSharedFactory)
        m_pSharedFactory->AddHost(this);
}

CJQThemeManagerStyleHost::~CJQThemeManagerStyleHost()
{
    if (CJQThemeManagerStyleFactory* factory = GetFactory())
        factory->RemoveHost(this);
    if (m_pSharedFactory)
        m_pSharedFactory->RemoveHost(this);
    if (m_bOwnFactoryOwned)
        delete m_pOwnFactory;
}

CJQThemeManagerStyleFactory* CJQThemeManagerStyleHost::CreateFactory()
{
    CObject* made = m_pFactoryClass ? m_pFactoryClass->CreateObject() : nullptr;
    auto* factory = dynamic_cast<CJQThemeManagerStyleFactory*>(made);
    if (!factory)
        delete made;
    return factory;
}

CJQThemeManagerStyle* CJQThemeManagerStyleHost::GetStyle() const
{
    CJQThemeManagerStyleFactory* factory = GetFactory();
    return factory ? factory->GetStyle() : nullptr;
}

void CJQThemeManagerStyleHost::SetStyle(CJQThemeManagerStyle* style)
{
    if (!m_pOwnFactory && !style)
        return;
    if (CJQThemeManagerStyleFactory* present = GetFactory())
        present->RemoveHost(this);
    if (m_bOwnFactoryOwned)
        delete m_pOwnFactory;
    m_pOwnFactory = nullptr;
    m_bOwnFactoryOwned = false;
    if (style) {
        m_pOwnFactory = CreateFactory();
        if (m_pOwnFactory) {
            m_pOwnFactory->SetStyle(style);
            m_bOwnFactoryOwned = true;
        } else {
            delete style;
        }
    }
    OnStyleChanged();
    if (CJQThemeManagerStyleFactory* next = GetFactory())
        next->AddHost(this);
}

void CJQThemeManagerStyleHost::FactoryGone(CJQThemeManagerStyleFactory* factory)
{
    if (m_pOwnFactory == factory) {
        m_pOwnFactory = nullptr;
        m_bOwnFactoryOwned = false;
    }
    if (m_pSharedFactory == factory)
        m_pSharedFactory = nullptr;
}

CJQThemeManagerStyle* GetThemeStyleOfEmbeddedHost(CJQThemeManagerStyleHost* host)
{
    return host ? host->GetStyle() : nullptr;
}
