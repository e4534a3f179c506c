#include <gtest/gtest.h>

#include <vcl.h>

namespace {

struct TBase {
  virtual ~TBase() = default;
  virtual void Named(AnsiString text) { seen += "base:" + text; }
  AnsiString seen;
};

struct TListener : TBase {
  void Named(AnsiString text) override { seen += "listener:" + text; }
  void Refuse(TObject *, bool &canClose) { canClose = false; }
  int Twice(int value) { return value * 2; }
  int Thrice(int value) { return value * 3; }
};

}  // namespace

TEST(TClosure, UnassignedIsEmptyAndRefusesToBeCalled) {
  TClosure<void(AnsiString)> event;
  EXPECT_FALSE(event);
  EXPECT_THROW(event("x"), Exception);
  event = nullptr;
  EXPECT_FALSE(event);
}

TEST(TClosure, CallsTheBoundObjectsMember) {
  TListener listener;
  TClosure<int(int)> event(&listener, &TListener::Twice);
  ASSERT_TRUE(event);
  EXPECT_EQ(event(21), 42);
  EXPECT_EQ(event.Object(), &listener);
}

TEST(TClosure, VirtualMembersDispatchOnTheObject) {
  TListener listener;
  TClosure<void(AnsiString)> event(&listener, &TBase::Named);
  event("ring");
  EXPECT_EQ(listener.seen, "listener:ring");
}

TEST(TClosure, ReferenceParametersReachTheHandler) {
  TListener listener;
  TCloseQueryEvent query(&listener, &TListener::Refuse);
  bool canClose = true;
  query(nullptr, canClose);
  EXPECT_FALSE(canClose);
}

TEST(TClosure, EqualOnlyForTheSameObjectAndMember) {
  TListener a, b;
  TClosure<int(int)> twiceA(&a, &TListener::Twice);
  EXPECT_EQ(twiceA, TClosure<int(int)>(&a, &TListener::Twice));
  EXPECT_FALSE(twiceA == TClosure<int(int)>(&b, &TListener::Twice));
  EXPECT_FALSE(twiceA == TClosure<int(int)>(&a, &TListener::Thrice));
  EXPECT_FALSE(twiceA == TClosure<int(int)>());
}
