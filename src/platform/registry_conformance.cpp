// One suite for every Registry: the in-memory one natively, the advapi32 one under Wine (and
// Windows). Where Windows and Wine differ, the suite asserts only what holds on both and the
// in-memory registry follows Windows:
// - values enumerate in creation order on Windows, sorted by name under Wine;
// - sub-keys sort by upper-cased name on Windows, by lower-cased name under Wine, which puts
//   the characters [ \ ] ^ _ ` before the letters;
// - below a key without write rights Windows creates no sub-key and deletes nothing; Wine does.
// Sequences that are no code page 936 character are replaced by the ANSI functions (Wine turns
// an invalid pair into "?", a lead byte at the end into a NUL); the in-memory registry keeps
// their bytes. Texts the program stores are whole characters.
// The views are checked on every machine a test bed plays (RegistryViews below): the machine
// keys used are HKEY_LOCAL_MACHINE\SOFTWARE\..., HKEY_CLASSES_ROOT\CLSID\... and
// HKEY_CURRENT_USER, where Windows 7 and later, Wine's 32-bit programs and the in-memory registry
// agree. (Wine's 64-bit programs also redirect the rest of SOFTWARE\Classes, which Windows shares.)
#include "platform/registry_conformance.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "base/errors.h"

namespace orv {
namespace {

constexpr RegRoot kRoot = RegRoot::CurrentUser;

std::string Bytes(std::initializer_list<int> bytes) {
  std::string s;
  for (int b : bytes) s += static_cast<char>(b);
  return s;
}

// The text of the RegistryError that f raises, or "" when it raises none.
std::string ErrorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const RegistryError& e) {
    return e.what();
  }
  return "";
}

std::vector<std::string> SortedNoCase(std::vector<std::string> v) {
  std::sort(v.begin(), v.end(), [](const std::string& a, const std::string& b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
      auto up = [](char c) { return c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c; };
      return static_cast<unsigned char>(up(x)) < static_cast<unsigned char>(up(y));
    });
  });
  return v;
}

class RegistryConformance : public ::testing::Test {
 protected:
  void SetUp() override {
    bed_ = MakeRegistryTestBed();
    ASSERT_TRUE(reg().KeyExists(kRoot, bed_->scratch()));
  }
  void TearDown() override { bed_.reset(); }

  Registry& reg() { return bed_->registry(); }
  std::string Path(const std::string& rel) const { return bed_->scratch() + "\\" + rel; }
  std::unique_ptr<RegistryKey> Create(const std::string& rel) {
    auto key = reg().OpenKey(kRoot, Path(rel), true);
    EXPECT_NE(key, nullptr) << rel;
    return key;
  }
  RegKey CreateTyped(const std::string& rel) { return RegKey(Create(rel)); }

  std::unique_ptr<RegistryTestBed> bed_;
};

TEST_F(RegistryConformance, OpensOnlyExistingKeysUnlessAskedToCreate) {
  const std::string leaf = Path("Tree\\Branch\\Leaf");
  EXPECT_FALSE(reg().KeyExists(kRoot, leaf));
  EXPECT_EQ(reg().OpenKey(kRoot, leaf, false), nullptr);
  EXPECT_EQ(reg().OpenKey(kRoot, leaf, false, RegAccess::Read), nullptr);
  EXPECT_FALSE(RegKey::Open(reg(), kRoot, leaf, false));
  EXPECT_FALSE(reg().KeyExists(kRoot, Path("Tree")));  // looking creates nothing

  auto created = reg().OpenKey(kRoot, leaf, true);
  ASSERT_NE(created, nullptr);
  ASSERT_TRUE(created->SetValue("v", {kRegSz, "1"}));
  created.reset();

  // The whole path was created; paths match without case, an absolute path means the same.
  EXPECT_TRUE(reg().KeyExists(kRoot, Path("Tree")));
  EXPECT_TRUE(reg().KeyExists(kRoot, Path("TREE\\branch")));
  EXPECT_TRUE(reg().KeyExists(kRoot, "\\" + leaf + "\\"));
  RegValue v;
  auto again = reg().OpenKey(kRoot, Path("tree\\BRANCH\\leaf"), false);
  ASSERT_NE(again, nullptr);
  EXPECT_TRUE(again->QueryValue("v", &v));
  // Creating an existing key opens it as it is.
  auto recreated = reg().OpenKey(kRoot, leaf, true);
  ASSERT_NE(recreated, nullptr);
  EXPECT_TRUE(recreated->QueryValue("v", &v));
  EXPECT_EQ(v.data, "1");
  auto reader = reg().OpenKey(kRoot, leaf, false, RegAccess::Read);
  ASSERT_NE(reader, nullptr);
  EXPECT_TRUE(reader->QueryValue("V", &v));

  // "" is the root itself.
  auto root = reg().OpenKey(kRoot, "", false, RegAccess::Read);
  ASSERT_NE(root, nullptr);
  EXPECT_TRUE(root->HasSubKey("Software"));
  EXPECT_TRUE(reg().KeyExists(kRoot, ""));
}

TEST_F(RegistryConformance, EnumeratesSubKeysSortedWithoutCaseAsFirstSpelled) {
  for (const char* name : {"beta", "Alpha", "gamma", "ALPHA2", "10", "9", "a b", "Zed"})
    Create("Keys\\" + std::string(name));
  Create("Keys\\ALPHA");  // the same key as "Alpha"
  auto deep = Create("Keys\\BETA\\Inner");
  ASSERT_TRUE(deep->SetValue("x", {kRegSz, "deep"}));

  auto keys = reg().OpenKey(kRoot, Path("Keys"), false, RegAccess::Read);
  ASSERT_NE(keys, nullptr);
  EXPECT_EQ(keys->SubKeyNames(), (std::vector<std::string>{"10", "9", "a b", "Alpha", "ALPHA2",
                                                           "beta", "gamma", "Zed"}));
  EXPECT_TRUE(keys->HasSubKey("ALPHA"));
  EXPECT_TRUE(keys->HasSubKey("beta\\INNER"));
  EXPECT_FALSE(keys->HasSubKey("delta"));
  EXPECT_FALSE(keys->HasSubKey(""));
  EXPECT_TRUE(keys->ValueNames().empty());

  RegValue v;
  auto inner = reg().OpenKey(kRoot, Path("keys\\Beta\\inner"), false);
  ASSERT_NE(inner, nullptr);
  ASSERT_TRUE(inner->QueryValue("X", &v));
  EXPECT_EQ(v.data, "deep");
  EXPECT_TRUE(inner->SubKeyNames().empty());
}

TEST_F(RegistryConformance, MatchesValueNamesWithoutCaseKeepingTheFirstSpelling) {
  RegKey key = CreateTyped("Values");
  key.WriteBool("AllowKillAd", true);
  key.WriteBool("AllowKillAD", false);
  EXPECT_EQ(key.ValueNames(), std::vector<std::string>{"AllowKillAd"});
  EXPECT_FALSE(key.ReadBool("ALLOWKILLAD"));
  EXPECT_TRUE(key.ValueExists("allowkillad"));

  // Windows gives values in creation order, Wine sorted by name: compare them as a set.
  key.WriteString("b", "2");
  key.WriteString("A", "1");
  key.WriteString("", "default");  // the unnamed default value
  key.WriteString("c", "3");
  EXPECT_EQ(SortedNoCase(key.ValueNames()),
            (std::vector<std::string>{"", "A", "AllowKillAd", "b", "c"}));
  EXPECT_EQ(key.ReadString(""), "default");

  EXPECT_TRUE(key.DeleteValue("ALLOWKILLAD"));
  EXPECT_FALSE(key.DeleteValue("AllowKillAd"));
  EXPECT_FALSE(key.ValueExists("AllowKillAd"));
  EXPECT_TRUE(key.DeleteValue(""));
  EXPECT_EQ(SortedNoCase(key.ValueNames()), (std::vector<std::string>{"A", "b", "c"}));

  // Value names reach 16383 characters and no further.
  const std::string longest(16383, 'v');
  key.WriteString(longest, "long");
  EXPECT_EQ(key.ReadString(longest), "long");
  EXPECT_EQ(ErrorOf([&] { key.WriteString(longest + "v", "x"); }),
            "Failed to set data for '" + longest + "v'");
  EXPECT_EQ(SortedNoCase(key.ValueNames()), (std::vector<std::string>{"A", "b", "c", longest}));
}

TEST_F(RegistryConformance, KeepsEveryTypeAndSizeByteForByte) {
  std::string big_binary(100000, '\0');
  for (size_t i = 0; i < big_binary.size(); ++i) big_binary[i] = static_cast<char>(i * 7);
  std::string big_text(20000, 'x');
  for (size_t i = 0; i < big_text.size(); i += 100) big_text[i] = 'y';
  const std::vector<std::pair<std::string, RegValue>> cases = {
      {"Sz", {kRegSz, "C:\\Program Files\\Orvanel\\"}},
      {"EmptySz", {kRegSz, ""}},
      {"ExpandSz", {kRegExpandSz, "%SystemRoot%\\system32"}},
      {"GbkSz", {kRegSz, "拦截到广告窗口"}},
      {"Binary8", {kRegBinary, Bytes({0, 1, 0xFF, 0x80, 0, 0, 0x7F, 0})}},
      {"Binary4", {kRegBinary, Bytes({1, 2, 3, 4})}},
      {"BinaryEmpty", {kRegBinary, ""}},
      {"Dword", {kRegDword, Bytes({0x78, 0x56, 0x34, 0x12})}},
      {"Dword2", {kRegDword, Bytes({1, 0})}},
      {"DwordEmpty", {kRegDword, ""}},
      {"Qword", {kRegQword, Bytes({1, 2, 3, 4, 5, 6, 7, 8})}},
      {"MultiSz", {kRegMultiSz, std::string("one\0two\0\0", 9)}},
      {"None", {kRegNone, Bytes({0xAB})}},
      {"BigBinary", {kRegBinary, big_binary}},
      {"BigSz", {kRegSz, big_text}},
  };
  auto key = Create("Types");
  for (auto& c : cases) EXPECT_TRUE(key->SetValue(c.first, c.second)) << c.first;
  auto reader = reg().OpenKey(kRoot, Path("Types"), false, RegAccess::Read);
  ASSERT_NE(reader, nullptr);
  for (auto& c : cases) {
    RegValue v;
    ASSERT_TRUE(reader->QueryValue(c.first, &v)) << c.first;
    EXPECT_EQ(v.type, c.second.type) << c.first;
    EXPECT_TRUE(v.data == c.second.data) << c.first << ": " << v.data.size() << " bytes read, "
                                         << c.second.data.size() << " written";
  }
  // Writing a value again replaces its type and data.
  ASSERT_TRUE(key->SetValue("Sz", {kRegDword, Bytes({9, 0, 0, 0})}));
  RegValue v;
  ASSERT_TRUE(reader->QueryValue("sz", &v));
  EXPECT_EQ(v.type, kRegDword);
  EXPECT_EQ(v.data, Bytes({9, 0, 0, 0}));
  EXPECT_FALSE(reader->QueryValue("Missing", &v));
}

TEST_F(RegistryConformance, TypedValuesFollowTheStorageRules) {
  RegKey key = CreateTyped("Typed");
  key.WriteString("Text", "岚澄 1.2");
  key.WriteInteger("Negative", -5);
  key.WriteInteger("Lowest", INT32_MIN);
  key.WriteBool("On", true);
  key.WriteBool("Off", false);
  key.WriteDateTime("When", 36526.5);

  RegKey reader = RegKey::Open(reg(), kRoot, Path("Typed"), false, RegAccess::Read);
  ASSERT_TRUE(reader);
  EXPECT_EQ(reader.ReadString("text"), "岚澄 1.2");
  EXPECT_EQ(reader.ReadInteger("Negative"), -5);
  EXPECT_EQ(reader.ReadInteger("Lowest"), INT32_MIN);
  EXPECT_TRUE(reader.ReadBool("On"));
  EXPECT_FALSE(reader.ReadBool("Off"));
  EXPECT_EQ(reader.ReadDateTime("When"), 36526.5);

  // What the typed writes store.
  RegValue v;
  ASSERT_TRUE(reader.raw()->QueryValue("Text", &v));
  EXPECT_EQ(v.type, kRegSz);
  EXPECT_EQ(v.data, "岚澄 1.2");
  ASSERT_TRUE(reader.raw()->QueryValue("Negative", &v));
  EXPECT_EQ(v.type, kRegDword);
  EXPECT_EQ(v.data, Bytes({0xFB, 0xFF, 0xFF, 0xFF}));
  ASSERT_TRUE(reader.raw()->QueryValue("On", &v));
  EXPECT_EQ(v.data, Bytes({1, 0, 0, 0}));
  ASSERT_TRUE(reader.raw()->QueryValue("When", &v));
  EXPECT_EQ(v.type, kRegBinary);
  EXPECT_EQ(v.data, Bytes({0, 0, 0, 0, 0xD0, 0xD5, 0xE1, 0x40}));

  // Switches: any non-zero number is true. Texts: missing or without data reads empty, an
  // expandable string stays unexpanded, a NUL ends the text.
  auto raw = reg().OpenKey(kRoot, Path("Typed"), false);
  ASSERT_NE(raw, nullptr);
  ASSERT_TRUE(raw->SetValue("Seven", {kRegDword, Bytes({7, 0, 0, 0})}));
  ASSERT_TRUE(raw->SetValue("Expand", {kRegExpandSz, "%TEMP%\\x"}));
  ASSERT_TRUE(raw->SetValue("Nul", {kRegSz, std::string("ab\0cd", 5)}));
  ASSERT_TRUE(raw->SetValue("NoDataDword", {kRegDword, ""}));
  ASSERT_TRUE(raw->SetValue("NoDataBinary", {kRegBinary, ""}));
  EXPECT_TRUE(reader.ReadBool("Seven"));
  EXPECT_EQ(reader.ReadString("Missing"), "");
  EXPECT_EQ(reader.ReadString("Expand"), "%TEMP%\\x");
  EXPECT_EQ(reader.ReadString("Nul"), "ab");
  EXPECT_EQ(reader.ReadString("NoDataDword"), "");
  EXPECT_EQ(reader.ReadString("NoDataBinary"), "");

  // A text written back as expandable keeps that type; Query gives any value with its type.
  key.WriteString("Cache", "%USERPROFILE%\\Cache", true);
  ASSERT_TRUE(reader.Query("cache", &v));
  EXPECT_EQ(v.type, kRegExpandSz);
  EXPECT_EQ(v.data, "%USERPROFILE%\\Cache");
  ASSERT_TRUE(reader.Query("Seven", &v));
  EXPECT_EQ(v.type, kRegDword);
  EXPECT_FALSE(reader.Query("Missing", &v));
  EXPECT_FALSE(RegKey(nullptr).Query("Cache", &v));
}

TEST_F(RegistryConformance, TypedReadsRaiseTheStorageErrors) {
  auto raw = Create("Errors");
  ASSERT_TRUE(raw->SetValue("Text", {kRegSz, "1"}));
  ASSERT_TRUE(raw->SetValue("Number", {kRegDword, Bytes({1, 0, 0, 0})}));
  ASSERT_TRUE(raw->SetValue("Binary4", {kRegBinary, Bytes({1, 2, 3, 4})}));
  ASSERT_TRUE(raw->SetValue("Binary16", {kRegBinary, std::string(16, '\1')}));
  ASSERT_TRUE(raw->SetValue("Dword2", {kRegDword, Bytes({1, 0})}));
  ASSERT_TRUE(raw->SetValue("Dword8", {kRegDword, std::string(8, '\1')}));
  ASSERT_TRUE(raw->SetValue("Qword", {kRegQword, std::string(8, '\0')}));
  ASSERT_TRUE(raw->SetValue("Multi", {kRegMultiSz, std::string("a\0\0", 3)}));
  ASSERT_TRUE(raw->SetValue("名称", {kRegBinary, Bytes({1})}));
  RegKey key(std::move(raw));

  const std::string missing = "Failed to get data for 'Missing'";
  EXPECT_EQ(ErrorOf([&] { key.ReadInteger("Missing"); }), missing);
  EXPECT_EQ(ErrorOf([&] { key.ReadBool("Missing"); }), missing);
  EXPECT_EQ(ErrorOf([&] { key.ReadDateTime("Missing"); }), missing);

  EXPECT_EQ(ErrorOf([&] { key.ReadInteger("Text"); }), "Invalid data type for 'Text'");
  EXPECT_EQ(ErrorOf([&] { key.ReadBool("Binary4"); }), "Invalid data type for 'Binary4'");
  EXPECT_EQ(ErrorOf([&] { key.ReadInteger("Qword"); }), "Invalid data type for 'Qword'");
  EXPECT_EQ(ErrorOf([&] { key.ReadDateTime("Number"); }), "Invalid data type for 'Number'");
  EXPECT_EQ(ErrorOf([&] { key.ReadString("Number"); }), "Invalid data type for 'Number'");
  EXPECT_EQ(ErrorOf([&] { key.ReadString("Multi"); }), "Invalid data type for 'Multi'");
  EXPECT_EQ(ErrorOf([&] { key.ReadString("名称"); }), "Invalid data type for '名称'");
  // The right type with the wrong size: too short is the wrong type, too long cannot be read.
  EXPECT_EQ(ErrorOf([&] { key.ReadInteger("Dword2"); }), "Invalid data type for 'Dword2'");
  EXPECT_EQ(ErrorOf([&] { key.ReadDateTime("Binary4"); }), "Invalid data type for 'Binary4'");
  EXPECT_EQ(ErrorOf([&] { key.ReadInteger("Dword8"); }), "Failed to get data for 'Dword8'");
  EXPECT_EQ(ErrorOf([&] { key.ReadDateTime("Binary16"); }), "Failed to get data for 'Binary16'");
}

TEST_F(RegistryConformance, WritesThroughAKeyOpenedForReadingFail) {
  CreateTyped("ReadOnly").WriteString("Kept", "old");
  RegKey key = RegKey::Open(reg(), kRoot, Path("ReadOnly"), false, RegAccess::Read);
  ASSERT_TRUE(key);
  EXPECT_EQ(ErrorOf([&] { key.WriteString("Kept", "new"); }), "Failed to set data for 'Kept'");
  EXPECT_EQ(ErrorOf([&] { key.WriteInteger("N", 1); }), "Failed to set data for 'N'");
  EXPECT_EQ(ErrorOf([&] { key.WriteBool("B", true); }), "Failed to set data for 'B'");
  EXPECT_EQ(ErrorOf([&] { key.WriteDateTime("D", 1.0); }), "Failed to set data for 'D'");
  EXPECT_FALSE(key.DeleteValue("Kept"));
  EXPECT_EQ(key.ReadString("Kept"), "old");
  EXPECT_EQ(key.ValueNames(), std::vector<std::string>{"Kept"});

  // A key that could not be opened reads as empty and refuses writes, without crashing.
  RegKey none = RegKey::Open(reg(), kRoot, Path("Nowhere"), false);
  ASSERT_FALSE(none);
  EXPECT_EQ(none.ReadString("x"), "");
  EXPECT_FALSE(none.ValueExists("x"));
  EXPECT_EQ(ErrorOf([&] { none.ReadInteger("x"); }), "Failed to get data for 'x'");
  EXPECT_EQ(ErrorOf([&] { none.WriteString("x", ""); }), "Failed to set data for 'x'");
  EXPECT_TRUE(none.SubKeyNames().empty());
}

TEST_F(RegistryConformance, DeletesAKeyWithEverythingBelowIt) {
  for (const char* rel : {"Del\\A", "Del\\A\\B", "Del\\A\\B\\C", "Del\\A\\D"})
    CreateTyped(rel).WriteString("v", rel);
  CreateTyped("Del\\Keep").WriteString("v", "keep");
  auto held = reg().OpenKey(kRoot, Path("Del\\A\\B"), false);
  ASSERT_NE(held, nullptr);

  EXPECT_TRUE(reg().DeleteKey(kRoot, Path("del\\a")));
  for (const char* rel : {"Del\\A", "Del\\A\\B", "Del\\A\\B\\C", "Del\\A\\D"})
    EXPECT_FALSE(reg().KeyExists(kRoot, Path(rel))) << rel;
  EXPECT_TRUE(reg().KeyExists(kRoot, Path("Del\\Keep")));
  EXPECT_EQ(RegKey::Open(reg(), kRoot, Path("Del"), false).SubKeyNames(),
            std::vector<std::string>{"Keep"});

  // A key still open on the deleted tree neither reads nor writes.
  RegValue v;
  EXPECT_FALSE(held->QueryValue("v", &v));
  EXPECT_FALSE(held->SetValue("w", {kRegSz, "x"}));
  EXPECT_TRUE(held->ValueNames().empty());

  EXPECT_FALSE(reg().DeleteKey(kRoot, Path("Del\\A")));
  EXPECT_FALSE(reg().DeleteKey(kRoot, Path("Never\\There")));
  // Created again, the key starts empty.
  auto reborn = Create("Del\\A");
  EXPECT_TRUE(reborn->ValueNames().empty());
  EXPECT_TRUE(reborn->SubKeyNames().empty());
}

TEST_F(RegistryConformance, CodePage936NamesAndTextsRoundTrip) {
  ASSERT_EQ(std::string("α"), Bytes({0xA6, 0xC1}));  // the texts below are code page 936 bytes

  RegKey key = CreateTyped("广告\\拦截");
  key.WriteString("名称", "拦截到广告窗口");
  key.WriteString("Ab测试", "one");
  key.WriteString("AB测试", "same");  // ASCII letters match without case next to Chinese ones
  // Two characters whose trail bytes are "A" and "a" are different characters.
  key.WriteString(Bytes({0x81, 0x41}), "upper trail");
  key.WriteString(Bytes({0x81, 0x61}), "lower trail");
  // Greek, Cyrillic and full-width letters match without case too.
  key.WriteString("α", "alpha");
  key.WriteString("Α", "ALPHA");
  key.WriteString("ё", "yo");
  key.WriteString("Ё", "YO");
  key.WriteString("ａ", "a");
  key.WriteString("Ａ", "A");

  RegKey reader = RegKey::Open(reg(), kRoot, Path("广告\\拦截"), false, RegAccess::Read);
  ASSERT_TRUE(reader);
  EXPECT_EQ(reader.ReadString("名称"), "拦截到广告窗口");
  EXPECT_EQ(reader.ReadString("ab测试"), "same");
  EXPECT_EQ(reader.ReadString(Bytes({0x81, 0x41})), "upper trail");
  EXPECT_EQ(reader.ReadString(Bytes({0x81, 0x61})), "lower trail");
  EXPECT_EQ(reader.ReadString("α"), "ALPHA");
  EXPECT_EQ(reader.ReadString("Ё"), "YO");
  EXPECT_EQ(reader.ReadString("ａ"), "A");
  EXPECT_EQ(SortedNoCase(reader.ValueNames()), SortedNoCase({"名称", "Ab测试", Bytes({0x81, 0x41}),
                                                             Bytes({0x81, 0x61}), "α", "ё", "ａ"}));
  EXPECT_EQ(RegKey::Open(reg(), kRoot, Path("广告"), false).SubKeyNames(),
            std::vector<std::string>{"拦截"});

  // Sub-keys sort by their characters, not by their bytes: U+005A, U+0391, U+4E00, U+4E02,
  // U+554A, U+FF21 (by code page 936 bytes it would be Z, 丂, Ａ, Α, 啊, 一).
  for (const char* name : {"啊", "一", "Ａ", "丂", "Z", "Α"}) Create(std::string("Order\\") + name);
  EXPECT_EQ(RegKey::Open(reg(), kRoot, Path("Order"), false).SubKeyNames(),
            (std::vector<std::string>{"Z", "Α", "一", "丂", "啊", "Ａ"}));
  EXPECT_TRUE(reg().KeyExists(kRoot, Path("order\\ａ")));
}

TEST_F(RegistryConformance, ReadOnlyKeyOpensOnlyForReading) {
  CreateTyped("Locked").WriteString("v", "1");
  ASSERT_TRUE(bed_->MakeReadOnly(Path("Locked")));

  // Without the right to change it, opening for full access fails, created or not, and the
  // step that wanted it does nothing.
  EXPECT_EQ(reg().OpenKey(kRoot, Path("Locked"), false), nullptr);
  EXPECT_EQ(reg().OpenKey(kRoot, Path("Locked"), true), nullptr);
  EXPECT_FALSE(RegKey::Open(reg(), kRoot, Path("Locked"), true));
  EXPECT_TRUE(reg().KeyExists(kRoot, Path("Locked")));

  RegKey reader = RegKey::Open(reg(), kRoot, Path("Locked"), false, RegAccess::Read);
  ASSERT_TRUE(reader);
  EXPECT_EQ(reader.ReadString("v"), "1");
  EXPECT_EQ(ErrorOf([&] { reader.WriteString("v", "2"); }), "Failed to set data for 'v'");

  // Windows also refuses to create keys below it or to delete it; Wine does both (it checks
  // neither KEY_CREATE_SUB_KEY on the parent nor DELETE), so only the in-memory registry's own
  // tests assert that.
}

// Reading asks for no more rights than reading needs: a key that grants only the queries and the
// listing is read like any other.
TEST_F(RegistryConformance, AKeyGrantingOnlyQueriesAndListingIsRead) {
  CreateTyped("Narrow\\Below").WriteString("v", "below");
  CreateTyped("Narrow").WriteString("v", "1");
  ASSERT_TRUE(bed_->MakeQueryOnly(Path("Narrow")));
  EXPECT_TRUE(reg().KeyExists(kRoot, Path("Narrow")));
  RegKey reader = RegKey::Open(reg(), kRoot, Path("Narrow"), false, RegAccess::Read);
  ASSERT_TRUE(reader);
  EXPECT_EQ(reader.ReadString("v"), "1");
  EXPECT_EQ(reader.ValueNames(), std::vector<std::string>{"v"});
  EXPECT_EQ(reader.SubKeyNames(), std::vector<std::string>{"Below"});
  EXPECT_EQ(reg().OpenKey(kRoot, Path("Narrow"), false), nullptr);
}

// ---- views ----

// Each machine the test bed plays: the names come from the test executable.
class RegistryViews : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    bed_ = MakeRegistryTestBed(GetParam());
    two_ = reg().HasTwoViews();
    own_ = reg().OwnView();
    ASSERT_NE(own_, RegView::Own);
    for (RegView view : {RegView::Bits64, RegView::Bits32})
      ASSERT_FALSE(reg().KeyExists(RegRoot::LocalMachine, Machine(""), view));
  }

  Registry& reg() { return bed_->registry(); }
  std::string Machine(const std::string& rel) const {
    return rel.empty() ? bed_->machine_scratch() : bed_->machine_scratch() + "\\" + rel;
  }
  // Writes v = text in root\path of one view, creating the key.
  void Put(RegRoot root, const std::string& path, RegView view, const std::string& text) {
    RegKey key = RegKey::Open(reg(), root, path, true, RegAccess::Full, view);
    ASSERT_TRUE(key) << path;
    key.WriteString("v", text);
  }
  // The text of v in root\path as one view sees it, "-" when the key is missing there.
  std::string Get(RegRoot root, const std::string& path, RegView view) {
    RegKey key = RegKey::Open(reg(), root, path, false, RegAccess::Read, view);
    return key ? key.ReadString("v") : "-";
  }
  // What a view sees where it has a view of its own, and where the machine has only one.
  std::string Expect(RegView view, const std::string& in64, const std::string& in32,
                     const std::string& single) const {
    if (!two_) return single;
    return view == RegView::Bits64 ? in64 : in32;
  }

  std::unique_ptr<RegistryTestBed> bed_;
  bool two_ = false;
  RegView own_ = RegView::Own;
};

TEST_P(RegistryViews, OwnViewComesFirstAndIsWhatAPlainCallReaches) {
  const std::vector<RegView> views = ExistingViews(reg());
  ASSERT_EQ(views.size(), two_ ? 2u : 1u);
  EXPECT_EQ(views[0], own_);
  if (two_) {
    EXPECT_EQ(views[1], OtherView(reg()));
    EXPECT_NE(views[1], own_);
  }

  Put(RegRoot::LocalMachine, Machine("Own"), RegView::Own, "own");
  EXPECT_EQ(Get(RegRoot::LocalMachine, Machine("Own"), own_), "own");
  EXPECT_EQ(Get(RegRoot::LocalMachine, Machine("Own"), RegView::Own), "own");
  if (two_) {
    EXPECT_EQ(Get(RegRoot::LocalMachine, Machine("Own"), OtherView(reg())), "-");
  }
}

TEST_P(RegistryViews, MachineSoftwareHasAKeyPerView) {
  Put(RegRoot::LocalMachine, Machine("Both"), RegView::Bits32, "32");
  Put(RegRoot::LocalMachine, Machine("Both"), RegView::Bits64, "64");
  Put(RegRoot::LocalMachine, Machine("Only32\\Below"), RegView::Bits32, "32 only");
  Put(RegRoot::LocalMachine, Machine("Only64"), RegView::Bits64, "64 only");
  for (RegView view : {RegView::Bits64, RegView::Bits32}) {
    SCOPED_TRACE(view == RegView::Bits64 ? "64-bit view" : "32-bit view");
    EXPECT_EQ(Get(RegRoot::LocalMachine, Machine("Both"), view), Expect(view, "64", "32", "64"));
    EXPECT_EQ(Get(RegRoot::LocalMachine, Machine("Only32\\Below"), view),
              Expect(view, "-", "32 only", "32 only"));
    EXPECT_EQ(Get(RegRoot::LocalMachine, Machine("Only64"), view),
              Expect(view, "64 only", "-", "64 only"));
    EXPECT_EQ(reg().KeyExists(RegRoot::LocalMachine, Machine("Only32"), view),
              view == RegView::Bits32 || !two_);

    // A key opened in a view finds and lists the sub-keys of that view.
    RegKey scratch = RegKey::Open(reg(), RegRoot::LocalMachine, Machine(""), false,
                                  RegAccess::Read, view);
    ASSERT_TRUE(scratch);
    EXPECT_EQ(scratch.HasSubKey("Only32\\Below"), view == RegView::Bits32 || !two_);
    EXPECT_EQ(scratch.SubKeyNames(),
              two_ ? (view == RegView::Bits64 ? std::vector<std::string>{"Both", "Only64"}
                                              : std::vector<std::string>{"Both", "Only32"})
                   : (std::vector<std::string>{"Both", "Only32", "Only64"}));
  }
  // The 64-bit view holds the 32-bit one below SOFTWARE\WOW6432Node.
  if (two_) {
    const std::string below_software = Machine("Both").substr(std::string("SOFTWARE").size());
    const std::string stored = "SOFTWARE\\WOW6432Node" + below_software;
    EXPECT_EQ(Get(RegRoot::LocalMachine, stored, RegView::Bits64), "32");
  }
}

TEST_P(RegistryViews, ClassIdsHaveAKeyPerViewInTheMachinesClasses) {
  const std::string id = "CLSID\\" + bed_->class_scratch();
  const std::string machine_id = "SOFTWARE\\Classes\\" + id;
  Put(RegRoot::ClassesRoot, id + "\\InprocServer32", RegView::Bits32, "lib32.dll");
  for (RegView view : {RegView::Bits64, RegView::Bits32}) {
    SCOPED_TRACE(view == RegView::Bits64 ? "64-bit view" : "32-bit view");
    const std::string lib = Expect(view, "-", "lib32.dll", "lib32.dll");
    EXPECT_EQ(Get(RegRoot::ClassesRoot, id + "\\InprocServer32", view), lib);
    EXPECT_EQ(Get(RegRoot::LocalMachine, machine_id + "\\InprocServer32", view), lib);
    // (An empty registry may have no CLSID key in the 64-bit view: it then reads as empty.)
    RegKey ids = RegKey::Open(reg(), RegRoot::ClassesRoot, "CLSID", false, RegAccess::Read, view);
    EXPECT_EQ(ids.HasSubKey(bed_->class_scratch()), view == RegView::Bits32 || !two_);
  }
  // Written through HKEY_LOCAL_MACHINE, a class is seen through HKEY_CLASSES_ROOT.
  Put(RegRoot::LocalMachine, machine_id, RegView::Bits64, "64");
  EXPECT_EQ(Get(RegRoot::ClassesRoot, id, RegView::Bits64), "64");
  EXPECT_EQ(Get(RegRoot::ClassesRoot, id, RegView::Bits32), two_ ? "" : "64");
}

TEST_P(RegistryViews, CurrentUserIsOneForBothViews) {
  const std::string path = bed_->scratch() + "\\Shared";
  Put(RegRoot::CurrentUser, path + "\\Below", RegView::Bits32, "32");
  Put(RegRoot::CurrentUser, path, RegView::Bits64, "64");
  for (RegView view : {RegView::Own, RegView::Bits64, RegView::Bits32}) {
    EXPECT_EQ(Get(RegRoot::CurrentUser, path + "\\Below", view), "32");
    EXPECT_EQ(Get(RegRoot::CurrentUser, path, view), "64");
  }
  EXPECT_TRUE(reg().DeleteKey(RegRoot::CurrentUser, path, RegView::Bits64));
  EXPECT_FALSE(reg().KeyExists(RegRoot::CurrentUser, path + "\\Below", RegView::Bits32));
  EXPECT_FALSE(reg().DeleteKey(RegRoot::CurrentUser, path, RegView::Bits32));
}

TEST_P(RegistryViews, DeleteKeyInOneViewLeavesTheOther) {
  for (RegView view : {RegView::Bits64, RegView::Bits32}) {
    const std::string text = view == RegView::Bits64 ? "64" : "32";
    for (const char* rel : {"Tree", "Tree\\A", "Tree\\A\\B", "Tree\\C"})
      Put(RegRoot::LocalMachine, Machine(rel), view, text);
  }
  EXPECT_TRUE(reg().DeleteKey(RegRoot::LocalMachine, Machine("tree"), RegView::Bits32));
  for (const char* rel : {"Tree", "Tree\\A", "Tree\\A\\B", "Tree\\C"}) {
    EXPECT_EQ(Get(RegRoot::LocalMachine, Machine(rel), RegView::Bits32), "-") << rel;
    EXPECT_EQ(Get(RegRoot::LocalMachine, Machine(rel), RegView::Bits64), two_ ? "64" : "-") << rel;
  }
  EXPECT_FALSE(reg().DeleteKey(RegRoot::LocalMachine, Machine("Tree"), RegView::Bits32));
  EXPECT_EQ(reg().DeleteKey(RegRoot::LocalMachine, Machine("Tree"), RegView::Bits64), two_);
  EXPECT_FALSE(reg().KeyExists(RegRoot::LocalMachine, Machine("Tree"), RegView::Bits64));

  // The same for a class: its other view stays registered.
  const std::string id = "CLSID\\" + bed_->class_scratch();
  Put(RegRoot::ClassesRoot, id + "\\InprocServer32", RegView::Bits32, "lib32.dll");
  Put(RegRoot::ClassesRoot, id + "\\InprocServer32", RegView::Bits64, "lib64.dll");
  EXPECT_TRUE(reg().DeleteKey(RegRoot::ClassesRoot, id, RegView::Bits64));
  EXPECT_EQ(Get(RegRoot::ClassesRoot, id + "\\InprocServer32", RegView::Bits32),
            two_ ? "lib32.dll" : "-");
}

INSTANTIATE_TEST_SUITE_P(Machines, RegistryViews, ::testing::ValuesIn(RegistryTestMachines()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                           return info.param;
                         });

}  // namespace
}  // namespace orv
