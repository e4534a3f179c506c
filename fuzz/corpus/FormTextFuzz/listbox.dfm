object lb: TListBox
  Left = -5
  Top = $10
  object ok: TBitBtn
    Caption = 'Ok'
    Default = True
  end
end
