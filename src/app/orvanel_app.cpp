#include "app/orvanel_app.h"

#include "popup_blocker/ad_messages.h"

namespace orv {

namespace {
InventoryServices ForInventory(const AppServices& s) {
  return InventoryServices{s.registry, s.files, s.shell, s.boxes, s.clock};
}
}  // namespace

OrvanelApp::OrvanelApp(const AppServices& s, std::string exe_path, const std::string& user_folder)
    : form_(FormServices{s.registry, s.shell, s.boxes, s.clock, s.timers, s.tray, s.mouse_hook,
                         s.window},
            std::move(exe_path)),
      ad_page_(s.files, s.registry, form_.program_folder()),
      mouse_page_(s.registry),
      engine_(BlockingEngineServices{s.files, s.registry, s.browsers, s.window, s.tray, s.sound,
                                     s.shell},
              ad_page_, form_.program_folder()),
      notice_(NoticeServices{s.registry, s.shell, s.boxes, s.clock, s.timers, s.connectivity,
                             s.http}),
      activex_page_(s.files, s.registry, s.boxes, s.clock, form_.program_folder(), user_folder),
      ie_settings_page_(s.registry),
      menu_ext_page_(ForInventory(s), form_.program_folder(), user_folder),
      toolbar_page_(ForInventory(s), form_.program_folder(), user_folder),
      helper_object_page_(ForInventory(s), form_.program_folder(), user_folder),
      auto_run_page_(ForInventory(s), form_.program_folder(), user_folder),
      url_shortcut_page_(s.files, s.boxes, form_.program_folder()) {
  FormHooks& h = form_.hooks();
  h.load_ad_page = [this] { ad_page_.LoadAdPage(); };
  h.load_mouse_page = [this] { mouse_page_.LoadMousePage(); };
  h.clear_temp_white_list_view = [this] { ad_page_.ClearTempView(); };
  h.save_ad_page = [this] { ad_page_.SaveAdPage(); };
  h.form_show = [this] { notice_.FormShow(); };
  h.notice_click = [this] { notice_.NoticeClick(); };
  h.download_notice_timer = [this] { notice_.DownloadNoticeTimerTimer(); };
  h.check_online_timer = [this] { notice_.CheckOnlineTimerTimer(); };
  h.page_shown[kActiveXPageIndex] = [this] { activex_page_.TabSheet4Show(); };
  // Also the start-up's load of the IE settings page.
  h.page_shown[kIESettingsPageIndex] = [this] { ie_settings_page_.TabSheet5Show(); };
  h.page_shown[kMenuExtPageIndex] = [this] { menu_ext_page_.TabSheet6Show(); };
  h.page_shown[kToolbarPageIndex] = [this] { toolbar_page_.TabSheet7Show(); };
  h.page_shown[kHelperObjectPageIndex] = [this] { helper_object_page_.TabSheet8Show(); };
  h.page_shown[kAutoRunPageIndex] = [this] { auto_run_page_.TabSheet9Show(); };
  h.page_shown[kUrlShortcutPageIndex] = [this] { url_shortcut_page_.TabSheet10Show(); };
  form_.icon_menu().SetHistory(&engine_.Subitem_KilledAd());
}

bool OrvanelApp::OnPrivateMessage(unsigned message, unsigned long long wparam) {
  switch (message) {
    case WM_AD_REPORT:
      Run([&] { engine_.ReportBlockedWindow(wparam); });
      return true;
    case WM_AD_ADDURL:
      Run([&] { engine_.AddUrlToBlackList(wparam); });
      return true;
    case WM_AD_SCAN:
      Run([&] { engine_.ScanBrowserWindows(); });
      return true;
    default:
      return false;
  }
}

bool OrvanelApp::OnHandOver(unsigned long tag, const char* bytes, size_t length) {
  return engine_.TakeHandOver(tag, bytes, length);
}

void OrvanelApp::BlockedHistoryItemClick(int index) {
  // The entry's address as the menu showed it; the history may have moved on since.
  const std::string* address = form_.icon_menu().BlockedWindowAddress(index);
  if (!address) return;
  const std::string picked = *address;
  Run([&] { engine_.BlockedHistoryItemClick(picked); });
}

}  // namespace orv
