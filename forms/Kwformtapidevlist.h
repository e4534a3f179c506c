// The unit Kwformtapidevlist: the dialog in which the user picks the TAPI line device to use.
// Its layout and the binding of its handlers come from its form description.
#pragma once

#include <vcl.h>

class TfrmTAPIDevList : public TForm {
 public:
  TListBox *lbTAPIDevList = nullptr;
  TBitBtn *bbtnOk = nullptr;
  TBitBtn *bbtnCancel = nullptr;
  void FormCloseQuery(TObject *Sender, bool &CanClose);
  void lbTAPIDevListDblClick(TObject *Sender);
  void FormShow(TObject *Sender);

  explicit TfrmTAPIDevList(TComponent *Owner);
  TfrmTAPIDevList(TComponent *Owner, int Dummy);
  ~TfrmTAPIDevList() override;

  const TMetaClass &ClassType() const override { return ClassOf<TfrmTAPIDevList>(); }
  static void Publish(TPublisher<TfrmTAPIDevList, TForm> &p);
};

// The framework's global for the form; every dialog is a local object of its caller instead.
extern TfrmTAPIDevList *frmTAPIDevList;
