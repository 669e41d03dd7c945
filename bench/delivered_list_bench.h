#pragma once
// What the delivered black list (conf/KillAD.ini) catches of the address corpora in
// tests/data/urls/.

namespace orv {

// Prints the list's size, how many pop-up advertisement addresses it closes (those of the ad
// servers it names, and those of others), how many ordinary pages it would close, and the time
// of one MatchesAny.
void RunDeliveredListBenchmark();

}  // namespace orv
