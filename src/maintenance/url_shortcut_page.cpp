#include "maintenance/url_shortcut_page.h"

#include "lists/ini_array.h"
#include "shell/maker_site.h"

namespace orv {

namespace {

const char kDeleteQuestion[] = "你想删除所选的快捷网址吗？";
const char kDeleteCaption[] = "确认删除";
const char kEnterNameText[] = "请输入快捷名称";
const char kEnterUrlText[] = "请输入访问网址";
const char kEnterCaption[] = "请输入";
const char kAddedText[] = "新的快捷网址已添加。";
const char kAddedCaption[] = "已添加";

}  // namespace

UrlShortcutPage::UrlShortcutPage(FileSystem& files, MessageBoxes& boxes,
                                 const std::string& program_folder)
    : files_(files), boxes_(boxes), ini_path_(program_folder + kUrlShortcutIniName) {}

void UrlShortcutPage::TabSheet10Show() {
  TIniArray names(files_, ini_path_, kUrlShortcutSection, kShortcutNamePrefix);
  TIniArray urls(files_, ini_path_, kUrlShortcutSection, kShortcutUrlPrefix);
  CheckList rows;
  for (const char* name : kBuiltInShortcutNames) rows.Append({"", name, MakerHomePage()});
  // A short name without an address (a file edited by hand) shows an empty address.
  for (int i = 0; i < names.Count(); ++i)
    rows.Append({std::to_string(i + 1), names.Items()[i],
                 i < urls.Count() ? urls.Items()[i] : std::string()});
  list_ = std::move(rows);
}

void UrlShortcutPage::ShortcutDelClick() {
  if (boxes_.Show(kDeleteQuestion, kDeleteCaption, BoxButtons::YesNo, BoxIcon::Warning) ==
      BoxAnswer::No)
    return;
  // Each array rewrites the whole file from what it read, so only one is alive at a time (two
  // would undo each other's changes); the first one also tells a missing file before any change.
  { TIniArray file_check(files_, ini_path_, kUrlShortcutSection, kShortcutNamePrefix); }
  for (int row : list_.TickedFromLast()) {
    if (row < kBuiltInShortcuts) continue;
    const int entry = row - kBuiltInShortcuts;
    // A run shorter than the rows (edited by hand since the load) has nothing to lose there.
    for (const char* prefix : {kShortcutNamePrefix, kShortcutUrlPrefix}) {
      TIniArray run(files_, ini_path_, kUrlShortcutSection, prefix);
      if (entry < run.Count()) run.Delete(entry);
    }
    list_.Remove(row);
  }
}

ShortcutFocus UrlShortcutPage::ShortcutAddClick(const std::string& name, const std::string& url) {
  if (name.empty()) {
    boxes_.Show(kEnterNameText, kEnterCaption, BoxButtons::Ok, BoxIcon::Error);
    return ShortcutFocus::Name;
  }
  if (url.empty()) {
    boxes_.Show(kEnterUrlText, kEnterCaption, BoxButtons::Ok, BoxIcon::Error);
    return ShortcutFocus::Url;
  }
  // Both runs as long as the stored rows: the new pair is the next row. Otherwise (the file was
  // edited by hand) the new entries pair with other rows, which are loaded again to show the
  // file's pairs.
  const int stored = list_.size() - kBuiltInShortcuts;
  bool in_step;
  {
    TIniArray names(files_, ini_path_, kUrlShortcutSection, kShortcutNamePrefix);
    in_step = names.Count() == stored;
    names.Add(name);
  }
  {
    TIniArray urls(files_, ini_path_, kUrlShortcutSection, kShortcutUrlPrefix);
    in_step = in_step && urls.Count() == stored;
    urls.Add(url);
  }
  if (in_step)
    list_.Append({std::to_string(list_.size() + 1 - kBuiltInShortcuts), name, url});
  else
    TabSheet10Show();
  boxes_.Show(kAddedText, kAddedCaption, BoxButtons::Ok, BoxIcon::Information);
  return ShortcutFocus::None;
}

}  // namespace orv
