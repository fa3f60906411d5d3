// Every views test runs with one offscreen QApplication, made before the first test.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>
#include <memory>

namespace {

class QtApp : public ::testing::Environment {
 public:
  void SetUp() override {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    app_ = std::make_unique<QApplication>(argc_, argv_);
  }
  void TearDown() override { app_.reset(); }

 private:
  int argc_ = 1;
  char name_[16] = "views_tests";
  char* argv_[2] = {name_, nullptr};
  std::unique_ptr<QApplication> app_;
};

[[maybe_unused]] auto* const kApp = ::testing::AddGlobalTestEnvironment(new QtApp);

}  // namespace
