#pragma once
// The main window as a companion's tests see it: it records what is posted and handed over.
#include <string>
#include <vector>

#include "popup_blocker/companion_contract.h"

namespace orv {
namespace companion_test {

class FakeProgramWindow : public ProgramWindow {
 public:
  struct HandedOver {
    unsigned long tag;
    std::string bytes;
    bool operator==(const HandedOver& o) const { return tag == o.tag && bytes == o.bytes; }
  };
  bool ready = true;
  bool takes = true;  // whether the window takes what is handed over
  std::vector<unsigned> posts;
  std::vector<HandedOver> handed_over;

  bool Ready() override { return ready; }
  bool Post(unsigned message) override {
    if (!ready) return false;
    posts.push_back(message);
    return true;
  }
  bool HandOver(unsigned long tag, const std::string& bytes) override {
    if (!ready) return false;
    handed_over.push_back({tag, bytes});
    return takes;
  }
};

}  // namespace companion_test
}  // namespace orv
