#include "notice_bench.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "notice/notice_code.h"
#include "notice/online_notice.h"

namespace orv {

namespace {

constexpr int kRuns = 51;

// A document of the shapes a notice holds, cut to the largest body the program accepts.
std::string NoticeDocument() {
  const char* lines[] = {
      "3,请访问岚澄软件以获得本软件的最新版本。www.tavrosel.example\r\n",
      "1,http://www.tavrosel.example/download/orvanel-1.3.htm?from=notice\r\n",
      "\"2,\"\"新版本已经发布，欢迎下载\"\",\"\"岚澄软件\"\"\"\r\n",
      "nil\r\n",
  };
  std::string doc;
  for (int i = 0; doc.size() < kMaxNoticeBytes; ++i) doc += lines[i % 4];
  doc.resize(kMaxNoticeBytes);
  return doc;
}

template <typename F>
double MedianMs(F&& f) {
  std::vector<double> times;
  for (int i = 0; i < kRuns; ++i) {
    const auto start = std::chrono::steady_clock::now();
    f();
    times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

volatile size_t sink;

}  // namespace

void RunNoticeBenchmark() {
  const std::string doc = NoticeDocument();
  size_t items = 0, codes = 0;
  const double whole = MedianMs([&] {
    const std::vector<std::string> split = SplitNoticeDocument(doc);
    size_t n = 0;
    for (const std::string& item : split) n += SplitItems(item, ',').size();
    items = split.size();
    codes = n;
    sink = n;
  });
  std::printf("notice document of %zu bytes: %zu items, split and every item by the comma rule "
              "(%zu code items): %.3f ms (target < 1 ms)\n",
              doc.size(), items, codes, whole);

  const std::string commas(kMaxNoticeBytes, ',');
  const double empty_items = MedianMs([&] { sink = SplitItems(commas, ',').size(); });
  std::printf("comma rule on %zu commas (as many empty items): %.3f ms (target < 1 ms)\n",
              commas.size(), empty_items);

  const std::string quotes = "\"" + std::string(kMaxNoticeBytes - 2, '"') + "\"";
  const double quoted = MedianMs([&] { sink = SplitNoticeDocument(quotes).size(); });
  std::printf("document of one quoted item of %zu doubled quotes: %.3f ms (target < 1 ms)\n",
              quotes.size(), quoted);
}

}  // namespace orv
