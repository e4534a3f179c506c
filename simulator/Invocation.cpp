#include "simulator/Invocation.h"

#include <cstdlib>

namespace sim {

Invocation &Invocation::With(std::string name, std::string value) {
  args.emplace_back(std::move(name), std::move(value));
  return *this;
}

Invocation &Invocation::With(std::string name, int64_t value) {
  return With(std::move(name), std::to_string(value));
}

std::string Invocation::Arg(const std::string &name) const {
  for (const auto &[key, value] : args) {
    if (key == name) return value;
  }
  return {};
}

int64_t Invocation::Num(const std::string &name) const {
  return std::strtoll(Arg(name).c_str(), nullptr, 0);
}

std::string Invocation::ToString() const {
  std::string text = operation + "(";
  for (size_t i = 0; i < args.size(); ++i) {
    if (i > 0) text += ", ";
    text += args[i].first + "=" + args[i].second;
  }
  return text + ")";
}

}  // namespace sim
