#include "TapiProvider.h"

#include <atomic>

namespace {

std::atomic<TapiProvider *> &Installed() {
  static std::atomic<TapiProvider *> provider{nullptr};
  return provider;
}

}  // namespace

TapiProvider &CurrentTapiProvider() {
  TapiProvider *provider = Installed().load();
  return provider ? *provider : DefaultTapiProvider();
}

void SetTapiProvider(TapiProvider *provider) {
  Installed().store(provider);
}
