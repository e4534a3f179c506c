#include "ModalDriver.h"

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
  const AnsiString command = AnsiString(std::string_view(line)).Trim();
  try {
    if (command.IsEmpty())
      TUserAction::Enter().PerformOn(form);
    else if (SameText(command, "esc"))
      TUserAction::Escape().PerformOn(form);
    else if (SameText(command, "close"))
      TUserAction::CloseBox().PerformOn(form);
    else if (command.Length() > 2 && SameText(command.SubString(1, 2), "d "))
      TUserAction::DoubleClick(command.SubString(3, command.Length()).ToInt() - 1).PerformOn(form);
    else if (command.ToIntDef(0) > 0)
      TUserAction::Select(command.ToInt() - 1).PerformOn(form);
    else
      TUserAction::Press(command).PerformOn(form);
  } catch (const Exception &error) {
    out_ << error.Message << "\n";
  }
  if (form.ModalResult == mrNone) Prompt(form);
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
        out_ << (entry == list->ItemIndex() ? " *" : "  ") << entry + 1 << ") "
             << list->Items->Get(entry) << "\n";
    } else if (auto *button = dynamic_cast<TBitBtn *>(form.Components(i))) {
      out_ << "  [" << WithoutAccelerator(button->Caption) << "]"
           << (button->Default ? " (Enter)" : "") << (button->Cancel ? " (esc)" : "") << "\n";
    }
  }
  out_ << "number: select, d number: double-click, caption: press, empty: Enter, esc, close > "
       << std::flush;
}

void TConsoleModalDriver::CloseWithoutUser(TForm &form, int turn) {
  if (turn > 0)
    throw Exception(form.Name() + " refused to close and no user is there to answer it");
  TUserAction::CloseBox().PerformOn(form);
}
