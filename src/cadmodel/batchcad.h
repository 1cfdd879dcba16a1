// The drawing link without a screen: a drawing file driven by points and
// selections given in advance, for gradix-cli and for the command tests.
#pragma once

#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cad/cad.h"
#include "cadmodel/drawingcad.h"

namespace gradix {

// Answers picks and selections from queues; a pick or selection with
// nothing queued is cancelled, as Esc would.
class BatchScreen : public DrawingScreen {
public:
    std::deque<CadPoint> points;
    std::deque<std::vector<std::size_t>> selections;
    std::vector<std::string> prompts;  // every prompt shown, in order
    std::vector<std::string> said;     // every command-line line written, in order

    std::optional<CadPoint> pickPoint(const std::string& prompt) override;
    std::optional<std::vector<std::size_t>> selectEntities() override;
    void drawingChanged() override {}
    void writeLine(const std::string& message) override { said.push_back(message); }
};

// One drawing program with one document: the drawing given.
class BatchCad : public CadApplication, public CadConnector, public CadMessenger {
public:
    explicit BatchCad(std::shared_ptr<Drawing> drawing);

    BatchScreen& screen() { return screen_; }
    DrawingDocument& document() { return document_; }
    // Messages the link showed (a failed connection, a refused name).
    const std::vector<std::string>& messages() const { return messages_; }

    std::string Caption() const override { return "Gradix"; }
    void Visible(bool visible) override { visible_ = visible; }
    bool Visible() const override { return visible_; }
    CadDocument& ActiveDocument() override { return document_; }

    CadApplication* attach() override { return this; }
    CadApplication& start() override { return *this; }
    void activate(const std::string&) override {}

    void showCadMessage(const std::string& text) override { messages_.push_back(text); }

private:
    BatchScreen screen_;
    DrawingDocument document_;
    bool visible_ = false;
    std::vector<std::string> messages_;
};

}  // namespace gradix
