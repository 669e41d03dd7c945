#pragma once
// Benchmark of a scan of the open browser windows against a large black list.

namespace orv {

// 20 in-memory browser windows against a 10,000-pattern black list (read afresh for every
// window, as the scan does). Prints the timings; the target is under 20 ms per scan.
void RunScanBenchmark();

}  // namespace orv
