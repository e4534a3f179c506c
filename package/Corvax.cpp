#include "package/Corvax.h"

#include "component/Kwtapi.h"
#include "package/CorvaxVersion.h"

namespace Corvax {

const char *Description() {
  return "Quennit Software TAPI Component";
}

const TVersionInfo &VersionInfo() {
  static const TVersionInfo info = {
      "Quennit Software", "TAPI Component", CORVAX_FILE_VERSION, "1.0.0.0", 0x1009, 1252,
  };
  return info;
}

void Register() {
  Kwtapi::Register();
}

}  // namespace Corvax

const char *CorvaxPackageDescription() {
  return Corvax::Description();
}
const Corvax::TVersionInfo *CorvaxPackageVersionInfo() {
  return &Corvax::VersionInfo();
}
void CorvaxRegisterPackage() {
  Corvax::Register();
}
