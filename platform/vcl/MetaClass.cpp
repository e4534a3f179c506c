#include "MetaClass.h"

namespace {

template <class Member>
const Member *FindOwn(const std::vector<std::unique_ptr<Member>> &members, const AnsiString &name) {
  for (const auto &member : members)
    if (SameText(member->Name(), name)) return member.get();
  return nullptr;
}

}  // namespace

bool TMetaClass::InheritsFrom(const TMetaClass &ancestor) const {
  for (const TMetaClass *meta = this; meta; meta = meta->parent_)
    if (meta == &ancestor) return true;
  return false;
}

TComponent *TMetaClass::Create(TComponent *owner) const {
  if (!factory_) throw EFilerError("Cannot create an instance of " + name_);
  return factory_(owner);
}

std::vector<const TPropInfo *> TMetaClass::Properties() const {
  std::vector<const TPropInfo *> all =
      parent_ ? parent_->Properties() : std::vector<const TPropInfo *>();
  for (const auto &property : properties_) all.push_back(property.get());
  return all;
}

std::vector<const TFieldInfo *> TMetaClass::Fields() const {
  std::vector<const TFieldInfo *> all =
      parent_ ? parent_->Fields() : std::vector<const TFieldInfo *>();
  for (const auto &field : fields_) all.push_back(field.get());
  return all;
}

std::vector<const TMethodInfo *> TMetaClass::Methods() const {
  std::vector<const TMethodInfo *> all =
      parent_ ? parent_->Methods() : std::vector<const TMethodInfo *>();
  for (const auto &method : methods_) all.push_back(method.get());
  return all;
}

const TPropInfo *TMetaClass::FindProperty(const AnsiString &name) const {
  for (const TMetaClass *meta = this; meta; meta = meta->parent_)
    if (const TPropInfo *found = FindOwn(meta->properties_, name)) return found;
  return nullptr;
}

const TMethodInfo *TMetaClass::FindMethod(const AnsiString &name) const {
  for (const TMetaClass *meta = this; meta; meta = meta->parent_)
    if (const TMethodInfo *found = FindOwn(meta->methods_, name)) return found;
  return nullptr;
}

const TFieldInfo *TMetaClass::FindField(const AnsiString &name) const {
  for (const TMetaClass *meta = this; meta; meta = meta->parent_)
    if (const TFieldInfo *found = FindOwn(meta->fields_, name)) return found;
  return nullptr;
}

TPropInfo &TMetaClass::Add(std::unique_ptr<TPropInfo> property) {
  if (FindProperty(property->Name()))
    throw EFilerError(name_ + " publishes " + property->Name() + " twice");
  properties_.push_back(std::move(property));
  return *properties_.back();
}

void TMetaClass::Add(std::unique_ptr<TMethodInfo> method) {
  if (FindMethod(method->Name()))
    throw EFilerError(name_ + " publishes method " + method->Name() + " twice");
  methods_.push_back(std::move(method));
}

void TMetaClass::Add(std::unique_ptr<TFieldInfo> field) {
  if (FindField(field->Name()))
    throw EFilerError(name_ + " publishes field " + field->Name() + " twice");
  fields_.push_back(std::move(field));
}
