// How tools outside the program find the package in the shared library: by symbol name, and
// the library's file by its version.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "package/Corvax.h"

namespace {

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

}  // namespace
