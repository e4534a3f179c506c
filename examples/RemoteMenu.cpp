#include "examples/RemoteMenu.h"

#include <cstdio>

#include "examples/Ticker.h"

namespace {

// The time of day as the menu reads it: hours and minutes, four digits.
std::string HoursAndMinutes(TDateTime time) {
  const TTimeParts parts = DecodeTime(time);
  char text[8];
  std::snprintf(text, sizeof text, "%02d%02d", parts.Hour % 100, parts.Min % 100);
  return text;
}

std::vector<std::string> Announcement(const TMessageEntry &entry) {
  std::vector<std::string> names{"menu-received"};
  for (const std::string &digit : DigitWords(HoursAndMinutes(entry.time))) names.push_back(digit);
  const std::vector<std::string> number = DigitWords(entry.callerNumber);
  if (number.empty()) {
    names.push_back("menu-unknown");
  } else {
    names.push_back("menu-from");
    names.insert(names.end(), number.begin(), number.end());
  }
  return names;
}

}  // namespace

std::vector<std::string> DigitWords(const std::string &number) {
  std::vector<std::string> words;
  for (const char c : number)
    if (c >= '0' && c <= '9') words.push_back(std::string("digit-") + c);
  return words;
}

TRemoteMenu::TRemoteMenu(TkwTAPI &tapi, TCallEvents &events, TTimeline &timeline,
                         const TPhoneOptions &options, const TMessageStore &store)
    : tapi_(tapi), events_(events), timeline_(timeline), options_(options), store_(store) {}

void TRemoteMenu::Run(const bool &stopped) {
  stopped_ = &stopped;
  events_.WhenCallEnds([this] { tapi_.StopPlaying(); });
  events_.WhenKeyPressed([this](char) { tapi_.StopPlaying(); });
  if (Authorised()) PlayMessages();
  events_.WhenKeyPressed(nullptr);
  events_.WhenCallEnds(nullptr);
}

bool TRemoteMenu::Gone() const {
  return *stopped_ || events_.Call().Over();
}

bool TRemoteMenu::Authorised() {
  for (int tries = 1; tries <= kPinTries; ++tries) {
    if (!Say({"menu-pin"})) return false;
    std::string entered;
    while (entered.size() < options_.pin.size()) {
      const char key = NextKey();
      if (key == 0) return false;
      entered += key;
    }
    if (entered == options_.pin) {
      timeline_.Event("The caller gave the PIN: playing the messages.");
      return true;
    }
    timeline_.Event("Wrong PIN (" + std::to_string(tries) + " of " + std::to_string(kPinTries) +
                    ")");
    if (!Say({"menu-wrong-pin"})) return false;
  }
  timeline_.Event("Three wrong PINs: the caller is not let in.");
  Say({"menu-goodbye"});
  return false;
}

void TRemoteMenu::PlayMessages() {
  const std::vector<TMessageEntry> messages = store_.ReadIndex();
  std::vector<std::string> count{"menu-count"};
  for (const std::string &digit : DigitWords(std::to_string(messages.size())))
    count.push_back(digit);
  if (!Say(count)) return;
  for (const TMessageEntry &entry : messages) {
    timeline_.Event("Playing the message " + entry.fileName + " to the caller");
    if (!Say(Announcement(entry))) return;
    if (events_.Call().keys.empty() && !Play(store_.PathOf(entry.fileName))) return;
    if (!Choose(entry)) return;
  }
  Say({"menu-end"});
}

bool TRemoteMenu::Choose(const TMessageEntry &entry) {
  if (!Say({"menu-choice"})) return false;
  for (;;) {
    switch (NextKey()) {
      case 0:
        return false;
      case '7':
        if (!store_.Remove(entry)) {
          timeline_.Event("The index " + store_.IndexPath() +
                          " could not be rewritten: " + entry.fileName + " is kept.");
          return true;
        }
        timeline_.Event("The caller deleted " + entry.fileName);
        return Say({"menu-deleted"});
      case '9':
      case '#':
        timeline_.Event("The caller kept " + entry.fileName);
        return true;
      default:
        break;  // no choice: the menu waits for one
    }
  }
}

bool TRemoteMenu::Say(const std::vector<std::string> &names) {
  for (const std::string &name : names) {
    if (Gone()) return false;
    if (!events_.Call().keys.empty()) return true;
    Play(options_.sounds + "/" + name + ".wav");
  }
  return !Gone();
}

bool TRemoteMenu::Play(const std::string &path) {
  AnsiString asStatus;
  // A key or the end of the call stops it; anything else that stops it is worth telling.
  if (!tapi_.PlayASound(path.c_str(), &asStatus) && !Gone() && events_.Call().keys.empty())
    timeline_.Event(path + " could not be played: " + std::string(asStatus.c_str()));
  return !Gone();
}

char TRemoteMenu::NextKey() {
  const DWORD dwStart = GetTickCount();
  // The ticks wake the wait when no event does, so that a silent caller is given up on.
  TTicker wake(100, [] {});
  events_.ServeUntil([&] {
    return Gone() || !events_.Call().keys.empty() || GetTickCount() - dwStart >= kKeyWaitMs;
  });
  if (Gone()) return 0;
  const char key = events_.TakeKey();
  if (key == 0) timeline_.Event("No key pressed for a while: hanging up.");
  return key;
}
