// Entry point of the GUI tests: a QApplication for GoogleTest to run in.
#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char** argv) {
  // CTest sets the offscreen platform; listing the tests at build time needs it too.
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QApplication::setApplicationName("Brelvik");
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
