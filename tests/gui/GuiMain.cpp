#include <gtest/gtest.h>

#include <QApplication>

// Widget tests run real widgets on Qt's offscreen platform (ctest sets QT_QPA_PLATFORM).
int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  // Listing the tests happens without ctest's environment; widgets need a platform even then.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
