// Letting the user choose the line device in the device dialog.
#include <memory>

#include "component/Kwtapi.h"
#include "forms/Kwformtapidevlist.h"

int TkwTAPI::GetTAPIDevice(unsigned int uiDeviceCount) {
  std::unique_ptr<TfrmTAPIDevList> dialog(new TfrmTAPIDevList(nullptr));
  FillTAPILine(dialog->lbTAPIDevList->Items, static_cast<int>(uiDeviceCount));
  return dialog->ShowModal() == mrOk ? dialog->lbTAPIDevList->ItemIndex() : -1;
}
