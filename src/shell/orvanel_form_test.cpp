#include "shell/orvanel_form.h"

#include <gtest/gtest.h>

#include <limits>

#include "base/errors.h"
#include "platform/memory/memory_registry.h"
#include "platform/memory/recorders.h"
#include "shell/settings.h"
#include "shell/startup_integration.h"

namespace orv {
namespace {

const char kExe[] = "C:\\Orvanel\\Orvanel.exe";
const std::string kSelmontOn = "/s \"C:\\Orvanel\\Selmont.dll\"";
const std::string kDarrowinOn = "/s \"C:\\Orvanel\\Darrowin.dll\"";
const std::string kSelmontOff = "/s /u \"C:\\Orvanel\\Selmont.dll\"";
const std::string kDarrowinOff = "/s /u \"C:\\Orvanel\\Darrowin.dll\"";

// Services that write what they are asked into one log, so the order of steps shows.
struct Log {
  std::vector<std::string> lines;
};

class LoggingShell : public RecordingShell {
 public:
  explicit LoggingShell(Log& log) : log_(log) {}
  void Execute(const std::string& operation, const std::string& file, const std::string& parameters,
               ShowCommand show) override {
    RecordingShell::Execute(operation, file, parameters, show);
    log_.lines.push_back(file + " " + parameters);
  }

 private:
  Log& log_;
};

class LoggingMouseHook : public MouseHook {
 public:
  explicit LoggingMouseHook(Log& log) : log_(log) {}
  void Enable() override { log_.lines.push_back("EnableMouseHook"); }
  void Disable() override { log_.lines.push_back("DisableMouseHook"); }

 private:
  Log& log_;
};

class OrvanelFormTest : public ::testing::Test {
 protected:
  OrvanelFormTest() {
    reg.OpenKey(RegRoot::LocalMachine, kRunKeyPath, true);
    reg.OpenKey(RegRoot::ClassesRoot, "CLSID", true);
    auto logged = [this](const char* what) { return [this, what] { log.lines.push_back(what); }; };
    auto& h = form.hooks();
    h.load_ad_page = logged("LoadAdPage");
    h.load_mouse_page = logged("LoadMousePage");
    h.set_up_window = logged("window set-up");
    h.set_tray_icon_image = logged("tray icon image");
    h.clear_temp_white_list_view = logged("clear temporary white list");
    h.save_ad_page = logged("SaveAdPage");
    for (int i = 0; i < kPageCount; ++i)
      h.page_shown[i] = [this, i] { log.lines.push_back("shown " + std::to_string(i)); };
  }
  RegKey Settings() { return RegKey::Open(reg, RegRoot::CurrentUser, settings::kKeyPath, true); }
  void AddClassId(const char* id) { reg.OpenKey(RegRoot::ClassesRoot, std::string("CLSID\\") + id, true); }
  bool MenuKeysPresent() {
    return reg.KeyExists(RegRoot::CurrentUser, kMenuExtCurrentPageKey) &&
           reg.KeyExists(RegRoot::CurrentUser, kMenuExtLinkKey);
  }
  bool MenuKeysAbsent() {
    return !reg.KeyExists(RegRoot::CurrentUser, kMenuExtCurrentPageKey) &&
           !reg.KeyExists(RegRoot::CurrentUser, kMenuExtLinkKey);
  }
  std::string RunValue() {
    return RegKey::Open(reg, RegRoot::LocalMachine, kRunKeyPath, false).ReadString(kRunValueName);
  }
  std::vector<std::string> Texts() const {
    std::vector<std::string> out;
    for (auto& b : boxes.shown) out.push_back(b.text);
    return out;
  }

  Log log;
  MemoryRegistry reg;
  LoggingShell shell{log};
  ScriptedMessageBoxes boxes;
  FixedClock clock;
  RecordingTimers timers;
  RecordingTray tray;
  LoggingMouseHook mouse_hook{log};
  RecordingAppWindow window;
  OrvanelForm form{FormServices{reg, shell, boxes, clock, timers, tray, mouse_hook, window}, kExe};
};

TEST_F(OrvanelFormTest, FirstStartRunsEveryStepInOrder) {
  form.MenuTreeChange(2);
  log.lines.clear();
  form.FormCreate();
  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_EQ(log.lines, (std::vector<std::string>{
                           "LoadAdPage", "LoadMousePage", "shown 4", "RegSvr32.exe " + kSelmontOn,
                           "RegSvr32.exe " + kDarrowinOn, "window set-up", "EnableMouseHook",
                           "tray icon image"}));
  EXPECT_EQ(form.program_folder(), "C:\\Orvanel\\");
  EXPECT_EQ(Settings().ReadString("path"), "C:\\Orvanel\\");
  EXPECT_EQ(RunValue(), kExe);
  EXPECT_TRUE(MenuKeysPresent());
  EXPECT_TRUE(form.general_page().state().auto_start_checked);
  EXPECT_TRUE(form.general_page().state().menu_checked);
  EXPECT_FALSE(form.general_page().state().save_enabled);
  EXPECT_TRUE(timers.IsRunning(TimerId::DownloadNotice));
  EXPECT_FALSE(timers.IsRunning(TimerId::CheckOnline));
  EXPECT_EQ(form.active_page(), 0);
  EXPECT_FALSE(window.visible);  // the program starts in the tray
}

TEST_F(OrvanelFormTest, StartWithTheMenuOptionOffLeavesNoMenuKeysAndOneRegistration) {
  Settings().WriteString("FirstRun", "1.2");
  Settings().WriteBool("AllowIEMenu", false);
  Settings().WriteBool("AutoRun", false);
  AddClassId(kDarrowinLibrary.class_id);  // still there from a run that did not end cleanly
  form.FormCreate();
  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_TRUE(MenuKeysAbsent());
  EXPECT_EQ(shell.calls.size(), 1u);
  EXPECT_EQ(shell.calls[0].parameters, kSelmontOn);
  EXPECT_EQ(RunValue(), "");
}

TEST_F(OrvanelFormTest, CorruptDownloadTimeDoesNotStopTheStart) {
  for (auto bad : {RegValue{kRegBinary, "\x01\x02\x03\x04"}, RegValue{kRegSz, "yesterday"}}) {
    MemoryRegistry fresh;
    fresh.OpenKey(RegRoot::ClassesRoot, "CLSID", true);
    RegKey::Open(fresh, RegRoot::CurrentUser, settings::kKeyPath, true).raw()->SetValue(
        "NoticeDownloadTime", bad);
    RecordingTimers fresh_timers;
    Log fresh_log;
    LoggingMouseHook hook{fresh_log};
    OrvanelForm f{FormServices{fresh, shell, boxes, clock, fresh_timers, tray, hook, window}, kExe};
    f.FormCreate();
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_TRUE(fresh_timers.IsRunning(TimerId::DownloadNotice));
    EXPECT_EQ(fresh_log.lines, (std::vector<std::string>{"EnableMouseHook"}));
  }
}

TEST_F(OrvanelFormTest, StartStepErrorIsShownOnceAndSkipsTheRest) {
  Settings().WriteString("FirstRun", "1.2");
  Settings().WriteString("AllowIEMenu", "1");  // not a number
  form.FormCreate();
  EXPECT_EQ(Texts(), (std::vector<std::string>{"Invalid data type for 'AllowIEMenu'"}));
  EXPECT_EQ(boxes.shown[0].caption, "Tavrosel Orvanel");
  EXPECT_TRUE(log.lines.empty());  // no page loaded, nothing registered, no hook
  // InitSettings, before the error, stays done.
  EXPECT_EQ(Settings().ReadString("path"), "C:\\Orvanel\\");
  EXPECT_TRUE(MenuKeysPresent());
}

TEST_F(OrvanelFormTest, ClosingUndoesEverythingInOrder) {
  form.FormCreate();
  AddClassId(kSelmontLibrary.class_id);
  AddClassId(kDarrowinLibrary.class_id);
  log.lines.clear();
  form.FormClose();
  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_EQ(log.lines, (std::vector<std::string>{"clear temporary white list", "SaveAdPage",
                                                 "DisableMouseHook", "RegSvr32.exe " + kSelmontOff,
                                                 "RegSvr32.exe " + kDarrowinOff}));
  EXPECT_TRUE(MenuKeysAbsent());
  EXPECT_EQ(RunValue(), kExe);  // the start-up value outlives the program
}

TEST_F(OrvanelFormTest, ClosingGoesOnPastFailingStepsShowingEachOnce) {
  form.FormCreate();
  AddClassId(kSelmontLibrary.class_id);
  form.hooks().clear_temp_white_list_view = [] { throw FileError::CannotWrite("C:\\Orvanel\\conf\\KillAD.ini"); };
  form.hooks().save_ad_page = [] { throw FileError::Missing("C:\\Orvanel\\conf\\KillAD.ini"); };
  log.lines.clear();
  form.FormClose();
  EXPECT_EQ(Texts(), (std::vector<std::string>{"Unable to write to C:\\Orvanel\\conf\\KillAD.ini.",
                                               "C:\\Orvanel\\conf\\KillAD.ini didn't exists."}));
  EXPECT_EQ(log.lines,
            (std::vector<std::string>{"DisableMouseHook", "RegSvr32.exe " + kSelmontOff}));
  EXPECT_TRUE(MenuKeysAbsent());
}

// Log-off, shut-down or restart (WM_ENDSESSION) closes as the close box does, each step
// guarded, but shows no box; the sequence runs once whichever comes first, also when the other
// arrives while it runs (sent messages reach the window inside a box's message loop).
TEST_F(OrvanelFormTest, ASessionEndClosesLikeTheCloseBoxOnceAndShowsNoBox) {
  const std::vector<std::string> sequence = {"clear temporary white list", "DisableMouseHook",
                                             "RegSvr32.exe " + kSelmontOff};
  const struct {
    const char* name;
    bool session_end_first;
    bool other_arrives_during;
    size_t boxes;  // shown by the first: only a close shows its error
  } cases[] = {
      {"session end, then the close box", true, false, 0},
      {"session end, the close box while it runs", true, true, 0},
      {"close box, then the session end", false, false, 1},
      {"close box, the session end while its error box is open", false, true, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Log steps;
    LoggingShell step_shell{steps};
    LoggingMouseHook hook{steps};
    ScriptedMessageBoxes shown;
    MemoryRegistry fresh;
    fresh.OpenKey(RegRoot::ClassesRoot, std::string("CLSID\\") + kSelmontLibrary.class_id, true);
    WriteContextMenuKeys(fresh, "C:\\Orvanel\\");
    OrvanelForm f{FormServices{fresh, step_shell, shown, clock, timers, tray, hook, window}, kExe};
    auto first = [&] { return c.session_end_first ? f.FormEndSession() : f.FormClose(); };
    auto second = [&] { return c.session_end_first ? f.FormClose() : f.FormEndSession(); };
    bool second_result = true;
    f.hooks().clear_temp_white_list_view = [&] { steps.lines.push_back("clear temporary white list"); };
    f.hooks().save_ad_page = [&] {
      if (c.other_arrives_during) second_result = second();
      throw FileError::CannotWrite("C:\\Orvanel\\conf\\KillAD.ini");
    };
    EXPECT_TRUE(first());
    if (!c.other_arrives_during) second_result = second();
    EXPECT_FALSE(second_result);
    EXPECT_EQ(steps.lines, sequence);
    EXPECT_EQ(shown.shown.size(), c.boxes);
    EXPECT_FALSE(fresh.KeyExists(RegRoot::CurrentUser, kMenuExtCurrentPageKey));
    EXPECT_FALSE(fresh.KeyExists(RegRoot::CurrentUser, kMenuExtLinkKey));
  }
}

TEST_F(OrvanelFormTest, ApplyAndExitKeepTheSystemInStep) {
  form.FormCreate();
  form.general_page().chkAutoStartMouseDown();
  form.general_page().SetMenuChecked(false);
  form.general_page().btn_gen_saveClick();
  EXPECT_TRUE(MenuKeysAbsent());
  EXPECT_FALSE(form.general_page().state().save_enabled);
  form.item_exitClick();
  EXPECT_TRUE(window.closed);  // the window layer then runs FormClose
  form.FormClose();
  EXPECT_TRUE(MenuKeysAbsent());
  EXPECT_EQ(RunValue(), kExe);
  EXPECT_FALSE(Settings().ReadBool("AllowIEMenu"));
  EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(OrvanelFormTest, GeneralPageErrorShowsOnceAndLeavesTheButtonsOn) {
  form.FormCreate();
  form.general_page().chkAutoStartMouseDown();
  reg.FailWritesFrom(1);
  form.Guarded([&] { form.general_page().btn_gen_saveClick(); });
  EXPECT_EQ(Texts(), (std::vector<std::string>{"Failed to set data for 'TavroselOrvanel'"}));
  EXPECT_TRUE(form.general_page().state().save_enabled);
  EXPECT_TRUE(form.general_page().state().cancel_enabled);
}

TEST_F(OrvanelFormTest, TreeShowsPagesAndRunsTheirShowEvents) {
  form.MenuTreeChange(7);
  EXPECT_EQ(form.active_page(), 7);
  EXPECT_STREQ(kPages[form.active_page()].sheet_name, "TabSheet8");
  form.MenuTreeChange(1);
  form.MenuTreeChange(3);
  form.MenuTreeChange(3);  // already shown
  form.MenuTreeChange(10);
  form.MenuTreeChange(-1);
  EXPECT_EQ(form.active_page(), 3);
  EXPECT_EQ(log.lines, (std::vector<std::string>{"shown 7", "shown 3"}));

  form.hooks().page_shown[9] = [] { throw RegistryError::GetFailed("x"); };
  form.MenuTreeChange(9);
  EXPECT_EQ(form.active_page(), 9);
  EXPECT_EQ(Texts(), (std::vector<std::string>{"Failed to get data for 'x'"}));
}

// Showing, restoring and hiding the window are the window layer's own (application_window_test).
TEST_F(OrvanelFormTest, TrayCommandsStartTheInternetOptionsAndTheSystemInformation) {
  form.item_InetOptClick();
  form.item_SysInfoClick();
  ASSERT_EQ(shell.calls.size(), 2u);
  EXPECT_EQ(shell.calls[0].operation, "open");
  EXPECT_EQ(shell.calls[0].file, "control.exe");
  EXPECT_EQ(shell.calls[0].parameters, " Inetcpl.cpl");
  EXPECT_EQ(shell.calls[0].show, ShowCommand::Hide);
  EXPECT_EQ(shell.calls[1].operation, "open");
  EXPECT_EQ(shell.calls[1].file, "msinfo32.exe");
  EXPECT_EQ(shell.calls[1].parameters, "");
  EXPECT_EQ(shell.calls[1].show, ShowCommand::Hide);
}

TEST_F(OrvanelFormTest, ShowingTheWindowReloadsTheCurrentPageWhenItHasAShowEvent) {
  form.FormShow();  // the general page has none
  form.MenuTreeChange(kMenuExtPageIndex);
  form.FormShow();
  EXPECT_EQ(log.lines, (std::vector<std::string>{"shown 5", "shown 5"}));
}

}  // namespace
}  // namespace orv
