#include <gtest/gtest.h>

#include <dlfcn.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "package/Corvax.h"
#include "vcl.h"

namespace {

TEST(CorvaxPackage, DescribesItself) {
  EXPECT_STREQ(Corvax::Description(), "Quennit Software TAPI Component");
  const Corvax::TVersionInfo &info = Corvax::VersionInfo();
  EXPECT_STREQ(info.CompanyName, "Quennit Software");
  EXPECT_STREQ(info.FileDescription, "TAPI Component");
  EXPECT_STREQ(info.FileVersion, "1.1.0.0");
  EXPECT_STREQ(info.ProductVersion, "1.0.0.0");
  EXPECT_EQ(info.Language, 0x1009);
  EXPECT_EQ(info.CodePage, 1252);
}

TEST(CorvaxPackage, ToolsFindTheSameAnswersBySymbolName) {
  using TDescription = const char *(*)();
  using TVersion = const Corvax::TVersionInfo *(*)();
  auto description =
      reinterpret_cast<TDescription>(dlsym(RTLD_DEFAULT, "CorvaxPackageDescription"));
  auto version = reinterpret_cast<TVersion>(dlsym(RTLD_DEFAULT, "CorvaxPackageVersionInfo"));
  ASSERT_NE(description, nullptr);
  ASSERT_NE(version, nullptr);
  EXPECT_STREQ(description(), Corvax::Description());
  EXPECT_EQ(version(), &Corvax::VersionInfo());
}

// The shared library a host loads carries the file version in its own name.
TEST(CorvaxPackage, FileVersionMatchesTheSharedLibrary) {
  Dl_info library = {};
  ASSERT_NE(dladdr(reinterpret_cast<void *>(&Corvax::Description), &library), 0);
  const std::string file = std::filesystem::canonical(library.dli_fname).filename().string();
  std::string version = Corvax::VersionInfo().FileVersion;
  version.erase(version.rfind(".0"));
  EXPECT_EQ(file, "libcorvax.so." + version);
}

TEST(CorvaxPackage, RegisterInstallsTheComponent) {
  Corvax::Register();
  const std::vector<TPalettePage> pages = PalettePages();
  EXPECT_TRUE(std::any_of(pages.begin(), pages.end(), [](const TPalettePage &page) {
    return page.Name == AnsiString("Quennit Software") && page.Classes.size() == 1 &&
           page.Classes[0]->ClassName() == AnsiString("TkwTAPI");
  }));
}

}  // namespace
