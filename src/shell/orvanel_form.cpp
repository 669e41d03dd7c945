#include "shell/orvanel_form.h"

#include <exception>
#include <utility>

#include "shell/error_display.h"
#include "shell/program_folder.h"
#include "shell/settings.h"
#include "shell/startup_integration.h"

namespace orv {

namespace {

void Run(const std::function<void()>& hook) {
  if (hook) hook();
}

}  // namespace

OrvanelForm::OrvanelForm(const FormServices& services, std::string exe_path)
    : services_(services),
      exe_path_(std::move(exe_path)),
      program_folder_(ProgramFolder(exe_path_)),
      general_page_(services.registry, services.boxes, exe_path_) {}

bool OrvanelForm::Guarded(const std::function<void()>& work) {
  return RunEventHandler(services_.boxes, work);
}

void OrvanelForm::FormCreate() {
  Guarded([this] {
    InitSettings(services_.registry, services_.clock, services_.timers, program_folder_);
    general_page_.LoadGeneralPage();
    Run(hooks_.load_ad_page);
    Run(hooks_.load_mouse_page);
    Run(hooks_.page_shown[kIESettingsPageIndex]);
    RegisterSiblingLibraries(services_.registry, services_.shell, program_folder_);
    // The count of blocked windows starts at 0 with the blocking engine, made with the window.
    Run(hooks_.set_up_window);
    active_page_ = kGeneralPageIndex;
    services_.mouse_hook.Enable();
    Run(hooks_.set_tray_icon_image);
  });
}

bool OrvanelForm::FormClose() {
  return RunCloseSequence([this](const std::function<void()>& step) { Guarded(step); });
}

bool OrvanelForm::FormEndSession() {
  return RunCloseSequence([](const std::function<void()>& step) {
    try {
      step();
    } catch (const std::exception&) {
      // Not shown: see FormEndSession. The next step runs all the same.
    }
  });
}

bool OrvanelForm::RunCloseSequence(const StepRunner& run_step) {
  if (closing_) return false;
  closing_ = true;
  // Closing always ends the program, so one failing step must not keep the later ones (the
  // hook, the registrations, the context-menu keys) from being undone.
  run_step([this] { Run(hooks_.clear_temp_white_list_view); });
  run_step([this] { Run(hooks_.save_ad_page); });
  run_step([this] { services_.mouse_hook.Disable(); });
  run_step([this] {
    UnregisterSiblingLibraries(services_.registry, services_.shell, program_folder_);
  });
  run_step([this] { RemoveContextMenuKeys(services_.registry); });
  return true;
}

void OrvanelForm::FormShow() {
  Guarded([this] { Run(hooks_.form_show); });
  if (active_page_ >= kFirstPageWithShowEvent)
    Guarded([this] { Run(hooks_.page_shown[active_page_]); });
}

void OrvanelForm::MenuTreeChange(int index) {
  if (index < 0 || index >= kPageCount || index == active_page_) return;
  active_page_ = index;
  if (index >= kFirstPageWithShowEvent) Guarded([this, index] { Run(hooks_.page_shown[index]); });
}

void OrvanelForm::item_dispClick() {
  Guarded([this] { services_.window.ShowAndRestore(); });
}

void OrvanelForm::sIconDblClick() { item_dispClick(); }

void OrvanelForm::item_hideClick() {
  Guarded([this] { services_.window.Hide(); });
}

void OrvanelForm::ApplicationMinimize() { item_hideClick(); }

void OrvanelForm::item_exitClick() {
  Guarded([this] { services_.window.Close(); });
}

void OrvanelForm::item_InetOptClick() {
  // The leading blank belongs to the parameters.
  Guarded([this] { services_.shell.Execute("open", "control.exe", " Inetcpl.cpl", ShowCommand::Hide); });
}

void OrvanelForm::item_SysInfoClick() {
  Guarded([this] { services_.shell.Execute("open", "msinfo32.exe", "", ShowCommand::Hide); });
}

void OrvanelForm::NoticeClick() {
  Guarded([this] { Run(hooks_.notice_click); });
}

void OrvanelForm::DownloadNoticeTimerTimer() {
  Guarded([this] { Run(hooks_.download_notice_timer); });
}

void OrvanelForm::CheckOnlineTimerTimer() {
  Guarded([this] { Run(hooks_.check_online_timer); });
}

}  // namespace orv
