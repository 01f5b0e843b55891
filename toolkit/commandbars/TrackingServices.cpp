#include "toolkit/commandbars/TrackingServices.h"

#include "toolkit/commandbars/CommandBar.h"
#include "toolkit/commandbars/KeyboardManager.h"
#include "toolkit/commandbars/MouseManager.h"
#include "toolkit/commandbars/PopupBar.h"

#include <map>
#include <memory>

namespace {

// The bar's place among the keyboard manager's clients.
class BarKeyClient : public CJQWHookManagerHookAble {
public:
    explicit BarKeyClient(CJQWCommandBar* bar)
        : m_bar(bar)
    {
    }
    int OnHookMessage(HWND, UINT message, WPARAM* wParam, LPARAM* lParam, LRESULT*) override
    {
        if (!m_bar->IsTrackingMode())
            return 0;
        if (message == WM_KEYDOWN) {
            const int answer = int(m_bar->OnHookKeyDown(UINT(*wParam), *lParam));
            return answer >= 0 && answer <= 2 ? answer : 1;
        }
        return 0;
    }

private:
    CJQWCommandBar* m_bar;
};

thread_local std::map<CJQWCommandBar*, std::unique_ptr<BarKeyClient>> t_keyClients;

CJQWHookManagerHookAble* KeyClientOf(CJQWCommandBar* bar)
{
    std::unique_ptr<BarKeyClient>& client = t_keyClients[bar];
    if (!client)
        client = std::make_unique<BarKeyClient>(bar);
    return client.get();
}

void ForgetKeyClient(CJQWCommandBar* bar)
{
    auto it = t_keyClients.find(bar);
    if (it == t_keyClients.end())
        return;
    GetKeyboardManager()->UnhookKeyboard(it->second.get());
    t_keyClients.erase(it);
}

} // namespace

void JQWInstallTrackingServices()
{
    JQW_COMMANDBAR_SERVICES& services = JQWCommandBarServices();
    if (services.trackingStarted)
        return;
    services.trackingStarted = [](CJQWCommandBar* bar) {
        GetMouseManager()->AddTrackedBar(bar);
        GetKeyboardManager()->HookKeyboard(KeyClientOf(bar));
    };
    services.trackingEnded = [](CJQWCommandBar* bar) {
        GetMouseManager()->RemoveTrackedBar(bar);
        ForgetKeyClient(bar);
    };
    services.anyBarTracked = []() -> BOOL { return !GetMouseManager()->GetTrackArray().empty(); };
    services.isTrackingOtherBar = [](CJQWCommandBar* bar) { return GetMouseManager()->IsTrackingOtherBar(bar); };
    services.isMouseLocked = []() { return GetMouseManager()->IsMouseLocked(); };
    services.setSelectedBar = [](CJQWCommandBar* bar) { GetMouseManager()->SetSelected(bar); };
    services.trackMouseLeave = [](HWND window) { GetMouseManager()->TrackMouseLeave(window); };
    services.barRemoved = [](CJQWCommandBar* bar) {
        GetMouseManager()->OnBarRemoved(bar);
        ForgetKeyClient(bar);
    };
    services.clearMenusExpanded = []() { GetMouseManager()->SetMenusExpanded(FALSE); };
    services.closePopups = []() { GetMouseManager()->ClosePopups(); };
    services.createPopupBar = [](CJQWCommandBars* bars) -> CJQWCommandBar* {
        return CJQWPopupBar::CreatePopupBar(bars);
    };
}
