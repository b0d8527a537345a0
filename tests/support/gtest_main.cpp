#include <gtest/gtest.h>
#include <QGuiApplication>

// Core tests run with a GUI application (offscreen) so that fonts and images work as in the
// program; no display is needed.
int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
