// Any text read as a form: a text that reads must write a text that reads again into a fresh
// component of the same class and writes the same text once more.
#include <vcl.h>

#include <memory>

#include "FormParser.h"
#include "FuzzInput.h"
#include "package/Corvax.h"

namespace {

// A fresh root of the class the text describes, or null when there is none to make.
std::unique_ptr<TComponent> RootFor(const AnsiString &text) {
  const TMetaClass *meta = GetClass(ParseFormText(text).ClassName);
  return std::unique_ptr<TComponent>(meta ? meta->Create(nullptr) : nullptr);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  Application->Initialize();
  Corvax::Register();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const AnsiString text(std::string_view(reinterpret_cast<const char *>(data), size));
  AnsiString written;
  try {
    const auto root = RootFor(text);
    if (!root) return 0;
    ReadComponentText(text, *root);
    written = WriteComponentText(*root);
  } catch (const Exception &) {
    return 0;  // a text that does not read is refused with the framework's error
  }
  try {
    const auto again = RootFor(written);
    fuzz::Require(again != nullptr, "a written text names no known class");
    ReadComponentText(written, *again);
    fuzz::Require(WriteComponentText(*again) == written, "a written text wrote back otherwise");
  } catch (const Exception &error) {
    std::fprintf(stderr, "%s\n", error.Message.c_str());
    fuzz::Broken("a written text did not read back");
  }
  return 0;
}
