// Behaviour of the in-memory registry that the shared suite cannot check, because Wine does it
// differently from Windows or because only the in-memory registry has it.
#include "platform/memory/memory_registry.h"

#include <gtest/gtest.h>

namespace orv {
namespace {

constexpr RegRoot kRoot = RegRoot::LocalMachine;

std::unique_ptr<RegistryKey> Create(MemoryRegistry& reg, const std::string& path) {
  auto key = reg.OpenKey(kRoot, path, true);
  EXPECT_NE(key, nullptr) << path;
  return key;
}

TEST(MemoryRegistry, EnumeratesValuesInCreationOrderAsWindowsDoes) {
  MemoryRegistry reg;
  auto key = Create(reg, "K");
  for (const char* name : {"zeta", "Beta", "alpha", "mid"})
    ASSERT_TRUE(key->SetValue(name, {kRegSz, "x"}));
  ASSERT_TRUE(key->DeleteValue("beta"));
  ASSERT_TRUE(key->SetValue("BETA", {kRegSz, "again"}));    // a new value goes last
  ASSERT_TRUE(key->SetValue("ZETA", {kRegDword, "1234"}));  // rewriting keeps place and name
  EXPECT_EQ(key->ValueNames(), (std::vector<std::string>{"zeta", "alpha", "mid", "BETA"}));
}

TEST(MemoryRegistry, SortsSubKeysByUpperCaseAsWindowsDoes) {
  MemoryRegistry reg;
  for (const char* name : {"AB", "A_", "A^", "Aa", "A`", "A{", "A["})
    Create(reg, std::string("K\\") + name);
  // Upper-cased, the letters come before [ \ ] ^ _ ` (Wine compares lower-cased instead).
  EXPECT_EQ(Create(reg, "K")->SubKeyNames(),
            (std::vector<std::string>{"Aa", "AB", "A[", "A^", "A_", "A`", "A{"}));
}

TEST(MemoryRegistry, ReadOnlyKeysAreNeitherExtendedNorDeleted) {
  MemoryRegistry reg;
  for (const char* path : {"Tree\\A", "Tree\\Locked\\Inner", "Tree\\Z"})
    ASSERT_TRUE(Create(reg, path)->SetValue("v", {kRegSz, path}));
  reg.SetAccess(kRoot, "TREE\\locked", MemoryRegistry::Rule::ReadOnly);

  EXPECT_EQ(reg.OpenKey(kRoot, "Tree\\Locked\\New", true, RegAccess::Read), nullptr);
  EXPECT_FALSE(reg.KeyExists(kRoot, "Tree\\Locked\\New"));
  // The rule holds for the keys below too, as inherited rights do.
  EXPECT_EQ(reg.OpenKey(kRoot, "Tree\\Locked\\Inner", false), nullptr);
  EXPECT_NE(reg.OpenKey(kRoot, "Tree\\Locked\\Inner", false, RegAccess::Read), nullptr);
  EXPECT_FALSE(reg.DeleteKey(kRoot, "Tree\\Locked\\Inner"));
  EXPECT_FALSE(reg.DeleteKey(kRoot, "Tree\\Locked"));

  // Deleting the tree walks it in order and stops at the first key it may not delete: what
  // came before is gone, the rest stays.
  EXPECT_FALSE(reg.DeleteKey(kRoot, "Tree"));
  EXPECT_FALSE(reg.KeyExists(kRoot, "Tree\\A"));
  EXPECT_TRUE(reg.KeyExists(kRoot, "Tree\\Locked\\Inner"));
  EXPECT_TRUE(reg.KeyExists(kRoot, "Tree\\Z"));
  RegValue v;
  EXPECT_TRUE(reg.OpenKey(kRoot, "Tree\\Z", false)->QueryValue("v", &v));
}

TEST(MemoryRegistry, DeniedKeysCannotBeSeen) {
  MemoryRegistry reg;
  Create(reg, "Open\\Secret\\Below");
  reg.SetAccess(kRoot, "Open\\Secret", MemoryRegistry::Rule::Denied);
  EXPECT_FALSE(reg.KeyExists(kRoot, "Open\\Secret"));
  EXPECT_FALSE(reg.KeyExists(kRoot, "Open\\Secret\\Below"));
  EXPECT_EQ(reg.OpenKey(kRoot, "Open\\Secret", false, RegAccess::Read), nullptr);
  EXPECT_EQ(reg.OpenKey(kRoot, "Open\\Secret", true), nullptr);
  auto open = reg.OpenKey(kRoot, "Open", false);
  EXPECT_FALSE(open->HasSubKey("secret"));
  EXPECT_EQ(open->SubKeyNames(), std::vector<std::string>{"Secret"});  // listed, as on Windows
  EXPECT_FALSE(reg.DeleteKey(kRoot, "Open\\Secret"));
}

TEST(MemoryRegistry, FailsTheNthWriteAndEveryOneAfter) {
  MemoryRegistry reg;
  auto key = Create(reg, "K");
  const int before = reg.write_calls();
  reg.FailWritesFrom(2);
  EXPECT_TRUE(key->SetValue("a", {kRegSz, "1"}));
  EXPECT_FALSE(key->SetValue("b", {kRegSz, "2"}));
  EXPECT_FALSE(key->DeleteValue("a"));
  EXPECT_FALSE(reg.DeleteKey(kRoot, "K"));
  EXPECT_EQ(reg.write_calls(), before + 4);
  RegValue v;
  EXPECT_TRUE(key->QueryValue("a", &v));
  EXPECT_FALSE(key->QueryValue("b", &v));

  // Each key created along a path is one write.
  reg.FailWritesFrom(2);
  EXPECT_EQ(reg.OpenKey(kRoot, "P\\Q\\R", true), nullptr);
  EXPECT_TRUE(reg.KeyExists(kRoot, "P"));
  EXPECT_FALSE(reg.KeyExists(kRoot, "P\\Q"));

  reg.FailWritesFrom(0);
  EXPECT_TRUE(key->SetValue("b", {kRegSz, "2"}));
  EXPECT_NE(reg.OpenKey(kRoot, "P\\Q\\R", true), nullptr);
}

// The text of v in root\path as one view sees it, "-" when the key is missing there.
std::string Get(MemoryRegistry& reg, RegRoot root, const std::string& path, RegView view) {
  RegKey key = RegKey::Open(reg, root, path, false, RegAccess::Read, view);
  return key ? key.ReadString("v") : "-";
}

TEST(MemoryRegistry, SharesTheClassKeysWindowsSharesAndRedirectsTheOthers) {
  MemoryRegistry reg;  // a 32-bit program on 64-bit Windows
  struct Case {
    RegRoot root;
    const char* path;
    bool shared;
  };
  const Case cases[] = {
      {RegRoot::ClassesRoot, ".orvtest", true},
      {RegRoot::ClassesRoot, "OrvTest.Document\\shell", true},
      {RegRoot::ClassesRoot, "CLSID\\{X}", false},
      {RegRoot::ClassesRoot, "clsid\\{Y}", false},
      {RegRoot::ClassesRoot, "Interface\\{X}", false},
      {RegRoot::LocalMachine, "SOFTWARE\\Classes\\Media Type\\X", false},
      {RegRoot::LocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run", false},
      {RegRoot::LocalMachine, "Software\\Microsoft\\Internet Explorer\\ActiveX Compatibility",
       false},
      {RegRoot::LocalMachine, "SYSTEM\\CurrentControlSet\\X", true},
      {RegRoot::CurrentUser, "Software\\Classes\\CLSID\\{X}", true},
  };
  for (const auto& c : cases) {
    RegKey key = RegKey::Open(reg, c.root, c.path, true, RegAccess::Full, RegView::Bits32);
    key.WriteString("v", "32");
    EXPECT_EQ(Get(reg, c.root, c.path, RegView::Bits64), c.shared ? "32" : "-") << c.path;
  }
  // HKEY_CLASSES_ROOT is the machine's SOFTWARE\Classes, in each view.
  EXPECT_EQ(Get(reg, RegRoot::LocalMachine, "SOFTWARE\\Classes\\CLSID\\{X}", RegView::Own), "32");
  EXPECT_EQ(Get(reg, RegRoot::LocalMachine, "SOFTWARE\\Classes\\WOW6432Node\\CLSID\\{X}",
                RegView::Bits64), "32");
  // A 32-bit path that names WOW6432Node reaches the same key.
  EXPECT_EQ(Get(reg, RegRoot::LocalMachine,
                "SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Run", RegView::Bits32),
            "32");
}

TEST(MemoryRegistry, AccessRulesHoldInEveryViewOrInTheOneNamed) {
  const std::string key = "SOFTWARE\\Microsoft\\Internet Explorer\\ActiveX Compatibility";
  MemoryRegistry reg;
  for (RegView view : {RegView::Bits64, RegView::Bits32})
    reg.OpenKey(kRoot, key, true, RegAccess::Full, view);
  reg.SetAccess(kRoot, key, MemoryRegistry::Rule::ReadOnly, RegView::Bits64);
  EXPECT_EQ(reg.OpenKey(kRoot, key, false, RegAccess::Full, RegView::Bits64), nullptr);
  EXPECT_NE(reg.OpenKey(kRoot, key, false, RegAccess::Full, RegView::Bits32), nullptr);
  reg.SetAccess(kRoot, key, MemoryRegistry::Rule::ReadOnly);
  EXPECT_EQ(reg.OpenKey(kRoot, key, false, RegAccess::Full, RegView::Bits32), nullptr);
  EXPECT_NE(reg.OpenKey(kRoot, key, false, RegAccess::Read, RegView::Bits32), nullptr);

  // A rule on the 64-bit SOFTWARE covers the 32-bit view stored below it, as inherited rights do.
  MemoryRegistry inherited;
  inherited.SetAccess(kRoot, "SOFTWARE", MemoryRegistry::Rule::ReadOnly, RegView::Bits64);
  EXPECT_EQ(inherited.OpenKey(kRoot, key, true, RegAccess::Full, RegView::Bits32), nullptr);
  EXPECT_FALSE(inherited.KeyExists(kRoot, key, RegView::Bits32));
}

TEST(MemoryRegistry, CountsWritesPerCallInEveryView) {
  MemoryRegistry reg;
  const std::string path = "SOFTWARE\\Tavrosel\\K";
  auto in64 = reg.OpenKey(kRoot, path, true, RegAccess::Full, RegView::Bits64);
  auto in32 = reg.OpenKey(kRoot, path, true, RegAccess::Full, RegView::Bits32);
  ASSERT_NE(in64, nullptr);
  ASSERT_NE(in32, nullptr);
  const int before = reg.write_calls();
  reg.FailWritesFrom(3);
  EXPECT_TRUE(in32->SetValue("a", {kRegSz, "1"}));
  EXPECT_TRUE(in64->SetValue("a", {kRegSz, "1"}));
  EXPECT_FALSE(in32->SetValue("b", {kRegSz, "2"}));
  EXPECT_FALSE(reg.DeleteKey(kRoot, path, RegView::Bits64));
  EXPECT_EQ(reg.write_calls(), before + 4);
  EXPECT_TRUE(reg.KeyExists(kRoot, path, RegView::Bits64));

  // Creating a key of the 32-bit view counts the keys created, not the hidden WOW6432Node.
  MemoryRegistry fresh;
  const int start = fresh.write_calls();
  ASSERT_NE(fresh.OpenKey(kRoot, "SOFTWARE\\A\\B", true, RegAccess::Full, RegView::Bits32),
            nullptr);
  EXPECT_EQ(fresh.write_calls(), start + 2);
}

TEST(MemoryRegistry, KeepsBytesThatAreNoCharacterApart) {
  MemoryRegistry reg;
  auto key = Create(reg, "K");
  const std::string lone_lead = std::string("a") + '\x81';
  const std::string bad_pair = std::string("a") + '\x81' + '\x7F';
  ASSERT_TRUE(key->SetValue(lone_lead, {kRegSz, lone_lead}));
  ASSERT_TRUE(key->SetValue(bad_pair, {kRegSz, bad_pair}));
  ASSERT_TRUE(key->SetValue("a", {kRegSz, "a"}));
  EXPECT_EQ(key->ValueNames(), (std::vector<std::string>{lone_lead, bad_pair, "a"}));
  RegValue v;
  ASSERT_TRUE(key->QueryValue(lone_lead, &v));
  EXPECT_EQ(v.data, lone_lead);
  EXPECT_NE(RegistryNameKey(lone_lead), RegistryNameKey("a"));
  EXPECT_EQ(RegistryNameKey("AllowKillAd"), RegistryNameKey("ALLOWKILLAD"));
}

}  // namespace
}  // namespace orv
