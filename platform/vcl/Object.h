// The roots of the class tree: TObject knows its class; TPersistent is what a form file
// can describe (components and their sub-objects such as a font).
#pragma once

#include "AnsiString.h"

class TMetaClass;
template <class Class, class Parent>
class TPublisher;

class TObject {
 public:
  TObject() = default;
  TObject(const TObject &) = delete;
  TObject &operator=(const TObject &) = delete;
  virtual ~TObject() = default;

  // Every class with published members overrides this with ClassOf<itself>().
  virtual const TMetaClass &ClassType() const;
  AnsiString ClassName() const;
  bool InheritsFrom(const TMetaClass &ancestor) const;

  // The message dispatcher: a class with handlers of its own overrides Dispatch; a message
  // that none of them takes ends in DefaultHandler, which ignores it.
  virtual void Dispatch(void *Message) { DefaultHandler(Message); }
  virtual void DefaultHandler(void *) {}

  static void Publish(TPublisher<TObject, void> &) {}
};

class TPersistent : public TObject {
 public:
  const TMetaClass &ClassType() const override;
  static void Publish(TPublisher<TPersistent, TObject> &) {}
};
