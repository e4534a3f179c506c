#include <gtest/gtest.h>

#include <memory>
#include <span>

#include <FormParser.h>
#include <vcl.h>
#include <wintypes.h>

namespace {

enum TLineMode { lmIdle, lmDialing, lmTalking };
std::span<const char *const> EnumNames(TLineMode) {
  static const char *const names[] = {"lmIdle", "lmDialing", "lmTalking"};
  return names;
}

enum TLineOption { loEcho, loBeep, loMute };
std::span<const char *const> EnumNames(TLineOption) {
  static const char *const names[] = {"loEcho", "loBeep", "loMute"};
  return names;
}

// A device component with every kind of published property.
class TTestDevice : public TComponent {
 public:
  using TComponent::TComponent;
  const TMetaClass &ClassType() const override { return ClassOf<TTestDevice>(); }
  static void Publish(TPublisher<TTestDevice, TComponent> &p) {
    p.Event("OnRing", &TTestDevice::OnRing);
    p.Event("OnHangUp", &TTestDevice::OnHangUp);
    p.Property("Privileges", &TTestDevice::Privileges, 6);
    p.Property("MediaModes", &TTestDevice::MediaModes, 4);
    p.ReadOnly("AutomatedVoiceAllowed", &TTestDevice::AutomatedVoiceAllowed, false);
    p.ReadOnly("OpenDeviceID", &TTestDevice::OpenDeviceID);
    p.Property("DebugLogFile", &TTestDevice::DebugLogFile, "");
    p.Property("Timeout", &TTestDevice::Timeout);
    p.Property("Mode", &TTestDevice::Mode, lmIdle);
    p.Property("Options", &TTestDevice::Options, TSet<TLineOption>());
    p.Property("Title", &TTestDevice::Title, &TTestDevice::SetTitle, "");
  }

  bool AutomatedVoiceAllowed() { return automatedVoiceQueries++, true; }
  AnsiString Title() const { return title_; }
  void SetTitle(const AnsiString &title) { title_ = title; }

  TClosure<void(int, const DWORD &)> OnRing;
  TClosure<void(DWORD)> OnHangUp;
  int Privileges = 6;
  int MediaModes = 4;
  DWORD OpenDeviceID = 0xFFFFFFFF;
  AnsiString DebugLogFile;
  DWORD Timeout = 0;
  TLineMode Mode = lmIdle;
  TSet<TLineOption> Options;
  int automatedVoiceQueries = 0;

 private:
  AnsiString title_;
};

// The root a description binds events and fields to.
class THostForm : public TComponent {
 public:
  using TComponent::TComponent;
  const TMetaClass &ClassType() const override { return ClassOf<THostForm>(); }
  static void Publish(TPublisher<THostForm, TComponent> &p) {
    p.Field("line", &THostForm::line);
    p.Method("LineRing", &THostForm::LineRing);
    p.Method("LineHangUp", &THostForm::LineHangUp);
  }

  void LineRing(int count, const DWORD &call) { rings += count * 1000 + static_cast<int>(call); }
  void LineHangUp(DWORD) {}

  TTestDevice *line = nullptr;
  int rings = 0;
};

class StreamingTest : public testing::Test {
 protected:
  static void SetUpTestSuite() { RegisterComponentClass(ClassOf<TTestDevice>()); }
};

const char *const kHostText =
    "object Host: THostForm\n"
    "  Tag = 7\n"
    "  object line: TTestDevice\n"
    "    OnRing = LineRing\n"
    "    Privileges = 2\n"
    "    Timeout = 4294967295\n"
    "    Mode = lmTalking\n"
    "    Options = [loEcho, loMute]\n"
    "    Title = 'It''s'#13#10'two lines'\n"
    "  end\n"
    "end\n";

}  // namespace

TEST_F(StreamingTest, WritesOnlyWritablePropertiesThatDifferFromTheirDefaults) {
  TTestDevice device(nullptr);
  device.SetName("kwTAPI1");
  EXPECT_EQ(WriteComponentText(device),
            "object kwTAPI1: TTestDevice\n"
            "  Timeout = 0\n"
            "end\n");
  device.Privileges = 2;
  device.MediaModes = 4;
  device.DebugLogFile = "trace.log";
  device.Tag = -3;
  device.OpenDeviceID = 1;
  EXPECT_EQ(WriteComponentText(device),
            "object kwTAPI1: TTestDevice\n"
            "  Tag = -3\n"
            "  Privileges = 2\n"
            "  DebugLogFile = 'trace.log'\n"
            "  Timeout = 0\n"
            "end\n");
  EXPECT_EQ(device.automatedVoiceQueries, 0);
}

TEST_F(StreamingTest, ReadsPropertiesCreatesChildrenAndBindsEventsByName) {
  THostForm host(nullptr);
  ReadComponentText(kHostText, host);
  EXPECT_EQ(host.Name(), "Host");
  EXPECT_EQ(host.Tag, 7);
  ASSERT_NE(host.line, nullptr);
  EXPECT_EQ(host.line->Owner(), &host);
  EXPECT_EQ(host.line->Name(), "line");
  EXPECT_EQ(host.line->Privileges, 2);
  EXPECT_EQ(host.line->MediaModes, 4);
  EXPECT_EQ(host.line->Timeout, 0xFFFFFFFFu);
  EXPECT_EQ(host.line->Mode, lmTalking);
  EXPECT_EQ(host.line->Options, (TSet<TLineOption>{loEcho, loMute}));
  EXPECT_EQ(host.line->Title(), "It's\r\ntwo lines");
  EXPECT_FALSE(host.line->OnHangUp);
  ASSERT_TRUE(host.line->OnRing);
  host.line->OnRing(3, 5);
  EXPECT_EQ(host.rings, 3005);
}

TEST_F(StreamingTest, WrittenTextReadsBackToTheSameText) {
  THostForm original(nullptr);
  ReadComponentText(kHostText, original);
  const AnsiString text = WriteComponentText(original);
  EXPECT_NE(text.Pos("OnRing = LineRing"), 0);
  EXPECT_NE(text.Pos("Title = 'It''s'#13#10'two lines'"), 0);
  THostForm copy(nullptr);
  ReadComponentText(text, copy);
  EXPECT_EQ(WriteComponentText(copy), text);
}

TEST_F(StreamingTest, EventBoundOutsideTheRootIsNotWritten) {
  THostForm host(nullptr), other(nullptr);
  host.line = new TTestDevice(&host);
  host.line->SetName("line");
  host.line->OnRing = TClosure<void(int, const DWORD &)>(&other, &THostForm::LineRing);
  EXPECT_EQ(WriteComponentText(host).Pos("OnRing"), 0);
  host.line->OnRing = TClosure<void(int, const DWORD &)>(&host, &THostForm::LineRing);
  EXPECT_NE(WriteComponentText(host).Pos("OnRing = LineRing"), 0);
}

TEST_F(StreamingTest, RejectsTextsThatDoNotFitTheClasses) {
  auto read = [](const char *body) {
    THostForm host(nullptr);
    ReadComponentText(AnsiString("object Host: THostForm\n  object line: TTestDevice\n") + body +
                          "\n  end\nend\n",
                      host);
  };
  EXPECT_NO_THROW(read(""));
  EXPECT_THROW(read("Colour = 3"), EReadError);
  EXPECT_THROW(read("Privileges = 'six'"), EReadError);
  EXPECT_THROW(read("Privileges = 4294967295"), EReadError);
  EXPECT_THROW(read("Timeout = -1"), EReadError);
  EXPECT_THROW(read("Mode = lmAsleep"), EReadError);
  EXPECT_THROW(read("Options = [loEcho, loLoud]"), EReadError);
  EXPECT_THROW(read("OpenDeviceID = 3"), EReadError);
  EXPECT_THROW(read("OnRing = NoSuchMethod"), EReadError);
  EXPECT_THROW(read("OnRing = LineHangUp"), EReadError);
  EXPECT_THROW(read("Title = 'unterminated"), EReadError);
  EXPECT_THROW(read("Privileges 2"), EReadError);
}

TEST_F(StreamingTest, ErrorsNameTheLine) {
  THostForm host(nullptr);
  try {
    ReadComponentText(
        "object Host: THostForm\n  object line: TTestDevice\n    Mode = 1\n  end\nend\n", host);
    FAIL() << "no error";
  } catch (const EReadError &error) {
    EXPECT_NE(error.Message.Pos("line 3"), 0) << error.Message;
  }
}

TEST_F(StreamingTest, RejectsWrongRootUnknownClassAndMissingComponents) {
  THostForm host(nullptr);
  EXPECT_THROW(ReadComponentText("object x: TTestDevice\nend\n", host), EReadError);
  EXPECT_THROW(ReadComponentText("object Host: THostForm\n  object line: TNoSuchClass\n  end\n"
                                 "end\n",
                                 host),
               EClassNotFound);
  THostForm empty(nullptr);
  EXPECT_THROW(ReadComponentText("object Host: THostForm\nend\n", empty), EReadError);
}

TEST_F(StreamingTest, ReadingAgainReusesTheComponentsAlreadyThere) {
  THostForm host(nullptr);
  ReadComponentText(kHostText, host);
  TTestDevice *first = host.line;
  ReadComponentText(kHostText, host);
  EXPECT_EQ(host.line, first);
  EXPECT_EQ(host.ComponentCount(), 1);
}

// The host with a chain of devices below its line, `depth` objects deep in all.
AnsiString NestedText(int depth) {
  std::string text = "object Host: THostForm\n object line: TTestDevice\n";
  for (int level = 3; level <= depth; ++level) text += "object d: TTestDevice\n";
  for (int level = 1; level <= depth; ++level) text += "end\n";
  return AnsiString(text);
}

TEST_F(StreamingTest, NestingIsLimited) {
  for (const int depth : {kMaxFormNesting + 1, 20000}) {
    THostForm host(nullptr);
    try {
      ReadComponentText(NestedText(depth), host);
      FAIL() << depth << " levels read";
    } catch (const EReadError &error) {
      EXPECT_EQ(error.Message, "Form text, line " + AnsiString(kMaxFormNesting + 1) +
                                   ": objects nested deeper than 256 levels");
    }
  }
  THostForm host(nullptr);
  ReadComponentText(NestedText(kMaxFormNesting), host);
  int levels = 1;
  for (TComponent *at = host.line; at; at = at->ComponentCount() ? at->Components(0) : nullptr)
    ++levels;
  EXPECT_EQ(levels, kMaxFormNesting);
  THostForm copy(nullptr);
  ReadComponentText(WriteComponentText(host), copy);
  EXPECT_EQ(WriteComponentText(copy), WriteComponentText(host));
}

TEST(Palette, ListsPagesAndClassesInRegistrationOrder) {
  RegisterComponents("Test Page A", {&ClassOf<TTestDevice>(), &ClassOf<THostForm>()});
  RegisterComponents("Test Page B", {&ClassOf<THostForm>()});
  RegisterComponents("Test Page A", {&ClassOf<TTestDevice>()});
  std::vector<AnsiString> listed;
  for (const TPalettePage &page : PalettePages()) {
    if (page.Name.Pos("Test Page") != 1) continue;
    for (const TMetaClass *meta : page.Classes)
      listed.push_back(page.Name + "/" + meta->ClassName());
  }
  EXPECT_EQ(listed, (std::vector<AnsiString>{"Test Page A/TTestDevice", "Test Page A/THostForm",
                                             "Test Page B/THostForm"}));
  EXPECT_EQ(&FindClass("thostform"), &ClassOf<THostForm>());
  EXPECT_EQ(GetClass("TNowhere"), nullptr);
}
