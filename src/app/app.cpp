#include "app/app.h"
#include "gradix/version.h"

#include <QApplication>
#include <QPixmap>
#include <QStringList>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/mainwindow.h"

namespace gradix {

namespace {

constexpr const char* USAGE =
    "usage: gradix [--screenshot FILE]\n"
    "  Starts the Gradix window.\n"
    "  --screenshot FILE  save a PNG picture of the window once it is shown, then end\n"
    "  --version          print the version\n"
    "  --help             print this text\n";
constexpr const char* NO_DISPLAY_LINE =
    "gradix: no display to open the window on (set DISPLAY, or start it under xvfb-run)\n";
constexpr const char* SCREENSHOT_OPTION = "--screenshot";

bool isArgument(const char* arg, const char* a, const char* b = nullptr) {
    return std::strcmp(arg, a) == 0 || (b && std::strcmp(arg, b) == 0);
}

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

// Whether the window system Qt will use has a display to show on. The
// platforms without a screen of their own (offscreen, vnc, ...) always do.
bool displayAvailable(int argc, char** argv) {
    std::string platform = environment("QT_QPA_PLATFORM");
    for (int i = 1; i + 1 < argc; ++i)
        if (isArgument(argv[i], "-platform", "--platform")) platform = argv[i + 1];
    const std::string display = environment("DISPLAY");
    const std::string wayland = environment("WAYLAND_DISPLAY");
    if (platform.rfind("xcb", 0) == 0) return !display.empty();
    if (platform.rfind("wayland", 0) == 0) return !wayland.empty();
    if (!platform.empty()) return true;
    return !display.empty() || !wayland.empty();
}

// While the window system starts, a display that cannot be reached ends the
// program with one line instead of Qt's abort.
QtMessageHandler previousHandler = nullptr;
void startupMessageHandler(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type == QtFatalMsg) {
        std::fputs(NO_DISPLAY_LINE, stderr);
        std::_Exit(EXIT_NO_DISPLAY);
    }
    if (context.category && std::strncmp(context.category, "qt.qpa", std::strlen("qt.qpa")) == 0) return;
    if (previousHandler) previousHandler(type, context, message);
}

}  // namespace

int runGradix(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (isArgument(argv[i], "--help", "-h")) {
            std::fputs(USAGE, stdout);
            return EXIT_GUI_OK;
        }
        if (isArgument(argv[i], "--version")) {
            std::printf("%s\n", WINDOW_TITLE);
            return EXIT_GUI_OK;
        }
    }
    if (!displayAvailable(argc, argv)) {
        std::fputs(NO_DISPLAY_LINE, stderr);
        return EXIT_NO_DISPLAY;
    }

    previousHandler = qInstallMessageHandler(startupMessageHandler);
    QApplication app(argc, argv);
    qInstallMessageHandler(previousHandler);
    QApplication::setApplicationName(QStringLiteral("Gradix"));
    QApplication::setApplicationVersion(QString::fromUtf8(GRADIX_SHORT_VERSION));

    QString screenshot;
    const QStringList arguments = QApplication::arguments();
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        if (arguments[i] == QLatin1String(SCREENSHOT_OPTION) && i + 1 < arguments.size()) {
            screenshot = arguments[++i];
        } else {
            std::fprintf(stderr, "gradix: unknown argument %s\n%s", arguments[i].toLocal8Bit().constData(), USAGE);
            return EXIT_GUI_USAGE;
        }
    }

    MainWindow window({QApplication::applicationDirPath(), userConfigFolder(), nullptr});
    window.show();
    if (!screenshot.isEmpty()) {
        int status = EXIT_GUI_OK;
        QTimer::singleShot(0, &window, [&] {
            if (!window.grab().save(screenshot, "PNG")) {
                std::fprintf(stderr, "gradix: cannot save the picture %s\n", screenshot.toLocal8Bit().constData());
                status = EXIT_SCREENSHOT_FAILED;
            }
            QApplication::quit();
        });
        app.exec();
        return status;
    }
    return app.exec();
}

}  // namespace gradix
