#include "shell/error_display.h"

namespace orv {

const char kApplicationTitle[] = "Tavrosel Orvanel";

std::string WithFullStop(const std::string& text) {
  if (!text.empty() && static_cast<unsigned char>(text.back()) > '.') return text + ".";
  return text;
}

void ShowApplicationError(MessageBoxes& boxes, const std::string& text) {
  boxes.Show(WithFullStop(text), kApplicationTitle, BoxButtons::Ok, BoxIcon::Error);
}

}  // namespace orv
