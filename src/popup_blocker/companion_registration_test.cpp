#include "popup_blocker/companion_registration.h"

#include <gtest/gtest.h>

#include "platform/memory/memory_registry.h"

namespace orv {
namespace {

const std::string kPath = "C:\\Program Files\\Orvanel\\Darrowin.dll";
const std::string kClasses = "Software\\Classes\\";

bool HasValue(Registry& registry, const RegistrationValue& v) {
  std::unique_ptr<RegistryKey> key = registry.OpenKey(v.root, v.key, false, RegAccess::Read);
  if (v.value.type == kRegNone) return key != nullptr;  // a key alone
  RegValue got;
  return key && key->QueryValue(v.name, &got) && got.type == v.value.type &&
         got.data == v.value.data;
}

// Whether any key the registration writes is left.
bool AnyKeyLeft(Registry& registry, const ComServer& server) {
  for (const RegistrationValue& v : RegistrationValues(server, kPath))
    if (registry.KeyExists(v.root, v.key)) return true;
  return false;
}

TEST(CompanionRegistration, EveryKeyAppearsAndGoesAgain) {
  for (const ComServer* server : {&kSelmontServer, &kDarrowinServer}) {
    for (auto machine : {MemoryRegistry::Machine::OneView, MemoryRegistry::Machine::TwoViewsOwn32}) {
      MemoryRegistry registry(machine);
      SCOPED_TRACE(server->description);
      ASSERT_TRUE(RegisterComServer(registry, *server, kPath));
      for (const RegistrationValue& v : RegistrationValues(*server, kPath))
        EXPECT_TRUE(HasValue(registry, v)) << v.key << " : " << v.name;
      // Where the program looks for the class before it starts RegSvr32.
      EXPECT_TRUE(registry.KeyExists(RegRoot::ClassesRoot,
                                     std::string(kClassIdKeyPath) + "\\" + server->class_id));
      ASSERT_TRUE(UnregisterComServer(registry, *server));
      EXPECT_FALSE(AnyKeyLeft(registry, *server));
      EXPECT_TRUE(registry.KeyExists(RegRoot::LocalMachine, kClasses + "CLSID"));
      // Unregistering what is not there succeeds.
      EXPECT_TRUE(UnregisterComServer(registry, *server));
    }
  }
}

TEST(CompanionRegistration, TheEntriesNameTheServerTheWayComAndTheBrowserReadThem) {
  const std::string clsid = kClasses + "CLSID\\" + kSelmontLibrary.class_id;
  MemoryRegistry registry;
  ASSERT_TRUE(RegisterComServer(registry, kSelmontServer, kPath));
  RegKey server = RegKey::Open(registry, RegRoot::LocalMachine, clsid + "\\InprocServer32", false);
  EXPECT_EQ(server.ReadString(""), kPath);
  EXPECT_EQ(server.ReadString("ThreadingModel"), "Apartment");
  // Loaded by tabs in Enhanced Protected Mode: the AppContainer-compatible category, a key alone.
  RegKey category = RegKey::Open(registry, RegRoot::ClassesRoot,
                                 std::string(kClassIdKeyPath) + "\\" + kSelmontLibrary.class_id +
                                     "\\Implemented Categories\\" +
                                     "{59FB2056-D625-48D0-A944-1A85B5AB2640}",
                                 false, RegAccess::Read);
  ASSERT_TRUE(category);
  EXPECT_TRUE(category.ValueNames().empty());
  RegKey helper = RegKey::Open(registry, RegRoot::LocalMachine,
                               std::string(kBrowserHelperObjectsKey) + "\\" +
                                   kSelmontLibrary.class_id, false);
  EXPECT_EQ(helper.ReadInteger("NoExplorer"), 1);
  EXPECT_FALSE(registry.KeyExists(RegRoot::LocalMachine, kClasses + kBlackListProgId));

  ASSERT_TRUE(RegisterComServer(registry, kDarrowinServer, kPath));
  RegKey prog_id = RegKey::Open(registry, RegRoot::ClassesRoot,
                                std::string(kBlackListProgId) + "\\CLSID", false);
  EXPECT_EQ(prog_id.ReadString(""), kDarrowinLibrary.class_id);
  RegKey current = RegKey::Open(registry, RegRoot::ClassesRoot,
                                std::string(kBlackListProgId) + "\\CurVer", false);
  RegKey versioned = RegKey::Open(registry, RegRoot::ClassesRoot,
                                  current.ReadString("") + "\\CLSID", false);
  EXPECT_EQ(versioned.ReadString(""), kDarrowinLibrary.class_id);
}

TEST(CompanionRegistration, AFailedRegistrationIsReportedAndTakesBackWhatItWrote) {
  const size_t writes = RegistrationValues(kDarrowinServer, kPath).size();
  for (int n = 1; n <= static_cast<int>(writes); ++n) {
    MemoryRegistry registry;
    registry.FailWritesFrom(n);
    EXPECT_FALSE(RegisterComServer(registry, kDarrowinServer, kPath)) << "write " << n;
  }
  // The class keys are written, the helper-object key is refused: the class keys go again.
  MemoryRegistry registry;
  registry.SetAccess(RegRoot::LocalMachine, "Software\\Microsoft", MemoryRegistry::Rule::ReadOnly);
  EXPECT_FALSE(RegisterComServer(registry, kSelmontServer, kPath));
  EXPECT_FALSE(registry.KeyExists(RegRoot::ClassesRoot,
                                  std::string(kClassIdKeyPath) + "\\" + kSelmontLibrary.class_id));
}

TEST(CompanionRegistration, AnIdentifierTakenOverByAnotherClassStays) {
  MemoryRegistry registry;
  ASSERT_TRUE(RegisterComServer(registry, kDarrowinServer, kPath));
  RegKey::Open(registry, RegRoot::LocalMachine, kClasses + kBlackListProgId + "\\CLSID", true)
      .WriteString("", "{00000000-1111-2222-3333-444444444444}");
  ASSERT_TRUE(UnregisterComServer(registry, kDarrowinServer));
  EXPECT_TRUE(registry.KeyExists(RegRoot::LocalMachine, kClasses + kBlackListProgId));
  EXPECT_FALSE(registry.KeyExists(RegRoot::LocalMachine, kClasses + "Orvanel.BlackList.1"));
}

}  // namespace
}  // namespace orv
