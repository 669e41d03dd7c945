#include "lists/ini_pairs.h"

#include <gtest/gtest.h>

#include "base/errors.h"
#include "platform/memory/memory_files.h"

namespace orv {
namespace {

const std::string kPath = "C:\\Orvanel\\conf\\antix_data.ini";
using Items = std::vector<std::string>;

// A file of runs x and v, written as the lines given.
struct PairsFile {
  explicit PairsFile(const Items& lines) {
    std::string text = "; reasons\r\n[List]\r\n";
    for (const std::string& line : lines) text += line + "\r\n";
    files.SetFile(kPath, text);
  }
  TIniPairs Open() { return TIniPairs(files, kPath, "List", "x", "v"); }
  MemoryFileSystem files;
};

TEST(IniPairs, AddsAfterTheLastWholePairAndDeletesFromBothRunsInOneWrite) {
  const struct {
    const char* what;
    Items lines;
    std::vector<int> deleted;
    Items firsts, seconds;
  } cases[] = {
      {"in step", {"x0=a", "v0=A", "x1=b", "v1=B"}, {}, {"a", "b", "new"}, {"A", "B", "NEW"}},
      // A name without its identifier (edited by hand) stays after the new pair.
      {"more names", {"x0=a", "x1=b", "v0=A"}, {}, {"a", "new", "b"}, {"A", "NEW"}},
      {"more identifiers", {"x0=a", "v0=A", "v1=B"}, {}, {"a", "new"}, {"A", "NEW", "B"}},
      {"delete two pairs", {"x0=a", "v0=A", "x1=b", "v1=B", "x2=c", "v2=C"}, {2, 0},
       {"b", "new"}, {"B", "NEW"}},
      // An index past one run deletes only from the other; past both, nothing.
      {"delete past a run", {"x0=a", "x1=b", "v0=A"}, {1, 7}, {"a", "new"}, {"A", "NEW"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    PairsFile file(c.lines);
    const int writes = file.files.write_calls();
    file.Open().Delete(c.deleted);  // nothing to delete: nothing written
    const int deletes = c.deleted.empty() ? 0 : 1;
    EXPECT_EQ(file.files.write_calls(), writes + deletes);
    file.Open().Add(" new ", "\"NEW\"");  // stored as it reads back
    EXPECT_EQ(file.files.write_calls(), writes + deletes + 1);
    const TIniPairs after = file.Open();
    EXPECT_EQ(after.Firsts(), c.firsts);
    EXPECT_EQ(after.Seconds(), c.seconds);
    EXPECT_EQ(file.files.FileBytes(kPath).rfind("; reasons\r\n[List]\r\n", 0), 0u);
  }
}

TEST(IniPairs, AFailedWriteLeavesBothRunsAsTheyWere) {
  PairsFile file({"x0=a", "v0=A", "x1=b", "v1=B"});
  const std::string before = file.files.FileBytes(kPath);
  TIniPairs pairs = file.Open();
  file.files.FailWriteAt(1);
  EXPECT_THROW(pairs.Add("c", "C"), FileError);
  file.files.FailWriteAt(1);
  EXPECT_THROW(pairs.Delete({0}), FileError);
  EXPECT_EQ(file.files.FileBytes(kPath), before);
  EXPECT_EQ(pairs.Firsts(), (Items{"a", "b"}));
  pairs.Delete({0});  // the object still knows what the file holds
  EXPECT_EQ(file.Open().Seconds(), Items{"B"});
}

}  // namespace
}  // namespace orv
