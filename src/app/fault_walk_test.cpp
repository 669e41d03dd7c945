// Fault injection: every failure point of the operations that change the lists and the
// registry, walked one at a time. For each operation of the table and each service it uses,
// the Nth call fails (once, and from then on), N = 1, 2, ... until the operation runs through
// with no call failed. After each run every list and value is whole -- what it held before or
// what the operation makes of it, nothing in between -- and the error raised (what the program
// shows) is the right text for the call that failed; with no call failed there is no error and
// everything is new.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/errors.h"
#include "lists/ini_array.h"
#include "maintenance/activex_page.h"
#include "maintenance/auto_run_page.h"
#include "maintenance/ie_settings_page.h"
#include "maintenance/kill_bits.h"
#include "maintenance/menu_ext_page.h"
#include "platform/memory/memory_files.h"
#include "platform/memory/memory_registry.h"
#include "platform/memory/recorders.h"
#include "popup_blocker/ad_page.h"
#include "shell/settings.h"

namespace orv {
namespace {

using Items = std::vector<std::string>;
using State = std::vector<std::string>;  // one entry per list or value, serialised

const std::string kFolder = "C:\\Orvanel\\";
const std::string kUserFolder = "C:\\Users\\u\\AppData\\Local\\Tavrosel\\Orvanel\\";
const std::string kAdIni = kFolder + "conf\\KillAD.ini";
const std::string kAntiXIni = kFolder + kAntiXIniName;
const char kRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

enum class Service { FileReads, FileWrites, RegistryWrites };
const char* Name(Service s) {
  return s == Service::FileReads ? "file reads" : s == Service::FileWrites ? "file writes"
                                                                           : "registry writes";
}

struct World {
  MemoryFileSystem files;
  MemoryRegistry registry;
  ScriptedMessageBoxes boxes;
  RecordingShell shell;
  std::unique_ptr<AdPage> ad;
  std::unique_ptr<IESettingsPage> ie;
  std::unique_ptr<ActiveXPage> activex;
  std::unique_ptr<MenuExtPage> menu;
  std::unique_ptr<AutoRunPage> autorun;
  FixedClock clock;
  InventoryServices Services() { return {registry, files, shell, boxes, clock}; }

  std::string Join(const Items& items) {
    std::string s;
    for (const std::string& i : items) s += i + "|";
    return s;
  }
  std::string Run(const std::string& path, const char* section, const char* prefix) {
    return Join(TIniArray(files, path, section, prefix).Items());
  }
  std::string Value(RegRoot root, const std::string& key, const std::string& name,
                    RegView view = RegView::Own) {
    auto k = registry.OpenKey(root, key, false, RegAccess::Read, view);
    RegValue v;
    if (!k || !k->QueryValue(name, &v)) return "(none)";
    return std::to_string(v.type) + ":" + v.data;
  }
  // A key with its values and sub-keys, as one text; "(none)" when it does not exist.
  std::string Tree(RegRoot root, const std::string& path) {
    auto k = registry.OpenKey(root, path, false, RegAccess::Read);
    if (!k) return "(none)";
    std::string s = "{";
    for (const std::string& v : k->ValueNames()) s += v + "=" + Value(root, path, v) + ";";
    for (const std::string& sub : k->SubKeyNames()) s += sub + Tree(root, path + "\\" + sub);
    return s + "}";
  }
  void PutIni(const std::string& path, const char* section, const std::vector<Items>& runs,
              const std::vector<const char*>& prefixes) {
    std::string text = std::string("; kept\r\n[") + section + "]\r\n";
    for (size_t r = 0; r < runs.size(); ++r) {
      for (size_t i = 0; i < runs[r].size(); ++i) {
        text += prefixes[r] + std::to_string(i) + "=" + runs[r][i] + "\r\n";
      }
    }
    files.SetFile(path, text + "[Other]\r\nkey=value\r\n");
  }
  void Put(RegRoot root, const std::string& key, const std::string& name, const RegValue& v,
           RegView view = RegView::Own) {
    registry.OpenKey(root, key, true, RegAccess::Full, view)->SetValue(name, v);
  }
};

struct Operation {
  const char* name;
  std::vector<Service> services;
  std::function<void(World&)> setup;    // the state before, pages loaded and edited
  std::function<void(World&)> run;      // the operation itself
  std::function<State(World&)> state;   // every list and value it may change
  // The error that must be raised after a run that ended with `after` when the failed call was
  // of `service` ("" when the operation raises none for it).
  std::function<std::string(World&, Service, const State& before, const State& after)> error;
  // Further checks after each run (what the page shows), or empty.
  std::function<void(World&, bool failed)> check;
  // For an operation of several steps (one per ticked row), the states an entry may be left in
  // between them, besides its old and its new one.
  std::vector<std::vector<std::string>> between = {};
};

// Of the entries of `fields` (names), the first whose state is still the old one although the
// operation changes it: the one whose write failed.
std::string FirstUnwritten(const std::vector<std::string>& names, const State& before,
                           const State& after, const State& wanted) {
  for (size_t i = 0; i < names.size(); ++i) {
    if (before[i] != wanted[i] && after[i] == before[i]) return names[i];
  }
  return "";
}

std::vector<Operation> Operations() {
  std::vector<Operation> ops;
  const std::vector<Service> files = {Service::FileReads, Service::FileWrites};
  auto list_setup = [](World& w) {
    w.PutIni(kAdIni, "POPUPAD", {{"a", "b", "c", "d"}, {"p"}}, {"ad", "pass"});
  };
  auto list_state = [](World& w) {
    return State{w.Run(kAdIni, "POPUPAD", "ad"), w.Run(kAdIni, "POPUPAD", "pass"),
                 w.files.FileBytes(kAdIni).substr(0, 9)};
  };
  auto file_error = [](const std::string& path) {
    return [path](World&, Service s, const State&, const State&) {
      return s == Service::FileReads ? "Unable to read " + path : "Unable to write to " + path;
    };
  };
  ops.push_back({"TIniArray::Add", files, list_setup,
                 [](World& w) { TIniArray(w.files, kAdIni, "POPUPAD", "ad").Add("e"); },
                 list_state, file_error(kAdIni), {}});
  ops.push_back({"TIniArray::Delete", files, list_setup,
                 [](World& w) { TIniArray(w.files, kAdIni, "POPUPAD", "ad").Delete(1); },
                 list_state, file_error(kAdIni), {}});
  ops.push_back({"TIniArray::ReplaceAll", files, list_setup,
                 [](World& w) {
                   TIniArray(w.files, kAdIni, "POPUPAD", "ad").ReplaceAll({"1", "2", "3", "4", "5"});
                 },
                 list_state, file_error(kAdIni), {}});
  ops.push_back({"TAdIniArray::ReplaceAll shorter", files, list_setup,
                 [](World& w) { TAdIniArray(w.files, kAdIni, "POPUPAD", "ad").ReplaceAll({"z"}); },
                 list_state, file_error(kAdIni), {}});

  // The pop-up page's apply: three runs of the file, then the two switches.
  ops.push_back(
      {"AdPage::SaveAdPage",
       {Service::FileReads, Service::FileWrites, Service::RegistryWrites},
       [](World& w) {
         w.PutIni(kAdIni, "POPUPAD", {{"*zeta*", "*alpha*"}, {"*.example.org/*"}, {"http://a/"}},
                  {"ad", "pass", "temp"});
         RegKey key = settings::OpenKey(w.registry);
         key.WriteBool(settings::kAllowKillAD, false);
         key.WriteBool(settings::kKillAdNotice, true);
         w.ad = std::make_unique<AdPage>(w.files, w.registry, kFolder);
         w.ad->LoadAdPage();
         w.ad->blacklist.Append("*new*");
         w.ad->WhiteList.Append("*also-new*");
         w.ad->TempWhiteList.Append("http://t/");
         w.ad->chkKillADMouseDown();
         w.ad->ToggleSwitch(AdSwitch::KillAD);
         w.ad->ToggleSwitch(AdSwitch::KillAdNotice);
       },
       [](World& w) { w.ad->SaveAdPage(); },
       [](World& w) {
         return State{w.Run(kAdIni, "POPUPAD", "ad"), w.Run(kAdIni, "POPUPAD", "pass"),
                      w.Run(kAdIni, "POPUPAD", "temp"),
                      w.Value(settings::kRoot, settings::kKeyPath, settings::kAllowKillAD),
                      w.Value(settings::kRoot, settings::kKeyPath, settings::kKillAdNotice)};
       },
       [](World&, Service s, const State& before, const State& after) -> std::string {
         if (s == Service::FileReads) return "Unable to read " + kAdIni;
         if (s == Service::FileWrites) return "Unable to write to " + kAdIni;
         // The switch whose write failed is the first one still old.
         return "Failed to set data for '" +
                std::string(after[3] == before[3] ? settings::kAllowKillAD : settings::kKillAdNotice) +
                "'";
       },
       {}});

  // The IE page's apply: six values, each written with its own open.
  ops.push_back(
      {"IESettingsPage apply", {Service::RegistryWrites},
       [](World& w) {
         for (int f = 0; f < kIEEditableFields; ++f) {
           w.Put(kIEFields[f].root, kIEFields[f].key, kIEFields[f].value,
                 {f == kIECache ? kRegExpandSz : kRegSz, std::string("old ") + kIEFields[f].value});
         }
         w.ie = std::make_unique<IESettingsPage>(w.registry);
         w.ie->TabSheet5Show();
         for (int f = 0; f < kIEEditableFields; ++f) {
           w.ie->SetText(f, std::string("new ") + kIEFields[f].value);
         }
         w.ie->IE_verKeyPress();
       },
       [](World& w) { w.ie->btn_ie_saveClick(); },
       [](World& w) {
         State s;
         for (int f = 0; f < kIEEditableFields; ++f) {
           s.push_back(w.Value(kIEFields[f].root, kIEFields[f].key, kIEFields[f].value));
         }
         return s;
       },
       {},
       [](World& w, bool failed) {
         EXPECT_EQ(w.ie->apply_enabled(), failed);
         EXPECT_EQ(w.ie->cancel_enabled(), failed);
       }});

  // The ActiveX page's immunise: a kill bit in each view for each ticked row.
  const Items clsids = {"00000000-0000-0000-0000-00000000000a", "00000000-0000-0000-0000-00000000000b",
                        "00000000-0000-0000-0000-00000000000c"};
  ops.push_back(
      {"ActiveXPage immunise", {Service::RegistryWrites},
       [clsids](World& w) {
         w.PutIni(kAntiXIni, kAntiXSection, {{"A", "B", "C"}, clsids},
                  {kAntiXNamePrefix, kAntiXClsidPrefix});
         w.activex = std::make_unique<ActiveXPage>(w.files, w.registry, w.boxes, w.clock, kFolder,
                                                  kUserFolder);
         w.activex->btnRefreshClick();
         w.activex->SetTicked(0, true);
         w.activex->SetTicked(2, true);
       },
       [](World& w) { w.activex->btnSetClick(); },
       [clsids](World& w) {
         State s = {w.files.FileBytes(kAntiXIni)};
         for (const std::string& c : clsids) {
           for (RegView v : {RegView::Bits32, RegView::Bits64}) {
             s.push_back(w.Value(RegRoot::LocalMachine, KillBitKeyPath(c), kCompatibilityFlags, v));
           }
         }
         return s;
       },
       [](World&, Service, const State&, const State&) -> std::string {
         return RegistryError::SetFailed(kCompatibilityFlags).what();
       },
       [](World& w, bool failed) {
         // The report only after a whole run; rows show immune only where both views are.
         EXPECT_EQ(w.boxes.shown.size(), failed ? 0u : 1u);
         for (int row = 0; row < w.activex->mainlist().size(); ++row) {
           const CheckRow& r = w.activex->mainlist().row(row);
           if (r.cells[kActiveXState] == kImmune) {
             EXPECT_TRUE(HasKillBit(w.registry, r.cells[kActiveXClsid])) << row;
           }
         }
         w.boxes.shown.clear();
       }});

  // The ActiveX page's delete: entries leave both runs of its file.
  ops.push_back(
      {"ActiveXPage delete", files,
       [clsids](World& w) {
         w.PutIni(kAntiXIni, kAntiXSection, {{"A", "B", "C"}, clsids},
                  {kAntiXNamePrefix, kAntiXClsidPrefix});
         w.activex = std::make_unique<ActiveXPage>(w.files, w.registry, w.boxes, w.clock, kFolder,
                                                  kUserFolder);
         w.activex->btnRefreshClick();
         w.activex->SetTicked(0, true);
         w.activex->SetTicked(2, true);
         w.boxes.script = {BoxAnswer::Yes};
       },
       [](World& w) { w.activex->btnDelClick(); },
       [](World& w) {
         return State{w.Run(kAntiXIni, kAntiXSection, kAntiXNamePrefix),
                      w.Run(kAntiXIni, kAntiXSection, kAntiXClsidPrefix)};
       },
       file_error(kAntiXIni),
       // Both halves of every pair leave in one write: the runs are never out of step.
       [](World& w, bool) {
         EXPECT_EQ(TIniArray(w.files, kAntiXIni, kAntiXSection, kAntiXNamePrefix).Count(),
                   TIniArray(w.files, kAntiXIni, kAntiXSection, kAntiXClsidPrefix).Count());
       }});

  // The inventory pages' deletes: a key with everything below it (menu extensions), a value
  // (start-up entries). A refused delete leaves its entry, and the rebuilt list shows it.
  // The backup written before the delete: a failure there stops the delete.
  const std::string menu_backup = kUserFolder + "backup\\20251209-120000 menu.reg";
  ops.push_back(
      {"MenuExtPage delete", {Service::RegistryWrites, Service::FileWrites},
       [](World& w) {
         for (const char* name : {"&One", "&Two", "&Three"}) {
           const std::string key = std::string(kMenuExtListKey) + "\\" + name;
           w.Put(RegRoot::CurrentUser, key, "", {kRegSz, std::string("res://x.dll/") + name});
           w.Put(RegRoot::CurrentUser, key + "\\Sub", "Contexts", {kRegDword, std::string(4, '\1')});
         }
         w.menu = std::make_unique<MenuExtPage>(w.Services(), kFolder, kUserFolder);
         w.menu->Refresh();
         w.menu->SetTicked(0, true);
         w.menu->SetTicked(2, true);
         w.boxes.script = {BoxAnswer::Yes};
       },
       [](World& w) { w.menu->RunAction(); },
       [](World& w) {
         State s;
         for (const char* name : {"&One", "&Two", "&Three"}) {
           s.push_back(w.Tree(RegRoot::CurrentUser, std::string(kMenuExtListKey) + "\\" + name));
         }
         return s;
       },
       [menu_backup](World&, Service s, const State&, const State&) -> std::string {
         return s == Service::FileWrites ? "Cannot create file " + menu_backup : "";
       },
       [](World& w, bool) {
         size_t present = 0;
         for (const char* name : {"&One", "&Two", "&Three"}) {
           present += w.registry.KeyExists(RegRoot::CurrentUser,
                                           std::string(kMenuExtListKey) + "\\" + name);
         }
         EXPECT_EQ(static_cast<size_t>(w.menu->list().size()), present);
         w.boxes.shown.clear();
       }});
  ops.push_back(
      {"AutoRunPage delete", {Service::RegistryWrites},
       [](World& w) {
         for (const char* name : {"one", "two", "three"}) {
           w.Put(RegRoot::CurrentUser, kRunKey, name, {kRegSz, std::string("C:\\") + name + ".exe"});
         }
         w.autorun = std::make_unique<AutoRunPage>(w.Services(), kFolder, kUserFolder);
         w.autorun->Refresh();
         for (int row = 0; row < w.autorun->list().size(); ++row) w.autorun->SetTicked(row, true);
         w.boxes.script = {BoxAnswer::Yes};
       },
       [](World& w) { w.autorun->RunAction(); },
       [](World& w) {
         State s;
         for (const char* name : {"one", "two", "three"}) {
           s.push_back(w.Value(RegRoot::CurrentUser, kRunKey, name));
         }
         return s;
       },
       {},
       [](World& w, bool) {
         size_t present = 0;
         for (const char* name : {"one", "two", "three"}) {
           present += w.Value(RegRoot::CurrentUser, kRunKey, name) != "(none)";
         }
         EXPECT_EQ(static_cast<size_t>(w.autorun->list().size()), present);
         w.boxes.shown.clear();
       }});
  return ops;
}

std::string ErrorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const OrvError& e) {
    return e.what();
  }
  return "";
}

TEST(FaultWalk, EveryFailurePointLeavesEachListWholeAndShowsTheRightError) {
  int runs = 0, failed_runs = 0;
  for (const Operation& op : Operations()) {
    // What the operation makes when nothing fails.
    State before, wanted;
    {
      World w;
      op.setup(w);
      before = op.state(w);
      ASSERT_EQ(ErrorOf([&] { op.run(w); }), "") << op.name;
      wanted = op.state(w);
      ASSERT_NE(before, wanted) << op.name << ": the operation changes nothing";
    }
    for (Service service : op.services) {
      for (bool persistent : {false, true}) {
        bool reached_end = false;
        for (int n = 1; n <= 500 && !reached_end; ++n) {
          SCOPED_TRACE(std::string(op.name) + ", " + Name(service) + (persistent ? " from " : " at ") +
                       std::to_string(n));
          World w;
          op.setup(w);
          ASSERT_EQ(op.state(w), before);
          switch (service) {
            case Service::FileReads: w.files.FailReadAt(n, persistent); break;
            case Service::FileWrites: w.files.FailWriteAt(n, persistent); break;
            case Service::RegistryWrites: w.registry.FailWriteAt(n, persistent); break;
          }
          const std::string error = ErrorOf([&] { op.run(w); });
          const bool failed = w.files.failures() + w.registry.failures() > 0;
          w.files.FailReadAt(0);
          w.files.FailWriteAt(0);
          w.registry.FailWriteAt(0);
          const State after = op.state(w);
          ++runs;
          if (!failed) {
            EXPECT_EQ(error, "");
            EXPECT_EQ(after, wanted);
            reached_end = true;
          } else {
            ++failed_runs;
            ASSERT_EQ(after.size(), before.size());
            for (size_t i = 0; i < after.size(); ++i) {
              const bool between =
                  i < op.between.size() &&
                  std::find(op.between[i].begin(), op.between[i].end(), after[i]) != op.between[i].end();
              EXPECT_TRUE(after[i] == before[i] || after[i] == wanted[i] || between)
                  << "entry " << i << " is neither old nor new: " << after[i];
            }
            std::string expected;
            if (service == Service::FileReads && after == wanted) {
              // The read that a flush makes to see whether another writer changed the file
              // meanwhile: when it fails the flush goes on from what was read before, and the
              // operation succeeds.
            } else if (op.error) {
              expected = op.error(w, service, before, after);
            } else if (service == Service::RegistryWrites && op.name == std::string("IESettingsPage apply")) {
              std::vector<std::string> names;
              for (int f = 0; f < kIEEditableFields; ++f) names.push_back(kIEFields[f].value);
              expected = "Failed to set data for '" + FirstUnwritten(names, before, after, wanted) + "'";
            }
            EXPECT_EQ(error, expected);
          }
          if (op.check) op.check(w, failed);
        }
        EXPECT_TRUE(reached_end) << op.name << ", " << Name(service);
      }
    }
  }
  EXPECT_GT(failed_runs, 50);
  std::printf("fault walk: %d runs, %d of them with a call failed\n", runs, failed_runs);
}

}  // namespace
}  // namespace orv
