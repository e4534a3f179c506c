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

TapiProvider *SetTapiProvider(TapiProvider *provider) {
  TapiProvider *previous = Installed().exchange(provider);
  return previous ? previous : &DefaultTapiProvider();
}
