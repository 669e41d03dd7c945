#pragma once
// The pages' views, one row per page: the sheet it fills and how its view is made from the
// application's page object. The main window builds every row's view on its sheet when it is
// created and redraws them after events, knowing nothing else of the pages: adding a page adds
// a row here (and its page object to OrvanelApp).
#include <memory>
#include <vector>

#include "app/orvanel_app.h"
#include "shell/win32/page_view.h"

namespace orv::win32 {

struct PageViewRow {
  int page;  // index in kPages: the tree entry and sheet TabSheet<page + 1>
  std::unique_ptr<PageView> (*make)(const PageContext& context, OrvanelApp& app);
};

const std::vector<PageViewRow>& PageViewRows();

}  // namespace orv::win32
