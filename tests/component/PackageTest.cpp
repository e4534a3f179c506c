#include <gtest/gtest.h>

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

TEST(CorvaxPackage, RegisterInstallsTheComponent) {
  Corvax::Register();
  const std::vector<TPalettePage> pages = PalettePages();
  EXPECT_TRUE(std::any_of(pages.begin(), pages.end(), [](const TPalettePage &page) {
    return page.Name == AnsiString("Quennit Software") && page.Classes.size() == 1 &&
           page.Classes[0]->ClassName() == AnsiString("TkwTAPI");
  }));
}

}  // namespace
