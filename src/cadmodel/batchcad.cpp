#include "cadmodel/batchcad.h"

namespace gradix {

std::optional<CadPoint> BatchScreen::pickPoint(const std::string& prompt) {
    prompts.push_back(prompt);
    if (points.empty()) return std::nullopt;
    const CadPoint p = points.front();
    points.pop_front();
    return p;
}

std::optional<std::vector<std::size_t>> BatchScreen::selectEntities() {
    if (selections.empty()) return std::nullopt;
    std::vector<std::size_t> chosen = std::move(selections.front());
    selections.pop_front();
    return chosen;
}

BatchCad::BatchCad(std::shared_ptr<Drawing> drawing) : document_(std::move(drawing), screen_) {}

}  // namespace gradix
