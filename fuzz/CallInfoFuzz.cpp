// A call's information as any provider might hand it over: the fixed record with every size
// and offset field arbitrary, followed by variable data, through a call-information or
// call-state message. Whatever the record claims, the texts the host is told must come from
// inside the block the component read, cut where the record, a zero byte or the 254-character
// buffer ends them.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "FuzzInput.h"
#include "component/Kwtapi.h"
#include "simulator/Exchange.h"

namespace {

constexpr size_t kFixedSize = sizeof(LINECALLINFO);
constexpr size_t kTextLimit = 254;

// Hands out the record image for any call: the fixed part alone while the block is too small
// for the whole, as TAPI does, then everything.
class RecordProvider : public sim::Exchange {
 public:
  explicit RecordProvider(std::vector<uint8_t> image) : image_(std::move(image)) {}

  LONG LineGetCallInfo(HCALL, LPLINECALLINFO info) override {
    const DWORD total = info->dwTotalSize;
    if (total < kFixedSize) return LINEERR_STRUCTURETOOSMALL;
    const DWORD needed = static_cast<DWORD>(image_.size());
    const DWORD used = needed <= total ? needed : static_cast<DWORD>(kFixedSize);
    std::memcpy(info, image_.data(), used);
    info->dwTotalSize = total;
    info->dwNeededSize = needed;
    info->dwUsedSize = used;
    return 0;
  }
  LONG LineDeallocateCall(HCALL) override { return 0; }

 private:
  std::vector<uint8_t> image_;
};

struct Field {
  DWORD size;
  DWORD offset;
};

// What the host was told, and the block it was told from.
class Host {
 public:
  void OnCallerID(AnsiString asName, AnsiString asNumber, int, HCALL) {
    caller.push_back(asName.c_str());
    caller.push_back(asNumber.c_str());
  }
  void OnCalledPartyID(AnsiString asName, AnsiString asNumber, int) {
    called.push_back(asName.c_str());
    called.push_back(asNumber.c_str());
  }
  void OnConnected(AnsiString asAppName, DWORD, DWORD, DWORD, AnsiString asCalledParty,
                   AnsiString asComment, HCALL) {
    connected = {asAppName.c_str(), asCalledParty.c_str(), asComment.c_str()};
  }
  void OnCallInfo(LINEMESSAGE *, LINECALLINFO *info) { block = info; }

  std::vector<std::string> caller;
  std::vector<std::string> called;
  std::vector<std::string> connected;
  const LINECALLINFO *block = nullptr;
};

// A text told from a size/offset field: the block's bytes at the offset, stopped only by the
// field's size, the buffer, the block's end or a zero byte.
void CheckFieldText(const LINECALLINFO &info, Field field, const std::string &text) {
  const DWORD held = info.dwTotalSize;
  if (field.offset >= held) {
    fuzz::Require(text.empty(), "a text from beyond the block");
    return;
  }
  const size_t room = std::min<size_t>({field.size, held - field.offset, kTextLimit});
  fuzz::Require(text.size() <= room, "a text longer than its field, block or buffer");
  const char *at = reinterpret_cast<const char *>(&info) + field.offset;
  fuzz::Require(std::memcmp(at, text.data(), text.size()) == 0, "a text not at its offset");
  fuzz::Require(text.size() == room || at[text.size()] == '\0', "a text cut short");
}

void CheckText(const LINECALLINFO &info, DWORD flags, DWORD flag, Field field,
               const std::string &text) {
  if (flags & flag)
    CheckFieldText(info, field, text);
  else
    fuzz::Require(text == "N/A", "a text told for a field the flags leave out");
}

void CheckCallerTexts(const Host &host) {
  if (host.caller.empty()) return;
  fuzz::Require(host.block != nullptr && host.caller.size() == 2, "caller ID told without a block");
  const LINECALLINFO &info = *host.block;
  const Field name{info.dwCallerIDNameSize, info.dwCallerIDNameOffset};
  const Field number{info.dwCallerIDSize, info.dwCallerIDOffset};
  CheckText(info, info.dwCallerIDFlags, LINECALLPARTYID_NAME, name, host.caller[0]);
  CheckText(info, info.dwCallerIDFlags, LINECALLPARTYID_ADDRESS, number, host.caller[1]);
}

void CheckCalledTexts(const Host &host) {
  if (host.called.empty()) return;
  fuzz::Require(host.block != nullptr && host.called.size() == 2, "called ID told without a block");
  const LINECALLINFO &info = *host.block;
  CheckText(info, info.dwCalledIDFlags, LINECALLPARTYID_NAME,
            {info.dwCalledIDNameSize, info.dwCalledIDNameOffset}, host.called[0]);
  CheckText(info, info.dwCalledIDFlags, LINECALLPARTYID_ADDRESS,
            {info.dwCalledIDSize, info.dwCalledIDOffset}, host.called[1]);
}

void CheckConnectedTexts(const Host &host) {
  if (host.connected.empty()) return;
  fuzz::Require(host.block != nullptr, "connection told without a block");
  const LINECALLINFO &info = *host.block;
  const Field fields[] = {{info.dwAppNameSize, info.dwAppNameOffset},
                          {info.dwCalledPartySize, info.dwCalledPartyOffset},
                          {info.dwCommentSize, info.dwCommentOffset}};
  for (size_t i = 0; i < 3; ++i) {
    if (fields[i].size > 0) CheckFieldText(info, fields[i], host.connected[i]);
  }
}

LINEMESSAGE MessageFrom(fuzz::Input &input) {
  static const DWORD kInfoStates[] = {LINECALLINFOSTATE_CALLERID, LINECALLINFOSTATE_CALLEDID,
                                      LINECALLINFOSTATE_CALLID, LINECALLINFOSTATE_OTHER};
  static const DWORD kCallStates[] = {LINECALLSTATE_OFFERING, LINECALLSTATE_CONNECTED,
                                      LINECALLSTATE_IDLE, LINECALLSTATE_DIALTONE};
  const uint8_t choice = input.Take<uint8_t>();
  LINEMESSAGE message{};
  message.hDevice = 1;
  message.dwMessageID = (choice & 1) ? LINE_CALLSTATE : LINE_CALLINFO;
  message.dwParam1 = (choice & 1) ? kCallStates[(choice >> 1) & 3] : kInfoStates[(choice >> 1) & 3];
  return message;
}

std::vector<uint8_t> ImageFrom(fuzz::Input &input) {
  std::vector<uint8_t> image(input.Rest().begin(), input.Rest().end());
  if (image.size() < kFixedSize) image.resize(kFixedSize);
  return image;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  fuzz::Input input(data, size);
  LINEMESSAGE message = MessageFrom(input);
  RecordProvider provider(ImageFrom(input));
  TapiProvider *previous = SetTapiProvider(&provider);
  {
    Host host;
    TkwTAPI component(nullptr);
    component.OnCallerIDEvent = {&host, &Host::OnCallerID};
    component.OnCalledPartyIDEvent = {&host, &Host::OnCalledPartyID};
    component.OnCallConnectedEvent = {&host, &Host::OnConnected};
    component.OnCallInfoEvent = {&host, &Host::OnCallInfo};
    try {
      component.DispatchCallEvent(&message);
    } catch (Exception &e) {
      fuzz::Broken(e.Message.c_str());
    }
    CheckCallerTexts(host);
    CheckCalledTexts(host);
    CheckConnectedTexts(host);
  }
  SetTapiProvider(previous);
  return 0;
}
