#include "app/win32/page_views.h"

#include "gestures/win32/mouse_page_view.h"
#include "maintenance/win32/activex_page_view.h"
#include "maintenance/win32/ie_settings_page_view.h"
#include "maintenance/win32/inventory_page_view.h"
#include "maintenance/win32/url_shortcut_page_view.h"
#include "popup_blocker/win32/ad_page_view.h"
#include "shell/win32/general_page_view.h"

namespace orv::win32 {

namespace {

// A view of type View over the page object that page_of finds in the application.
template <typename View, auto page_of>
std::unique_ptr<PageView> Make(const PageContext& context, OrvanelApp& app) {
  return std::make_unique<View>(context, page_of(app));
}

GeneralPage& General(OrvanelApp& app) { return app.form().general_page(); }
AdPage& Ad(OrvanelApp& app) { return app.ad_page(); }
MousePage& Mouse(OrvanelApp& app) { return app.mouse_page(); }
ActiveXPage& ActiveX(OrvanelApp& app) { return app.activex_page(); }
IESettingsPage& IESettings(OrvanelApp& app) { return app.ie_settings_page(); }
UrlShortcutPage& UrlShortcuts(OrvanelApp& app) { return app.url_shortcut_page(); }
InventoryPage& MenuExt(OrvanelApp& app) { return app.menu_ext_page(); }
InventoryPage& Toolbar(OrvanelApp& app) { return app.toolbar_page(); }
InventoryPage& HelperObject(OrvanelApp& app) { return app.helper_object_page(); }
InventoryPage& AutoRun(OrvanelApp& app) { return app.auto_run_page(); }

}  // namespace

const std::vector<PageViewRow>& PageViewRows() {
  static const std::vector<PageViewRow> rows{
      {kGeneralPageIndex, &Make<GeneralPageView, General>},
      {kAdPageIndex, &Make<AdPageView, Ad>},
      {kMousePageIndex, &Make<MousePageView, Mouse>},
      {kActiveXPageIndex, &Make<ActiveXPageView, ActiveX>},
      {kIESettingsPageIndex, &Make<IESettingsPageView, IESettings>},
      {kMenuExtPageIndex, &Make<InventoryPageView, MenuExt>},
      {kToolbarPageIndex, &Make<InventoryPageView, Toolbar>},
      {kHelperObjectPageIndex, &Make<InventoryPageView, HelperObject>},
      {kAutoRunPageIndex, &Make<InventoryPageView, AutoRun>},
      {kUrlShortcutPageIndex, &Make<UrlShortcutPageView, UrlShortcuts>},
  };
  return rows;
}

}  // namespace orv::win32
