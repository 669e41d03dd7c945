#include "maintenance/activex_page.h"

#include <vector>

#include "lists/ini_array.h"
#include "maintenance/kill_bits.h"

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

// Entry i of a run, or "" where a hand-edited file has fewer entries in it than in the other.
const std::string& EntryOr(const TIniArray& run, int i) {
  static const std::string kNone;
  return i < run.Count() ? run.Items()[i] : kNone;
}

}  // namespace

ActiveXPage::ActiveXPage(FileSystem& files, Registry& registry, MessageBoxes& boxes,
                         const std::string& program_folder)
    : files_(files), registry_(registry), boxes_(boxes),
      ini_path_(program_folder + kAntiXIniName) {}

std::string ActiveXPage::StateOf(const std::string& clsid) {
  return HasKillBit(registry_, clsid) ? kImmune : kNotImmune;
}

void ActiveXPage::TabSheet4Show() {
  if (mainlist_.size() == 0) btnRefreshClick();
}

void ActiveXPage::btnRefreshClick() {
  TIniArray names(files_, ini_path_, kAntiXSection, kAntiXNamePrefix);
  TIniArray clsids(files_, ini_path_, kAntiXSection, kAntiXClsidPrefix);
  CheckList rows;
  for (int i = 0; i < names.Count(); ++i) {
    const std::string& clsid = EntryOr(clsids, i);
    rows.Append({names.Items()[i], clsid, StateOf(clsid)});
  }
  mainlist_ = std::move(rows);
}

void ActiveXPage::btnDelClick() {
  if (boxes_.Show(kDeleteQuestion, kDeleteCaption, BoxButtons::YesNo, BoxIcon::Warning) ==
      BoxAnswer::No)
    return;
  // Each array rewrites the whole file from what it read, so only one is alive at a time (two
  // would undo each other's changes); the first one also tells a missing file before any change.
  { TIniArray file_check(files_, ini_path_, kAntiXSection, kAntiXNamePrefix); }
  for (int row : mainlist_.TickedFromLast()) {
    // A run shorter than the rows (edited by hand since the refresh) has nothing to lose there.
    for (const char* prefix : {kAntiXNamePrefix, kAntiXClsidPrefix}) {
      TIniArray run(files_, ini_path_, kAntiXSection, prefix);
      if (row < run.Count()) run.Delete(row);
    }
    mainlist_.Remove(row);
  }
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
  int count = 0;
  for (int row = 0; row < mainlist_.size(); ++row) {
    if (!mainlist_.IsTicked(row)) continue;
    if (!ClearKillBit(registry_, mainlist_.row(row).cells[kActiveXClsid])) continue;
    ++count;
    mainlist_.SetCell(row, kActiveXState, kNotImmune);
  }
  boxes_.Show(kReleasedText + std::to_string(count), kReleasedCaption, BoxButtons::Ok,
              BoxIcon::Information);
}

AddFocus ActiveXPage::btnAddClick(const std::string& name, const std::string& clsid) {
  if (name.empty()) {
    boxes_.Show(kEnterNameText, kEnterCaption, BoxButtons::Ok, BoxIcon::Error);
    return AddFocus::Name;
  }
  if (clsid.empty()) {
    boxes_.Show(kEnterClsidText, kEnterCaption, BoxButtons::Ok, BoxIcon::Error);
    return AddFocus::Clsid;
  }
  if (clsid.size() != kClsidLength) {
    boxes_.Show(kBadClsidText, kBadClsidCaption, BoxButtons::Ok, BoxIcon::Error);
    return AddFocus::ClsidSelectAll;
  }
  // Both runs as long as the rows: the new pair is the next row. Otherwise (the file was edited
  // by hand) the new entries pair with other rows, which are rebuilt to show the file's pairs.
  bool in_step;
  {
    TIniArray names(files_, ini_path_, kAntiXSection, kAntiXNamePrefix);
    in_step = names.Count() == mainlist_.size();
    names.Add(name);
  }
  {
    TIniArray clsids(files_, ini_path_, kAntiXSection, kAntiXClsidPrefix);
    in_step = in_step && clsids.Count() == mainlist_.size();
    clsids.Add(clsid);
  }
  if (in_step)
    mainlist_.Append({name, clsid, StateOf(clsid)});
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
