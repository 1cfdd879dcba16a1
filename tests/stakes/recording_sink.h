// A MessageSink that records what the person would have seen, in order.
#pragma once

#include <string>
#include <vector>

#include "stakes/messages.h"

namespace gradix {

class RecordingSink : public MessageSink {
public:
    // One entry per call: "activate", or "TITLE|TEXT" for a message.
    std::vector<std::string> events;

    void activateMainWindow() override { events.push_back("activate"); }
    void showMessage(const std::string& title, const std::string& text) override {
        events.push_back(title + "|" + text);
    }
};

}  // namespace gradix
