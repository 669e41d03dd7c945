#include "matcher_bench.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "lists/wildcard.h"

namespace orv {

namespace {

using Clock = std::chrono::steady_clock;

std::string SourceRoot() {
  const std::string here = __FILE__;  // .../bench/matcher_bench.cpp
  return here.substr(0, here.rfind("/bench/"));
}

std::vector<std::string> Lines(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty() && line[0] != '#') lines.push_back(line);
  }
  return lines;
}

struct Random {
  uint64_t state;
  uint32_t Next() {
    state = state * 6364136223846793005ull + 1442695040888963407ull;
    return static_cast<uint32_t>(state >> 33);
  }
  size_t Below(size_t n) { return Next() % n; }
};

// 20,000 addresses: those of tests/data/urls/ (written by tools/make_url_corpus.py), and as
// many more made from them with other numbers and another query.
std::vector<std::string> Addresses() {
  std::vector<std::string> base;
  for (const char* name : {"ordinary.txt", "popup_ads.txt", "popup_ads_other.txt"}) {
    for (std::string& a : Lines(SourceRoot() + "/tests/data/urls/" + name)) base.push_back(a);
  }
  std::vector<std::string> out = base;
  Random random{7};
  while (!base.empty() && out.size() < 20000) {
    std::string a = base[random.Below(base.size())];
    for (char& c : a) {
      if (c >= '0' && c <= '9') c = static_cast<char>('0' + random.Below(10));
    }
    a += (a.find('?') == std::string::npos ? "?ref=" : "&utm_source=") +
         std::to_string(random.Next() % 100000);
    out.push_back(a);
  }
  return out;
}

// A black list of n patterns of the forms the delivered one has: ad hosts, ad folders, scripts,
// a few with "?" (the delivered list's own patterns first).
std::vector<std::string> RealisticPatterns(size_t n) {
  std::vector<std::string> out;
  for (const std::string& line : Lines(SourceRoot() + "/conf/KillAD.ini")) {
    const size_t eq = line.find('=');
    if (line.compare(0, 2, "ad") == 0 && eq != std::string::npos) out.push_back(line.substr(eq + 1));
  }
  const char* syllables[] = {"ad", "pop", "click", "serv", "track", "media", "banner", "view",
                             "stat", "count", "link", "zone", "net", "cast", "flow", "hub",
                             "pixel", "promo", "cpm", "yield", "rev", "tag", "sync", "dsp"};
  const char* tlds[] = {".com", ".net", ".cn", ".de", ".org", ".info", ".biz", ".com.cn"};
  const char* folders[] = {"ads", "adserver", "banners", "popup", "promo", "sponsor", "adx",
                           "track", "click", "affiliate", "tag", "pagead"};
  Random random{42};
  auto name = [&] {
    std::string s;
    for (int k = 2 + random.Below(2); k > 0; --k) s += syllables[random.Below(24)];
    if (random.Below(3) == 0) s += std::to_string(random.Below(1000));
    return s;
  };
  while (out.size() < n) {
    const std::string host = name() + tlds[random.Below(8)];
    switch (random.Below(8)) {
      case 0: case 1: case 2: out.push_back("*" + host + "*"); break;
      case 3: out.push_back("*." + host + "/*"); break;
      case 4: out.push_back("http://" + name() + "." + host + "/*"); break;
      case 5: out.push_back("*" + host + "/" + folders[random.Below(12)] + "/*"); break;
      case 6: out.push_back(std::string("*/") + folders[random.Below(12)] + "/" + name() + ".js*"); break;
      default: out.push_back("*" + name() + "?." + host + "*"); break;
    }
  }
  out.resize(n);
  return out;
}

// A list the old index could not narrow: no pattern has two literal bytes in a row, and all
// their bytes are common in addresses.
std::vector<std::string> ShortRunPatterns(size_t n) {
  const std::string letters = "htpwexamlcons";
  std::vector<std::string> out;
  Random random{12345};
  while (out.size() < n) {
    std::string p = "*";
    for (int k = 0; k < 5; ++k) {
      p.push_back(letters[random.Below(letters.size())]);
      p.push_back(k < 4 ? '?' : '*');
    }
    out.push_back(p);
  }
  return out;
}

struct Figures {
  double median = 0, p99 = 0, worst = 0;
  size_t matched = 0;
};

// Each address timed in 3 rounds, its time the least of the 3: a figure the machine's own
// interruptions (a 4 ms time slice given to another process) do not make.
template <typename F>
Figures Time(const std::vector<std::string>& addresses, size_t count, F matches) {
  std::vector<double> us(count, 1e300);
  Figures f;
  for (int round = 0; round < 3; ++round) {
    for (size_t i = 0; i < count; ++i) {
      const std::string& a = addresses[i * addresses.size() / count];
      const auto start = Clock::now();
      const bool hit = matches(a);
      us[i] = std::min(us[i], std::chrono::duration<double, std::micro>(Clock::now() - start).count());
      if (round == 0) f.matched += hit ? 1 : 0;
    }
  }
  std::sort(us.begin(), us.end());
  f.median = us[us.size() / 2];
  f.p99 = us[us.size() * 99 / 100];
  f.worst = us.back();
  return f;
}

void Row(const char* list, size_t patterns, const char* how, size_t addresses, const Figures& f) {
  std::printf("  %-10s %7zu %-6s %6zu  %9.2f %9.2f %10.2f  %6zu\n", list, patterns, how, addresses,
              f.median, f.p99, f.worst, f.matched);
}

}  // namespace

void RunMatcherBenchmark() {
  const auto begin = Clock::now();
  const std::vector<std::string> addresses = Addresses();
  std::printf("matcher: one MatchesAny, in microseconds, over %zu addresses (index) and a "
              "sample of them (plain scan)\n", addresses.size());
  std::printf("  (realistic: a black list like the delivered one; all-tried: no pattern has two\n"
              "  literal bytes in a row, so the index before this one tried every pattern; each\n"
              "  address timed 3 times, the least counted; match: addresses matched)\n");
  std::printf("  %-10s %7s %-6s %6s  %9s %9s %10s  %6s\n", "list", "pattern", "how", "texts",
              "median", "p99", "worst", "match");
  struct Case {
    const char* name;
    std::vector<std::string> (*make)(size_t);
  };
  const Case cases[] = {{"realistic", RealisticPatterns}, {"all-tried", ShortRunPatterns}};
  for (const Case& c : cases) {
    for (size_t n : {size_t{1000}, size_t{10000}, size_t{100000}}) {
      const std::vector<std::string> patterns = c.make(n);
      std::vector<double> build_ms;
      std::unique_ptr<WildcardSet> set;
      for (int k = 0; k < 5; ++k) {
        const auto start = Clock::now();
        set = std::make_unique<WildcardSet>(patterns, true);
        build_ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
      }
      std::sort(build_ms.begin(), build_ms.end());
      const Figures indexed =
          Time(addresses, addresses.size(), [&](const std::string& a) { return set->MatchesAny(a); });
      const size_t sample = n == 1000 ? 5000 : n == 10000 ? 1000 : 100;
      const Figures scan = Time(addresses, std::min(sample, addresses.size()),
                                [&](const std::string& a) { return set->MatchesAnyByScan(a); });
      size_t differ = 0;
      for (size_t i = 0; i < sample && i < addresses.size(); ++i) {
        const std::string& a = addresses[i * addresses.size() / std::min(sample, addresses.size())];
        differ += set->MatchesAny(a) != set->MatchesAnyByScan(a) ? 1 : 0;
      }
      Row(c.name, n, "index", addresses.size(), indexed);
      Row(c.name, n, "scan", std::min(sample, addresses.size()), scan);
      std::printf("  %-10s %7zu building the index (WildcardSet made anew): %.2f ms median of 5; "
                  "answers differing from the scan: %zu\n",
                  c.name, n, build_ms[2], differ);
    }
  }
  std::printf("  matcher benchmark: %.1f s\n",
              std::chrono::duration<double>(Clock::now() - begin).count());
}

}  // namespace orv
