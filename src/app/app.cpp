#include "app/app.h"
#include "gradix/version.h"

#include <QApplication>
#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QPixmap>
#include <QStringList>
#include <QTimer>
#include <QTranslator>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/mainwindow.h"
#include "app/translations.h"

namespace gradix {

namespace {

constexpr const char* DESCRIPTION = "Starts the Gradix window: design elevation and tangent grade at a stake.";
constexpr const char* SCREENSHOT_OPTION = "screenshot";
constexpr const char* SCREENSHOT_HELP = "Saves a PNG picture of the window once it is shown, then ends.";
constexpr const char* OPEN_OPTION = "open";
constexpr const char* OPEN_HELP =
    "Loads a project as 初 始 化 does, from files given in its order: the ICD file (alignment mode) "
    "or the chain-break file, then the profile (the option once per file).";
constexpr const char* STAKE_OPTION = "stake";
constexpr const char* STAKE_HELP = "Computes this stake once the project is loaded, as Enter in 桩号 does.";
constexpr const char* VERSION_OPTION = "version";
constexpr const char* VERSION_HELP = "Prints the version.";
constexpr const char* HELP_TEXT_OPTION = "help";
constexpr const char* HELP_HELP = "Prints this text.";

// The program's command line: --screenshot FILE, --open FILE (repeated), --stake STAKE, --version, --help (-h).
struct CommandLine {
    QCommandLineParser parser;
    QCommandLineOption screenshot{QString::fromUtf8(SCREENSHOT_OPTION), QString::fromUtf8(SCREENSHOT_HELP),
                                  QStringLiteral("FILE")};
    QCommandLineOption open{QString::fromUtf8(OPEN_OPTION), QString::fromUtf8(OPEN_HELP), QStringLiteral("FILE")};
    QCommandLineOption stake{QString::fromUtf8(STAKE_OPTION), QString::fromUtf8(STAKE_HELP), QStringLiteral("STAKE")};
    QCommandLineOption version{QString::fromUtf8(VERSION_OPTION), QString::fromUtf8(VERSION_HELP)};
    QCommandLineOption help{{QStringLiteral("h"), QString::fromUtf8(HELP_TEXT_OPTION)}, QString::fromUtf8(HELP_HELP)};

    CommandLine() {
        parser.setApplicationDescription(QString::fromUtf8(DESCRIPTION));
        parser.addOption(screenshot);
        parser.addOption(open);
        parser.addOption(stake);
        parser.addOption(version);
        parser.addOption(help);
    }
    std::string helpText() const {
        // The parser names the program after argv[0]; the help says gradix.
        QString text = parser.helpText();
        const qsizetype end = text.indexOf(u'\n');
        return ("usage: gradix [options]" + text.mid(end)).toStdString();
    }
};

constexpr const char* NO_DISPLAY_LINE =
    "gradix: no display to open the window on (set DISPLAY, or start it under xvfb-run)\n";

bool isArgument(const char* arg, const char* a, const char* b) {
    return std::strcmp(arg, a) == 0 || std::strcmp(arg, b) == 0;
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
    // --help and --version need no display: they are read before the window
    // system starts, among the options the window system takes for itself.
    QStringList given;
    for (int i = 0; i < argc; ++i) given << QString::fromLocal8Bit(argv[i]);
    CommandLine early;
    (void)early.parser.parse(given);
    if (early.parser.isSet(early.help)) {
        std::fputs(early.helpText().c_str(), stdout);
        return EXIT_GUI_OK;
    }
    if (early.parser.isSet(early.version)) {
        std::printf("%s\n", WINDOW_TITLE);
        return EXIT_GUI_OK;
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

    // What is left once the window system has taken its own options.
    CommandLine line;
    if (!line.parser.parse(QApplication::arguments()) || !line.parser.positionalArguments().isEmpty()) {
        const QString error = line.parser.errorText().isEmpty()
                                  ? QStringLiteral("unexpected argument ") + line.parser.positionalArguments().front()
                                  : line.parser.errorText();
        std::fprintf(stderr, "gradix: %s\n%s", error.toLocal8Bit().constData(), line.helpText().c_str());
        return EXIT_GUI_USAGE;
    }
    const QString screenshot = line.parser.value(line.screenshot);

    // Qt's dialogs and buttons speak Chinese where the translation is
    // installed; the terminal's usage lines above stay as gradix-cli's.
    QTranslator qtChinese;
    installQtChinese(app, qtChinese);

    MainWindow window({QApplication::applicationDirPath(), userConfigFolder(), nullptr});
    window.show();
    std::vector<std::string> files;
    // As absolute paths: the project is remembered so, and opens again from any folder.
    for (const QString& file : line.parser.values(line.open))
        files.push_back(QDir::toNativeSeparators(QFileInfo(file).absoluteFilePath()).toStdString());
    if (!files.empty() && window.openProject(files) && line.parser.isSet(line.stake)) {
        window.form().setText(Control::Text1, line.parser.value(line.stake).toStdString());
        window.runCompute();
    }
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
