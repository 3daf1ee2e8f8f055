// Window tests run on Qt's offscreen platform unless a display is asked for.
#include <gtest/gtest.h>

#include "app/qt/velmar_application.h"
#include "platform/qt/qt_window_thread.h"

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  ::testing::InitGoogleTest(&argc, argv);
  velmar::VelmarApplication app(argc, argv);
  velmar::QtWindowThread windowThread;
  velmar::InstallWindowThread(&windowThread);
  return RUN_ALL_TESTS();
}
