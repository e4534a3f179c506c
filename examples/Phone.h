// corvax-phone as a function of its arguments and output streams, so that its tests run it
// in process: the exit status is 0 on success, 1 when the work failed, 2 for bad input and
// 130 after Ctrl-C. The program's own sounds (greeting, announcement, the demo's speech) are
// in soundFolder.
#pragma once

#include <ostream>
#include <string>
#include <vector>

int RunPhone(const std::vector<std::string> &args, std::ostream &out, std::ostream &err,
             bool bTerminal, const std::string &soundFolder);
