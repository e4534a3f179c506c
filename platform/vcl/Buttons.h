// The bitmap button of dialogs: a caption, the Default and Cancel roles that Enter and
// Escape press, and the modal result a click hands to its form.
#pragma once

#include "Closure.h"
#include "Controls.h"

class TBitBtn : public TControl {
 public:
  using TControl::TControl;
  const TMetaClass &ClassType() const override;
  static void Publish(TPublisher<TBitBtn, TControl> &p);

  // Sets the form's ModalResult when the button has one, then raises OnClick.
  void Click();

  AnsiString Caption;
  bool Default = false;
  bool Cancel = false;
  TModalResult ModalResult = mrNone;
  TNotifyEvent OnClick;
};
