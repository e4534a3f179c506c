// Form descriptions built into the library, by resource name (the form's class name in
// upper case, as "TFRMTAPIDEVLIST").
#pragma once

#include <optional>

#include "AnsiString.h"
#include "Exceptions.h"

class EResNotFound : public Exception {
 public:
  using Exception::Exception;
};

// Registering a name again replaces its text.
void RegisterFormResource(const AnsiString &name, const AnsiString &text);
std::optional<AnsiString> FindFormResource(const AnsiString &name);

// Registers a description while the library loads:
//   const TFormResource frmMainResource("TFRMMAIN", R"(object frmMain: TfrmMain ... end)");
struct TFormResource {
  TFormResource(const char *name, const char *text) { RegisterFormResource(name, text); }
};
