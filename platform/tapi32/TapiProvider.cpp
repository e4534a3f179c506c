#include "TapiProvider.h"

#include "LineErrors.h"

#include <atomic>

namespace {

std::atomic<TapiProvider *> &Installed() {
  static std::atomic<TapiProvider *> provider{nullptr};
  return provider;
}

}  // namespace

LONG TapiProvider::LineMonitorDigits(HCALL, DWORD) {
  return LINEERR_OPERATIONUNAVAIL;
}

LONG TapiProvider::LineGenerateDigits(HCALL, DWORD, LPCSTR, DWORD) {
  return LINEERR_OPERATIONUNAVAIL;
}

TapiProvider &CurrentTapiProvider() {
  TapiProvider *provider = Installed().load();
  return provider ? *provider : DefaultTapiProvider();
}

TapiProvider *SetTapiProvider(TapiProvider *provider) {
  TapiProvider *previous = Installed().exchange(provider);
  return previous ? previous : &DefaultTapiProvider();
}
