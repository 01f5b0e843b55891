#include "toolkit/commandbars/CommandBarsOptions.h"

#include "platform/base/Unicode.h"
#include "platform/gdi/SystemModel.h"
#include "toolkit/commandbars/CommandBars.h"
#include "toolkit/commandbars/PaintManager.h"
#include "toolkit/controls/persist/PropExchangeArchive.h"
#include "toolkit/controls/persist/PropExchangeIniFile.h"

#include <string>

namespace {

class CommandSetObject : public CObject {
public:
    explicit CommandSetObject(CJQWCommandSet& set) : m_set(set) { }
    void Serialize(CArchive& archive) override { SerializeCommandSet(archive, m_set); }

private:
    CJQWCommandSet& m_set;
};

// The archive form where the store keeps objects, numbered items elsewhere.
void ExchangeCommandSet(CJQWPropExchange* exchange, const WCHAR* name, CJQWCommandSet& set)
{
    if (exchange->StoresBinaryNatively()) {
        CommandSetObject object(set);
        ExchangeSerializedObject(exchange, name, &object);
        return;
    }
    CJQWPropExchange* section = exchange->OpenChildSection(name);
    if (!section)
        return;
    if (section->IsLoading()) {
        set.RemoveAll();
        const DWORD_PTR count = section->LoadCount();
        for (DWORD_PTR i = 0; i < count && i < 0x10000; ++i) {
            LONG id = 0;
            ExchangeLong(section, Utf8ToUtf16("Item" + std::to_string(i)).c_str(), id, 0);
            set.SetAt(UINT(id), TRUE);
        }
    } else {
        section->StoreCount(DWORD_PTR(set.GetCount()));
        POSITION position = set.GetStartPosition();
        for (int i = 0; position; ++i) {
            UINT id = 0;
            BOOL value = FALSE;
            set.GetNextAssoc(position, id, value);
            LONG number = LONG(id);
            ExchangeLong(section, Utf8ToUtf16("Item" + std::to_string(i)).c_str(), number, 0);
        }
    }
    section->InternalRelease();
}

// Empty sets are left out of keyed stores; an archive holds every value.
bool ShouldExchangeSet(CJQWPropExchange* exchange, const CJQWCommandSet& set)
{
    return exchange->IsLoading() || !exchange->CanOmitValues() || !set.IsEmpty();
}

} // namespace

void SerializeCommandSet(CArchive& archive, CJQWCommandSet& set)
{
    if (archive.IsStoring()) {
        archive.WriteCount(DWORD_PTR(set.GetCount()));
        POSITION position = set.GetStartPosition();
        while (position) {
            UINT id = 0;
            BOOL value = FALSE;
            set.GetNextAssoc(position, id, value);
            archive << DWORD(id) << DWORD(value);
        }
        return;
    }
    const DWORD_PTR count = archive.ReadCount();
    for (DWORD_PTR i = 0; i < count; ++i) {
        DWORD id = 0, value = 0;
        archive >> id >> value; // a short stream throws and ends the load
        set.SetAt(UINT(id), BOOL(value));
    }
}

void CJQWCommandBarsOptions::DoPropExchange(CJQWPropExchange* exchange, BOOL userPartOnly)
{
    exchange->m_bUseDefaultOnLoad = FALSE;
    exchange->m_bOmitDefaultOnSave = FALSE;
    exchange->ExchangeSchemaValue();
    const UINT schema = exchange->GetSchema();

    ExchangeBool(exchange, u"AlwaysShowFullMenus", bAlwaysShowFullMenus, TRUE);
    ExchangeBool(exchange, u"ShowFullAfterDelay", bShowFullAfterDelay, TRUE);
    ExchangeBool(exchange, u"ToolBarScreenTips", bToolBarScreenTips, TRUE);
    ExchangeBool(exchange, u"ToolBarAccelTips", bToolBarAccelTips, FALSE);
    ExchangeBool(exchange, u"LargeIcons", bLargeIcons, FALSE);
    if (schema > 7 && ShouldExchangeSet(exchange, m_mapUsedCommands))
        ExchangeCommandSet(exchange, u"UsedCommands", m_mapUsedCommands);
    if (schema > 7 || userPartOnly) {
        LONG animation = animationType;
        ExchangeLong(exchange, u"Animation", animation, 0);
        animationType = int(animation);
    }
    if (userPartOnly)
        return;

    ExchangeBool(exchange, u"SyncFloatingBars", bSyncFloatingBars, TRUE);
    ExchangeBool(exchange, u"ShowExpandButtonAlways", bShowExpandButtonAlways, TRUE);
    SIZE icons = szIcons, large = szLargeIcons;
    ExchangeSize(exchange, u"IconsSize", icons, SIZE { 0, 0 });
    ExchangeSize(exchange, u"LargeIconsSize", large, SIZE { 0, 0 });
    szIcons = icons;
    szLargeIcons = large;
    if (ShouldExchangeSet(exchange, m_mapHiddenCommands))
        ExchangeCommandSet(exchange, u"HiddenCommands", m_mapHiddenCommands);

    CJQWPaintManager* paintManager = m_pCommandBars ? m_pCommandBars->GetPaintManager() : GetGlobalPaintManager();
    CJQWPaintManager::JQW_ICONS_INFO scratch;
    CJQWPaintManager::JQW_ICONS_INFO* icon = paintManager ? paintManager->GetIconsInfo() : &scratch;
    ExchangeBool(exchange, u"IconsWithShadow", icon->bIconsWithShadow, FALSE);
    ExchangeBool(exchange, u"UseDisabledIcons", icon->bUseDisabledIcons, TRUE);
    ExchangeBool(exchange, u"UseFadedIcons", icon->bUseFadedIcons, TRUE);

    if (schema > 7) {
        ExchangeBool(exchange, u"SyncFloatingBars", bSyncFloatingBars, TRUE);
        ExchangeBool(exchange, u"ShowExpandButtonAlways", bShowExpandButtonAlways, TRUE);
        ExchangeBool(exchange, u"DblClickFloat", bDblClickFloat, FALSE);
        ExchangeBool(exchange, u"ShowTextBelowIcons", bShowTextBelowIcons, FALSE);
        ExchangeBool(exchange, u"AltDragCustomization", bAltDragCustomization, TRUE);
        ExchangeBool(exchange, u"AutoHideUnusedPopups", bAutoHideUnusedPopups, TRUE);
        SIZE popup = szPopupIcons;
        ExchangeSize(exchange, u"PopupIconsSize", popup, SIZE { 0, 0 });
        szPopupIcons = popup;
    }
    if (schema > 8) {
        LONG use = keyboardCuesUse, show = m_nKeyboardCuesShow;
        ExchangeLong(exchange, u"KeyboardCuesUse", use, 1);
        ExchangeLong(exchange, u"KeyboardCuesShow", show, 0);
        keyboardCuesUse = int(use);
        if (exchange->IsLoading())
            SetKeyboardCuesShow(int(show));
    }
}

void CJQWCommandBarsOptions::Serialize(CArchive& archive)
{
    CJQWPropExchangeArchive exchange(archive);
    DoPropExchange(&exchange, FALSE);
}

void CJQWCommandBarsOptions::SetKeyboardCuesShow(int mode)
{
    m_nKeyboardCuesShow = mode;
    if (!m_pCommandBars)
        return;
    m_pCommandBars->m_bKeyboardCuesUntilAlt = FALSE;
    m_pCommandBars->m_bKeyboardCuesShown = mode != 1;
    BOOL systemCues = TRUE;
    if (mode == 2 && SystemParametersInfoW(SPI_GETKEYBOARDCUES, 0, &systemCues, 0) && !systemCues) {
        m_pCommandBars->m_bKeyboardCuesUntilAlt = TRUE;
        m_pCommandBars->m_bKeyboardCuesShown = FALSE;
    }
}
