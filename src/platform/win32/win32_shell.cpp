#include "platform/win32/win32_shell.h"

#include <shellapi.h>

namespace orv {

namespace {

int ShowWindowCommand(ShowCommand show) {
  switch (show) {
    case ShowCommand::Hide: return SW_HIDE;
    case ShowCommand::Restore: return SW_RESTORE;
    case ShowCommand::Normal: break;
  }
  return SW_SHOWNORMAL;
}

}  // namespace

void Win32Shell::Execute(const std::string& operation, const std::string& file,
                         const std::string& parameters, ShowCommand show) {
  // ShellExecute does not expand environment references in the program's name itself.
  std::string program = file;
  if (file.find('%') != std::string::npos) {
    char expanded[MAX_PATH * 2];
    const DWORD length = ExpandEnvironmentStringsA(file.c_str(), expanded, sizeof expanded);
    if (length > 0 && length <= sizeof expanded) program = expanded;
  }
  // The result is deliberately not examined: started programs report their own failures.
  ShellExecuteA(owner_, operation.c_str(), program.c_str(),
                parameters.empty() ? nullptr : parameters.c_str(), nullptr,
                ShowWindowCommand(show));
}

BoxAnswer Win32MessageBoxes::Show(const std::string& text, const std::string& caption,
                                  BoxButtons buttons, BoxIcon icon) {
  UINT flags = buttons == BoxButtons::YesNo ? MB_YESNO : MB_OK;
  switch (icon) {
    case BoxIcon::Error: flags |= MB_ICONERROR; break;
    case BoxIcon::Warning: flags |= MB_ICONWARNING; break;
    case BoxIcon::Information: flags |= MB_ICONINFORMATION; break;
  }
  switch (MessageBoxA(owner_, text.c_str(), caption.c_str(), flags)) {
    case IDYES: return BoxAnswer::Yes;
    case IDNO: return BoxAnswer::No;
    default: return BoxAnswer::Ok;
  }
}

}  // namespace orv
