#pragma once
// Starting programs and documents (ShellExecute). Started programs are neither waited for nor
// examined; the owner of any window they raise is the main window.
#include <string>

namespace orv {

// Numbered as ShowWindow numbers them. Restore shows a started editor at its usual size even
// when it last closed minimised.
enum class ShowCommand { Hide = 0, Normal = 1, Restore = 9 };

class Shell {
 public:
  virtual ~Shell() = default;
  // file may hold environment references ("%windir%\Sysnative\regsvr32.exe"): they are
  // expanded before the program is started.
  virtual void Execute(const std::string& operation, const std::string& file,
                       const std::string& parameters, ShowCommand show) = 0;
};

}  // namespace orv
