// What a class publishes: its name, its parent, how to create one, and its published
// properties, methods and component fields, in publishing order. Form files are read and
// written through this description; TPublisher (Publisher.h) builds it.
#pragma once

#include <memory>
#include <typeindex>
#include <vector>

#include "AnsiString.h"
#include "Exceptions.h"
#include "FormValue.h"

class TObject;
class TPersistent;
class TComponent;

// Raised for form files that do not fit the classes they describe.
class EFilerError : public Exception {
 public:
  using Exception::Exception;
};
class EReadError : public EFilerError {
 public:
  using EFilerError::EFilerError;
};
class EClassNotFound : public EFilerError {
 public:
  using EFilerError::EFilerError;
};

class TPropInfo {
 public:
  TPropInfo(const AnsiString &name, bool writable) : name_(name), writable_(writable) {}
  virtual ~TPropInfo() = default;

  const AnsiString &Name() const { return name_; }
  bool Writable() const { return writable_; }
  // A property that is not stored is never written to a form file (a component's Name,
  // which the object line carries).
  bool Stored() const { return stored_; }
  TPropInfo &NotStored() {
    stored_ = false;
    return *this;
  }

 private:
  AnsiString name_;
  bool writable_;
  bool stored_ = true;
};

// A property with a value: number, flag, string, enumeration or set.
class TValuePropInfo : public TPropInfo {
 public:
  using TPropInfo::TPropInfo;
  virtual bool HasDefault() const = 0;
  virtual bool IsDefault(const TPersistent &object) const = 0;
  virtual TFormValue Read(const TPersistent &object) const = 0;
  // A value of the wrong kind or out of range raises EReadError.
  virtual void Write(TPersistent &object, const TFormValue &value) const = 0;
};

// An event: stored as the name of the root's published method it is bound to.
class TEventPropInfo : public TPropInfo {
 public:
  TEventPropInfo(const AnsiString &name) : TPropInfo(name, true) {}
  virtual bool IsAssigned(const TPersistent &object) const = 0;
  // The name of the root's published method the event calls; empty when it calls none.
  virtual AnsiString BoundMethodName(const TPersistent &object, const TObject &root) const = 0;
  // Binds the event to the root's published method of that name; a missing method or one
  // of another signature raises EReadError.
  virtual void Bind(TPersistent &object, TObject &root, const AnsiString &methodName) const = 0;
};

// A sub-object owned by its holder (a form's Font); its properties are written with the
// holder property's name as prefix ("Font.Height").
class TObjectPropInfo : public TPropInfo {
 public:
  TObjectPropInfo(const AnsiString &name) : TPropInfo(name, false) {}
  virtual TPersistent &Get(const TPersistent &object) const = 0;
};

class TMethodInfo {
 public:
  TMethodInfo(const AnsiString &name, std::type_index closureType)
      : name_(name), closureType_(closureType) {}
  virtual ~TMethodInfo() = default;

  const AnsiString &Name() const { return name_; }
  std::type_index ClosureType() const { return closureType_; }
  // closure points to a TClosure of ClosureType().
  virtual void AssignTo(TObject &root, void *closure) const = 0;
  virtual bool IsBoundIn(const TObject &root, const void *closure) const = 0;

 private:
  AnsiString name_;
  std::type_index closureType_;
};

// A published pointer to an owned component, set when a form file creates the component of
// that name.
class TFieldInfo {
 public:
  TFieldInfo(const AnsiString &name) : name_(name) {}
  virtual ~TFieldInfo() = default;

  const AnsiString &Name() const { return name_; }
  // False when the component is not of the field's class.
  virtual bool Set(TObject &root, TComponent *component) const = 0;
  virtual TComponent *Get(const TObject &root) const = 0;

 private:
  AnsiString name_;
};

class TMetaClass {
 public:
  using TFactory = TComponent *(*)(TComponent *owner);

  TMetaClass(const AnsiString &name, const TMetaClass *parent, TFactory factory)
      : name_(name), parent_(parent), factory_(factory) {}

  const AnsiString &ClassName() const { return name_; }
  const TMetaClass *ClassParent() const { return parent_; }
  bool InheritsFrom(const TMetaClass &ancestor) const;

  bool IsCreatable() const { return factory_ != nullptr; }
  // Raises EFilerError for a class that cannot be created by name.
  TComponent *Create(TComponent *owner) const;

  // Published members of the class and its ancestors, the ancestors' first. Names are
  // matched ignoring case, as the framework's identifiers are.
  std::vector<const TPropInfo *> Properties() const;
  std::vector<const TFieldInfo *> Fields() const;
  const TPropInfo *FindProperty(const AnsiString &name) const;
  const TMethodInfo *FindMethod(const AnsiString &name) const;
  const TFieldInfo *FindField(const AnsiString &name) const;

  std::vector<const TMethodInfo *> Methods() const;

  TPropInfo &Add(std::unique_ptr<TPropInfo> property);
  void Add(std::unique_ptr<TMethodInfo> method);
  void Add(std::unique_ptr<TFieldInfo> field);

 private:
  AnsiString name_;
  const TMetaClass *parent_;
  TFactory factory_;
  std::vector<std::unique_ptr<TPropInfo>> properties_;
  std::vector<std::unique_ptr<TMethodInfo>> methods_;
  std::vector<std::unique_ptr<TFieldInfo>> fields_;
};
