// main() of a widget test: GoogleTest inside a QApplication on the offscreen platform (unless
// the environment chooses another). Include from exactly one file of a test program.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>

namespace zl {

int Main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

}  // namespace zl

int main(int argc, char** argv) {
    return zl::Main(argc, argv);
}
