// How tools outside the program find the package in the DLL: by its exported names.
#include <gtest/gtest.h>
#include <windows.h>

#include "package/Corvax.h"

namespace {

// By name: a function's address taken here is this program's import thunk, not the DLL's.
HMODULE Library() {
  return GetModuleHandleA("libcorvax.dll");
}

TEST(CorvaxPackage, ToolsFindTheSameAnswersBySymbolName) {
  using TDescription = const char *(*)();
  using TVersion = const Corvax::TVersionInfo *(*)();
  ASSERT_NE(Library(), nullptr);
  auto description = reinterpret_cast<TDescription>(
      reinterpret_cast<void *>(GetProcAddress(Library(), "CorvaxPackageDescription")));
  auto version = reinterpret_cast<TVersion>(
      reinterpret_cast<void *>(GetProcAddress(Library(), "CorvaxPackageVersionInfo")));
  ASSERT_NE(description, nullptr);
  ASSERT_NE(version, nullptr);
  EXPECT_STREQ(description(), Corvax::Description());
  EXPECT_EQ(version(), &Corvax::VersionInfo());
}

TEST(CorvaxPackage, FileVersionMatchesTheSharedLibrary) {
  GTEST_SKIP() << "a Windows DLL keeps its version in a version resource, not in its file "
                  "name, and the build gives libcorvax.dll none yet";
}

}  // namespace
