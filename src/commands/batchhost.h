// The command line as the host of pick-and-annotate: beside the window's
// host (drawingcommands.cpp), for gradix-cli annotate.
#pragma once

#include <optional>
#include <string>

#include "commands/drawingcommands.h"
#include "commands/project.h"

namespace gradix {

// The stake found in the drawing is computed at once as a single stake (its
// range tested against the profile); the rotation is the one given; there
// are no settings to save and no window to bring to the front.
class BatchHost : public DrawingHost {
public:
    // rotation: the annotation's rotation in degrees, as text.
    BatchHost(const Project& project, std::string rotation);
    void saveSettings() override {}
    std::string rotationText() override { return rotation_; }
    Outcome compute(const std::string& stake, std::optional<AnnotationValues>& values) override;
    void activateMainWindow() override {}

    // The values of the last compute that produced them (reset by the caller
    // before each pick).
    std::optional<AnnotationValues> last;

private:
    const Project& project_;
    std::string rotation_;
};

}  // namespace gradix
