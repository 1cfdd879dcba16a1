// The program gradix: the window on the screen, the command line of the
// program, the exit codes.
#pragma once

namespace gradix {

// Exit codes of gradix.
inline constexpr int EXIT_GUI_OK = 0;
inline constexpr int EXIT_NO_DISPLAY = 1;  // no display to open the window on
inline constexpr int EXIT_SCREENSHOT_FAILED = 2;  // the picture could not be saved
inline constexpr int EXIT_GUI_USAGE = 64;  // unknown option, missing argument

// Runs the program with its command line (read with QCommandLineParser):
// shows Form1 until the person ends it. "--screenshot FILE" saves a PNG of
// the window once it is shown and ends; "--help" and "--version" print and
// end; any other argument is a usage error (EXIT_GUI_USAGE). Without a display it
// says so in one line and answers EXIT_NO_DISPLAY.
int runGradix(int argc, char** argv);

}  // namespace gradix
