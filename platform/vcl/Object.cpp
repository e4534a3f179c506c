#include "Object.h"

#include <cxxabi.h>

#include <cstdlib>
#include <memory>

#include "Publisher.h"

const TMetaClass &TObject::ClassType() const {
  return ClassOf<TObject>();
}

AnsiString TObject::ClassName() const {
  return ClassType().ClassName();
}

bool TObject::InheritsFrom(const TMetaClass &ancestor) const {
  return ClassType().InheritsFrom(ancestor);
}

const TMetaClass &TPersistent::ClassType() const {
  return ClassOf<TPersistent>();
}

AnsiString publisher_detail::ClassNameOf(const std::type_info &type) {
  int status = 0;
  std::unique_ptr<char, decltype(&std::free)> demangled(
      abi::__cxa_demangle(type.name(), nullptr, nullptr, &status), &std::free);
  const std::string_view name = status == 0 ? demangled.get() : type.name();
  const size_t scope = name.rfind("::");
  return AnsiString(scope == std::string_view::npos ? name : name.substr(scope + 2));
}
