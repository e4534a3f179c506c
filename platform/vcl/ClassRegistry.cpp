#include "ClassRegistry.h"

#include <algorithm>
#include <mutex>

#include "MetaClass.h"

namespace {

struct TRegistry {
  std::mutex lock;
  std::vector<const TMetaClass *> classes;
  std::vector<TPalettePage> palette;
};

TRegistry &Registry() {
  static TRegistry registry;
  return registry;
}

const TMetaClass *Lookup(const TRegistry &registry, const AnsiString &name) {
  for (const TMetaClass *meta : registry.classes)
    if (SameText(meta->ClassName(), name)) return meta;
  return nullptr;
}

void Register(TRegistry &registry, const TMetaClass &meta) {
  const TMetaClass *known = Lookup(registry, meta.ClassName());
  if (known == &meta) return;
  if (known) throw EFilerError("A class named " + meta.ClassName() + " already exists");
  registry.classes.push_back(&meta);
}

TPalettePage &PageNamed(TRegistry &registry, const AnsiString &name) {
  for (TPalettePage &page : registry.palette)
    if (page.Name == name) return page;
  registry.palette.push_back({name, {}});
  return registry.palette.back();
}

}  // namespace

void RegisterComponentClass(const TMetaClass &meta) {
  TRegistry &registry = Registry();
  std::lock_guard guard(registry.lock);
  Register(registry, meta);
}

const TMetaClass *GetClass(const AnsiString &name) {
  TRegistry &registry = Registry();
  std::lock_guard guard(registry.lock);
  return Lookup(registry, name);
}

const TMetaClass &FindClass(const AnsiString &name) {
  if (const TMetaClass *meta = GetClass(name)) return *meta;
  throw EClassNotFound("Class " + name + " not found");
}

void RegisterComponents(const AnsiString &page, std::initializer_list<const TMetaClass *> classes) {
  TRegistry &registry = Registry();
  std::lock_guard guard(registry.lock);
  for (const TMetaClass *meta : classes) Register(registry, *meta);
  TPalettePage &target = PageNamed(registry, page);
  for (const TMetaClass *meta : classes)
    if (std::find(target.Classes.begin(), target.Classes.end(), meta) == target.Classes.end())
      target.Classes.push_back(meta);
}

std::vector<TPalettePage> PalettePages() {
  TRegistry &registry = Registry();
  std::lock_guard guard(registry.lock);
  return registry.palette;
}
