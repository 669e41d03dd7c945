// The program reads and writes its INI files itself; other programs read them with the Windows
// private-profile functions. Here both readers meet on the same files: tricky hand-made ones and
// the ones the program's own writer produced from them.
#include <windows.h>

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/win32/scratch_folder.h"
#include "platform/win32/win32_files.h"
#include "lists/ini_array.h"
#include "lists/ini_file.h"

namespace orv {
namespace {

// "拦截" and "广告" in code page 936.
const std::string kCjk = "\xC0\xB9\xBD\xD8";
const std::string kCjk2 = "\xB9\xE3\xB8\xE6";

std::string Lines(const std::vector<std::string>& lines, const std::string& eol = "\r\n") {
  std::string text;
  for (const std::string& line : lines) text += line + eol;
  return text;
}

std::string Repeat(const std::string& s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

struct CorpusFile {
  std::string name;
  std::string bytes;
};

std::vector<CorpusFile> Corpus() {
  std::vector<CorpusFile> corpus = {
      {"blanks", Lines({"[ POPUPAD ]", "  ad0  =  *ads*  ", "ad1\t=\tx y\t", " ad2=", "ad3 =   ",
                        "a d4 = inner"})},
      {"quotes", Lines({"[S]", "q1=\"a b\"", "q2='x'", "q3=\"x'", "q4=\"", "q5=\"\"",
                        "q6=\" in \"", "q7=\"a\"b\"", "q8='", "q9=\"'\"", "q10= \" lead\"  "})},
      {"comments", Lines({";top=c", "[S]", ";k=v", "  ;k2=v", "k3=v ;c", "#k4=hash", "k5=v;c",
                          "[T] ; after header", "t=1"})},
      {"duplicates", Lines({"[S]", "k=1", "K=2", "bare", "bare=hidden", "[T]", "k=t", "[s]",
                            "k=3", "new=4", "[T]", "t2=x"})},
      {"case", Lines({"[PopUpAd]", "AD0=a", "Ad1=b", "pASS0=c"})},
      {"empty values", Lines({"[POPUPAD]", "ad0=", "ad1=  ", "ad2=\"\"", "ad3=x", "=novalue",
                              " = spaced"})},
      {"lf", Lines({"[S]", "a=1", "b = 2 "}, "\n")},
      {"cr", Lines({"[S]", "a=1", "b=2"}, "\r")},
      {"mixed", "[S]\r\na=1\nb=2\r\r\nc=3\n\r\nd=4"},
      {"no final line end", "[POPUPAD]\r\nad0=a\r\nad1=b"},
      {"blank lines", "\r\n  \r\n[S]\r\n\t\r\na=1\r\n   \r\n\r\n[T]\r\n\r\nb=2\r\n\r\n"},
      {"long", Lines({"[S]", "l2046=" + std::string(2046, 'a'), "l2047=" + std::string(2047, 'b'),
                      "l2048=" + std::string(2048, 'c'), "l3000=" + std::string(3000, 'd'),
                      "q3000=\"" + std::string(3000, 'e') + "\"",
                      "q2046=\"" + std::string(2046, 'f') + "\"",
                      "cjk=" + Repeat(kCjk, 750), "odd=a" + Repeat(kCjk, 750),
                      "cjk1023=" + Repeat(kCjk2, 511) + "\xC0\xB9"})},
      {"gbk", Lines({"[" + kCjk + "]", kCjk2 + "=" + kCjk, "k=http://x/" + kCjk + "?a=" + kCjk2,
                     "sp=\xA1\xA1" + kCjk + "\xA1\xA1", "[" + kCjk + "\x95\x5D]", "t=trail ]",
                     "[S]", "[\x95\x5D", "k=after a broken line", "v=\x81\\\x81\x7E\x80"})},
      {"brackets", Lines({"pre=0", "[S3", "c=3", "[S4] junk", "d=4", "[S5]x]", "e=5", "[]",
                          "f=6", "  [S6]  ", "g=7", "[=]", "h=8"})},
      {"control bytes", Lines({"[S]", "a=\x1Ax\x1A", "\x1A" "b=2", "c=\x0B" "v\x0C", "d=x\x1Ay"})},
      {"empty", ""},
      {"only a section", "[POPUPAD]"},
      {"bom", "\xEF\xBB\xBF[POPUPAD]\r\nad0=*ads*\r\nad1=b\r\n"},
      {"run", Lines({"[POPUPAD]", "ad0=*doubleclick.net*", "pass0=*.gov*", "ad1=*/adserver/*",
                     "ad2=*popup*ad*", "temp0=http://a/", "ad4=stray", "", "[Other]", "ad0=no"})},
  };
  std::string zero = Lines({"[S]", "z=a"});
  zero.insert(zero.size() - 2, std::string("\0b", 2));
  corpus.push_back({"zero byte", zero});
  return corpus;
}

std::string Trimmed(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && (s[b] == ' ' || s[b] == '\t')) ++b;
  while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t')) --e;
  return s.substr(b, e - b);
}

std::string Upper(std::string s) {
  for (char& c : s) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return s;
}

// Section and key names worth asking for in a file: every name that appears in it (taken
// roughly, so also some near misses), their upper-case forms and a few that never appear.
std::vector<std::pair<std::string, std::string>> Queries(const std::string& bytes) {
  std::set<std::string> sections = {"", "S", "POPUPAD", "Absent"};
  std::set<std::string> keys = {"ad0", "ad1", "ad2", "ad3", "ad4", "absent", ""};
  // A file that begins with the UTF-8 mark is decoded as UTF-8 by Windows, so only its ASCII
  // names mean the same to both readers; the corpus keeps such a file ASCII.
  size_t pos = bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
  while (pos < bytes.size()) {
    size_t end = bytes.find_first_of("\r\n", pos);
    if (end == std::string::npos) end = bytes.size();
    const std::string line = Trimmed(bytes.substr(pos, end - pos));
    pos = end + 1;
    if (line.find('\0') != std::string::npos) continue;
    const size_t close = line.rfind(']');
    if (!line.empty() && line[0] == '[' && close != std::string::npos) {
      sections.insert(line.substr(1, close - 1));
      sections.insert(Trimmed(line.substr(1, close - 1)));
    } else if (!line.empty()) {
      keys.insert(Trimmed(line.substr(0, line.find('='))));
    }
  }
  std::vector<std::pair<std::string, std::string>> queries;
  for (const std::string& section : sections) {
    for (const std::string& key : keys) {
      queries.emplace_back(section, key);
      queries.emplace_back(Upper(section), Upper(key));
    }
  }
  return queries;
}

std::string Shown(const std::string& s) {
  std::string out;
  for (unsigned char c : s.substr(0, 60)) {
    if (c >= 0x20 && c < 0x7F) {
      out.push_back(static_cast<char>(c));
    } else {
      char hex[8];
      wsprintfA(hex, "\\x%02X", c);
      out += hex;
    }
  }
  if (s.size() > 60) out += "...(" + std::to_string(s.size()) + " bytes)";
  return out;
}

std::string WindowsRead(const std::string& path, const std::string& section,
                        const std::string& key, const char* default_value) {
  std::vector<char> buffer(2048, '\0');  // zero-filled: a cut value ends at its terminator
  GetPrivateProfileStringA(section.c_str(), key.c_str(), default_value, buffer.data(),
                           static_cast<DWORD>(buffer.size()), path.c_str());
  return std::string(buffer.data());
}

class IniDifferential : public ::testing::Test {
 protected:
  // Writes bytes to a file of its own (the profile functions cache files by name and time).
  std::string Place(const std::string& bytes) {
    const std::string path = folder_.PathOf("case" + std::to_string(++serial_) + ".ini");
    EXPECT_TRUE(files_.WriteFileAtomically(path, bytes));
    return path;
  }

  // Both readers give the same answer to every query; returns how many queries were made.
  int ExpectSameReads(const std::string& label, const std::string& bytes,
                      const std::vector<std::pair<std::string, std::string>>& queries) {
    const std::string path = Place(bytes);
    IniFile ours(files_, path);
    EXPECT_TRUE(ours.ReadOk());
    for (const auto& [section, key] : queries) {
      for (const char* def : {"", "DEF"}) {
        const std::string windows = WindowsRead(path, section, key, def);
        const std::string mine = ours.ReadString(section, key, def);
        EXPECT_EQ(Shown(mine), Shown(windows))
            << label << ": [" << Shown(section) << "] " << Shown(key) << " default \"" << def
            << "\"";
        if (mine != windows) return -1;  // one report per file is enough
      }
    }
    return static_cast<int>(queries.size());
  }

  ScratchFolder folder_{"orv_ini"};
  Win32FileSystem files_;
  int serial_ = 0;
};

std::vector<std::string> WindowsRun(const std::string& path, const std::string& section,
                                    const std::string& prefix) {
  std::vector<std::string> run;
  for (;;) {
    std::string value = WindowsRead(path, section, prefix + std::to_string(run.size()), "");
    if (value.empty()) return run;
    run.push_back(value);
  }
}

TEST_F(IniDifferential, ReaderAgreesWithGetPrivateProfileString) {
  int asked = 0;
  for (const CorpusFile& file : Corpus()) {
    const int n = ExpectSameReads(file.name, file.bytes, Queries(file.bytes));
    if (n > 0) asked += n;
  }
  EXPECT_GT(asked, 1000);
}

// A list is read in one pass over the file; it must be the run Windows reads key by key.
TEST_F(IniDifferential, ListsLoadAsWindowsReadsTheirRuns) {
  for (const CorpusFile& file : Corpus()) {
    const std::string path = Place(file.bytes);
    for (const char* section : {"POPUPAD", "S", "", "PopUpAd"}) {
      for (const char* prefix : {"ad", "AD", "q", "k", "l"}) {
        EXPECT_EQ(TIniArray(files_, path, section, prefix).Items(),
                  WindowsRun(path, section, prefix))
            << file.name << ": [" << section << "] " << prefix;
      }
    }
  }
}

TEST_F(IniDifferential, WrittenFilesReadTheSameThroughBothReaders) {
  for (const CorpusFile& file : Corpus()) {
    const std::string path = Place(file.bytes);
    auto queries = Queries(file.bytes);
    {
      TIniArray list(files_, path, "POPUPAD", "ad");
      list.Add("http://x/" + kCjk + "?a=1");
      list.ReplaceAll({"*doubleclick.net*", "*/adserver/*", "*" + kCjk2 + "*", "a b", "x=y"});
      list.Delete(1);
      list.Add("*popup*ad*");
      TIniArray pass(files_, path, "POPUPAD", "pass");
      pass.ReplaceAll({"*.gov*", kCjk});
      pass.Delete(0);
      TIniArray other(files_, path, "S", "k");
      other.Add("in S");
    }
    {
      IniFile ini(files_, path);
      int i = 0;
      for (const auto& [section, key] : queries) {
        if (section.empty() || key.empty() || key[0] == ';' || ++i % 3 == 0) continue;
        if (i % 3 == 1) {
          ini.WriteString(section, key, "w" + std::to_string(i));
        } else {
          ini.DeleteKey(section, key);
        }
      }
      ASSERT_TRUE(ini.Flush()) << file.name;
    }
    std::string written;
    ASSERT_TRUE(files_.ReadFile(path, &written));
    for (const char* key : {"pass0", "pass1", "k0", "k1", "ad5"}) queries.emplace_back("POPUPAD", key);
    queries.emplace_back("S", "k0");
    ExpectSameReads(file.name + " (written)", written, queries);

    // What the list claims is what Windows reads, key by key.
    const std::string copy = Place(written);
    EXPECT_EQ(TIniArray(files_, copy, "POPUPAD", "ad").Items(), WindowsRun(copy, "POPUPAD", "ad"))
        << file.name;
  }
}

TEST_F(IniDifferential, ListWritesReadBackThroughWindowsAsClaimed) {
  const std::string path = Place(Lines({"; rules", "[POPUPAD]", "ad0=old", "pass0=p", "", "[X]"}));
  std::vector<std::string> claimed;
  {
    TIniArray list(files_, path, "POPUPAD", "ad");
    std::vector<std::string> entries;
    for (int i = 0; i < 300; ++i) {
      entries.push_back("*ad" + std::to_string(i) + (i % 7 ? "*" : kCjk + "?*"));
    }
    list.ReplaceAll(entries);
    list.Delete(150);
    list.Delete(0);
    list.Add("http://" + kCjk2 + "/");
    claimed = list.Items();
  }
  const std::string copy = Place([&] {
    std::string bytes;
    files_.ReadFile(path, &bytes);
    return bytes;
  }());
  for (size_t i = 0; i <= claimed.size(); ++i) {
    const std::string expected = i < claimed.size() ? claimed[i] : "";
    ASSERT_EQ(WindowsRead(copy, "POPUPAD", "ad" + std::to_string(i), ""), expected) << i;
  }
  EXPECT_EQ(WindowsRead(copy, "POPUPAD", "pass0", ""), "p");
}

}  // namespace
}  // namespace orv
