#pragma once
// Recording stand-ins for the platform services that only act outward: they keep what the
// logic asked for, so tests can check it. The message-box stand-in answers from a script.
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/app_window.h"
#include "platform/clock.h"
#include "platform/message_boxes.h"
#include "platform/mouse_hook.h"
#include "platform/shell.h"
#include "platform/sound.h"
#include "platform/tray.h"

namespace orv {

struct ShellCall {
  std::string operation, file, parameters;
  ShowCommand show;
};

class RecordingShell : public Shell {
 public:
  void Execute(const std::string& operation, const std::string& file, const std::string& parameters,
               ShowCommand show) override {
    calls.push_back({operation, file, parameters, show});
  }
  std::vector<ShellCall> calls;
};

struct BoxCall {
  std::string text, caption;
  BoxButtons buttons;
  BoxIcon icon;
};

class ScriptedMessageBoxes : public MessageBoxes {
 public:
  // Answers given in order; when the script runs out, Ok boxes answer Ok and Yes/No boxes No.
  std::deque<BoxAnswer> script;
  std::vector<BoxCall> shown;
  // What other messages do while a box is open (a modal box runs the message loop), if set.
  std::function<void(const BoxCall&)> while_open;

  BoxAnswer Show(const std::string& text, const std::string& caption, BoxButtons buttons,
                 BoxIcon icon) override {
    shown.push_back({text, caption, buttons, icon});
    if (while_open) while_open(shown.back());
    if (!script.empty()) {
      BoxAnswer a = script.front();
      script.pop_front();
      return a;
    }
    return buttons == BoxButtons::Ok ? BoxAnswer::Ok : BoxAnswer::No;
  }
};

class FixedClock : public Clock {
 public:
  double now = 46000.5;  // a day in 2025, at noon
  double Now() override { return now; }
};

class RecordingTimers : public Timers {
 public:
  std::map<TimerId, unsigned> running;  // id -> interval
  void Start(TimerId id, unsigned interval_ms) override { running[id] = interval_ms; }
  void Stop(TimerId id) override { running.erase(id); }
  bool IsRunning(TimerId id) const { return running.count(id) != 0; }
};

struct Balloon {
  std::string title, text;
  BalloonIcon icon;
  unsigned timeout_ms;
};

class RecordingTray : public TrayIcon {
 public:
  std::vector<Balloon> balloons;
  void ShowBalloon(const std::string& title, const std::string& text, BalloonIcon icon,
                   unsigned timeout_ms) override {
    balloons.push_back({title, text, icon, timeout_ms});
  }
};

class RecordingSound : public Sound {
 public:
  std::vector<std::string> played;
  void PlayAsync(const std::string& path) override { played.push_back(path); }
};

class RecordingMouseHook : public MouseHook {
 public:
  std::vector<std::string> calls;  // "enable" / "disable"
  void Enable() override { calls.push_back("enable"); }
  void Disable() override { calls.push_back("disable"); }
};

class RecordingAppWindow : public AppWindow {
 public:
  struct Posted {
    unsigned message;
    unsigned long long wparam;
  };
  std::vector<Posted> posted;
  bool visible = false;
  int shows = 0;
  bool closed = false;
  void PostToSelf(unsigned message, unsigned long long wparam = 0) override {
    posted.push_back({message, wparam});
  }
  void ShowAndRestore() override {
    visible = true;
    ++shows;
  }
  void Hide() override { visible = false; }
  void Close() override { closed = true; }
};

}  // namespace orv
