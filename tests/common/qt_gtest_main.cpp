// SPDX-License-Identifier: MIT
// main() of the gtest programs that need a QCoreApplication (event loops, QProcess, ports).
#include <gtest/gtest.h>

#include <QCoreApplication>

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
