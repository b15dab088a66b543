// SPDX-License-Identifier: GPL-3.0-or-later
// The test programs of the layers below the windows run with a QCoreApplication only:
// no window system, as the tracker runs.
#include <gtest/gtest.h>

#include <QCoreApplication>

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
