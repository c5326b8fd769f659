// GoogleTest's main with a QApplication, for tests that make widgets or run Qt event loops.
#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
  // Headless also when the test list is gathered, which runs without CTest's environment.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
