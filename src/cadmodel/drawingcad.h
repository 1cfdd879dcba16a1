// The CAD interface over Gradix's own drawing model: a CadDocument whose
// tables, model space and selection sets are those of a Drawing. Picking and
// selecting on screen are asked of a DrawingScreen, which the drawing window
// implements (and tests script), so that everything else runs without Qt.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cad/cad.h"
#include "cadmodel/drawinghistory.h"
#include "dxf/drawing.h"

namespace gradix {

// What a document needs of the screen it is shown on.
class DrawingScreen {
public:
    virtual ~DrawingScreen() = default;
    // Shows prompt and waits for a point; nothing when cancelled.
    virtual std::optional<CadPoint> pickPoint(const std::string& prompt) = 0;
    // Lets the person select model-space entities; their indices into
    // Drawing::entities in selection order, or nothing when cancelled.
    virtual std::optional<std::vector<std::size_t>> selectEntities() = 0;
    // The drawing changed (an addition, a property set): show it again.
    virtual void drawingChanged() = 0;
    // Writes message as a line of the command line.
    virtual void writeLine(const std::string& message) = 0;
};

// The `entitytype` number of a model entity.
int entityTypeNumber(const DrawingEntity& entity);

class DrawingDocument : public CadDocument {
public:
    // The document over drawing, shown on screen; screen must outlive it.
    DrawingDocument(std::shared_ptr<Drawing> drawing, DrawingScreen& screen);
    ~DrawingDocument() override;
    DrawingDocument(const DrawingDocument&) = delete;
    DrawingDocument& operator=(const DrawingDocument&) = delete;

    Drawing& drawing() { return *drawing_; }
    const Drawing& drawing() const { return *drawing_; }
    const std::shared_ptr<Drawing>& sharedDrawing() const { return drawing_; }
    DrawingScreen& screen() { return screen_; }

    CadUserCoordinateSystems& UserCoordinateSystems() override;
    // Raises CadError for a coordinate system of another document.
    void ActiveUCS(CadUcs& ucs) override;
    CadTextStyles& TextStyles() override;
    CadLayers& Layers() override;
    // Makes the layer current: new objects go on it. Raises CadError for a
    // layer of another document.
    void ActiveLayer(CadLayer& layer) override;
    CadModelSpace& ModelSpace() override;
    CadSelectionSets& SelectionSets() override;
    CadUtility& Utility() override;
    std::string ActiveUCSName() const override;
    std::string ActiveLayerName() const override;

    // The object of model-space entity index, as a selection set yields it.
    CadEntity& entityItem(std::size_t index);
    // The object of a multi-line text Gradix added (index into Drawing::entities).
    CadMText& mtextItem(std::size_t index);
    // Tells the screen that the drawing changed.
    void changed();

    // The steps the commands made, to undo and redo (drawinghistory.h).
    // Every change through the members above opens the command's edit
    // first; endCommand closes it (keeping it only when it added an
    // annotation). undo, redo and erase close it too; the object items
    // handed out before them are not to be used after.
    DrawingHistory& history() { return history_; }
    void beginEdit() { history_.begin(*drawing_); }
    bool endCommand();
    bool undo();
    bool redo();
    std::size_t erase(const std::vector<std::size_t>& indices);
    bool isModified() const { return history_.modified(*drawing_); }
    // The drawing was saved: its state now is the file's.
    void markSaved();

    struct Parts;

private:
    std::shared_ptr<Drawing> drawing_;
    DrawingScreen& screen_;
    std::unique_ptr<Parts> parts_;
    DrawingHistory history_;
};

}  // namespace gradix
