#include "scan_bench.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/memory/memory_browser_windows.h"
#include "platform/memory/memory_files.h"
#include "platform/memory/memory_registry.h"
#include "platform/memory/recorders.h"
#include "popup_blocker/ad_page.h"
#include "popup_blocker/blocking_engine.h"

namespace orv {

namespace {

constexpr int kPatterns = 10000;
constexpr int kWindows = 20;
constexpr int kRuns = 30;
constexpr double kTargetMs = 20.0;

const char kFolder[] = "C:\\Orvanel\\";

// A black list of the shapes users keep: host patterns, path patterns, "?" in places.
// variant makes the file's bytes differ, so that each set of runs starts on a list not seen before.
std::string BlackListIni(int variant) {
  std::string ini = "; variant " + std::to_string(variant) + "\r\n[POPUPAD]\r\n";
  for (int i = 0; i < kPatterns; ++i) {
    std::string pattern;
    switch (i % 4) {
      case 0: pattern = "*.adhost" + std::to_string(i) + ".com/*"; break;
      case 1: pattern = "http://pop" + std::to_string(i) + ".example.net/*"; break;
      case 2: pattern = "*/banner/" + std::to_string(i) + "/*.html"; break;
      default: pattern = "*track?r" + std::to_string(i) + "*"; break;
    }
    ini += "ad" + std::to_string(i) + "=" + pattern + "\r\n";
  }
  ini += "pass0=*.trusted.org/*\r\n";
  return ini;
}

double Milliseconds(std::chrono::steady_clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

// Times kRuns scans of kWindows windows each, on fresh windows every time; the first scan is the
// first to see this list. closing: how many of the windows match the list (the rest are tried
// against every pattern).
std::vector<double> TimeScans(int closing) {
  MemoryFileSystem files;
  files.SetFile(std::string(kFolder) + "conf\\KillAD.ini", BlackListIni(closing));
  MemoryRegistry registry;
  RecordingAppWindow window;
  RecordingTray tray;
  RecordingSound sound;
  RecordingShell shell;
  AdPage page(files, registry, kFolder);
  std::vector<double> times;
  for (int run = 0; run < kRuns; ++run) {
    MemoryBrowserWindows browsers;
    for (int w = 0; w < kWindows; ++w) {
      if (w < closing)
        browsers.Open("http://www.adhost" + std::to_string(w * 4) + ".com/show?id=" +
                      std::to_string(w));
      else
        browsers.Open("http://news.example.org/articles/2024/" + std::to_string(w) +
                      "/index.html?ref=front");
    }
    BlockingEngine engine({files, registry, browsers, window, tray, sound, shell}, page, kFolder);
    const auto start = std::chrono::steady_clock::now();
    engine.ScanBrowserWindows();
    times.push_back(Milliseconds(std::chrono::steady_clock::now() - start));
    if (static_cast<int>(browsers.OpenAddresses().size()) != kWindows - closing)
      std::printf("  unexpected: %zu windows left open\n", browsers.OpenAddresses().size());
    window.posted.clear();
  }
  return times;
}

void Report(const char* label, int closing) {
  std::vector<double> t = TimeScans(closing);
  const double first = t.front();
  t.erase(t.begin());
  std::sort(t.begin(), t.end());
  const double median = t[t.size() / 2];
  std::printf("scan %-22s %d windows x %d patterns: median %.2f ms (min %.2f, max %.2f; "
              "first scan of a changed list %.2f) target < %.0f ms: %s\n",
              label, kWindows, kPatterns, median, t.front(), t.back(), first, kTargetMs,
              median < kTargetMs ? "ok" : "SLOW");
}

}  // namespace

void RunScanBenchmark() {
  Report("(no window matches)", 0);
  Report("(5 windows closed)", 5);
}

}  // namespace orv
