#include "app/orvanel_app.h"

#include "popup_blocker/ad_messages.h"

namespace orv {

OrvanelApp::OrvanelApp(const AppServices& s, std::string exe_path)
    : form_(FormServices{s.registry, s.shell, s.boxes, s.clock, s.timers, s.tray, s.mouse_hook,
                         s.window},
            std::move(exe_path)),
      ad_page_(s.files, s.registry, form_.program_folder()),
      engine_(BlockingEngineServices{s.files, s.registry, s.browsers, s.window, s.tray, s.sound,
                                     s.shell},
              ad_page_, form_.program_folder()) {
  FormHooks& h = form_.hooks();
  h.load_ad_page = [this] { ad_page_.LoadAdPage(); };
  h.clear_temp_white_list_view = [this] { ad_page_.ClearTempView(); };
  h.save_ad_page = [this] { ad_page_.SaveAdPage(); };
  form_.icon_menu().SetHistory(&engine_.Subitem_KilledAd());
}

bool OrvanelApp::OnPrivateMessage(unsigned message, unsigned long long wparam) {
  switch (message) {
    case WM_AD_REPORT:
      Run([&] { engine_.ReportBlockedWindow(wparam); });
      return true;
    case WM_AD_ADDURL:
      Run([&] { engine_.AddUrlToBlackList(); });
      return true;
    case WM_AD_SCAN:
      Run([&] { engine_.ScanBrowserWindows(); });
      return true;
    default:
      return false;
  }
}

void OrvanelApp::BlockedHistoryItemClick(int index) {
  // The entry's address as the menu showed it; the history may have moved on since.
  const std::string* address = form_.icon_menu().BlockedWindowAddress(index);
  if (!address) return;
  const std::string picked = *address;
  Run([&] { engine_.BlockedHistoryItemClick(picked); });
}

}  // namespace orv
