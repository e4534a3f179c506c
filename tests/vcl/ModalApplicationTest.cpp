// The modal loop on the application's main thread. Terminating the application cannot be
// undone, so these tests have a program of their own.
#include <gtest/gtest.h>

#include <vcl.h>

namespace {

// Runs one method on the main thread while a modal form is up.
class TSynchronizingThread : public TThread {
 public:
  explicit TSynchronizingThread(TForm &form) : TThread(true), form_(form) {}

 protected:
  void Execute() override {
    Synchronize([this] { form_.Caption = "synchronized"; });
  }

 private:
  TForm &form_;
};

// Starts the thread on the first turn and presses the close box once its method has run.
class TWaitForSynchronize : public TModalDriver {
 public:
  explicit TWaitForSynchronize(TThread &thread) : thread_(thread) {}
  void Turn(TForm &form, int turn) override {
    if (turn == 0) thread_.Resume();
    if (form.Caption == "synchronized") TUserAction::CloseBox().PerformOn(form);
  }

 private:
  TThread &thread_;
};

class QuitOnFirstTurn : public TModalDriver {
 public:
  void Turn(TForm &, int turn) override {
    ++turns;
    if (turn == 0) PostQuitMessage(0);
  }
  int turns = 0;
};

class ModalApplicationTest : public testing::Test {
 protected:
  static void SetUpTestSuite() { Application->Initialize(); }
};

}  // namespace

TEST_F(ModalApplicationTest, SynchronizeRunsWhileTheModalLoopWaits) {
  TForm form(nullptr);
  TSynchronizingThread thread(form);
  TWaitForSynchronize driver(thread);
  TModalDriverScope scope(driver);
  EXPECT_EQ(form.ShowModal(), mrCancel);
  EXPECT_EQ(form.Caption, "synchronized");
  thread.WaitFor();
}

// Declared last: the application stays terminated afterwards.
TEST_F(ModalApplicationTest, QuitRequestEndsTheLoopWithCancelDespiteTheCloseQuery) {
  TForm form(nullptr);
  struct TRefuser {
    void Refuse(TObject *, bool &canClose) { canClose = false; }
  } refuser;
  form.OnCloseQuery = TCloseQueryEvent(&refuser, &TRefuser::Refuse);
  QuitOnFirstTurn driver;
  TModalDriverScope scope(driver);
  EXPECT_EQ(form.ShowModal(), mrCancel);
  EXPECT_EQ(driver.turns, 1);
  EXPECT_TRUE(Application->Terminated());
}
