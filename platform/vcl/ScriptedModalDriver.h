// A modal driver for tests: performs queued user actions, one per turn of the modal loop.
// It never waits: an action that cannot be performed, or a turn with no action left, is
// reported through the failure callback and answered with the close box; a form that
// still does not close makes its ShowModal raise an Exception.
#pragma once

#include <deque>
#include <functional>
#include <vector>

#include "ModalDriver.h"

class TScriptedModalDriver : public TModalDriver {
 public:
  using TFailure = std::function<void(const AnsiString &problem)>;

  // Without a callback, failures are written to standard error.
  explicit TScriptedModalDriver(TFailure failure = {});

  TScriptedModalDriver &Then(const TUserAction &action);
  void Turn(TForm &form, int turn) override;

  int Remaining() const { return static_cast<int>(actions_.size()); }
  // The actions performed, as Describe() gives them, for failure messages.
  const std::vector<AnsiString> &Performed() const { return performed_; }

 private:
  void Fail(TForm &form, const AnsiString &problem);

  TFailure failure_;
  std::deque<TUserAction> actions_;
  std::vector<AnsiString> performed_;
  bool closingAfterFailure_ = false;
};
