// The package unit: what a host or a design tool reads about the runtime package before it
// uses the component, and the entry that installs the package's components on the palette.
#pragma once

#include <windows.h>

namespace Corvax {

// The package's version resource.
struct TVersionInfo {
  const char *CompanyName;
  const char *FileDescription;
  const char *FileVersion;
  const char *ProductVersion;
  WORD Language;  // English (Canada)
  WORD CodePage;  // Windows Latin 1
};

const char *Description();
const TVersionInfo &VersionInfo();

// Registers every component of the package with the design environment.
void Register();

}  // namespace Corvax

// The same, reachable by symbol name for a tool that loads the library at run time.
extern "C" {
const char *CorvaxPackageDescription();
const Corvax::TVersionInfo *CorvaxPackageVersionInfo();
void CorvaxRegisterPackage();
}
