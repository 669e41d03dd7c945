#include "lists/ini_file.h"

#include <gtest/gtest.h>

#include <random>

#include "platform/memory/memory_files.h"

namespace orv {
namespace {

const std::string kPath = "C:\\Orvanel\\conf\\test.ini";
// "拦截" in code page 936; the trail byte of the second character is 0xD8.
const std::string kChinese = "\xC0\xB9\xBD\xD8";

class IniFileTest : public ::testing::Test {
 protected:
  std::unique_ptr<IniFile> Open(const std::string& bytes) {
    files_.SetFile(kPath, bytes);
    return std::make_unique<IniFile>(files_, kPath);
  }
  std::string Read(const std::string& bytes, const std::string& section, const std::string& key,
                   const std::string& def = "DEF") {
    return Open(bytes)->ReadString(section, key, def);
  }
  MemoryFileSystem files_;
};

TEST_F(IniFileTest, NamesMatchWithoutCaseAndBlanks) {
  const std::string text = "[ PopUpAd ]\r\n  AD0 \t=  *ads* \t\r\n";
  EXPECT_EQ(Read(text, "popupad", "ad0"), "*ads*");
  EXPECT_EQ(Read(text, " POPUPAD ", " Ad0 "), "*ads*");
  EXPECT_EQ(Read(text, "POPUPAD", "ad1"), "DEF");
  EXPECT_EQ(Read(text, "Other", "ad0"), "DEF");
}

TEST_F(IniFileTest, ValueQuirksOfThePrivateProfileReader) {
  const std::string text =
      "[S]\r\n"
      "q1=\"a b\"\r\nq2='x'\r\nq3=\"x'\r\nq4=\"\r\nq5=\"\"\r\nq6=\" in \"\r\nq7=\"a\"b\"\r\n"
      "empty=\r\nblank=   \r\nctl=\x1A\tv\x1A\r\ncomment=v ;not a comment\r\n"
      "eq = = x\r\n"
      "a d = inner blank\r\n";
  std::string with_zero = text + "zero=a";
  with_zero.push_back('\0');
  with_zero += "b\r\n";
  auto ini = Open(with_zero);
  EXPECT_EQ(ini->ReadString("S", "q1", "D"), "a b");
  EXPECT_EQ(ini->ReadString("S", "q2", "D"), "x");
  EXPECT_EQ(ini->ReadString("S", "q3", "D"), "\"x'");
  EXPECT_EQ(ini->ReadString("S", "q4", "D"), "\"");
  EXPECT_EQ(ini->ReadString("S", "q5", "D"), "");
  EXPECT_EQ(ini->ReadString("S", "q6", "D"), " in ");
  EXPECT_EQ(ini->ReadString("S", "q7", "D"), "a\"b");
  EXPECT_EQ(ini->ReadString("S", "empty", "D"), "");  // present but empty: not the default
  EXPECT_EQ(ini->ReadString("S", "blank", "D"), "");
  EXPECT_EQ(ini->ReadString("S", "ctl", "D"), "v");
  EXPECT_EQ(ini->ReadString("S", "comment", "D"), "v ;not a comment");
  EXPECT_EQ(ini->ReadString("S", "eq", "D"), "= x");
  EXPECT_EQ(ini->ReadString("S", "a d", "D"), "inner blank");
  EXPECT_EQ(ini->ReadString("S", "zero", "D"), "a");
}

TEST_F(IniFileTest, DuplicatesCommentsAndNamelessLines) {
  const std::string text =
      "top=before any section\r\n"
      "[S]\r\n"
      "dup=first\r\nDUP=second\r\n"
      "bare\r\nbare=hidden behind the bare name\r\n"
      ";c1=commented\r\n  ;c2=indented comment\r\n"
      "[s]\r\nonly=in the second S\r\n"
      "[S3\r\nafter=a broken section line\r\n"
      "[T] trailing words\r\nt=1\r\n"
      "[U]x]\r\nu=2\r\n";
  auto ini = Open(text);
  EXPECT_EQ(ini->ReadString("", "top", "D"), "before any section");
  EXPECT_EQ(ini->ReadString("S", "dup", "D"), "first");
  EXPECT_EQ(ini->ReadString("S", "bare", "D"), "D");
  EXPECT_EQ(ini->ReadString("S", "c1", "D"), "D");
  EXPECT_EQ(ini->ReadString("S", "c2", "D"), "D");
  EXPECT_EQ(ini->ReadString("S", "only", "D"), "D");   // the second [s] is never read
  EXPECT_EQ(ini->ReadString("s", "after", "D"), "D");  // nor what follows it
  EXPECT_EQ(ini->ReadString("T", "t", "D"), "1");
  EXPECT_EQ(ini->ReadString("U]x", "u", "D"), "2");  // the last "]" closes the name
}

TEST_F(IniFileTest, LineEndsOfEveryKindReadAlike) {
  for (const std::string& text :
       {std::string("[S]\r\na=1\r\nb=2\r\n"), std::string("[S]\na=1\nb=2\n"),
        std::string("[S]\ra=1\rb=2\r"), std::string("[S]\r\na=1\nb=2"),
        std::string("[S]\r\n\r\na=1\r\r\nb=2"), std::string("\xEF\xBB\xBF[S]\r\na=1\r\nb=2\r\n")}) {
    auto ini = Open(text);
    EXPECT_EQ(ini->ReadString("S", "a", "D"), "1") << text;
    EXPECT_EQ(ini->ReadString("S", "b", "D"), "2") << text;
  }
}

TEST_F(IniFileTest, LongValuesAreCutWithoutSplittingACharacter) {
  std::string halves;  // 1,500 Chinese characters: 3,000 bytes
  for (int i = 0; i < 750; ++i) halves += kChinese;
  const std::string text = "[S]\r\nascii=" + std::string(3000, 'x') + "\r\nexact=" +
                           std::string(2047, 'y') + "\r\ncjk=" + halves + "\r\nodd=a" + halves +
                           "\r\nquoted=\"" + std::string(3000, 'q') + "\"\r\n";
  auto ini = Open(text);
  EXPECT_EQ(ini->ReadString("S", "ascii", ""), std::string(2047, 'x'));
  EXPECT_EQ(ini->ReadString("S", "exact", ""), std::string(2047, 'y'));
  EXPECT_EQ(ini->ReadString("S", "cjk", ""), halves.substr(0, 2046));
  EXPECT_EQ(ini->ReadString("S", "odd", ""), ("a" + halves).substr(0, 2047));
  EXPECT_EQ(ini->ReadString("S", "quoted", ""), std::string(2047, 'q'));
}

TEST_F(IniFileTest, DoubleByteNamesAndValuesStayBytes) {
  // 0x955D is one character whose trail byte is "]": it closes no section name, so the line
  // below is no section line and k stays in [S].
  const std::string text = "[S]\r\n[\x95\x5D\r\nk=" + kChinese + "\x81\\\r\n[" + kChinese +
                           "\x95\x5D]\r\nc=1\r\n";
  auto ini = Open(text);
  EXPECT_EQ(ini->ReadString("S", "k", "D"), kChinese + "\x81\\");
  EXPECT_EQ(ini->ReadString(kChinese + "\x95\x5D", "c", "D"), "1");
}

TEST_F(IniFileTest, WritingKeepsEveryOtherLineByteForByte) {
  const std::string text =
      "; list file\r\n"
      "[Other]\r\n"
      "  x = 1  \r\n"
      "\r\n"
      "[POPUPAD]\r\n"
      "ad0 = old \r\n"
      "pass0=\"quoted\"\r\n"
      "; a comment\r\n"
      "odd line\r\n"
      "temp0=" + kChinese + "\r\n"
      "\r\n"
      "[Tail]\r\ny=2";
  auto ini = Open(text);
  ini->WriteString("popupad", "AD0", "new");
  ASSERT_TRUE(ini->Flush());
  std::string expected = text;
  expected.replace(expected.find("ad0 = old "), 10, "ad0=new");
  EXPECT_EQ(files_.FileBytes(kPath), expected);
}

TEST_F(IniFileTest, NewKeysGoAfterTheLastKeyLineOfTheFirstSection) {
  auto ini = Open(
      "[POPUPAD]\r\nad0=a\r\n; trailing comment\r\n\r\n"
      "[Other]\r\nz=1\r\n"
      "[POPUPAD]\r\nhidden=1\r\n");
  ini->WriteString("POPUPAD", "ad1", "b");
  ini->WriteString("POPUPAD", "ad2", "c");
  ini->WriteString("Empty", "k", "v");
  ASSERT_TRUE(ini->Flush());
  EXPECT_EQ(files_.FileBytes(kPath),
            "[POPUPAD]\r\nad0=a\r\nad1=b\r\nad2=c\r\n; trailing comment\r\n\r\n"
            "[Other]\r\nz=1\r\n"
            "[POPUPAD]\r\nhidden=1\r\n"
            "[Empty]\r\nk=v\r\n");
}

TEST_F(IniFileTest, NewKeyInASectionWithoutKeysFollowsItsLine) {
  auto ini = Open("[List]\r\n\r\n[UrlShortcut]\r\n");
  ini->WriteString("List", "x0", "name");
  ASSERT_TRUE(ini->Flush());
  EXPECT_EQ(files_.FileBytes(kPath), "[List]\r\nx0=name\r\n\r\n[UrlShortcut]\r\n");
}

TEST_F(IniFileTest, KeepsTheFileLineEndStyleAndMendsAMissingLastOne) {
  auto lf = Open("[S]\na=1");
  lf->WriteString("S", "b", "2");
  ASSERT_TRUE(lf->Flush());
  EXPECT_EQ(files_.FileBytes(kPath), "[S]\na=1\nb=2\n");

  auto fresh = Open("");
  fresh->WriteString("POPUPAD", "ad0", "x");
  ASSERT_TRUE(fresh->Flush());
  EXPECT_EQ(files_.FileBytes(kPath), "[POPUPAD]\r\nad0=x\r\n");

  auto bom = Open("\xEF\xBB\xBF[S]\r\na=" + kChinese + "\r\n");
  bom->WriteString("S", "b", kChinese);
  ASSERT_TRUE(bom->Flush());
  // Written as the ANSI file it is read as: without the UTF-8 mark, every byte else kept.
  EXPECT_EQ(files_.FileBytes(kPath), "[S]\r\na=" + kChinese + "\r\nb=" + kChinese + "\r\n");
}

TEST_F(IniFileTest, DeletingRemovesOneLineAndUncoversADuplicate) {
  auto ini = Open("[S]\r\nk=first\r\nother=o\r\nk=second\r\n\r\n[T]\r\nk=t\r\n");
  ini->DeleteKey("S", "K");
  EXPECT_EQ(ini->ReadString("S", "k", "D"), "second");
  ini->DeleteKey("S", "k");
  ini->DeleteKey("S", "absent");
  ini->DeleteKey("Absent", "k");
  EXPECT_EQ(ini->ReadString("S", "k", "D"), "D");
  ini->WriteString("S", "n", "after the last remaining key");
  ASSERT_TRUE(ini->Flush());
  EXPECT_EQ(files_.FileBytes(kPath),
            "[S]\r\nother=o\r\nn=after the last remaining key\r\n\r\n[T]\r\nk=t\r\n");
}

TEST_F(IniFileTest, AValueCannotBreakIntoAnotherLine) {
  auto ini = Open("[S]\r\n");
  ini->WriteString("S", "a", "x\r\nb=injected\n[T]");
  ASSERT_TRUE(ini->Flush());
  IniFile reread(files_, kPath);
  EXPECT_EQ(reread.ReadString("S", "a", "D"), "x  b=injected [T]");
  EXPECT_EQ(reread.ReadString("S", "b", "D"), "D");
}

TEST_F(IniFileTest, FlushWritesOnceAndOnlyWhenSomethingChanged) {
  auto ini = Open("[S]\r\na=1\r\n");
  const int before = files_.write_calls();
  ASSERT_TRUE(ini->Flush());
  ini->WriteString("S", "a", "1");  // the same bytes: nothing to write
  ASSERT_TRUE(ini->Flush());
  EXPECT_EQ(files_.write_calls(), before);
  for (int i = 0; i < 50; ++i) ini->WriteString("S", "k" + std::to_string(i), "v");
  ASSERT_TRUE(ini->Flush());
  EXPECT_EQ(files_.write_calls(), before + 1);
}

TEST_F(IniFileTest, FailedFlushLeavesFileAndObjectAsTheyWere) {
  const std::string text = "[S]\r\na=1\r\n";
  auto ini = Open(text);
  ini->WriteString("S", "a", "2");
  ini->WriteString("S", "b", "3");
  files_.FailWriteAt(1);
  EXPECT_FALSE(ini->Flush());
  EXPECT_EQ(files_.FileBytes(kPath), text);
  EXPECT_EQ(ini->ReadString("S", "a", "D"), "1");
  EXPECT_EQ(ini->ReadString("S", "b", "D"), "D");
  EXPECT_FALSE(ini->HasPendingChanges());
  ini->WriteString("S", "c", "4");
  ASSERT_TRUE(ini->Flush());
  EXPECT_EQ(files_.FileBytes(kPath), "[S]\r\na=1\r\nc=4\r\n");
}

TEST_F(IniFileTest, UnreadableFileIsReported) {
  files_.SetFile(kPath, "[S]\r\na=1\r\n");
  files_.FailReadAt(1);
  IniFile ini(files_, kPath);
  EXPECT_FALSE(ini.ReadOk());
  EXPECT_EQ(ini.ReadString("S", "a", "D"), "D");
  IniFile missing(files_, "C:\\nowhere.ini");
  EXPECT_FALSE(missing.ReadOk());
}

// What the writer produces reads back, through a fresh reader, as the writer holds it.
TEST_F(IniFileTest, WrittenFileReadsBackAsHeld) {
  auto ini = Open("x=0\n[A]\nk1 = \"v\"\n\n[B]\r\n;c\r\nk1=b\r\n[a]\nk2=hidden");
  ini->WriteString("A", "k2", kChinese);
  ini->WriteString("B", "k1", " padded ");
  ini->WriteString("", "x", "top");
  ini->DeleteKey("A", "k1");
  ini->WriteString("C", "k", "'q'");
  ASSERT_TRUE(ini->Flush());
  IniFile reread(files_, kPath);
  for (const auto& [section, key] : std::vector<std::pair<std::string, std::string>>{
           {"A", "k1"}, {"A", "k2"}, {"B", "k1"}, {"", "x"}, {"C", "k"}, {"B", "c"}}) {
    EXPECT_EQ(reread.ReadString(section, key, "D"), ini->ReadString(section, key, "D"))
        << section << "/" << key;
  }
  EXPECT_EQ(reread.ReadString("A", "k2", "D"), kChinese);
  EXPECT_EQ(reread.ReadString("B", "k1", "D"), "padded");
  EXPECT_EQ(reread.ReadString("C", "k", "D"), "q");
}

// ValueAsReadBack, by which the lists judge what an entry becomes, agrees with the reader on
// what it reads back after the writer stored a value, through the file's bytes.
TEST_F(IniFileTest, ValueAsReadBackIsWhatTheReaderReadsAfterAWrite) {
  const struct {
    std::string value, read_back;
  } cases[] = {
      {"*ads*", "*ads*"},  {" \t x y \t", "x y"},     {"''", ""},          {"\"\"", ""},
      {" \"\" ", ""},      {"' '", " "},             {"'q'", "q"},        {"\"a'", "\"a'"},
      {"\x1A", ""},        {"\x0Bv\x0C", "v"},       {"a\r\nb", "a  b"},  {"\r\n", ""},
      {std::string("\0x", 2), "x"},                  {std::string(3000, 'l'), std::string(2047, 'l')},
      {std::string(2046, 'z') + kChinese, std::string(2046, 'z')},  // no half character
  };
  for (const auto& c : cases) {
    files_.SetFile(kPath, "[S]\r\n");
    IniFile writer(files_, kPath);
    writer.WriteString("S", "k", c.value);
    ASSERT_TRUE(writer.Flush());
    EXPECT_EQ(IniFile(files_, kPath).ReadString("S", "k", "D"), c.read_back) << c.value.size();
    EXPECT_EQ(IniFile::ValueAsReadBack(c.value), c.read_back) << c.value.size();
  }
}

// A run read in one pass over the unparsed file is the run ReadString reads key by key.
TEST_F(IniFileTest, RunReadInOnePassEqualsReadingKeyByKey) {
  const std::vector<std::string> fragments = {
      "[POPUPAD]", "[ popupad ]", "[Other]", "[]", "ad0=a", "AD1 = b", "ad2=", "ad01=x", "ad3",
      ";ad4=c", "ad4=\"\"", "ad5='q'", "  ad6=v  ", "ad 7=v", "ad+8=v", "ad0=dup", "pass0=p",
      "", "ad-1=x", "ad9999999999=x", "Pass1=P", "ad7=" + kChinese, "ad8=\"x", "ad9=\x1A"};
  const char* eols[] = {"\r\n", "\n", "\r"};
  std::mt19937 random(5);
  for (int round = 0; round < 3000; ++round) {
    std::string text;
    for (int n = random() % 14; n > 0; --n) {
      text += fragments[random() % fragments.size()] + eols[random() % 3];
    }
    for (const char* section : {"POPUPAD", "", "Other"}) {
      for (const char* prefix : {"ad", "AD", "pass"}) {
        files_.SetFile(kPath, text);
        IniFile one_pass(files_, kPath);
        IniFile parsed(files_, kPath);
        parsed.ReadString(section, "x", "");  // parses it
        ASSERT_EQ(one_pass.ReadRun(section, prefix), parsed.ReadRun(section, prefix))
            << "[" << section << "] " << prefix << " in\n" << text;
      }
    }
  }
}

// A flush that had nothing to write still ends its changes: a delete of a key the object did
// not hold is not made again, on another object's write of that key, by a later flush.
TEST_F(IniFileTest, AFlushWithNothingToWriteEndsItsChanges) {
  files_.SetFile(kPath, "[S]\r\n");
  IniFile first(files_, kPath), second(files_, kPath);
  second.DeleteKey("S", "k");  // not there: changes nothing
  ASSERT_TRUE(second.Flush());
  first.WriteString("S", "k", "kept");
  ASSERT_TRUE(first.Flush());
  second.WriteString("S", "other", "v");
  ASSERT_TRUE(second.Flush());
  IniFile now(files_, kPath);
  EXPECT_EQ(now.ReadString("S", "k", "D"), "kept");
  EXPECT_EQ(now.ReadString("S", "other", "D"), "v");
}

// The mark is left out when writing, except before bytes that begin with a mark of their own.
TEST_F(IniFileTest, ASecondMarkAtTheStartKeepsTheFirstLineAsRead) {
  auto ini = Open("\xEF\xBB\xBF\xEF\xBB\xBF[AD]\r\nad0=a\r\n");
  ini->WriteString("AD", "ad0", "b");
  ASSERT_TRUE(ini->Flush());
  EXPECT_EQ(files_.FileBytes(kPath), "\xEF\xBB\xBF\xEF\xBB\xBF[AD]\r\nad0=a\r\n[AD]\r\nad0=b\r\n");
  IniFile again(files_, kPath);
  EXPECT_EQ(again.ReadString("AD", "ad0", "D"), "b");
}

// A new line written with the file's CR line ends before an empty LF line keeps that line.
TEST_F(IniFileTest, ALoneCrNeverJoinsTheLineEndOfAnEmptyLineAfterIt) {
  auto ini = Open("[s]\rk=1\n\n[t]\n");
  ini->WriteString("s", "n", "2");
  ASSERT_TRUE(ini->Flush());
  EXPECT_EQ(files_.FileBytes(kPath), "[s]\rk=1\nn=2\r\n\n[t]\n");
  auto cut = Open("[s]\ra=1\rb=2\n\n[t]\n");
  cut->DeleteKey("s", "b");
  ASSERT_TRUE(cut->Flush());
  EXPECT_EQ(files_.FileBytes(kPath), "[s]\ra=1\r\n\n[t]\n");
}

}  // namespace
}  // namespace orv
