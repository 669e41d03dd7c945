#include "maintenance/activex_page.h"

#include <vector>

#include "lists/ini_array.h"
#include "lists/ini_pairs.h"
#include "maintenance/kill_bits.h"
#include "maintenance/registry_backup.h"
#include "shell/orvanel_form.h"

namespace orv {

namespace {

const char kDeleteQuestion[] = "你想删除所选的项目吗？\r\n删除后将不可恢复！";
const char kDeleteCaption[] = "确认删除";
const char kImmunisedText[] = "已免疫项目：";
const char kImmunisedCaption[] = "免疫完成";
const char kReleasedText[] = "已取消免疫项目：";
const char kReleasedCaption[] = "取消免疫";
const char kEnterNameText[] = "请输入要添加的名称";
const char kEnterClsidText[] = "请输入要添加的CLSID";
const char kEnterCaption[] = "请输入";
const char kBadClsidText[] = "输入的CLSID有误";
const char kBadClsidCaption[] = "错误";
const char kAddedText[] = "新的免疫项目已添加。";
const char kAddedCaption[] = "已添加";
const char kAdviceCaption[] = "如何选择免疫的插件";
const char kAdviceText[] =
    "我们并不建议您免疫上列所有的插件。因为每免疫一个插件就是向您的注册表写入一段垃圾代码，"
    "使得插件以为您的电脑已经安装过该插件而达到免疫的目的。所以，请只选择一些您平时上网能可能"
    "遇到的而又不想安装的插件来免疫它们。";

}  // namespace

ActiveXPage::ActiveXPage(FileSystem& files, Registry& registry, MessageBoxes& boxes,
                         Clock& clock, const std::string& program_folder,
                         const std::string& user_folder)
    : files_(files), registry_(registry), boxes_(boxes), clock_(clock),
      ini_path_(program_folder + kAntiXIniName), user_folder_(user_folder) {}

std::string ActiveXPage::StateOf(const std::string& clsid) {
  return HasKillBit(registry_, clsid) ? kImmune : kNotImmune;
}

void ActiveXPage::TabSheet4Show() {
  if (mainlist_.size() == 0) btnRefreshClick();
}

TIniPairs ActiveXPage::OpenList() const {
  return TIniPairs(files_, ini_path_, kAntiXSection, kAntiXNamePrefix, kAntiXClsidPrefix);
}

void ActiveXPage::btnRefreshClick() {
  const TIniPairs list = OpenList();
  CheckList rows;
  // A name without a class identifier (a file edited by hand) shows an empty one.
  for (size_t i = 0; i < list.Firsts().size(); ++i) {
    const std::string clsid = i < list.Seconds().size() ? list.Seconds()[i] : std::string();
    rows.Append({list.Firsts()[i], clsid, StateOf(clsid)});
  }
  mainlist_ = std::move(rows);
}

void ActiveXPage::btnDelClick() {
  if (boxes_.Show(kDeleteQuestion, kDeleteCaption, BoxButtons::YesNo, BoxIcon::Warning) ==
      BoxAnswer::No)
    return;
  const std::vector<int> ticked = mainlist_.TickedFromLast();
  OpenList().Delete(ticked);
  for (int row : ticked) mainlist_.Remove(row);
}

void ActiveXPage::btnSetClick() {
  int count = 0;
  for (int row = 0; row < mainlist_.size(); ++row) {
    if (!mainlist_.IsTicked(row)) continue;
    SetKillBit(registry_, mainlist_.row(row).cells[kActiveXClsid]);
    ++count;
    mainlist_.SetCell(row, kActiveXState, kImmune);
  }
  boxes_.Show(kImmunisedText + std::to_string(count), kImmunisedCaption, BoxButtons::Ok,
              BoxIcon::Information);
}

void ActiveXPage::btnUnSetClick() {
  std::vector<int> ticked;
  for (int row = 0; row < mainlist_.size(); ++row)
    if (mainlist_.IsTicked(row)) ticked.push_back(row);
  RegistryBackup backup(registry_);
  for (int row : ticked)
    BackUpKillBitKey(registry_, mainlist_.row(row).cells[kActiveXClsid], &backup);
  if (!backup.empty())
    backup.Write(files_, clock_, user_folder_, kPages[kActiveXPageIndex].page_caption);
  int count = 0, left = 0;
  for (int row : ticked) {
    const std::string clsid = mainlist_.row(row).cells[kActiveXClsid];
    if (ClearKillBit(registry_, clsid)) {
      ++count;
      mainlist_.SetCell(row, kActiveXState, kNotImmune);
    }
    if (KillBitKeyExists(registry_, clsid)) ++left;
  }
  std::string text = kReleasedText + std::to_string(count);
  if (left > 0) text += "\r\n" + NotRemovedText(left, kReleasedCaption);
  boxes_.Show(text, kReleasedCaption, BoxButtons::Ok,
              left > 0 ? BoxIcon::Warning : BoxIcon::Information);
}

AddFocus ActiveXPage::btnAddClick(const std::string& name, const std::string& clsid) {
  const TIniPairs::Refused refused = TIniPairs::Check(name, clsid);
  if (refused == TIniPairs::Refused::First) {
    boxes_.Show(kEnterNameText, kEnterCaption, BoxButtons::Ok, BoxIcon::Error);
    return AddFocus::Name;
  }
  if (refused == TIniPairs::Refused::Second) {
    boxes_.Show(kEnterClsidText, kEnterCaption, BoxButtons::Ok, BoxIcon::Error);
    return AddFocus::Clsid;
  }
  // The identifier as it is stored: blanks around it or quotes would not be part of it.
  const std::string stored_clsid = EntryAsReadBack(clsid);
  if (stored_clsid.size() != kClsidLength) {
    boxes_.Show(kBadClsidText, kBadClsidCaption, BoxButtons::Ok, BoxIcon::Error);
    return AddFocus::ClsidSelectAll;
  }
  TIniPairs list = OpenList();
  // Both runs as long as the rows: the new pair is the next row. Otherwise (the file was edited
  // by hand) the rows are rebuilt to show the file's pairs.
  const bool in_step = list.Firsts().size() == static_cast<size_t>(mainlist_.size()) &&
                       list.Seconds().size() == list.Firsts().size();
  const int index = list.Add(name, clsid);
  if (in_step)
    mainlist_.Append({list.Firsts()[index], stored_clsid, StateOf(stored_clsid)});
  else
    btnRefreshClick();
  boxes_.Show(kAddedText, kAddedCaption, BoxButtons::Ok, BoxIcon::Information);
  return AddFocus::None;
}

void ActiveXPage::btn_antiXhelpClick() {
  boxes_.Show(kAdviceText, kAdviceCaption, BoxButtons::Ok, BoxIcon::Information);
}

bool ActiveXPage::DrawsAsNotImmune(int row) const {
  return row >= 0 && row < mainlist_.size() &&
         mainlist_.row(row).cells.size() > kActiveXState &&
         mainlist_.row(row).cells[kActiveXState] == kNotImmune;
}

}  // namespace orv
