// A MessageSink that records what the person would have seen, in order.
#pragma once

#include <string>
#include <vector>

#include "stakes/messages.h"

namespace gradix::testing {

class RecordingSink : public MessageSink {
public:
    // One entry per call: "activate", or "TITLE|TEXT" for a message.
    std::vector<std::string> events;

    void activateMainWindow() override { events.push_back("activate"); }
    void showMessage(const std::string& title, const std::string& text) override {
        events.push_back(title + "|" + text);
    }
    // The message texts alone, without titles and activations, in order.
    std::vector<std::string> messages() const {
        std::vector<std::string> texts;
        for (const std::string& e : events)
            if (const std::size_t bar = e.find('|'); bar != std::string::npos) texts.push_back(e.substr(bar + 1));
        return texts;
    }
};

}  // namespace gradix::testing
