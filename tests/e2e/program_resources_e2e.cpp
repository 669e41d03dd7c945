// What Windows reads from Orvanel.exe before and beside running it: the manifest (controls,
// dpi awareness, rights, supported systems), the version information and the icon's sizes.
// Read from the built executable as the system reads them.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "harness.h"

namespace e2e {
namespace {

// The executable loaded as data: its resources, no code run.
class ProgramImage {
 public:
  ProgramImage()
      : module_(LoadLibraryExA((DriverFolder() + "Orvanel.exe").c_str(), nullptr,
                               LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE)) {}
  ~ProgramImage() {
    if (module_) FreeLibrary(module_);
  }
  ProgramImage(const ProgramImage&) = delete;
  ProgramImage& operator=(const ProgramImage&) = delete;

  HMODULE module() const { return module_; }
  // The bytes of a resource; empty when there is none.
  std::string Resource(LPCSTR type, int id) const {
    HRSRC found = module_ ? FindResourceA(module_, MAKEINTRESOURCEA(id), type) : nullptr;
    HGLOBAL loaded = found ? LoadResource(module_, found) : nullptr;
    const void* data = loaded ? LockResource(loaded) : nullptr;
    if (!data) return std::string();
    return std::string(static_cast<const char*>(data), SizeofResource(module_, found));
  }

 private:
  HMODULE module_;
};

TEST(ProgramResources, TheManifestAsksForCommonControls6PerMonitorDpiAndTheUsersRights) {
  ProgramImage image;
  ASSERT_NE(image.module(), nullptr) << "Orvanel.exe cannot be loaded as data";
  const std::string manifest = image.Resource(RT_MANIFEST, 1);
  ASSERT_FALSE(manifest.empty()) << "no RT_MANIFEST resource 1";
  const char* const wanted[] = {
      "name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"",
      "publicKeyToken=\"6595b64144ccf1df\"",
      "<dpiAwareness xmlns=\"http://schemas.microsoft.com/SMI/2016/WindowsSettings\">"
      "PerMonitorV2,PerMonitor</dpiAwareness>",
      "<dpiAware xmlns=\"http://schemas.microsoft.com/SMI/2005/WindowsSettings\">true/pm</dpiAware>",
      "level=\"asInvoker\"",
      "uiAccess=\"false\"",
      // The assembly's own version is the program's.
      "name=\"Tavrosel.Orvanel\" version=\"" ORV_VERSION ".0\"",
      // Vista, 7, 8, 8.1, 10 and 11.
      "{e2011457-1546-43c5-a5fe-008deee3d3f0}",
      "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",
      "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",
      "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",
      "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",
  };
  for (const char* text : wanted)
    EXPECT_NE(manifest.find(text), std::string::npos) << "the manifest lacks " << text;
  // A manifest the loader rejects stops the program from starting: it must at least be one
  // well-formed document.
  EXPECT_EQ(manifest.rfind("<?xml", 0), 0u);
  EXPECT_NE(manifest.find("</assembly>"), std::string::npos);
}

// The version information as Explorer's properties show it.
class VersionInfo {
 public:
  VersionInfo() {
    const std::string path = DriverFolder() + "Orvanel.exe";
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
    data_.resize(size);
    if (size == 0 || !GetFileVersionInfoA(path.c_str(), 0, size, data_.data())) data_.clear();
  }
  bool ok() const { return !data_.empty(); }
  const void* Query(const std::string& path, UINT* length) {
    void* value = nullptr;
    *length = 0;
    if (!ok() || !VerQueryValueA(data_.data(), path.c_str(), &value, length)) return nullptr;
    return value;
  }
  // A text of a string block, as code page 936 bytes; "" when it is missing.
  std::string Text(const char* block, const char* name) {
    UINT length = 0;
    auto text = static_cast<const char*>(
        Query(std::string("\\StringFileInfo\\") + block + "\\" + name, &length));
    return text ? std::string(text) : std::string();
  }

 private:
  std::vector<char> data_;
};

TEST(ProgramResources, TheVersionInformationHasTheBuildsVersionAndBothLanguagesTexts) {
  VersionInfo info;
  ASSERT_TRUE(info.ok()) << "no version information in Orvanel.exe";
  unsigned major = 0, minor = 0, patch = 0;
  ASSERT_EQ(std::sscanf(ORV_VERSION, "%u.%u.%u", &major, &minor, &patch), 3);

  UINT length = 0;
  auto fixed = static_cast<const VS_FIXEDFILEINFO*>(info.Query("\\", &length));
  ASSERT_NE(fixed, nullptr);
  ASSERT_GE(length, sizeof(VS_FIXEDFILEINFO));
  EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
  EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(minor, major));
  EXPECT_EQ(fixed->dwFileVersionLS, MAKELONG(0, patch));
  EXPECT_EQ(fixed->dwProductVersionMS, MAKELONG(minor, major));
  EXPECT_EQ(fixed->dwProductVersionLS, MAKELONG(0, patch));
  EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));

  // Chinese (PRC) and English (US), both Unicode blocks.
  auto translations = static_cast<const WORD*>(info.Query("\\VarFileInfo\\Translation", &length));
  ASSERT_NE(translations, nullptr);
  std::set<std::pair<WORD, WORD>> languages;
  for (UINT i = 0; i + 1 < length / sizeof(WORD); i += 2)
    languages.insert({translations[i], translations[i + 1]});
  EXPECT_EQ(languages, (std::set<std::pair<WORD, WORD>>{{0x0804, 1200}, {0x0409, 1200}}));

  const std::string version = std::string(ORV_VERSION) + ".0";
  struct Row {
    const char* block;
    const char* name;
    std::string expected;
  } rows[] = {
      {"080404b0", "CompanyName", "岚澄软件"},
      {"080404b0", "ProductName", "岚澄欧凡诺"},
      {"080404b0", "FileVersion", version},
      {"080404b0", "ProductVersion", version},
      {"080404b0", "OriginalFilename", "Orvanel.exe"},
      {"040904b0", "CompanyName", "Tavrosel"},
      {"040904b0", "ProductName", "Tavrosel Orvanel"},
      {"040904b0", "FileVersion", version},
      {"040904b0", "ProductVersion", version},
      {"040904b0", "OriginalFilename", "Orvanel.exe"},
  };
  for (const Row& row : rows)
    EXPECT_EQ(info.Text(row.block, row.name), row.expected) << row.block << " " << row.name;
  // The descriptions: each in its language (the Chinese one in code page 936 here).
  EXPECT_EQ(info.Text("080404b0", "FileDescription").rfind("岚澄欧凡诺：IE 浏览器助手", 0), 0u);
  EXPECT_EQ(info.Text("040904b0", "FileDescription").rfind("Tavrosel Orvanel: Internet Explorer helper", 0), 0u);
}

#pragma pack(push, 2)
struct GroupIconEntry {
  BYTE width, height, colours, reserved;
  WORD planes, bit_count;
  DWORD bytes;
  WORD id;
};
#pragma pack(pop)

TEST(ProgramResources, TheIconHasEverySizeWindowsAsksForAndLoadsAtEach) {
  ProgramImage image;
  ASSERT_NE(image.module(), nullptr);
  const std::string group = image.Resource(RT_GROUP_ICON, 1);
  ASSERT_GE(group.size(), 6u) << "no icon group 1";
  const WORD count = *reinterpret_cast<const WORD*>(group.data() + 4);
  ASSERT_EQ(group.size(), 6 + count * sizeof(GroupIconEntry));
  std::set<int> sizes;
  for (WORD i = 0; i < count; ++i) {
    const auto* entry = reinterpret_cast<const GroupIconEntry*>(group.data() + 6) + i;
    EXPECT_EQ(entry->width, entry->height);
    EXPECT_EQ(entry->bit_count, 32);
    sizes.insert(entry->width == 0 ? 256 : entry->width);
  }
  EXPECT_EQ(sizes, (std::set<int>{16, 20, 24, 32, 40, 48, 64, 256}));
  // Each size loads as itself (not another one stretched): its bitmap has that width.
  for (int size : sizes) {
    HICON icon = static_cast<HICON>(
        LoadImageA(image.module(), MAKEINTRESOURCEA(1), IMAGE_ICON, size, size, 0));
    ASSERT_NE(icon, nullptr) << size;
    ICONINFO parts{};
    ASSERT_TRUE(GetIconInfo(icon, &parts)) << size;
    BITMAP colour{};
    GetObjectA(parts.hbmColor, sizeof(colour), &colour);
    EXPECT_EQ(colour.bmWidth, size);
    DeleteObject(parts.hbmColor);
    DeleteObject(parts.hbmMask);
    DestroyIcon(icon);
  }
}

}  // namespace
}  // namespace e2e
