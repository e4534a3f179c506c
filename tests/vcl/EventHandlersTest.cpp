#include <gtest/gtest.h>

#include <vcl.h>

#include <memory>
#include <string>

namespace {

struct TDoubler {
  int operator()(int value) const { return value * 2; }
};

int Triple(int value) {
  return value * 3;
}

}  // namespace

TEST(TEventHandlers, ALambdaHandlesTheEventWithItsArgumentsAndCaptures) {
  TEventHandlers handlers;
  TClosure<void(AnsiString, int)> event;
  std::string seen;
  handlers.Set(event, [&](AnsiString text, int number) {
    seen += std::string(text.c_str()) + "/" + std::to_string(number);
  });
  ASSERT_TRUE(event);
  event("ring", 3);
  event("ring", 4);
  EXPECT_EQ(seen, "ring/3ring/4");
}

TEST(TEventHandlers, ReferenceParametersReachTheCallable) {
  TEventHandlers handlers;
  TCloseQueryEvent query;
  handlers.Set(query, [](TObject *, bool &canClose) { canClose = false; });
  bool canClose = true;
  query(nullptr, canClose);
  EXPECT_FALSE(canClose);
  // A by-value parameter takes what the event passes by constant reference.
  TClosure<int(const int &)> ring;
  handlers.Set(ring, [](int count) { return count + 1; });
  EXPECT_EQ(ring(41), 42);
}

TEST(TEventHandlers, FunctionObjectsAndFunctionsAreCallablesToo) {
  TEventHandlers handlers;
  TClosure<int(int)> doubled;
  TClosure<int(int)> tripled;
  handlers.Set(doubled, TDoubler());
  handlers.Set(tripled, &Triple);
  EXPECT_EQ(doubled(21), 42);
  EXPECT_EQ(tripled(14), 42);
}

TEST(TEventHandlers, SettingAnEventAgainBindsItToTheNewCallable) {
  TEventHandlers handlers;
  TClosure<int(int)> first;
  handlers.Set(first, [](int value) { return value + 1; });
  TClosure<int(int)> second = first;  // both events on one callable
  handlers.Set(second, [](int value) { return -value; });
  EXPECT_EQ(second(5), -5);
  EXPECT_EQ(first(5), 6);
}

TEST(TEventHandlers, DestructionReleasesTheCallables) {
  auto tracked = std::make_shared<int>(1);
  {
    TEventHandlers handlers;
    TClosure<int(int)> event;
    handlers.Set(event, [tracked](int value) { return value + *tracked; });
    EXPECT_EQ(event(1), 2);
    EXPECT_EQ(tracked.use_count(), 2);
  }
  EXPECT_EQ(tracked.use_count(), 1);
}
