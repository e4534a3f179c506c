// Without a touch-tone unit the calls' sound carries no digits: the far end's keys reach the
// applications only through DigitDetected.
#include "simulator/InbandDigits.h"

namespace sim {

struct DigitListener::Listening {};

std::vector<int16_t> DigitSound(std::string_view, DWORD, DWORD) {
  return {};
}

DigitListener::DigitListener(Report report) : report_(std::move(report)) {}

DigitListener::~DigitListener() = default;

void DigitListener::Listen(CallId, UINT) {}

void DigitListener::Stop(CallId) {}

void DigitListener::StopAll() {}

}  // namespace sim
