// One QApplication for the whole test program, on the offscreen platform
// unless another is asked for (ctest discovery runs without the test's
// environment).
#include <gtest/gtest.h>

#include <QApplication>

namespace {

// The offscreen platform says at every window that it cannot raise or size
// it; those lines say nothing about the window under test.
QtMessageHandler qtHandler = nullptr;
void quietOffscreen(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (message.startsWith(QLatin1String("This plugin does not support"))) return;
    qtHandler(type, context, message);
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    qtHandler = qInstallMessageHandler(quietOffscreen);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
