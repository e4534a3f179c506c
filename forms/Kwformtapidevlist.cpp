#include "forms/Kwformtapidevlist.h"

#include <windows.h>

TfrmTAPIDevList *frmTAPIDevList = nullptr;

TfrmTAPIDevList::TfrmTAPIDevList(TComponent *Owner) : TForm(Owner) {
  ReadFormResource();
}

TfrmTAPIDevList::TfrmTAPIDevList(TComponent *Owner, int Dummy) : TForm(Owner, Dummy) {
  ReadFormResource();
}

TfrmTAPIDevList::~TfrmTAPIDevList() = default;

void TfrmTAPIDevList::Publish(TPublisher<TfrmTAPIDevList, TForm> &p) {
  p.Field("lbTAPIDevList", &TfrmTAPIDevList::lbTAPIDevList);
  p.Field("bbtnOk", &TfrmTAPIDevList::bbtnOk);
  p.Field("bbtnCancel", &TfrmTAPIDevList::bbtnCancel);
  p.Method("FormCloseQuery", &TfrmTAPIDevList::FormCloseQuery);
  p.Method("lbTAPIDevListDblClick", &TfrmTAPIDevList::lbTAPIDevListDblClick);
  p.Method("FormShow", &TfrmTAPIDevList::FormShow);
}

// OK means a device was chosen; an empty list has none to choose, so OK may close it.
void TfrmTAPIDevList::FormCloseQuery(TObject *, bool &CanClose) {
  if (ModalResult == mrOk && lbTAPIDevList->ItemIndex() < 0 && lbTAPIDevList->Items->Count() > 0) {
    CanClose = false;
    MessageBoxA(0, "You must select at least ONE TAPI Device!", "Notice", MB_TASKMODAL);
  }
}

void TfrmTAPIDevList::lbTAPIDevListDblClick(TObject *) {
  ModalResult = mrOk;
  Close();
}

void TfrmTAPIDevList::FormShow(TObject *) {
  BringToFront();
}
