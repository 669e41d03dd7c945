#include "delivered_list_bench.h"

#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/memory/memory_files.h"
#include "lists/ini_array.h"

namespace orv {

namespace {

const char kIni[] = "C:\\Orvanel\\conf\\KillAD.ini";

std::string SourceRoot() {
  const std::string here = __FILE__;  // .../bench/delivered_list_bench.cpp
  return here.substr(0, here.rfind("/bench/"));
}

std::string FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// One address a line; "#" lines are comments.
std::vector<std::string> Corpus(const std::string& name) {
  std::vector<std::string> addresses;
  std::istringstream in(FileBytes(SourceRoot() + "/tests/data/urls/" + name));
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty() && line[0] != '#') addresses.push_back(line);
  }
  return addresses;
}

int Caught(const TAdIniArray& list, const std::vector<std::string>& addresses) {
  int caught = 0;
  for (const std::string& a : addresses) caught += list.MatchesAny(a) ? 1 : 0;
  return caught;
}

double Percent(int part, size_t whole) { return whole ? 100.0 * part / whole : 0.0; }

}  // namespace

void RunDeliveredListBenchmark() {
  const std::string ini = FileBytes(SourceRoot() + "/conf/KillAD.ini");
  const std::vector<std::string> named = Corpus("popup_ads.txt");
  const std::vector<std::string> other = Corpus("popup_ads_other.txt");
  const std::vector<std::string> ordinary = Corpus("ordinary.txt");
  if (ini.empty() || named.empty() || ordinary.empty()) {
    std::printf("delivered black list: conf/KillAD.ini or tests/data/urls/ not found\n");
    return;
  }
  MemoryFileSystem files;
  files.SetFile(kIni, ini);
  const TAdIniArray list(files, kIni, "POPUPAD", "ad");
  const int caught_named = Caught(list, named);
  const int caught_other = Caught(list, other);
  const int closed_ordinary = Caught(list, ordinary);
  std::printf("delivered black list: %d patterns\n", list.Count());
  std::printf("  pop-up ads of the ad servers it names: %d of %zu closed (%.1f%%)\n", caught_named,
              named.size(), Percent(caught_named, named.size()));
  std::printf("  pop-up ads of other servers: %d of %zu closed (%.1f%%)\n", caught_other,
              other.size(), Percent(caught_other, other.size()));
  std::printf("  all pop-up ads: %d of %zu closed (%.1f%%)\n", caught_named + caught_other,
              named.size() + other.size(),
              Percent(caught_named + caught_other, named.size() + other.size()));
  std::printf("  ordinary pages: %d of %zu closed (target 0)\n", closed_ordinary, ordinary.size());

  std::vector<std::string> all = ordinary;
  all.insert(all.end(), named.begin(), named.end());
  all.insert(all.end(), other.begin(), other.end());
  const auto start = std::chrono::steady_clock::now();
  const int rounds = 20;
  volatile int sink = 0;
  for (int r = 0; r < rounds; ++r) sink = sink + Caught(list, all);
  const double us = std::chrono::duration<double, std::micro>(
                        std::chrono::steady_clock::now() - start).count() / (rounds * all.size());
  std::printf("  MatchesAny of one corpus address: %.2f us\n", us);
}

}  // namespace orv
