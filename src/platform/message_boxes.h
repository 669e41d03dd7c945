#pragma once
// Modal message boxes owned by the main window.
#include <string>

namespace orv {

enum class BoxButtons { Ok, YesNo };
enum class BoxIcon { Error, Warning, Information };
enum class BoxAnswer { Ok, Yes, No };

class MessageBoxes {
 public:
  virtual ~MessageBoxes() = default;
  virtual BoxAnswer Show(const std::string& text, const std::string& caption, BoxButtons buttons,
                         BoxIcon icon) = 0;
};

}  // namespace orv
