#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "component/Kwtapi.h"

namespace {

class THostForm : public TComponent {
 public:
  explicit THostForm(TComponent *Owner) : TComponent(Owner) {}
  const TMetaClass &ClassType() const override { return ClassOf<THostForm>(); }
  static void Publish(TPublisher<THostForm, TComponent> &p) {
    p.Method("TapiFailed", &THostForm::TapiFailed);
    p.Method("DigitPressed", &THostForm::DigitPressed);
  }
  void TapiFailed(AnsiString, int, int) {}
  void DigitPressed(TObject *, HCALL, char) {}
};

TEST(TkwTAPIObject, StartsClosedWithTheDefaults) {
  TkwTAPI component(nullptr);
  EXPECT_EQ(component.OpenDeviceID, 0xFFFFFFFFu);
  EXPECT_EQ(component.TAPIDevicesDetected, 0u);
  EXPECT_TRUE(component.TAPIVersionString.Value().IsEmpty());
  EXPECT_EQ(component.Privileges, 6);
  EXPECT_EQ(component.MediaModes, 4);
  EXPECT_TRUE(component.DebugLogFile.IsEmpty());
  EXPECT_TRUE(component.AppTitle.IsEmpty());
  EXPECT_FALSE(component.CheckAllowedAutomatedVoice());
  EXPECT_FALSE(component.OnTapiError);
  EXPECT_FALSE(component.OnCallOfferingEvent);
  EXPECT_FALSE(component.OnCallDigitEvent);
}

TEST(TkwTAPIObject, OwnerDestroysIt) {
  auto owner = std::make_unique<TComponent>(nullptr);
  auto *component = new TkwTAPI(owner.get());
  EXPECT_EQ(owner->ComponentCount(), 1);
  EXPECT_EQ(owner->Components(0), component);
  owner.reset();  // would leak the component under the sanitizer if the owner did not free it
}

TEST(TkwTAPIObject, PublishesItsPropertiesInOrder) {
  TkwTAPI component(nullptr);
  std::vector<AnsiString> names;
  for (const TPropInfo *property : component.ClassType().Properties()) {
    names.push_back(property->Name());
  }
  const std::vector<AnsiString> expected = {"Name",
                                            "Tag",
                                            "OnTapiError",
                                            "OnCallerIDEvent",
                                            "OnCalledPartyIDEvent",
                                            "OnCallConnectedEvent",
                                            "OnCallDisconnectedEvent",
                                            "OnCallRingEvent",
                                            "OnCallInfoEvent",
                                            "OnCallLineReplyEvent",
                                            "OnCallOfferingEvent",
                                            "OnCallDigitEvent",
                                            "Privileges",
                                            "MediaModes",
                                            "AutomatedVoiceAllowed",
                                            "TAPIVersionString",
                                            "OpenDeviceID",
                                            "TAPIDevicesDetected",
                                            "DebugLogFile",
                                            "AppTitle"};
  EXPECT_EQ(names, expected);
  for (const char *readOnly :
       {"AutomatedVoiceAllowed", "TAPIVersionString", "OpenDeviceID", "TAPIDevicesDetected"}) {
    EXPECT_FALSE(component.ClassType().FindProperty(readOnly)->Writable()) << readOnly;
  }
}

TEST(TkwTAPIStreaming, DefaultsAndReadOnlyPropertiesAreNotWritten) {
  TkwTAPI component(nullptr);
  component.SetName("kwTAPI1");
  EXPECT_EQ(WriteComponentText(component), AnsiString("object kwTAPI1: TkwTAPI\nend\n"));
}

TEST(TkwTAPIStreaming, ChangedValuesAreWrittenAndReadBack) {
  THostForm form(nullptr);
  form.SetName("HostForm");
  auto *component = new TkwTAPI(&form);
  component->SetName("kwTAPI1");
  component->Privileges = 2;
  component->MediaModes = 0x10;
  component->DebugLogFile = "trace.log";
  component->AppTitle = "Phone";
  component->OnTapiError = TTapiErrorEvent(&form, &THostForm::TapiFailed);
  component->OnCallDigitEvent = TNotifyDigitEvent(&form, &THostForm::DigitPressed);
  const AnsiString text = WriteComponentText(form);
  EXPECT_EQ(text, AnsiString("object HostForm: THostForm\n"
                             "  object kwTAPI1: TkwTAPI\n"
                             "    OnTapiError = TapiFailed\n"
                             "    OnCallDigitEvent = DigitPressed\n"
                             "    Privileges = 2\n"
                             "    MediaModes = 16\n"
                             "    DebugLogFile = 'trace.log'\n"
                             "    AppTitle = 'Phone'\n"
                             "  end\n"
                             "end\n"));

  RegisterComponents("Quennit Software", {&ClassOf<TkwTAPI>()});
  THostForm copy(nullptr);
  ReadComponentText(text, copy);
  auto *loaded = dynamic_cast<TkwTAPI *>(copy.FindComponent("kwTAPI1"));
  ASSERT_NE(loaded, nullptr);
  EXPECT_EQ(loaded->Privileges, 2);
  EXPECT_EQ(loaded->MediaModes, 0x10);
  EXPECT_EQ(loaded->DebugLogFile, AnsiString("trace.log"));
  EXPECT_EQ(loaded->AppTitle, AnsiString("Phone"));
  EXPECT_TRUE(loaded->OnTapiError == TTapiErrorEvent(&copy, &THostForm::TapiFailed));
  EXPECT_TRUE(loaded->OnCallDigitEvent == TNotifyDigitEvent(&copy, &THostForm::DigitPressed));
}

TEST(TkwTAPIRegistration, PutsTheComponentOnItsPalettePage) {
  Kwtapi::Register();
  const std::vector<TPalettePage> pages = PalettePages();
  const auto page = std::find_if(pages.begin(), pages.end(), [](const TPalettePage &p) {
    return p.Name == AnsiString("Quennit Software");
  });
  ASSERT_NE(page, pages.end());
  ASSERT_EQ(page->Classes.size(), 1u);
  EXPECT_EQ(page->Classes[0]->ClassName(), AnsiString("TkwTAPI"));
  EXPECT_EQ(GetClass("TkwTAPI"), &ClassOf<TkwTAPI>());
}

}  // namespace
