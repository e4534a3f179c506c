#include "FormResources.h"

#include <map>
#include <mutex>

namespace {

struct TResources {
  std::mutex lock;
  std::map<AnsiString, AnsiString> texts;
};

TResources &Resources() {
  static TResources resources;
  return resources;
}

}  // namespace

void RegisterFormResource(const AnsiString &name, const AnsiString &text) {
  TResources &resources = Resources();
  std::lock_guard guard(resources.lock);
  resources.texts[name.UpperCase()] = text;
}

std::optional<AnsiString> FindFormResource(const AnsiString &name) {
  TResources &resources = Resources();
  std::lock_guard guard(resources.lock);
  auto found = resources.texts.find(name.UpperCase());
  if (found == resources.texts.end()) return std::nullopt;
  return found->second;
}
