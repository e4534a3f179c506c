// One operation made on the simulated exchange: its name and its arguments as text.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace sim {

struct Invocation {
  std::string operation;
  std::vector<std::pair<std::string, std::string>> args;

  Invocation &With(std::string name, std::string value);
  Invocation &With(std::string name, int64_t value);

  // The argument's text, or "" when the operation has no argument of that name.
  std::string Arg(const std::string &name) const;
  // The argument read as a number (decimal or 0x hexadecimal); 0 when absent.
  int64_t Num(const std::string &name) const;
  // "lineOpenA(hLineApp=1, dwDeviceID=0)"
  std::string ToString() const;
};

}  // namespace sim
