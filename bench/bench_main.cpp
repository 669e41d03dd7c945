// Timings of the rule lists on the in-memory files: loading, replacing and matching a black list
// of 10,000 patterns, the wildcard search on hostile input, and a scan of 20 browser windows.
// Last, the matcher's index against a plain scan at 1,000, 10,000 and 100,000 patterns.
// Each figure is the median of several runs. Then what the delivered black list catches of the
// address corpora of tests/data/urls/, and the notice document splitter.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/memory/memory_files.h"
#include "lists/ini_array.h"
#include "scan_bench.h"
#include "delivered_list_bench.h"
#include "notice_bench.h"
#include "matcher_bench.h"

namespace {

using orv::MemoryFileSystem;
using orv::TAdIniArray;
using orv::TIniArray;

const std::string kPath = "C:\\Program Files\\Orvanel\\conf\\KillAD.ini";
const std::string kAddress =
    "http://www.example.com/news/2024/06/some-article-about-things.html?id=12345&ref=home";

double Millis(std::chrono::steady_clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

// Median in milliseconds of runs of timed(); prepare() runs untimed before each.
double Median(int runs, const std::function<void()>& timed,
              const std::function<void()>& prepare = [] {}) {
  std::vector<double> times;
  for (int i = 0; i < runs; ++i) {
    prepare();
    const auto start = std::chrono::steady_clock::now();
    timed();
    times.push_back(Millis(std::chrono::steady_clock::now() - start));
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

// Patterns built only of bytes the address holds, so that none is ruled out before its pieces
// are searched, and none matches: every pattern is tried.
std::vector<std::string> Patterns(int n, const std::string& tag) {
  const char* shapes[] = {"*ads%s.example.com/%s*", "*/news/%s/banner%s*", "*popup%s*ad%s*",
                          "*.double%s.net/%s*",     "http://banner%s.%s*", "*trace?%s%s*"};
  std::vector<std::string> patterns;
  char buffer[128];
  for (int i = 0; i < n; ++i) {
    std::string number;  // i in base 7, written with digits the address holds
    for (int v = i; number.empty() || v > 0; v /= 7) number.insert(number.begin(), "0123456"[v % 7]);
    std::snprintf(buffer, sizeof buffer, shapes[i % 6], number.c_str(), tag.c_str());
    patterns.push_back(buffer);
  }
  return patterns;
}

std::string IniWith(const std::vector<std::string>& patterns, int version) {
  std::string text = "; version " + std::to_string(version) + "\r\n[POPUPAD]\r\n";
  for (size_t i = 0; i < patterns.size(); ++i) {
    text += "ad" + std::to_string(i) + "=" + patterns[i] + "\r\n";
  }
  return text + "pass0=*.gov*\r\n";
}

volatile bool sink;

}  // namespace

int main() {
  const int kEntries = 10000;
  const std::vector<std::string> patterns = Patterns(kEntries, "ref");
  MemoryFileSystem files;
  int version = 0;
  auto change_file = [&] { files.SetFile(kPath, IniWith(patterns, ++version)); };
  change_file();

  const double load_cold = Median(
      15, [&] { sink = TIniArray(files, kPath, "POPUPAD", "ad").Count() == kEntries; },
      change_file);
  const double load_warm =
      Median(15, [&] { sink = TIniArray(files, kPath, "POPUPAD", "ad").Count() == kEntries; });
  std::printf("load 10000 entries, file changed since the last load: %.2f ms (target < 20 ms)\n",
              load_cold);
  std::printf("load 10000 entries, file unchanged: %.2f ms (target < 20 ms)\n", load_warm);

  const std::vector<std::string> replacement = Patterns(kEntries, "home");
  std::unique_ptr<TIniArray> list;
  const double replace = Median(
      15, [&] { list->ReplaceAll(replacement); },
      [&] {
        change_file();
        list = std::make_unique<TIniArray>(files, kPath, "POPUPAD", "ad");
      });
  std::printf("ReplaceAll of 10000 entries: %.2f ms (target < 50 ms)\n", replace);
  list.reset();

  std::unique_ptr<TAdIniArray> fresh;
  const double first_match = Median(
      15, [&] { sink = fresh->MatchesAny(kAddress); },
      [&] {
        change_file();
        fresh = std::make_unique<TAdIniArray>(files, kPath, "POPUPAD", "ad");
      });
  fresh.reset();
  change_file();
  TAdIniArray black(files, kPath, "POPUPAD", "ad");
  const double match = Median(101, [&] { sink = black.MatchesAny(kAddress); });
  std::printf("MatchesAny of one address over 10000 patterns: %.3f ms (target < 1 ms)\n", match);
  std::printf("  first MatchesAny on a newly loaded list (patterns made ready): %.2f ms\n",
              first_match);

  // A list the index cannot narrow: no pattern has two literal bytes in a row, so every one is
  // tried against the address.
  {
    const std::string letters = "htpwexamlcons";
    std::vector<std::string> short_runs;
    unsigned seed = 12345;
    auto next = [&] {
      seed = seed * 1103515245u + 12345u;
      return letters[(seed >> 16) % letters.size()];
    };
    while (short_runs.size() < static_cast<size_t>(kEntries)) {
      std::string p = "*";
      for (int k = 0; k < 5; ++k) {
        p.push_back(next());
        p.push_back(k < 4 ? '?' : '*');
      }
      if (!TAdIniArray::MatchPattern(p, kAddress, false)) short_runs.push_back(p);
    }
    files.SetFile("C:\\short.ini", IniWith(short_runs, 0));
    TAdIniArray unindexed(files, "C:\\short.ini", "POPUPAD", "ad");
    sink = unindexed.MatchesAny(kAddress);
    const double every = Median(101, [&] { sink = unindexed.MatchesAny(kAddress); });
    std::printf("MatchesAny over 10000 patterns that must all be tried: %.3f ms (target < 1 ms)\n",
                every);
  }

  // Hostile input: a text that almost matches a piece at every position.
  struct Hostile {
    const char* name;
    std::string pattern;
    char fill;
  };
  const Hostile hostile[] = {
      {"long plain piece", "*" + std::string(40, 'a') + "b*", 'a'},
      {"piece with ?", "*a?a?a?a?a?a?a?a?a?a?a?a?b*", 'a'},
      {"many stars", "*a*a*a*a*a*a*a*a*a*a*b", 'a'},
      {"short plain piece", "*aaaaaaaaaaaab*", 'a'},
  };
  for (const Hostile& h : hostile) {
    double at[2];
    const size_t lengths[2] = {10000, 100000};
    for (int k = 0; k < 2; ++k) {
      // The piece's last byte once, at the start: every byte of the pattern is in the text.
      const std::string text = "b" + std::string(lengths[k] - 1, h.fill);
      at[k] = Median(15, [&] { sink = TAdIniArray::MatchPattern(h.pattern, text, false); });
    }
    std::printf("hostile %s: %zu bytes %.3f ms, %zu bytes %.3f ms (x%.1f for x10 text)\n", h.name,
                lengths[0], at[0], lengths[1], at[1], at[1] / std::max(at[0], 1e-6));
  }

  auto scan = [&] {
    for (int window = 0; window < 20; ++window) {
      TAdIniArray list(files, kPath, "POPUPAD", "ad");
      sink = list.MatchesAny(kAddress + std::to_string(window));
    }
  };
  const double scan_warm = Median(15, scan);
  const double scan_cold = Median(15, scan, change_file);
  std::printf("scan of 20 windows (construct + MatchesAny each), list unchanged: %.2f ms "
              "(target < 20 ms)\n",
              scan_warm);
  std::printf("scan of 20 windows, list changed just before the scan: %.2f ms (target < 20 ms)\n",
              scan_cold);

  // The whole blocking engine over in-memory browser windows (no COM calls).
  orv::RunScanBenchmark();
  orv::RunDeliveredListBenchmark();
  orv::RunNoticeBenchmark();
  orv::RunMatcherBenchmark();
  return 0;
}
