#include "ModalDriver.h"

#include <algorithm>
#include <atomic>
#include <iostream>
#include <string>

#include "Buttons.h"
#include "ConsoleInput.h"
#include "Forms.h"
#include "StdCtrls.h"

namespace {

template <class Control, class Match>
Control *FindControl(TForm &form, Match match) {
  for (int i = 0; i < form.ComponentCount(); ++i)
    if (auto *control = dynamic_cast<Control *>(form.Components(i)); control && match(*control))
      return control;
  return nullptr;
}

TListBox &ListOf(TForm &form) {
  TListBox *list = FindControl<TListBox>(form, [](TListBox &) { return true; });
  if (!list) throw EUserActionError(form.Name() + " has no list box");
  return *list;
}

void SelectEntry(TListBox &list, int index) {
  if (index < 0 || index >= list.Items->Count())
    throw EUserActionError(list.Name() + " has no entry " + AnsiString(index));
  list.SetItemIndex(index);
  list.Click();
}

AnsiString WithoutAccelerator(const AnsiString &caption) {
  AnsiString plain;
  for (int i = 1; i <= caption.Length(); ++i)
    if (caption[i] != '&') plain += AnsiString(caption[i]);
  return plain;
}

void PressButton(TForm &form, const AnsiString &label) {
  TBitBtn *button = FindControl<TBitBtn>(form, [&](TBitBtn &b) {
    return SameText(WithoutAccelerator(b.Caption), label) || SameText(b.Name(), label);
  });
  if (!button) throw EUserActionError(form.Name() + " has no button " + label);
  button->Click();
}

template <class Role>
void PressButtonWithRole(TForm &form, Role role) {
  if (TBitBtn *button = FindControl<TBitBtn>(form, role)) button->Click();
}

std::atomic<TModalDriver *> installedDriver{nullptr};

}  // namespace

void TUserAction::PerformOn(TForm &form) const {
  switch (Kind) {
    case TKind::Select:
      SelectEntry(ListOf(form), Index);
      break;
    case TKind::DoubleClick: {
      TListBox &list = ListOf(form);
      SelectEntry(list, Index);
      list.DblClick();
      break;
    }
    case TKind::Press:
      PressButton(form, Button);
      break;
    case TKind::Enter:
      PressButtonWithRole(form, [](TBitBtn &b) { return b.Default; });
      break;
    case TKind::Escape:
      PressButtonWithRole(form, [](TBitBtn &b) { return b.Cancel; });
      break;
    case TKind::CloseBox:
      form.Close();
      break;
  }
}

AnsiString TUserAction::Describe() const {
  switch (Kind) {
    case TKind::Select:
      return "select entry " + AnsiString(Index);
    case TKind::DoubleClick:
      return "double-click entry " + AnsiString(Index);
    case TKind::Press:
      return "press " + Button;
    case TKind::Enter:
      return "press Enter";
    case TKind::Escape:
      return "press Escape";
    case TKind::CloseBox:
      return "click the close box";
  }
  return AnsiString();
}

TModalDriver &ModalDriver() {
  TModalDriver *driver = installedDriver.load();
  return driver ? *driver : DefaultModalDriver();
}

TConsoleModalDriver &ConsoleModalDriver() {
  static TConsoleModalDriver driver(std::cin, std::cout, StandardInputIsTerminal());
  return driver;
}

TModalDriver *SetModalDriver(TModalDriver *driver) {
  return installedDriver.exchange(driver);
}

TConsoleModalDriver::TConsoleModalDriver(std::istream &in, std::ostream &out, bool interactive)
    : in_(in), out_(out), interactive_(interactive) {}

void TConsoleModalDriver::Turn(TForm &form, int turn) {
  if (!interactive_ || inputEnded_) return CloseWithoutUser(form, turn);
  if (turn == 0) Prompt(form);
  if (!InputReady()) return;
  std::string line;
  if (!std::getline(in_, line)) {
    inputEnded_ = true;
    return CloseWithoutUser(form, 0);
  }
  Follow(form, AnsiString(std::string_view(line)).Trim());
  if (form.ModalResult == mrNone) Prompt(form);
}

void TConsoleModalDriver::Follow(TForm &form, const AnsiString &command) {
  const bool doubleClick = command.Length() > 2 && SameText(command.SubString(1, 2), "d ");
  const AnsiString number = doubleClick ? command.SubString(3, command.Length()).Trim() : command;
  const bool numbered =
      !number.IsEmpty() && std::all_of(number.c_str(), number.c_str() + number.Length(),
                                       [](char c) { return c >= '0' && c <= '9'; });
  TUserAction action = TUserAction::Press(command);
  if (command.IsEmpty())
    action = TUserAction::Enter();
  else if (SameText(command, "esc"))
    action = TUserAction::Escape();
  else if (SameText(command, "close"))
    action = TUserAction::CloseBox();
  else if (numbered)
    action = doubleClick ? TUserAction::DoubleClick(number.ToIntDef(-1))
                         : TUserAction::Select(number.ToIntDef(-1));
  const AnsiString refusal = Refusal(form, action, number);
  if (!refusal.IsEmpty()) {
    out_ << refusal << "\n";
    return;
  }
  try {
    action.PerformOn(form);
  } catch (const Exception &error) {
    out_ << error.Message << "\n";
  }
}

AnsiString TConsoleModalDriver::Refusal(TForm &form, const TUserAction &action,
                                        const AnsiString &number) const {
  TListBox *list = FindControl<TListBox>(form, [](TListBox &) { return true; });
  const int count = list ? list->Items->Count() : 0;
  switch (action.Kind) {
    case TUserAction::TKind::Select:
    case TUserAction::TKind::DoubleClick:
      if (action.Index >= 0 && action.Index < count) return AnsiString();
      return "There is no " + entryName_ + " " + number +
             (count == 0 ? AnsiString(": the list is empty.")
                         : ": choose a number from 0 to " + AnsiString(count - 1) + ".");
    case TUserAction::TKind::Press: {
      AnsiString captions;
      bool found = false;
      for (int i = 0; i < form.ComponentCount(); ++i) {
        if (auto *button = dynamic_cast<TBitBtn *>(form.Components(i))) {
          const AnsiString caption = WithoutAccelerator(button->Caption);
          found = found || SameText(caption, action.Button);
          captions += (captions.IsEmpty() ? "" : ", ") + caption;
        }
      }
      if (found) return AnsiString();
      return "'" + action.Button + "' is neither a " + entryName_ + " number nor a button (" +
             captions + ").";
    }
    default:
      return AnsiString();
  }
}

bool TConsoleModalDriver::InputReady() const {
  if (&in_ != &std::cin) return true;
  // Waits a little at a time, so that the modal loop goes on pumping while the person thinks.
  return StandardInputReady(100);
}

void TConsoleModalDriver::Prompt(TForm &form) {
  out_ << form.Caption << "\n";
  for (int i = 0; i < form.ComponentCount(); ++i) {
    if (auto *list = dynamic_cast<TListBox *>(form.Components(i))) {
      for (int entry = 0; entry < list->Items->Count(); ++entry)
        out_ << (entry == list->ItemIndex() ? " *" : "  ") << entry << ") "
             << list->Items->Get(entry) << "\n";
    } else if (auto *button = dynamic_cast<TBitBtn *>(form.Components(i))) {
      out_ << "  [" << WithoutAccelerator(button->Caption) << "]"
           << (button->Default ? " (Enter)" : "") << (button->Cancel ? " (esc)" : "") << "\n";
    }
  }
  out_ << entryName_ << " number: select, d number: double-click, caption: press, empty: Enter, "
       << "esc, close > " << std::flush;
}

void TConsoleModalDriver::CloseWithoutUser(TForm &form, int turn) {
  if (turn > 0)
    throw Exception(form.Name() + " refused to close and no user is there to answer it");
  TUserAction::CloseBox().PerformOn(form);
}
