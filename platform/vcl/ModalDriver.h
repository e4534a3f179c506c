// The user at a modal form. ShowModal hands the form to the current driver on every turn
// of its loop; the driver acts as a person would, through the form's own controls and
// handlers, or does nothing that turn.
#pragma once

#include <iosfwd>

#include "AnsiString.h"
#include "Exceptions.h"

class TForm;

// What a user can do at a dialog. Performing one on a form that has no such control
// (no list box, no such entry, no such button) raises EUserActionError.
class EUserActionError : public Exception {
 public:
  using Exception::Exception;
};

struct TUserAction {
  enum class TKind { Select, DoubleClick, Press, Enter, Escape, CloseBox };

  // Entries of the form's first list box, 0-based.
  static TUserAction Select(int index) { return {TKind::Select, index, {}}; }
  static TUserAction DoubleClick(int index) { return {TKind::DoubleClick, index, {}}; }
  // A button by its caption or its name.
  static TUserAction Press(const AnsiString &button) { return {TKind::Press, -1, button}; }
  // Enter presses the Default button, Escape the Cancel button; nothing when there is none.
  static TUserAction Enter() { return {TKind::Enter, -1, {}}; }
  static TUserAction Escape() { return {TKind::Escape, -1, {}}; }
  // The window's close box: Close(), so a modal form ends with mrCancel after its close query.
  static TUserAction CloseBox() { return {TKind::CloseBox, -1, {}}; }

  void PerformOn(TForm &form) const;
  AnsiString Describe() const;

  TKind Kind;
  int Index;
  AnsiString Button;
};

class TModalDriver {
 public:
  virtual ~TModalDriver() = default;
  // turn counts the calls within one ShowModal from 0.
  virtual void Turn(TForm &form, int turn) = 0;
};

// The driver in use; by default the system's (DefaultModalDriver).
TModalDriver &ModalDriver();
// On Windows the form as a real window whose controls a person uses; elsewhere the console
// driver on standard input and output.
TModalDriver &DefaultModalDriver();
// Installs a driver (nullptr restores the default) and returns the one it replaces. The
// driver is not owned.
TModalDriver *SetModalDriver(TModalDriver *driver);

// Installs a driver for the life of the scope.
class TModalDriverScope {
 public:
  explicit TModalDriverScope(TModalDriver &driver) : previous_(SetModalDriver(&driver)) {}
  ~TModalDriverScope() { SetModalDriver(previous_); }
  TModalDriverScope(const TModalDriverScope &) = delete;
  TModalDriverScope &operator=(const TModalDriverScope &) = delete;

 private:
  TModalDriver *previous_;
};

// Asks a person on a terminal: lists the entries, numbered from 0 as the list box counts
// them, and the buttons, then reads one command per line ("3" selects entry 3, "d 3"
// double-clicks it, a caption presses its button, an empty line is Enter, "esc" is Escape,
// "close" the close box). A command the dialog cannot follow is answered in the words of
// the dialog ("There is no device 9: ..."), never with its controls' names. Without a person
// (not interactive, or the input has ended) it presses the close box; a form that still
// refuses to close then ends its ShowModal with an Exception rather than waiting forever.
class TConsoleModalDriver : public TModalDriver {
 public:
  TConsoleModalDriver(std::istream &in, std::ostream &out, bool interactive);
  void Turn(TForm &form, int turn) override;
  // What the list's entries are called in the driver's texts ("device"); "entry" unless told.
  void NameEntries(const AnsiString &name) { entryName_ = name; }

 private:
  bool InputReady() const;
  void Prompt(TForm &form);
  void Follow(TForm &form, const AnsiString &command);
  // Why the form cannot take the action, in the user's words; empty when it can.
  AnsiString Refusal(TForm &form, const TUserAction &action, const AnsiString &command) const;
  void CloseWithoutUser(TForm &form, int turn);

  std::istream &in_;
  std::ostream &out_;
  bool interactive_;
  bool inputEnded_ = false;
  AnsiString entryName_ = "entry";
};

// The console driver on standard input and output.
TConsoleModalDriver &ConsoleModalDriver();
