#include "maintenance/url_shortcut_page.h"

#include "lists/ini_pairs.h"
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

TIniPairs UrlShortcutPage::OpenList() const {
  return TIniPairs(files_, ini_path_, kUrlShortcutSection, kShortcutNamePrefix,
                   kShortcutUrlPrefix);
}

void UrlShortcutPage::TabSheet10Show() {
  const TIniPairs list = OpenList();
  CheckList rows;
  for (const char* name : kBuiltInShortcutNames) rows.Append({"", name, MakerHomePage()});
  // A short name without an address (a file edited by hand) shows an empty address.
  const std::vector<std::string>& urls = list.Seconds();
  for (size_t i = 0; i < list.Firsts().size(); ++i)
    rows.Append({std::to_string(i + 1), list.Firsts()[i], i < urls.size() ? urls[i] : ""});
  list_ = std::move(rows);
}

void UrlShortcutPage::ShortcutDelClick() {
  if (boxes_.Show(kDeleteQuestion, kDeleteCaption, BoxButtons::YesNo, BoxIcon::Warning) ==
      BoxAnswer::No)
    return;
  std::vector<int> rows, entries;
  for (int row : list_.TickedFromLast()) {
    if (row < kBuiltInShortcuts) continue;
    rows.push_back(row);
    entries.push_back(row - kBuiltInShortcuts);
  }
  OpenList().Delete(entries);
  for (int row : rows) list_.Remove(row);
}

ShortcutFocus UrlShortcutPage::ShortcutAddClick(const std::string& name, const std::string& url) {
  const TIniPairs::Refused refused = TIniPairs::Check(name, url);
  if (refused == TIniPairs::Refused::First) {
    boxes_.Show(kEnterNameText, kEnterCaption, BoxButtons::Ok, BoxIcon::Error);
    return ShortcutFocus::Name;
  }
  if (refused == TIniPairs::Refused::Second) {
    boxes_.Show(kEnterUrlText, kEnterCaption, BoxButtons::Ok, BoxIcon::Error);
    return ShortcutFocus::Url;
  }
  TIniPairs list = OpenList();
  // Both runs as long as the stored rows: the new pair is the next row. Otherwise (the file was
  // edited by hand) the list is loaded again to show the file's pairs.
  const size_t stored = static_cast<size_t>(list_.size() - kBuiltInShortcuts);
  const bool in_step = list.Firsts().size() == stored && list.Seconds().size() == stored;
  const int index = list.Add(name, url);
  if (in_step)
    list_.Append({std::to_string(list_.size() + 1 - kBuiltInShortcuts), list.Firsts()[index],
                  list.Seconds()[index]});
  else
    TabSheet10Show();
  boxes_.Show(kAddedText, kAddedCaption, BoxButtons::Ok, BoxIcon::Information);
  return ShortcutFocus::None;
}

}  // namespace orv
