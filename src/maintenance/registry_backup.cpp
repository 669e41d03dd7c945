#include "maintenance/registry_backup.h"

#include <cstdio>
#include <cstring>

#include "base/ansi.h"
#include "base/datetime.h"
#include "base/errors.h"

namespace orv {

namespace {

// A text between double quotes, as the Registry Editor reads it: "\" and the quote itself are
// escaped. The line is read in the ANSI code page before it is parsed, so a trail byte of a
// double-byte character that equals "\" is part of its character and stays as it is.
std::string Quoted(const std::string& text) {
  std::string out = "\"";
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (IsLeadByte(static_cast<unsigned char>(c)) && i + 1 < text.size()) {
      out += c;
      out += text[++i];
      continue;
    }
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  return out + "\"";
}

// "hex:" or "hex(<type>):" and the bytes, two hexadecimal digits each, separated by commas and
// wrapped as the Registry Editor wraps them (a backslash ends a line that goes on).
std::string HexData(const std::string& head, const std::string& bytes, size_t line_start) {
  std::string out = head;
  size_t column = line_start + head.size();
  for (size_t i = 0; i < bytes.size(); ++i) {
    char digits[4];
    std::snprintf(digits, sizeof digits, "%02x", static_cast<unsigned char>(bytes[i]));
    out += digits;
    column += 2;
    if (i + 1 == bytes.size()) break;
    out += ',';
    ++column;
    if (column >= 76) {
      out += "\\\r\n  ";
      column = 2;
    }
  }
  return out;
}

bool HasLineBreakOrZero(const std::string& text) {
  return text.find_first_of(std::string("\r\n\0", 3)) != std::string::npos;
}

const char* RootName(RegRoot root) {
  return root == RegRoot::CurrentUser ? "HKEY_CURRENT_USER" : "HKEY_LOCAL_MACHINE";
}

}  // namespace

std::string RegFileValueLine(const std::string& name, const RegValue& value) {
  const std::string head = name.empty() ? "@=" : Quoted(name) + "=";
  const std::string& data = value.data;
  switch (value.type) {
    case kRegSz:
      // A text that a quoted line cannot hold goes as its bytes, with the terminating zero.
      if (!HasLineBreakOrZero(data)) return head + Quoted(data);
      return head + HexData("hex(1):", data + '\0', head.size());
    case kRegDword:
      if (data.size() == 4) {
        uint32_t number;
        std::memcpy(&number, data.data(), 4);  // little-endian, as on every Windows target
        char text[16];
        std::snprintf(text, sizeof text, "dword:%08x", static_cast<unsigned>(number));
        return head + text;
      }
      break;
    case kRegBinary:
      return head + HexData("hex:", data, head.size());
    case kRegExpandSz:
      // Texts are kept without their terminating zero; the value had one.
      return head + HexData("hex(2):", data + '\0', head.size());
    default:
      break;
  }
  char type[24];
  std::snprintf(type, sizeof type, "hex(%x):", static_cast<unsigned>(value.type));
  return head + HexData(type, data, head.size());
}

std::string RegistryBackup::KeyLine(RegRoot root, const std::string& path, RegView view) const {
  const StoredPlace place = StoredPlaceOf(registry_, root, path, view);
  return std::string("[") + RootName(place.root) + (place.path.empty() ? "" : "\\") + place.path +
         "]\r\n";
}

void RegistryBackup::AddTree(const RegKey& key, RegRoot root, const std::string& path,
                             RegView view) {
  sections_ += KeyLine(root, path, view);
  for (const std::string& name : key.ValueNames()) {
    RegValue value;
    if (key.Query(name, &value)) sections_ += RegFileValueLine(name, value) + "\r\n";
  }
  sections_ += "\r\n";
  for (const std::string& child : key.SubKeyNames()) {
    const std::string child_path = path + "\\" + child;
    RegKey below = RegKey::Open(registry_, root, child_path, false, RegAccess::Read, view);
    // A key that cannot be read cannot be deleted either: nothing of it goes.
    if (below) AddTree(below, root, child_path, view);
  }
}

void RegistryBackup::AddKey(RegRoot root, const std::string& path, RegView view) {
  const std::string normal = NormalizeKeyPath(path);
  RegKey key = RegKey::Open(registry_, root, normal, false, RegAccess::Read, view);
  if (key && !normal.empty()) AddTree(key, root, normal, view);
}

void RegistryBackup::AddValue(RegRoot root, const std::string& path, const std::string& name,
                              RegView view) {
  const std::string normal = NormalizeKeyPath(path);
  RegValue value;
  if (!RegKey::Open(registry_, root, normal, false, RegAccess::Read, view).Query(name, &value))
    return;
  sections_ += KeyLine(root, normal, view) + RegFileValueLine(name, value) + "\r\n\r\n";
}

std::string RegistryBackup::Text() const { return "REGEDIT4\r\n\r\n" + sections_; }

std::string RegistryBackup::Write(FileSystem& files, Clock& clock, const std::string& user_folder,
                                  const std::string& page) const {
  CivilTime t;
  DateTimeToCivil(clock.Now(), &t);  // a clock out of range names the file 18991230-000000
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, "%04d%02d%02d-%02d%02d%02d", t.year, t.month, t.day, t.hour,
                t.minute, t.second);
  const std::string folder = user_folder + kBackupFolder;
  const std::string name = folder + stamp + " " + page;
  std::string path = name + ".reg";
  // Two deletes in one second: the later backup gets a name of its own.
  for (int n = 2; files.FileExists(path); ++n) path = name + " (" + std::to_string(n) + ").reg";
  // Without the user's folder there is no place for it.
  if (user_folder.empty() || !files.MakeFolder(folder) || !files.WriteFileAtomically(path, Text()))
    throw FileError::CannotCreate(path);
  return path;
}

std::string NotRemovedText(int count, const std::string& verb) {
  return "所选的项目中有" + std::to_string(count) + "项未能" + verb +
         "，需要管理员权限。\r\n请以管理员身份运行本程序后再试。";
}

}  // namespace orv
