#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "component/Kwtapi.h"

namespace {

std::string TextOf(LONG code) {
  char buffer[4096];
  std::memset(buffer, 'x', sizeof(buffer));
  const char *result = TapiErrorText(code, buffer);
  EXPECT_EQ(result, buffer);
  return buffer;
}

LONG Code(DWORD value) {
  return static_cast<LONG>(value);
}

TEST(TapiErrorText, NamesLineErrorsAsThePublishedConstants) {
  EXPECT_EQ(TextOf(Code(0x80000001)), "LINEERR_ALLOCATED");
  EXPECT_EQ(TextOf(Code(0x80000002)), "LINEERR_BADDEVICEID");
  EXPECT_EQ(TextOf(Code(0x80000003)), "LINEERR_BEARERMODEUNAVAIL");
  EXPECT_EQ(TextOf(Code(0x80000005)), "LINEERR_CALLUNAVAIL");
  EXPECT_EQ(TextOf(Code(0x8000000C)), "LINEERR_INCOMPATIBLEAPIVERSION");
  EXPECT_EQ(TextOf(Code(0x8000002F)), "LINEERR_INVALMEDIAMODE");
  EXPECT_EQ(TextOf(Code(0x80000030)), "LINEERR_INVALMESSAGEID");
  EXPECT_EQ(TextOf(Code(0x80000032)), "LINEERR_INVALPARAM");
  EXPECT_EQ(TextOf(Code(0x80000048)), "LINEERR_OPERATIONFAILED");
  EXPECT_EQ(TextOf(Code(0x8000004D)), "LINEERR_STRUCTURETOOSMALL");
  EXPECT_EQ(TextOf(Code(0x80000056)), "LINEERR_NOMULTIPLEINSTANCE");
}

TEST(TapiErrorText, EveryTableEntryIsTheNameOfItsOwnConstant) {
  EXPECT_EQ(TextOf(LINEERR_INUSE), "LINEERR_INUSE");
  EXPECT_EQ(TextOf(LINEERR_INVALPRIVSELECT), "LINEERR_INVALPRIVSELECT");
  EXPECT_EQ(TextOf(LINEERR_OPERATIONUNAVAIL), "LINEERR_OPERATIONUNAVAIL");
  EXPECT_EQ(TextOf(LINEERR_NODEVICE), "LINEERR_NODEVICE");
  EXPECT_EQ(TextOf(LINEERR_REINIT), "LINEERR_REINIT");
  EXPECT_EQ(TextOf(LINEERR_INVALFEATURE), "LINEERR_INVALFEATURE");
}

TEST(TapiErrorText, UnusedValuesAndTheBareErrorBit) {
  EXPECT_EQ(TextOf(Code(0x80000004)), "LINEERR Unused constant, ERROR!!");
  EXPECT_EQ(TextOf(Code(0x80000031)), "LINEERR Unused constant, ERROR!!");
  EXPECT_EQ(TextOf(Code(0x80000000)), "");
}

TEST(TapiErrorText, CodesBeyondTheTableAreUnknownLineErrors) {
  EXPECT_EQ(TextOf(Code(0x80000057)), "Unknown LINEERR_ code: 0x80000057");
  EXPECT_EQ(TextOf(Code(0x8FFFFFFF)), "Unknown LINEERR_ code: 0x8fffffff");
}

TEST(TapiErrorText, PhoneErrorsAreNotTranslated) {
  EXPECT_EQ(TextOf(Code(0x90000001)), "PHONEERR_ error codes not translated.  Code: 0x90000001");
  EXPECT_EQ(TextOf(Code(0x90000000)), "PHONEERR_ error codes not translated.  Code: 0x90000000");
  EXPECT_EQ(TextOf(-1), "PHONEERR_ error codes not translated.  Code: 0xffffffff");
}

TEST(TapiErrorText, SuccessAndRequestIdsAreUnknownErrorCodes) {
  EXPECT_EQ(TextOf(0), "Unknown error code: 0x0");
  EXPECT_EQ(TextOf(0x10), "Unknown error code: 0x10");
  EXPECT_EQ(TextOf(0x7FFFFFFF), "Unknown error code: 0x7fffffff");
}

TEST(TapiErrorText, NullBufferGivesNullAndWritesNothing) {
  EXPECT_EQ(TapiErrorText(Code(0x80000002), nullptr), nullptr);
}

TEST(GetTapiError, GivesTheTextAndLeavesTheCodeAlone) {
  TkwTAPI component(nullptr);
  LONG code = LINEERR_BADDEVICEID;
  EXPECT_EQ(component.GetTapiError(code), AnsiString("LINEERR_BADDEVICEID"));
  EXPECT_EQ(code, LINEERR_BADDEVICEID);
  LONG unknown = Code(0x80000057);
  EXPECT_EQ(component.GetTapiError(unknown), AnsiString("Unknown LINEERR_ code: 0x80000057"));
  EXPECT_EQ(unknown, Code(0x80000057));
}

}  // namespace
