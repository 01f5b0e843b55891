#pragma once
// Exchangeable looks of the toolkit's standard controls. A control is a style host: it asks the
// factory of its kind for the style object that draws it. Each thread keeps one shared factory per
// kind in its theme manager; a host may also own a private factory with a style of its own.

#include "platform/framework/GdiClasses.h"
#include "platform/framework/Wnd.h"

#include <map>
#include <vector>

class CJQThemeManagerStyle;
class CJQThemeManagerStyleHost;

class CJQThemeManagerStyleFactory : public CObject {
    DECLARE_DYNCREATE(CJQThemeManagerStyleFactory)
public:
    CJQThemeManagerStyleFactory();
    // Deletes the style; hosts still pointing here forget the factory.
    ~CJQThemeManagerStyleFactory() override;
    CJQThemeManagerStyleFactory(const CJQThemeManagerStyleFactory&) = delete;
    CJQThemeManagerStyleFactory& operator=(const CJQThemeManagerStyleFactory&) = delete;

    // The style for a theme number; the base makes none.
    virtual CJQThemeManagerStyle* CreateStyle(int theme);
    virtual void RefreshStyle();

    // Made on the first call with the thread's current theme number.
    CJQThemeManagerStyle* GetStyle();
    // Takes the style over (the old one is deleted) and tells every host.
    void SetStyle(CJQThemeManagerStyle* style);

    void AddHost(CJQThemeManagerStyleHost* host);
    void RemoveHost(CJQThemeManagerStyleHost* host);
    const std::vector<CJQThemeManagerStyleHost*>& Hosts() const { return m_hosts; }

private:
    CJQThemeManagerStyle* m_pStyle = nullptr;
    std::vector<CJQThemeManagerStyleHost*> m_hosts;
};

// One per thread (GetThemeManager): the shared factory of each kind and the theme number new
// styles are made for.
class CJQThemeManager {
public:
    CJQThemeManager() = default;
    ~CJQThemeManager();
    CJQThemeManager(const CJQThemeManager&) = delete;
    CJQThemeManager& operator=(const CJQThemeManager&) = delete;

    // Made with the class's dynamic creation on the first request.
    CJQThemeManagerStyleFactory* GetFactory(const CRuntimeClass* factoryClass);
    int GetTheme() const { return m_nTheme; }
    void SetTheme(int theme) { m_nTheme = theme; }

    void AddFactory(CJQThemeManagerStyleFactory* factory) { m_factories.push_back(factory); }
    void RemoveFactory(CJQThemeManagerStyleFactory* factory);
    const std::vector<CJQThemeManagerStyleFactory*>& Factories() const { return m_factories; }

private:
    std::map<const CRuntimeClass*, CJQThemeManagerStyleFactory*> m_shared;
    std::vector<CJQThemeManagerStyleFactory*> m_factories;
    int m_nTheme = 0;
};

CJQThemeManager* GetThemeManager();

class CJQThemeManagerStyle {
public:
    CJQThemeManagerStyle() = default;
    virtual ~CJQThemeManagerStyle() = default;
    CJQThemeManagerStyle(const CJQThemeManagerStyle&) = delete;
    CJQThemeManagerStyle& operator=(const CJQThemeManagerStyle&) = delete;

    virtual void RefreshMetrics() { }
    // Copies the parent's pixels under the control; FALSE when the parent is no window.
    virtual BOOL TakeParentSnapshot(CWnd* control);
    // Only for a WS_EX_TRANSPARENT control with a snapshot: the snapshot at (0, 0).
    virtual BOOL DrawTransparentBackground(CDC* dc, CWnd* control);

    CJQThemeManagerStyleFactory* m_pFactory = nullptr;
    int m_nTheme = 0;
    CBitmap m_bmpBackground;
};

class CJQThemeManagerStyleHost {
public:
    // Joins the shared factory of that class.
    explicit CJQThemeManagerStyleHost(const CRuntimeClass* factoryClass);
    virtual ~CJQThemeManagerStyleHost();
    CJQThemeManagerStyleHost(const CJQThemeManagerStyleHost&) = delete;
    CJQThemeManagerStyleHost& operator=(const CJQThemeManagerStyleHost&) = delete;

    virtual CJQThemeManagerStyleFactory* CreateFactory();
    virtual void OnStyleChanged() { }

    // The own factory when there is one, else the shared one.
    CJQThemeManagerStyleFactory* GetFactory() const { return m_pOwnFactory ? m_pOwnFactory : m_pSharedFactory; }
    CJQThemeManagerStyle* GetStyle() const;
    // A style of the host's own (owned from now on); null goes back to the shared style.
    void SetStyle(CJQThemeManagerStyle* style);

protected:
    const CRuntimeClass* m_pFactoryClass;
    CJQThemeManagerStyleFactory* m_pOwnFactory = nullptr;
    bool m_bOwnFactoryOwned = false;
    CJQThemeManagerStyleFactory* m_pSharedFactory = nullptr;

private:
    friend class CJQThemeManagerStyleFactory;
    void FactoryGone(CJQThemeManagerStyleFactory* factory);
};

// The style the host's factory supplies (made on the first call); null for no host.
CJQThemeManagerStyle* GetThemeStyleOfEmbeddedHost(CJQThemeManagerStyleHost* host);
