// The behaviour every FileSystem must share, run natively against the in-memory files and under
// Windows against the real ones.
#include <gtest/gtest.h>

#include "platform/files_conformance.h"

namespace orv {
namespace {

class FilesConformance : public ::testing::Test {
 protected:
  void SetUp() override { fixture_ = MakeFilesConformanceFixture(); }
  FileSystem& files() { return fixture_->Files(); }
  std::string Read(const std::string& path) {
    std::string bytes = "<unread>";
    EXPECT_TRUE(files().ReadFile(path, &bytes)) << path;
    return bytes;
  }
  std::unique_ptr<FilesConformanceFixture> fixture_;
};

TEST_F(FilesConformance, MissingFileNeitherExistsNorReads) {
  const std::string path = fixture_->PathOf("absent.ini");
  EXPECT_FALSE(files().FileExists(path));
  std::string bytes = "untouched";
  EXPECT_FALSE(files().ReadFile(path, &bytes));
}

TEST_F(FilesConformance, ReplaceCreatesAndRoundTripsEveryByte) {
  const std::string path = fixture_->PathOf("data.ini");
  std::string bytes = "[POPUPAD]\r\nad0=*ads*\nad1=\xC0\xB9\xBD\xD8\r\x1A";
  bytes.push_back('\0');
  bytes += "tail";
  ASSERT_TRUE(files().WriteFileAtomically(path, bytes));
  EXPECT_TRUE(files().FileExists(path));
  EXPECT_EQ(Read(path), bytes);
}

TEST_F(FilesConformance, ReplaceLeavesNoTailOfALongerOldFile) {
  const std::string path = fixture_->PathOf("data.ini");
  ASSERT_TRUE(files().WriteFileAtomically(path, std::string(100000, 'x')));
  ASSERT_TRUE(files().WriteFileAtomically(path, "short"));
  EXPECT_EQ(Read(path), "short");
  ASSERT_TRUE(files().WriteFileAtomically(path, ""));
  EXPECT_TRUE(files().FileExists(path));
  EXPECT_EQ(Read(path), "");
}

TEST_F(FilesConformance, MakeFolderMakesEveryMissingFolderAboveIt) {
  const std::string folder = fixture_->PathOf("made\\below\\新建");
  ASSERT_TRUE(files().MakeFolder(folder + "\\"));
  EXPECT_TRUE(files().MakeFolder(folder)) << "an existing folder";
  ASSERT_TRUE(files().WriteFileAtomically(folder + "\\report.txt", "x"));
  EXPECT_EQ(Read(folder + "\\report.txt"), "x");
}

TEST_F(FilesConformance, MakeFolderFailsWhereAFileStands) {
  const std::string file = fixture_->PathOf("occupied");
  ASSERT_TRUE(files().WriteFileAtomically(file, "x"));
  EXPECT_FALSE(files().MakeFolder(file));
  EXPECT_FALSE(files().MakeFolder(file + "\\below"));
  EXPECT_EQ(Read(file), "x");
}

TEST_F(FilesConformance, LargeFileRoundTrips) {
  const std::string path = fixture_->PathOf("big.ini");
  std::string bytes;
  for (int i = 0; i < 300000; ++i) bytes.push_back(static_cast<char>(i * 7 + i / 251));
  ASSERT_TRUE(files().WriteFileAtomically(path, bytes));
  EXPECT_EQ(Read(path), bytes);
}

TEST_F(FilesConformance, NamesDoNotDependOnCase) {
  const std::string path = fixture_->PathOf("KillAD.ini");
  const std::string upper = fixture_->PathOf("KILLAD.INI");
  const std::string lower = fixture_->PathOf("killad.ini");
  ASSERT_TRUE(files().WriteFileAtomically(path, "one"));
  EXPECT_TRUE(files().FileExists(upper));
  EXPECT_EQ(Read(upper), "one");
  ASSERT_TRUE(files().WriteFileAtomically(lower, "two"));
  EXPECT_EQ(Read(path), "two");
  EXPECT_EQ(Read(upper), "two");
}

TEST_F(FilesConformance, SlashAndBackslashSeparateAlike) {
  const std::string path = fixture_->PathOf("list.ini");
  std::string slashed = path;
  for (char& c : slashed) {
    if (c == '\\') c = '/';
  }
  ASSERT_NE(slashed, path);
  ASSERT_TRUE(files().WriteFileAtomically(slashed, "via slash"));
  EXPECT_TRUE(files().FileExists(path));
  EXPECT_EQ(Read(path), "via slash");
  ASSERT_TRUE(files().WriteFileAtomically(path, "via backslash"));
  EXPECT_EQ(Read(slashed), "via backslash");
}

TEST_F(FilesConformance, FailedReplaceKeepsTheOldBytes) {
  const std::string path = fixture_->PathOf("locked.ini");
  ASSERT_TRUE(files().WriteFileAtomically(path, "old bytes"));
  fixture_->MakeReadOnly(path);
  EXPECT_FALSE(files().WriteFileAtomically(path, "new bytes that must not land"));
  EXPECT_TRUE(files().FileExists(path));
  EXPECT_EQ(Read(path), "old bytes");
}

// A replace cut off part-way (the process ended) leaves its temporary file beside the target.
// The next replace of the target, or the clean-up at start, removes exactly those files.
TEST_F(FilesConformance, LeftoversOfCutOffReplacesGoAndNothingElse) {
  const struct {
    const char* name;
    bool leftover;
  } files_beside[] = {
      {"KillAD.ini.~4242-7.tmp", true},      {"KILLAD.INI.~1-12.TMP", true},
      {"KillAD.ini.~4242-.tmp", false},      {"KillAD.ini.~x-7.tmp", false},
      {"KillAD.ini.~4242-7.tmp.bak", false}, {"KillAD.ini.bak", false},
      {"KillAD.ini~4242-7.tmp", false},      {"xKillAD.ini.~4242-7.tmp", false},
      {"antix_data.ini.~4242-7.tmp", false},
  };
  const std::string target = fixture_->PathOf("KillAD.ini");
  for (const bool by_replace : {true, false}) {
    SCOPED_TRACE(by_replace ? "replace" : "clean-up");
    for (const auto& f : files_beside)
      ASSERT_TRUE(files().WriteFileAtomically(fixture_->PathOf(f.name), "half a list"));
    if (by_replace) {
      ASSERT_TRUE(files().WriteFileAtomically(target, "[POPUPAD]"));
    } else {
      files().RemoveReplaceLeftovers(target);
    }
    for (const auto& f : files_beside)
      EXPECT_EQ(files().FileExists(fixture_->PathOf(f.name)), !f.leftover) << f.name;
  }
  EXPECT_EQ(Read(target), "[POPUPAD]");
}

}  // namespace
}  // namespace orv
