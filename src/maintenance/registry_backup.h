#pragma once
// Before a page deletes registry keys or values (the inventory pages' deletes, the keys an
// unregistration will remove, the ActiveX page's 取消免疫), it writes a registry file that
// brings back exactly what is about to go: "<user folder>backup\<yyyymmdd-hhmmss> <page>.reg".
// A double-click on it restores it (the Registry Editor asks first). A backup that cannot be
// written stops the delete, so nothing is lost.
//
// The file is REGEDIT4 in the ANSI code page: every value keeps its type (REG_SZ as a quoted
// text, REG_DWORD as dword:, REG_EXPAND_SZ and REG_MULTI_SZ as hex(2) and hex(7) of their ANSI
// bytes, REG_BINARY as hex:, any other type as hex(<type>):), and keys are named as the 64-bit
// view names them, the 32-bit view's by their WOW6432Node path, so that the Registry Editor of
// 64-bit Windows (the one a double-click starts) restores each into its own view.
#include <string>

#include "platform/clock.h"
#include "platform/files.h"
#include "platform/registry.h"

namespace orv {

inline constexpr char kBackupFolder[] = "backup\\";  // in the user's folder

class RegistryBackup {
 public:
  explicit RegistryBackup(Registry& registry) : registry_(registry) {}

  // The key with every value and key below it, as it is now; nothing when it does not exist.
  void AddKey(RegRoot root, const std::string& path, RegView view);
  // One value, under the line of its key; nothing when it does not exist.
  void AddValue(RegRoot root, const std::string& path, const std::string& name, RegView view);

  bool empty() const { return sections_.empty(); }
  // The file's bytes: "REGEDIT4", then one section per key, each ended by an empty line.
  std::string Text() const;

  // Writes the file into the user's folder (which ends in a backslash), making the folders,
  // under a name no other backup has, and returns its path. Raises FileError "Cannot create
  // file <path>" when it cannot be written.
  std::string Write(FileSystem& files, Clock& clock, const std::string& user_folder,
                    const std::string& page) const;

 private:
  void AddTree(const RegKey& key, RegRoot root, const std::string& path, RegView view);
  std::string KeyLine(RegRoot root, const std::string& path, RegView view) const;

  Registry& registry_;
  std::string sections_;
};

// One line of a .reg file for a value: "name"=data or @=data, where the data keeps the type.
std::string RegFileValueLine(const std::string& name, const RegValue& value);

// The closing message of a delete some of whose entries are still there: how many, and that
// administrator rights are needed; verb is what the page does ("删除", "卸载", "取消免疫").
std::string NotRemovedText(int count, const std::string& verb);
inline constexpr char kNotRemovedCaption[] = "未完成";

}  // namespace orv
