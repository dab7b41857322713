// The front end's tests run in one QApplication, offscreen unless told otherwise, with the
// settings stores in a temporary folder of their own.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>

#include "frontend/testing.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QTemporaryDir settings;
  tarn::frontend::testing::UseSettingsFolder(settings.path());
  return RUN_ALL_TESTS();
}
