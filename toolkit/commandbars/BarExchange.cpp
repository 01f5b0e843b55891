// Saved layouts of bars and controls: one symmetric exchange per class (the same named values are
// stored on save and filled in on load), the manager's save and load of a list of bars, and the
// numbering and relinking of the popup bars between them.
//
// Stored layouts come from the registry or a file anyone may edit: counts are bounded by what the
// store holds, a control's type must fit its class, and popup links may not loop.

#include "platform/framework/Exceptions.h"
#include "toolkit/commandbars/CommandBars.h"
#include "toolkit/commandbars/ControlAction.h"
#include "toolkit/commandbars/ControlButton.h"
#include "toolkit/commandbars/Controls.h"
#include "toolkit/commandbars/LayoutStore.h"
#include "toolkit/commandbars/MenuBar.h"
#include "toolkit/commandbars/PopupBar.h"
#include "toolkit/commandbars/PopupTracking.h"
#include "toolkit/commandbars/ToolBar.h"
#include "toolkit/controls/persist/PropExchange.h"
#include "toolkit/drawing/images/ImageManager.h"

#include <algorithm>
#include <memory>

namespace {

constexpr DWORD kGripperStyle = 0x400000;

const JQW_COMMANDBARS_EXCHANGE_PARAMS& Params(CJQWPropExchange* exchange)
{
    static const JQW_COMMANDBARS_EXCHANGE_PARAMS none;
    const auto* params = static_cast<const JQW_COMMANDBARS_EXCHANGE_PARAMS*>(exchange->m_pOwner);
    return params ? *params : none;
}

BOOL Long(CJQWPropExchange* exchange, const WCHAR* name, int& value, int defaultValue)
{
    LONG v = value;
    const BOOL ok = ExchangeLong(exchange, name, v, defaultValue);
    value = int(v);
    return ok;
}

BOOL Long(CJQWPropExchange* exchange, const WCHAR* name, DWORD& value, DWORD defaultValue)
{
    LONG v = LONG(value);
    const BOOL ok = ExchangeLong(exchange, name, v, LONG(defaultValue));
    value = DWORD(v);
    return ok;
}

void Size(CJQWPropExchange* exchange, const WCHAR* name, CSize& value)
{
    SIZE v = value;
    ExchangeSize(exchange, name, v, SIZE { 0, 0 });
    value = v;
}

// A document-template map in its archive form: the count, then each menu id with its flag.
class TemplateMapObject : public CObject {
public:
    explicit TemplateMapObject(CJQWControl::CDocTemplateMap& map) : m_map(map) { }
    void Serialize(CArchive& archive) override
    {
        if (archive.IsStoring()) {
            archive.WriteCount(m_map.size());
            for (const auto& [id, value] : m_map)
                archive << DWORD(id) << DWORD(value);
            return;
        }
        m_map.clear();
        const DWORD_PTR count = archive.ReadCount();
        for (DWORD_PTR i = 0; i < count; ++i) {
            DWORD id = 0, value = 0;
            archive >> id >> value; // a short stream throws and ends the load
            m_map[UINT(id)] = BOOL(value);
        }
    }

private:
    CJQWControl::CDocTemplateMap& m_map;
};

void ExchangeTemplateMap(CJQWPropExchange* exchange, const WCHAR* name, CJQWControl::CDocTemplateMap& map)
{
    if (!exchange->IsLoading() && exchange->CanOmitValues() && map.empty())
        return;
    TemplateMapObject object(map);
    ExchangeSerializedObject(exchange, name, &object);
}

// The object a section stores; null when its class is missing, unknown or not of the kind. A
// missing class is no class: a store that announces more items than it holds ends there.
CObject* CreateStored(CJQWPropExchange* section, const CRuntimeClass* expected)
{
    if (!section->CanOmitValues()) {
        // An archive: its own class records (which also number the objects for later references).
        CObject* object = nullptr;
        return section->ExchangeObject(&object, expected) ? object : nullptr;
    }
    const CRuntimeClass* stored = nullptr;
    if (!section->ExchangeClass(u"Class", &stored, nullptr) || !stored)
        return nullptr;
    CObject* object = stored->CreateObject();
    if (object && !object->IsKindOf(expected)) {
        if (auto* target = dynamic_cast<CCmdTarget*>(object))
            target->InternalRelease();
        else
            delete object;
        object = nullptr;
    }
    return object;
}

// Released when it goes out of scope.
struct Section {
    explicit Section(CJQWPropExchange* section) : p(section) { }
    ~Section()
    {
        if (p)
            p->InternalRelease();
    }
    Section(const Section&) = delete;
    Section& operator=(const Section&) = delete;
    CJQWPropExchange* p;
};

} // namespace

// ---- Bars -------------------------------------------------------------------------------------------

void CJQWCommandBar::DoPropExchange(CJQWPropExchange* exchange)
{
    const UINT schema = exchange->GetSchema();
    Long(exchange, u"Type", m_barType, jqwBarTypeNormal);
    Long(exchange, u"Position", m_barPosition, 0);
    Long(exchange, u"BarID", m_nBarID, 0);
    Long(exchange, u"Flags", m_dwFlags, 0);
    Long(exchange, u"Style", m_dwStyle, 0);
    ExchangeString(exchange, u"Title", m_strTitle, u"");
    ExchangeBool(exchange, u"Customizable", m_bCustomizable, TRUE);
    Long(exchange, u"MRUWidth", m_nMRUWidth, 0);
    if (schema > 2)
        Size(exchange, u"IconSize", m_szIcons);
    if (exchange->IsLoading())
        m_pCommandBars = Params(exchange).pCommandBars;
    if (schema > 17) {
        Size(exchange, u"ButtonSize", m_szButtons);
        Long(exchange, u"ShowTextBelowIcons", m_bTextBelow, 2);
        ExchangeBool(exchange, u"EnableAnimation", m_bAnimation, FALSE);
    }
    if (schema > 18)
        Long(exchange, u"DefaultButtonStyle", m_buttonStyle, 0);
    // A damaged store may name any type or place: keep them to the values bars know.
    if (exchange->IsLoading()) {
        if (m_barType < jqwBarTypeMenuBar || m_barType > jqwBarTypeRibbon)
            m_barType = jqwBarTypeNormal;
        if (m_barPosition < jqwBarTop || m_barPosition > jqwBarNone)
            m_barPosition = jqwBarTop;
    }
    Section controls(exchange->OpenChildSection(u"Controls"));
    if (controls.p) {
        if (exchange->IsLoading() && !m_pControls) {
            SetControls(new CJQWControls);
        }
        m_pControls->SetParent(this);
        m_pControls->DoPropExchange(controls.p);
    }
}

void CJQWToolBar::DoPropExchange(CJQWPropExchange* exchange)
{
    CJQWCommandBar::DoPropExchange(exchange);
    const UINT schema = exchange->GetSchema();
    ExchangeBool(exchange, u"BuiltIn", m_bBuiltIn, TRUE);
    ExchangeBool(exchange, u"TearOff", m_bTearOff, FALSE);
    if (schema > 6)
        ExchangeBool(exchange, u"Closeable", m_bCloseable, TRUE);
    if (schema > 7)
        ExchangeBool(exchange, u"ContextMenuPresent", m_bContextMenuPresent, TRUE);
    if (schema > 16)
        ExchangeBool(exchange, u"CustomizeDialogPresent", m_bCustomizeDialogPresent, TRUE);
    if (exchange->IsLoading() && schema <= 16 && m_barType == jqwBarTypeMenuBar)
        m_bCloseable = FALSE;
}

void CJQWMenuBar::DoPropExchange(CJQWPropExchange* exchange)
{
    CJQWToolBar::DoPropExchange(exchange);
    Long(exchange, u"ResourceId", m_nResourceId, 0);
    // Menus per document template exist only in a multiple-document site, which this program's
    // site is not: none is stored, and stored ones are read past.
    if (exchange->IsStoring()) {
        exchange->StoreCount(0);
        return;
    }
    if (exchange->GetSchema() > 4)
        exchange->LoadCount();
}

void CJQWPopupBar::DoPropExchange(CJQWPropExchange* exchange)
{
    CJQWCommandBar::DoPropExchange(exchange);
    const UINT schema = exchange->GetSchema();
    ExchangeBool(exchange, u"TearOffPopup", m_bTearOffPopup, FALSE);
    ExchangeString(exchange, u"TearOffCaption", m_strTearOffCaption, u"");
    Long(exchange, u"TearOffId", m_nTearOffId, 0);
    Long(exchange, u"TearOffWidth", m_nTearOffWidth, 0);
    if (schema > 3) {
        RECT borders = m_rcBorders;
        ExchangeRect(exchange, u"Borders", borders, RECT { 2, 4, 2, 4 });
        m_rcBorders = borders;
        ExchangeBool(exchange, u"ShowShadow", m_bShowShadow, TRUE);
    }
    if (schema > 8)
        ExchangeBool(exchange, u"DoubleGripper", m_bDoubleGripper, FALSE);
    if (schema < 20)
        m_dwStyle |= kGripperStyle;
    if (schema > 18)
        ExchangeBool(exchange, u"ContextMenu", m_bContextMenu, FALSE);
}

void CJQWCommandBar::CollectBarsForSave(DWORD& counter, CJQWCommandBarList& list, const JQW_COMMANDBARS_EXCHANGE_PARAMS& params)
{
    if (list.Contains(this))
        return;
    InternalAddRef();
    list.Add(this);
    if (!dynamic_cast<CJQWToolBar*>(this) && (m_nBarID == 0 || m_nBarID > 0xFFFFFF))
        m_nBarID = counter++;
    auto walk = [&](CJQWControls* controls) {
        for (int i = 0; controls && i < controls->GetCount(); ++i)
            if (CJQWControl* control = controls->GetAt(i); !control->IsTemporary())
                control->CollectPopupBars(counter, list, params);
    };
    walk(m_pControls);
    if (params.bSaveOriginalControls && m_pControls)
        walk(m_pControls->GetOriginalControls());
}

void CJQWCommandBar::ResolvePopupBars(const CJQWCommandBarList& loaded, std::vector<CJQWCommandBar*>& resolving)
{
    if (std::find(resolving.begin(), resolving.end(), this) != resolving.end())
        return;
    resolving.push_back(this);
    for (int i = 0; m_pControls && i < m_pControls->GetCount(); ++i)
        if (auto* popup = dynamic_cast<CJQWControlPopup*>(m_pControls->GetAt(i)))
            popup->ResolvePopupBar(loaded, resolving);
    resolving.pop_back();
}

// ---- Controls ------------------------------------------------------------------------------------------

void CJQWControl::DoPropExchange(CJQWPropExchange* exchange)
{
    const UINT schema = exchange->GetSchema();
    const int classType = m_controlType;
    Long(exchange, u"Type", m_controlType, JQW_CONTROL_BUTTON);
    if (exchange->IsLoading()) {
        // A popup type needs the popup class (and only it): anything else keeps the class's own.
        const bool popupType = m_controlType >= JQW_CONTROL_POPUP && m_controlType <= JQW_CONTROL_SPLIT_BUTTON_POPUP;
        const bool popupClass = IsKindOf(RUNTIME_CLASS(CJQWControlPopup)) != FALSE;
        if (popupType != popupClass || m_controlType < JQW_CONTROL_BUTTON || m_controlType > JQW_CONTROL_RADIO)
            m_controlType = classType;
    }
    Long(exchange, u"Id", m_nId, -1);
    if (exchange->IsLoading())
        if (CJQWCommandBars* bars = Params(exchange).pCommandBars)
            if (CJQWControlAction* action = bars->GetActions()->FindAction(m_nId))
                SetAction(action);
    Long(exchange, u"IconId", m_nIconId, 0);
    ExchangeBool(exchange, u"BeginGroup", m_bBeginGroup, FALSE);
    LONG tag = LONG(m_nTag);
    ExchangeLong(exchange, u"Tag", tag, 0);
    m_nTag = DWORD_PTR(DWORD(tag));
    Long(exchange, u"Flags", m_dwFlags, 0);
    Long(exchange, u"HideFlags", m_dwHideFlags, 0);
    ExchangeString(exchange, u"Caption", m_strCaption, u"");
    ExchangeString(exchange, u"ShortcutText", m_strShortcutText, u"");
    ExchangeString(exchange, u"TooltipText", m_strTooltipText, u"");
    ExchangeString(exchange, u"DescriptionText", m_strDescriptionText, u"");
    ExchangeString(exchange, u"Parameter", m_strParameter, u"");
    Long(exchange, u"CustomIconId", m_nCustomIconId, 0);
    ExchangeString(exchange, u"CustomCaption", m_strCustomCaption, u"");
    if (schema > 1)
        ExchangeString(exchange, u"Category", m_strCategory, u"");
    if (m_nCustomIconId > 0) {
        Section icon(exchange->OpenChildSection(u"CustomIcon"));
        CJQWImageManager* images = GetImageManager();
        if (icon.p && images)
            images->ExchangeIconSet(UINT(m_nCustomIconId), icon.p);
    }
    if (schema > 3) {
        ExchangeTemplateMap(exchange, u"DocTemplatesExcluded", m_mapDocTemplatesExcluded);
        ExchangeTemplateMap(exchange, u"DocTemplatesAssigned", m_mapDocTemplatesAssigned);
        ExchangeBool(exchange, u"DefaultItem", m_bDefaultItem, FALSE);
    }
    if (schema > 6)
        ExchangeBool(exchange, u"CloseSubMenuOnClick", m_bCloseSubMenuOnClick, TRUE);
    if (schema > 7) {
        Long(exchange, u"CustomStyle", m_nCustomStyle, -1);
        if (exchange->IsLoading() && schema < 18 && m_nCustomStyle == 0)
            m_nCustomStyle = -1;
    }
    if (schema > 16)
        Long(exchange, u"HelpId", m_nHelpId, 0);
    if (schema > 17)
        Long(exchange, u"Style", m_buttonStyle, 0);
    if (schema > 18) {
        Long(exchange, u"Width", m_nWidth, 0);
        Long(exchange, u"Height", m_nHeight, 0);
        Long(exchange, u"ExecuteOnPressInterval", m_nExecuteOnPressInterval, 0);
    }
    if (schema > 22)
        ExchangeString(exchange, u"ShortcutTextAuto", m_strShortcutTextAuto, u"");
}

void CJQWControlButton::DoPropExchange(CJQWPropExchange* exchange)
{
    CJQWControl::DoPropExchange(exchange);
    if (exchange->GetSchema() < 18)
        Long(exchange, u"Style", m_buttonStyle, 0);
}

void CJQWControlPopup::DoPropExchange(CJQWPropExchange* exchange)
{
    CJQWControl::DoPropExchange(exchange);
    int barId = exchange->IsStoring() && m_pCommandBar ? int(m_pCommandBar->GetBarID()) : 0;
    Long(exchange, u"CommandBarId", barId, 0);
    if (exchange->IsLoading())
        m_nCommandBarId = barId;
    const UINT schema = exchange->GetSchema();
    if (schema >= 5 && schema <= 17)
        Long(exchange, u"Style", m_buttonStyle, 0);
}

void CJQWControl::CollectPopupBars(DWORD&, CJQWCommandBarList&, const JQW_COMMANDBARS_EXCHANGE_PARAMS&)
{
}

void CJQWControlPopup::CollectPopupBars(DWORD& counter, CJQWCommandBarList& list, const JQW_COMMANDBARS_EXCHANGE_PARAMS& params)
{
    if (m_pCommandBar)
        m_pCommandBar->CollectBarsForSave(counter, list, params);
}

void CJQWControlPopup::ResolvePopupBar(const CJQWCommandBarList& loaded, std::vector<CJQWCommandBar*>& resolving)
{
    if (m_nCommandBarId == 0)
        return;
    CJQWCommandBar* bar = loaded.FindCommandBar(UINT(m_nCommandBarId));
    if (!bar)
        return;
    SetCommandBar(bar);
    m_nCommandBarId = 0;
    bar->ResolvePopupBars(loaded, resolving);
}

void CJQWControls::DoPropExchange(CJQWPropExchange* exchange)
{
    const JQW_COMMANDBARS_EXCHANGE_PARAMS& params = Params(exchange);
    if (exchange->IsLoading()) {
        std::unique_ptr<CJQWPropExchangeEnumerator> enumerator(exchange->CreateEnumerator(u"Control"));
        DWORD position = enumerator->Start(0);
        RemoveAll();
        while (position) {
            Section item(enumerator->NextSection(position));
            if (!item.p)
                AfxThrowArchiveException(CArchiveException::badClass);
            CObject* object = CreateStored(item.p, RUNTIME_CLASS(CJQWControl));
            if (!object)
                AfxThrowArchiveException(CArchiveException::badClass);
            auto* control = static_cast<CJQWControl*>(object);
            InsertControl(control); // the collection takes the one reference
            control->DoPropExchange(item.p);
        }
        RefreshIndexes();
        if (exchange->GetSchema() > 2) {
            BOOL originals = FALSE;
            ExchangeBool(exchange, u"OriginalControls", originals, FALSE);
            if (originals) {
                auto* original = new CJQWOriginalControls;
                SetOriginalControls(original);
                original->InternalRelease(); // kept by this collection alone
                Section section(exchange->OpenChildSection(u"OriginalControls"));
                if (section.p)
                    original->DoPropExchange(section.p);
            }
            BOOL customized = FALSE;
            ExchangeBool(exchange, u"CustomizedControls", customized, FALSE);
            if (customized) {
                // Read and dropped; a damaged stream may throw on the way.
                std::unique_ptr<CJQWControls, void (*)(CJQWControls*)> scratch(
                    new CJQWControls, [](CJQWControls* controls) { controls->InternalRelease(); });
                Section section(exchange->OpenChildSection(u"CustomizedControls"));
                if (section.p)
                    scratch->DoPropExchange(section.p);
            }
        }
        return;
    }
    std::vector<CJQWControl*> saved;
    for (int i = 0; i < GetCount(); ++i)
        if (!GetAt(i)->IsTemporary())
            saved.push_back(GetAt(i));
    std::unique_ptr<CJQWPropExchangeEnumerator> enumerator(exchange->CreateEnumerator(u"Control"));
    DWORD position = enumerator->Start(DWORD(saved.size()));
    for (CJQWControl* control : saved) {
        Section item(enumerator->NextSection(position));
        if (!item.p)
            break;
        CObject* object = control;
        item.p->ExchangeObject(&object, RUNTIME_CLASS(CJQWControl));
        control->DoPropExchange(item.p);
    }
    BOOL originals = GetOriginalControls() && params.bSaveOriginalControls;
    ExchangeBool(exchange, u"OriginalControls", originals, FALSE);
    if (originals) {
        Section section(exchange->OpenChildSection(u"OriginalControls"));
        if (section.p)
            GetOriginalControls()->DoPropExchange(section.p);
    }
    BOOL customized = FALSE;
    ExchangeBool(exchange, u"CustomizedControls", customized, FALSE);
}

// ---- The manager ------------------------------------------------------------------------------------------

BOOL CJQWCommandBars::SaveBars(CJQWPropExchange* exchange, const CJQWCommandBarList& list)
{
    try {
        Section section(exchange->OpenChildSection(u"CommandBars"));
        if (!section.p)
            return FALSE;
        std::unique_ptr<CJQWPropExchangeEnumerator> enumerator(section.p->CreateEnumerator(u"CommandBar"));
        DWORD position = enumerator->Start(DWORD(list.GetCount()));
        for (int i = 0; i < list.GetCount() && position; ++i) {
            Section item(enumerator->NextSection(position));
            CObject* object = list.GetAt(i);
            item.p->ExchangeObject(&object, RUNTIME_CLASS(CJQWCommandBar));
            list.GetAt(i)->DoPropExchange(item.p);
        }
    } catch (CArchiveException* error) {
        error->Delete();
        return FALSE;
    } catch (COleException* error) {
        error->Delete();
        return FALSE;
    }
    return TRUE;
}

BOOL CJQWCommandBars::LoadBars(CJQWPropExchange* exchange, CJQWCommandBarList& list)
{
    try {
        Section section(exchange->OpenChildSection(u"CommandBars"));
        if (!section.p)
            return FALSE;
        std::unique_ptr<CJQWPropExchangeEnumerator> enumerator(section.p->CreateEnumerator(u"CommandBar"));
        DWORD position = enumerator->Start(0);
        while (position) {
            Section item(enumerator->NextSection(position));
            CObject* object = item.p ? CreateStored(item.p, RUNTIME_CLASS(CJQWCommandBar)) : nullptr;
            if (!object)
                return FALSE;
            auto* bar = static_cast<CJQWCommandBar*>(object);
            list.Add(bar); // the list takes the one reference
            bar->DoPropExchange(item.p);
            if (bar->GetControls())
                bar->GetControls()->RefreshIndexes();
        }
    } catch (CArchiveException* error) {
        error->Delete();
        return FALSE;
    } catch (COleException* error) {
        error->Delete();
        return FALSE;
    }
    return TRUE;
}

void CJQWCommandBars::CollectBarsForSave(CJQWCommandBarList& list, const JQW_COMMANDBARS_EXCHANGE_PARAMS& params)
{
    DWORD counter = 0x1000000;
    for (CJQWToolBar* bar : m_arrBars) {
        CJQWControls* controls = bar->GetControls();
        const BOOL changed = bar->IsCustomizable()
            && (!controls->GetOriginalControls() || !controls->Compare(controls->GetOriginalControls()));
        if (!params.bSaveOnlyCustomized || !bar->IsBuiltIn() || changed)
            bar->CollectBarsForSave(counter, list, params);
    }
}
