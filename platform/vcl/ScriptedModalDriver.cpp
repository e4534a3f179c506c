#include "ScriptedModalDriver.h"

#include <iostream>

#include "Forms.h"

TScriptedModalDriver::TScriptedModalDriver(TFailure failure) : failure_(std::move(failure)) {
  if (!failure_)
    failure_ = [](const AnsiString &problem) {
      std::cerr << "Scripted modal driver: " << problem << std::endl;
    };
}

TScriptedModalDriver &TScriptedModalDriver::Then(const TUserAction &action) {
  actions_.push_back(action);
  return *this;
}

void TScriptedModalDriver::Turn(TForm &form, int turn) {
  if (turn == 0) closingAfterFailure_ = false;
  if (closingAfterFailure_)
    throw Exception(form.Name() + " refused to close after its script failed");
  if (actions_.empty()) return Fail(form, "no scripted action left for " + form.Name());
  const TUserAction action = actions_.front();
  actions_.pop_front();
  try {
    action.PerformOn(form);
    performed_.push_back(action.Describe());
  } catch (const EUserActionError &error) {
    Fail(form, "cannot " + action.Describe() + ": " + error.Message);
  }
}

void TScriptedModalDriver::Fail(TForm &form, const AnsiString &problem) {
  failure_(problem);
  closingAfterFailure_ = true;
  TUserAction::CloseBox().PerformOn(form);
}
