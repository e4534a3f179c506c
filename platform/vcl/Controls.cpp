#include "Controls.h"

#include "Publisher.h"

std::span<const char *const> EnumNames(TAlign) {
  static const char *const names[] = {"alNone", "alTop",   "alBottom",
                                      "alLeft", "alRight", "alClient"};
  return names;
}

const TMetaClass &TControl::ClassType() const {
  return ClassOf<TControl>();
}

void TControl::Publish(TPublisher<TControl, TComponent> &p) {
  p.Property("Left", &TControl::Left);
  p.Property("Top", &TControl::Top);
  p.Property("Width", &TControl::Width);
  p.Property("Height", &TControl::Height);
}
