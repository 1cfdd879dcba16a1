// How the core tells the person about a refused stake. The window implements
// it with a message box; the command line prints to stderr; tests record.
#pragma once

#include <string>

namespace gradix {

// Title of the message box for data problems found by the program's checks.
inline constexpr const char* DATA_PROBLEM_TITLE = "数据有误";

class MessageSink {
public:
    virtual ~MessageSink() = default;
    // Brings the main window to the front before a stake message.
    virtual void activateMainWindow() = 0;
    // Shows text in a message box titled title with only an OK button.
    virtual void showMessage(const std::string& title, const std::string& text) = 0;
};

}  // namespace gradix
