object frmTAPIDevList: TfrmTAPIDevList
  Left = 218
  Top = 293
  BorderStyle = bsDialog
  Caption = 'Select a TAPI Device to use'
  ClientHeight = 187
  ClientWidth = 257
  Color = clBtnFace
  Font.Charset = DEFAULT_CHARSET
  Font.Color = clWindowText
  Font.Height = -11
  Font.Name = 'MS Sans Serif'
  Font.Style = []
  OldCreateOrder = False
  Position = poOwnerFormCenter
  OnCloseQuery = FormCloseQuery
  OnShow = FormShow
  PixelsPerInch = 96
  TextHeight = 13
  object lbTAPIDevList: TListBox
    Left = 0
    Top = 0
    Width = 257
    Height = 153
    Align = alTop
    ItemHeight = 13
    TabOrder = 0
    OnDblClick = lbTAPIDevListDblClick
  end
  object bbtnOk: TBitBtn
    Left = 88
    Top = 160
    Width = 75
    Height = 25
    Caption = 'Ok'
    Default = True
    ModalResult = 1
    TabOrder = 1
  end
  object bbtnCancel: TBitBtn
    Left = 176
    Top = 160
    Width = 75
    Height = 25
    Cancel = True
    Caption = 'Cancel'
    ModalResult = 2
    TabOrder = 2
  end
end
