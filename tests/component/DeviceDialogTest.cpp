#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "component/Kwtapi.h"
#include "forms/Kwformtapidevlist.h"
#include "simulator/Exchange.h"
#include "simulator/Operation.h"
#include "tests/component/TestSupport.h"

namespace {

using namespace component_test;

// Whether the event is bound to the root's published method of that name. Compared through the
// library's own description: a method's address taken in a program differs from the library's
// where the library is a DLL.
template <class Closure>
bool BoundTo(const TObject &root, const Closure &event, const char *method) {
  const TMethodInfo *found = root.ClassType().FindMethod(method);
  return found && found->ClosureType() == typeid(Closure) && found->IsBoundIn(root, &event);
}

class DeviceDialogTest : public ::testing::Test {
 protected:
  DeviceDialogTest()
      : exchange(sim::TheExchange()),
        user([](const AnsiString &problem) { ADD_FAILURE() << problem; }),
        userScope(user),
        component(nullptr) {
    exchange.Reset(2);
    exchange.Line(0).Name("Line A");
    exchange.Line(1).Name("Line B").MediaModes(LINEMEDIAMODE_INTERACTIVEVOICE);
  }
  ~DeviceDialogTest() override {
    sim::Faults().Clear();
    EXPECT_EQ(user.Remaining(), 0) << "the dialog ended before the user was done";
  }

  sim::Exchange &exchange;
  TNoticeCapture boxes;
  TScriptedModalDriver user;
  TModalDriverScope userScope;
  TkwTAPI component;
};

TEST_F(DeviceDialogTest, SecondEntryAndOk) {
  user.Then(TUserAction::Select(1)).Then(TUserAction::Press("Ok"));
  EXPECT_EQ(component.GetTAPIDevice(2), 1);
  EXPECT_TRUE(boxes.Notices().empty());
}

TEST_F(DeviceDialogTest, DoubleClickOnTheFirstEntry) {
  user.Then(TUserAction::DoubleClick(0));
  EXPECT_EQ(component.GetTAPIDevice(2), 0);
}

TEST_F(DeviceDialogTest, EnterPressesOk) {
  user.Then(TUserAction::Select(0)).Then(TUserAction::Enter());
  EXPECT_EQ(component.GetTAPIDevice(2), 0);
}

TEST_F(DeviceDialogTest, OkWithoutSelectionIsRefusedWithTheNotice) {
  user.Then(TUserAction::Press("Ok")).Then(TUserAction::Select(1)).Then(TUserAction::Press("Ok"));
  EXPECT_EQ(component.GetTAPIDevice(2), 1);
  const std::vector<TNotice> notices = boxes.Notices();
  ASSERT_EQ(notices.size(), 1u);
  EXPECT_EQ(notices[0].caption, "Notice");
  EXPECT_EQ(notices[0].text, "You must select at least ONE TAPI Device!");
  EXPECT_EQ(notices[0].style, static_cast<UINT>(MB_TASKMODAL));
}

TEST_F(DeviceDialogTest, CancelEscapeAndCloseBoxGiveMinusOne) {
  user.Then(TUserAction::Select(1)).Then(TUserAction::Press("Cancel"));
  EXPECT_EQ(component.GetTAPIDevice(2), -1);
  user.Then(TUserAction::Select(0)).Then(TUserAction::Escape());
  EXPECT_EQ(component.GetTAPIDevice(2), -1);
  user.Then(TUserAction::Select(0)).Then(TUserAction::CloseBox());
  EXPECT_EQ(component.GetTAPIDevice(2), -1);
  EXPECT_TRUE(boxes.Notices().empty());
}

TEST_F(DeviceDialogTest, EmptyListOkClosesWithMinusOne) {
  user.Then(TUserAction::Press("Ok"));
  EXPECT_EQ(component.GetTAPIDevice(0), -1);
  EXPECT_TRUE(boxes.Notices().empty());
}

TEST_F(DeviceDialogTest, EveryDialogStartsWithoutSelection) {
  user.Then(TUserAction::Select(1)).Then(TUserAction::Press("Ok"));
  ASSERT_EQ(component.GetTAPIDevice(2), 1);
  user.Then(TUserAction::Press("Ok")).Then(TUserAction::Press("Cancel"));
  EXPECT_EQ(component.GetTAPIDevice(2), -1);
  EXPECT_EQ(boxes.Notices().size(), 1u);
}

TEST_F(DeviceDialogTest, ListThatCannotBeFilledIsNeverShown) {
  try {
    component.GetTAPIDevice(3);
    ADD_FAILURE() << "no failure raised";
  } catch (EAbort &e) {
    EXPECT_EQ(e.Message, AnsiString("Error: lineNegotiateAPIVersion failed for device#: 2 "
                                    "TapiDeviceCount: 2 TAPI Version detected: 2.0 msg: "
                                    "LINEERR_BADDEVICEID"));
  }
  EXPECT_EQ(exchange.ApplicationCount(), 0u);
}

TEST_F(DeviceDialogTest, DeviceReportAsksForTheDevice) {
  user.Then(TUserAction::Select(1)).Then(TUserAction::Press("Ok"));
  DWORD dwDeviceID = 0;
  LINEDEVCAPS *pCaps = component.GetDeviceCapabilities(dwDeviceID, true);
  ASSERT_NE(pCaps, nullptr);
  EXPECT_EQ(dwDeviceID, 1u);
  EXPECT_EQ(component.GetLineName(pCaps), AnsiString("Line B"));
  EXPECT_EQ(exchange.ApplicationCount(), 0u);
}

TEST_F(DeviceDialogTest, CancelledDeviceReportKeepsWhatItHad) {
  DWORD dwDeviceID = 0;
  LINEDEVCAPS *pHeld = component.GetDeviceCapabilities(dwDeviceID, false);
  ASSERT_NE(pHeld, nullptr);
  ASSERT_TRUE(component.CheckAllowedAutomatedVoice());

  user.Then(TUserAction::Press("Cancel"));
  dwDeviceID = 1;
  EXPECT_EQ(component.GetDeviceCapabilities(dwDeviceID, true), nullptr);
  EXPECT_EQ(dwDeviceID, 1u);
  EXPECT_TRUE(component.CheckAllowedAutomatedVoice());
  EXPECT_EQ(component.GetLineName(pHeld), AnsiString("Line A"));
  EXPECT_EQ(exchange.ApplicationCount(), 0u);
}

TEST_F(DeviceDialogTest, CancelledAddressReportGoesOnWithTheGivenDevice) {
  user.Then(TUserAction::Escape());
  DWORD dwDeviceID = 1;
  LINEADDRESSCAPS *pCaps = component.GetAddressCapabilities(dwDeviceID, true);
  ASSERT_NE(pCaps, nullptr);
  EXPECT_EQ(dwDeviceID, 1u);
  EXPECT_EQ(pCaps->dwLineDeviceID, 1u);
}

TEST_F(DeviceDialogTest, ListFailureInsideAReportIsItsFailure) {
  sim::Faults().FailNth("lineNegotiateAPIVersion", 2, LINEERR_NODRIVER);
  DWORD dwDeviceID = 0;
  try {
    component.GetDeviceCapabilities(dwDeviceID, true);
    ADD_FAILURE() << "no failure raised";
  } catch (Exception &e) {
    EXPECT_EQ(e.Message,
              AnsiString("Internal Error in [TkwTAPI::GetDeviceCapabilities] msg: Error: "
                         "lineNegotiateAPIVersion failed for device#: 1 TapiDeviceCount: 2 TAPI "
                         "Version detected: 2.0 msg: LINEERR_NODRIVER"));
  }
  EXPECT_EQ(dwDeviceID, 0xFFFFFFFFu);
  EXPECT_EQ(exchange.ApplicationCount(), 0u);
}

TEST(DeviceDialogForm, LoadsItsDescription) {
  TfrmTAPIDevList form(nullptr);
  EXPECT_EQ(form.Name(), AnsiString("frmTAPIDevList"));
  EXPECT_EQ(form.Left, 218);
  EXPECT_EQ(form.Top, 293);
  EXPECT_EQ(form.BorderStyle, bsDialog);
  EXPECT_EQ(form.Caption, AnsiString("Select a TAPI Device to use"));
  EXPECT_EQ(form.ClientHeight, 187);
  EXPECT_EQ(form.ClientWidth, 257);
  EXPECT_EQ(form.Color, clBtnFace);
  EXPECT_EQ(form.Font->Charset, TFontCharset(1));
  EXPECT_EQ(form.Font->Color, clWindowText);
  EXPECT_EQ(form.Font->Height, -11);
  EXPECT_EQ(form.Font->Name, AnsiString("MS Sans Serif"));
  EXPECT_TRUE(form.Font->Style.Empty());
  EXPECT_FALSE(form.OldCreateOrder);
  EXPECT_EQ(form.Position, poOwnerFormCenter);
  EXPECT_EQ(form.PixelsPerInch, 96);
  EXPECT_EQ(form.TextHeight, 13);
  EXPECT_TRUE(BoundTo(form, form.OnCloseQuery, "FormCloseQuery"));
  EXPECT_TRUE(BoundTo(form, form.OnShow, "FormShow"));

  ASSERT_NE(form.lbTAPIDevList, nullptr);
  const TListBox &list = *form.lbTAPIDevList;
  EXPECT_EQ(std::vector<int>({list.Left, list.Top, list.Width, list.Height}),
            std::vector<int>({0, 0, 257, 153}));
  EXPECT_EQ(list.Align, alTop);
  EXPECT_EQ(list.ItemHeight, 13);
  EXPECT_EQ(list.TabOrder, 0);
  EXPECT_TRUE(BoundTo(form, list.OnDblClick, "lbTAPIDevListDblClick"));
  EXPECT_EQ(list.ItemIndex(), -1);

  ASSERT_NE(form.bbtnOk, nullptr);
  const TBitBtn &ok = *form.bbtnOk;
  EXPECT_EQ(std::vector<int>({ok.Left, ok.Top, ok.Width, ok.Height}),
            std::vector<int>({88, 160, 75, 25}));
  EXPECT_EQ(ok.Caption, AnsiString("Ok"));
  EXPECT_TRUE(ok.Default);
  EXPECT_FALSE(ok.Cancel);
  EXPECT_EQ(ok.ModalResult, mrOk);
  EXPECT_EQ(ok.TabOrder, 1);

  ASSERT_NE(form.bbtnCancel, nullptr);
  const TBitBtn &cancel = *form.bbtnCancel;
  EXPECT_EQ(std::vector<int>({cancel.Left, cancel.Top, cancel.Width, cancel.Height}),
            std::vector<int>({176, 160, 75, 25}));
  EXPECT_EQ(cancel.Caption, AnsiString("Cancel"));
  EXPECT_TRUE(cancel.Cancel);
  EXPECT_FALSE(cancel.Default);
  EXPECT_EQ(cancel.ModalResult, mrCancel);
  EXPECT_EQ(cancel.TabOrder, 2);
}

TEST(DeviceDialogForm, ShowHandlerBringsItToTheFront) {
  TfrmTAPIDevList dialog(nullptr);
  TfrmTAPIDevList other(nullptr);
  dialog.Show();
  other.Show();
  ASSERT_EQ(TForm::Frontmost(), &other);
  dialog.FormShow(&dialog);
  EXPECT_EQ(TForm::Frontmost(), &dialog);
}

}  // namespace
