#pragma once
// The application's general error display: an error raised inside an event handler ends that
// handler and is shown here once, at the event boundary.
#include <exception>
#include <functional>
#include <string>
#include <utility>

#include "platform/message_boxes.h"

namespace orv {

extern const char kApplicationTitle[];  // "Tavrosel Orvanel"

// Adds a full stop when the text's last byte sorts after "." (a letter or a digit gets one;
// ".", "'", ")" and "!" do not).
std::string WithFullStop(const std::string& text);

// Modal box captioned with the application title, error icon, OK.
void ShowApplicationError(MessageBoxes& boxes, const std::string& text);

// Runs one event handler; an error it raises is shown and the handler's earlier work stays
// done. Returns false when the handler ended with an error.
template <typename Handler>
bool RunEventHandler(MessageBoxes& boxes, Handler&& handler) {
  try {
    std::forward<Handler>(handler)();
    return true;
  } catch (const std::exception& e) {
    ShowApplicationError(boxes, e.what());
    return false;
  }
}

// The event boundary as the page views get it: runs one event, shows an error it raises once,
// and returns false when it ended with an error.
using EventRunner = std::function<bool(const std::function<void()>&)>;

}  // namespace orv
