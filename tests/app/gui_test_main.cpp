// Entry point of the GUI tests: a QApplication for GoogleTest to run in.
#include <gtest/gtest.h>

#include <QApplication>

#include "app/message_box.h"

int main(int argc, char** argv) {
  // CTest sets the offscreen platform; listing the tests at build time needs it too.
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QApplication::setApplicationName("Brelvik");
  testing::InitGoogleTest(&argc, argv);
  // A question no test expected would wait for a click for ever: it fails
  // the test instead and is answered "no".
  brelvik::MessageBoxes::SetAskInterceptor([](const brelvik::MessageRecord& m) {
    ADD_FAILURE() << "unexpected question: " << m.text.toStdString();
    return -1;
  });
  return RUN_ALL_TESTS();
}
