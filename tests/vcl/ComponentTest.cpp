#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include <vcl.h>

namespace {

std::vector<AnsiString> destroyed;

class TRecorded : public TComponent {
 public:
  TRecorded(TComponent *owner, const char *name) : TComponent(owner) { SetName(name); }
  ~TRecorded() override { destroyed.push_back(Name()); }
};

class THolder : public TComponent {
 public:
  using TComponent::TComponent;
  const TMetaClass &ClassType() const override { return ClassOf<THolder>(); }
  static void Publish(TPublisher<THolder, TComponent> &p) { p.Field("first", &THolder::first); }

  TRecorded *first = nullptr;
};

class ComponentTest : public testing::Test {
 protected:
  void SetUp() override { destroyed.clear(); }
};

}  // namespace

TEST_F(ComponentTest, OwnerDestroysWhatItOwnsLastFirst) {
  auto owner = std::make_unique<TComponent>(nullptr);
  new TRecorded(owner.get(), "a");
  auto *b = new TRecorded(owner.get(), "b");
  new TRecorded(b, "inner");
  new TRecorded(owner.get(), "c");
  EXPECT_EQ(owner->ComponentCount(), 3);
  EXPECT_EQ(b->Owner(), owner.get());
  owner.reset();
  EXPECT_EQ(destroyed, (std::vector<AnsiString>{"c", "b", "inner", "a"}));
}

TEST_F(ComponentTest, ComponentDestroyedFirstLeavesItsOwner) {
  TComponent owner(nullptr);
  auto *a = new TRecorded(&owner, "a");
  new TRecorded(&owner, "b");
  delete a;
  ASSERT_EQ(owner.ComponentCount(), 1);
  EXPECT_EQ(owner.Components(0)->Name(), "b");
  EXPECT_EQ(owner.FindComponent("a"), nullptr);
  EXPECT_THROW(owner.Components(1), ERangeError);
}

TEST_F(ComponentTest, RemovedComponentClearsThePublishedFieldThatHeldIt) {
  THolder holder(nullptr);
  holder.first = new TRecorded(&holder, "first");
  delete holder.first;
  EXPECT_EQ(holder.first, nullptr);
  EXPECT_EQ(holder.ComponentCount(), 0);
}

TEST_F(ComponentTest, NamesAreIdentifiersUniqueWithinTheOwner) {
  TComponent owner(nullptr);
  auto *line = new TRecorded(&owner, "Line1");
  EXPECT_EQ(owner.FindComponent("LINE1"), line);
  EXPECT_THROW(new TRecorded(&owner, "line1"), EComponentError);
  EXPECT_THROW(line->SetName("1line"), EComponentError);
  EXPECT_THROW(line->SetName("a b"), EComponentError);
  line->SetName("Line1");
  line->SetName("");
  EXPECT_EQ(owner.FindComponent(""), nullptr);
  // The failed construction above must not have left a half-made component behind.
  EXPECT_EQ(owner.ComponentCount(), 1);
}

TEST_F(ComponentTest, ClassDescriptionIsSharedWithTheLibrary) {
  THolder holder(nullptr);
  EXPECT_EQ(holder.ClassName(), "THolder");
  EXPECT_EQ(&holder.ClassType(), &ClassOf<THolder>());
  EXPECT_TRUE(holder.InheritsFrom(ClassOf<TComponent>()));
  const TComponent &base = holder;
  EXPECT_EQ(&base.ClassType(), &ClassOf<THolder>());
  EXPECT_EQ(TComponent(nullptr).ClassName(), "TComponent");
}
