// Letting the user choose the line device in the device dialog.
#include <memory>

#include "component/Kwtapi.h"
#include "component/MethodFrame.h"
#include "forms/Kwformtapidevlist.h"

int TkwTAPI::GetTAPIDevice(unsigned int uiDeviceCount) {
  TMethodFrame frame(*this);
  std::unique_ptr<TfrmTAPIDevList> dialog(new TfrmTAPIDevList(nullptr));
  FillTAPILine(dialog->lbTAPIDevList->Items, static_cast<int>(uiDeviceCount));
  const int iChosen = dialog->ShowModal() == mrOk ? dialog->lbTAPIDevList->ItemIndex() : -1;
  // The dialog's loop runs host code, which may have destroyed the component; its callers
  // must not go on with it.
  if (frame.ComponentDestroyed())
    throw EAbort("The component was destroyed while its device dialog was shown.");
  return iChosen;
}
