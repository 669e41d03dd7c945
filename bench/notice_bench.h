#pragma once
// Benchmark of the notice document splitter and the comma rule.

namespace orv {

// A 64 KiB notice document split into its items, each item then split by the comma rule; and
// two hostile 64 KiB texts. Prints the medians; the target is under 1 ms each.
void RunNoticeBenchmark();

}  // namespace orv
