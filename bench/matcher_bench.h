#pragma once

namespace orv {

// The black-list matcher's index against a plain scan over every pattern, at 1,000, 10,000 and
// 100,000 patterns: median, 99th percentile and worst case of one MatchesAny over 20,000
// realistic addresses, the same over a list the old index could not narrow (every pattern had to
// be tried), and what building the index costs (the popup scan builds it again after a list
// change).
void RunMatcherBenchmark();

}  // namespace orv
