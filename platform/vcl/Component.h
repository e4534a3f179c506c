// The base of every component: an owner that destroys what it owns, a name unique among
// the owner's components, a tag, and published properties that stream to form files.
#pragma once

#include <vector>

#include "Exceptions.h"
#include "Object.h"

class EComponentError : public Exception {
 public:
  using Exception::Exception;
};

class TComponent : public TPersistent {
 public:
  // The owner, when given, destroys this component with itself.
  explicit TComponent(TComponent *Owner);
  // Destroys the owned components, the last added first, and leaves the owner's list.
  ~TComponent() override;

  const TMetaClass &ClassType() const override;
  static void Publish(TPublisher<TComponent, TPersistent> &p);

  TComponent *Owner() const { return owner_; }
  int ComponentCount() const { return static_cast<int>(components_.size()); }
  // An index outside 0..ComponentCount()-1 raises ERangeError.
  TComponent *Components(int index) const;
  // The owned component of that name (ignoring case), nullptr when none.
  TComponent *FindComponent(const AnsiString &name) const;

  AnsiString Name() const { return name_; }
  // Empty, or an identifier no other component of the same owner has; EComponentError
  // otherwise.
  void SetName(const AnsiString &name);

  int Tag = 0;

  // Taking a component over from another owner; removing it leaves it without owner and
  // clears the owner's published field that pointed to it.
  void InsertComponent(TComponent *component);
  void RemoveComponent(TComponent *component);

 private:
  TComponent *owner_ = nullptr;
  std::vector<TComponent *> components_;
  AnsiString name_;
};
