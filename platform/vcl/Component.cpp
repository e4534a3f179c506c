#include "Component.h"

#include <algorithm>
#include <cctype>

#include "Publisher.h"

namespace {

bool IsIdentifier(const AnsiString &name) {
  const std::string_view text = name.View();
  auto isStart = [](char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_'; };
  auto isPart = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; };
  return !text.empty() && isStart(text.front()) && std::all_of(text.begin(), text.end(), isPart);
}

}  // namespace

TComponent::TComponent(TComponent *Owner) {
  if (Owner) Owner->InsertComponent(this);
}

TComponent::~TComponent() {
  while (!components_.empty()) {
    TComponent *last = components_.back();
    components_.pop_back();
    last->owner_ = nullptr;
    delete last;
  }
  if (owner_) owner_->RemoveComponent(this);
}

const TMetaClass &TComponent::ClassType() const {
  return ClassOf<TComponent>();
}

void TComponent::Publish(TPublisher<TComponent, TPersistent> &p) {
  p.Property("Name", &TComponent::Name, &TComponent::SetName).NotStored();
  p.Property("Tag", &TComponent::Tag, 0);
}

TComponent *TComponent::Components(int index) const {
  if (index < 0 || index >= ComponentCount())
    throw ERangeError("Component index out of bounds (" + AnsiString(index) + ")");
  return components_[static_cast<size_t>(index)];
}

TComponent *TComponent::FindComponent(const AnsiString &name) const {
  if (name.IsEmpty()) return nullptr;
  for (TComponent *component : components_)
    if (SameText(component->name_, name)) return component;
  return nullptr;
}

void TComponent::SetName(const AnsiString &name) {
  if (!name.IsEmpty() && !IsIdentifier(name))
    throw EComponentError("'" + name + "' is not a valid component name");
  if (owner_) {
    TComponent *same = owner_->FindComponent(name);
    if (same && same != this)
      throw EComponentError("A component named " + name + " already exists");
  }
  name_ = name;
}

void TComponent::InsertComponent(TComponent *component) {
  if (component->owner_) component->owner_->RemoveComponent(component);
  if (!component->name_.IsEmpty() && FindComponent(component->name_))
    throw EComponentError("A component named " + component->name_ + " already exists");
  components_.push_back(component);
  component->owner_ = this;
}

void TComponent::RemoveComponent(TComponent *component) {
  auto found = std::find(components_.begin(), components_.end(), component);
  if (found == components_.end()) return;
  components_.erase(found);
  component->owner_ = nullptr;
  for (const TFieldInfo *field : ClassType().Fields())
    if (field->Get(*this) == component) field->Set(*this, nullptr);
}
