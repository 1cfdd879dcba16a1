#include "cadmodel/drawingcad.h"

#include "dxf/dxfstructure.h"
#include "text/messages.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace gradix {

namespace {

// The drawing model's refusals reach the commands as the CAD link's own.
template <class Change>
decltype(auto) asCadError(Change&& change) {
    try {
        return change();
    } catch (const DrawingError& e) {
        throw CadError(e.what());
    }
}


constexpr int LAST_ACI = COLOR_BYLAYER;

void requireFiniteValue(double v, const char* what) {
    if (!std::isfinite(v)) throw CadError(msg::cadNotFinite(what));
}

// The items hand out stable references; each keeps the index of its table
// entry or entity (the drawing's tables only grow) rather than a pointer.
class UcsItem : public CadUcs {
public:
    UcsItem(DrawingDocument& d, std::size_t i) : doc(d), index(i) {}
    std::string Name() const override { return doc.drawing().ucs[index].name; }
    DrawingDocument& doc;
    std::size_t index;
};

class StyleItem : public CadTextStyle {
public:
    StyleItem(DrawingDocument& d, std::size_t i) : doc(d), index(i) {}
    std::string Name() const override { return style().name; }
    void fontFile(const std::string& file) override { edit([&](DrawingTextStyle& s) { s.fontFile = file; }); }
    void BigFontFile(const std::string& file) override { edit([&](DrawingTextStyle& s) { s.bigFontFile = file; }); }
    void Height(double height) override {
        requireFiniteValue(height, msg::STYLE_HEIGHT);
        if (height < 0) throw CadError(msg::STYLE_HEIGHT_NEGATIVE);
        edit([&](DrawingTextStyle& s) { s.height = height; });
    }
    void Width(double factor) override {
        requireFiniteValue(factor, msg::STYLE_WIDTH_FACTOR);
        if (!(factor > 0)) throw CadError(msg::STYLE_WIDTH_NOT_POSITIVE);
        edit([&](DrawingTextStyle& s) { s.width = factor; });
    }
    std::string fontFile() const override { return style().fontFile; }
    std::string BigFontFile() const override { return style().bigFontFile; }
    double Height() const override { return style().height; }
    double Width() const override { return style().width; }

private:
    const DrawingTextStyle& style() const { return doc.drawing().styles[index]; }
    template <class F>
    void edit(F&& f) {
        doc.beginEdit();
        DrawingTextStyle& s = doc.drawing().styles[index];
        f(s);
        if (!s.added) s.changed = true;  // an entry of the file: saving patches it
        doc.drawing().modified = true;
        doc.changed();
    }
    DrawingDocument& doc;
    std::size_t index;
};

class LayerItem : public CadLayer {
public:
    LayerItem(DrawingDocument& d, std::size_t i) : doc(d), index(i) {}
    std::string Name() const override { return doc.drawing().layers[index].name; }
    DrawingDocument& doc;
    std::size_t index;
};

class EntityItem : public CadMText {
public:
    EntityItem(DrawingDocument& d, std::size_t i) : doc(d), index(i) {}
    int entitytype() const override { return entityTypeNumber(entity()); }
    std::string TextString() const override {
        const DrawingEntity& e = entity();
        return e.kind == EntityKind::Text || e.kind == EntityKind::MText ? e.text : std::string();
    }
    void StyleName(const std::string& name) override {
        const DrawingTextStyle* style = doc.drawing().findTextStyle(name);
        if (!style) throw CadError(msg::noTextStyle(name));
        const std::string stored = style->name;
        edit([&](DrawingEntity& e) { e.style = stored; });
    }
    void Height(double height) override {
        requireFiniteValue(height, msg::TEXT_HEIGHT);
        if (!(height > 0)) throw CadError(msg::TEXT_HEIGHT_NOT_POSITIVE);
        edit([&](DrawingEntity& e) { e.height = height; });
    }
    void Color(int aci) override {
        if (aci < COLOR_BYBLOCK || aci > LAST_ACI) throw CadError(msg::COLOUR_OUT_OF_RANGE);
        edit([&](DrawingEntity& e) { e.color = aci; });
    }
    void TextString(const std::string& text) override {
        edit([&](DrawingEntity& e) { e.text = text; });
    }
    void rotation(double radians) override {
        requireFiniteValue(radians, msg::TEXT_ROTATION);
        edit([&](DrawingEntity& e) { e.rotation = radians; });
    }
    void recordPick(const CadPoint& pick, const std::string& lineName) override {
        for (double v : pick) requireFiniteValue(v, msg::PICK_POINT);
        auto record = std::make_shared<const AnnotationRecord>(AnnotationRecord{pick[0], pick[1], pick[2], lineName});
        edit([&](DrawingEntity& e) { e.record = std::move(record); });
    }
    std::vector<CadText> BlockTexts() const override {
        std::vector<CadText> texts;
        const DrawingEntity& e = entity();
        if (e.kind != EntityKind::Insert) return texts;
        const auto block = doc.drawing().blocks.find(foldName(e.block));
        if (block == doc.drawing().blocks.end()) return texts;
        for (const DrawingEntity& inner : block->second.entities)
            if (inner.kind == EntityKind::Text || inner.kind == EntityKind::MText)
                texts.push_back({entityTypeNumber(inner), inner.text});
        return texts;
    }
    std::string StyleName() const override { return entity().style; }
    double Height() const override { return entity().height; }
    int Color() const override { return entity().color; }
    double rotation() const override { return entity().rotation; }

private:
    const DrawingEntity& entity() const { return doc.drawing().entities[index]; }
    template <class F>
    void edit(F&& f) {
        DrawingEntity& e = doc.drawing().entities[index];
        if (e.kind != EntityKind::MText) throw CadError(msg::NOT_MTEXT);
        // Saving inserts only what Gradix added; a change to one of the
        // file's own objects would be lost, so it is refused.
        if (!e.added) throw CadError(msg::OPENED_OBJECT_FIXED);
        doc.beginEdit();
        f(e);
        doc.drawing().modified = true;
        doc.changed();
    }
    DrawingDocument& doc;
    std::size_t index;
};

class SelectionSetItem : public CadSelectionSet {
public:
    SelectionSetItem(DrawingDocument& d, std::string n) : doc(d), name(std::move(n)) {}
    std::string Name() const override { return name; }
    bool SelectOnScreen() override {
        requireLive();
        const std::optional<std::vector<std::size_t>> chosen = doc.screen().selectEntities();
        if (!chosen) return false;
        for (std::size_t index : *chosen) {
            if (index >= doc.drawing().entities.size()) continue;
            if (std::find(members.begin(), members.end(), index) == members.end()) members.push_back(index);
        }
        return true;
    }
    int Count() const override { return static_cast<int>(members.size()); }
    CadEntity& Item(int i) override {
        requireLive();
        if (i < 0 || i >= Count()) throw CadError(msg::noSelectionObject(i, name));
        return doc.entityItem(members[static_cast<std::size_t>(i)]);
    }
    void Delete() override;
    void requireLive() const {
        if (deleted) throw CadError(msg::selectionDeleted(name));
    }

    DrawingDocument& doc;
    std::string name;
    std::vector<std::size_t> members;
    bool deleted = false;
};

class UcsCollection : public CadUserCoordinateSystems {
public:
    explicit UcsCollection(DrawingDocument& d) : doc(d) {}
    CadUcs& Add(const CadPoint& origin, const CadPoint& xAxisPoint, const CadPoint& yAxisPoint,
                const std::string& name) override;
    DrawingDocument& doc;
    std::map<std::size_t, std::unique_ptr<UcsItem>> items;
};

class StyleCollection : public CadTextStyles {
public:
    explicit StyleCollection(DrawingDocument& d) : doc(d) {}
    CadTextStyle& Add(const std::string& name) override;
    DrawingDocument& doc;
    std::map<std::size_t, std::unique_ptr<StyleItem>> items;
};

class LayerCollection : public CadLayers {
public:
    explicit LayerCollection(DrawingDocument& d) : doc(d) {}
    CadLayer& Add(const std::string& name) override;
    DrawingDocument& doc;
    std::map<std::size_t, std::unique_ptr<LayerItem>> items;
};

class ModelSpaceCollection : public CadModelSpace {
public:
    explicit ModelSpaceCollection(DrawingDocument& d) : doc(d) {}
    CadMText& AddMText(const CadPoint& insertionPoint, double width, const std::string& text) override {
        doc.beginEdit();
        const std::size_t index = asCadError([&] { return doc.drawing().addMText(insertionPoint, width, text); });
        doc.changed();
        return doc.mtextItem(index);
    }
    DrawingDocument& doc;
};

class SelectionSetCollection : public CadSelectionSets {
public:
    explicit SelectionSetCollection(DrawingDocument& d) : doc(d) {}
    CadSelectionSet& Add(const std::string& name) override {
        if (name.empty()) throw CadError(msg::SELECTION_NEEDS_NAME);
        const std::string key = foldedName(name);
        if (live.count(key)) throw CadError(msg::selectionExists(name));
        auto item = std::make_unique<SelectionSetItem>(doc, name);
        SelectionSetItem& ref = *item;
        all.push_back(std::move(item));
        live[key] = &ref;
        return ref;
    }
    static std::string foldedName(const std::string& name) {
        std::string out = name;
        for (char& c : out)
            if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        return out;
    }
    DrawingDocument& doc;
    std::vector<std::unique_ptr<SelectionSetItem>> all;  // deleted sets stay alive here
    std::map<std::string, SelectionSetItem*> live;
};

class UtilityObject : public CadUtility {
public:
    explicit UtilityObject(DrawingDocument& d) : doc(d) {}
    std::optional<CadPoint> GetPoint(const std::string& prompt) override { return doc.screen().pickPoint(prompt); }
    void Prompt(const std::string& message) override { doc.screen().writeLine(message); }
    DrawingDocument& doc;
};

}  // namespace

struct DrawingDocument::Parts {
    explicit Parts(DrawingDocument& d) : ucs(d), styles(d), layers(d), modelSpace(d), selectionSets(d), utility(d) {}
    UcsCollection ucs;
    StyleCollection styles;
    LayerCollection layers;
    ModelSpaceCollection modelSpace;
    SelectionSetCollection selectionSets;
    UtilityObject utility;
    std::map<std::size_t, std::unique_ptr<EntityItem>> entities;
};

void SelectionSetItem::Delete() {
    requireLive();
    deleted = true;
    members.clear();
    auto& sets = static_cast<SelectionSetCollection&>(doc.SelectionSets());
    sets.live.erase(SelectionSetCollection::foldedName(name));
}

template <class Item, class Map>
Item& itemFor(Map& items, DrawingDocument& doc, std::size_t index) {
    auto& slot = items[index];
    if (!slot) slot = std::make_unique<Item>(doc, index);
    return *slot;
}

CadUcs& UcsCollection::Add(const CadPoint& origin, const CadPoint& xAxisPoint, const CadPoint& yAxisPoint,
                           const std::string& name) {
    Drawing& d = doc.drawing();
    doc.beginEdit();
    const DrawingUcs& u = asCadError([&]() -> auto& { return d.addUcs(name, origin, xAxisPoint, yAxisPoint); });
    const std::size_t index = static_cast<std::size_t>(&u - d.ucs.data());
    doc.changed();
    return itemFor<UcsItem>(items, doc, index);
}

CadTextStyle& StyleCollection::Add(const std::string& name) {
    Drawing& d = doc.drawing();
    doc.beginEdit();
    const DrawingTextStyle& s = asCadError([&]() -> auto& { return d.addTextStyle(name); });
    const std::size_t index = static_cast<std::size_t>(&s - d.styles.data());
    return itemFor<StyleItem>(items, doc, index);
}

CadLayer& LayerCollection::Add(const std::string& name) {
    Drawing& d = doc.drawing();
    doc.beginEdit();
    const DrawingLayer& l = asCadError([&]() -> auto& { return d.addLayer(name); });
    const std::size_t index = static_cast<std::size_t>(&l - d.layers.data());
    doc.changed();
    return itemFor<LayerItem>(items, doc, index);
}

int entityTypeNumber(const DrawingEntity& e) {
    switch (e.kind) {
        case EntityKind::Line: return ENTITY_TYPE_LINE;
        case EntityKind::Polyline: return e.heavy ? ENTITY_TYPE_POLYLINE : ENTITY_TYPE_LIGHT_POLYLINE;
        case EntityKind::Arc: return ENTITY_TYPE_ARC;
        case EntityKind::Circle: return ENTITY_TYPE_CIRCLE;
        case EntityKind::Ellipse: return ENTITY_TYPE_ELLIPSE;
        case EntityKind::Spline: return ENTITY_TYPE_SPLINE;
        case EntityKind::Point: return ENTITY_TYPE_POINT;
        case EntityKind::Text: return ENTITY_TYPE_TEXT;
        case EntityKind::MText: return ENTITY_TYPE_MTEXT;
        case EntityKind::Insert: return ENTITY_TYPE_BLOCK_REFERENCE;
    }
    return 0;
}

DrawingDocument::DrawingDocument(std::shared_ptr<Drawing> drawing, DrawingScreen& screen)
    : drawing_(std::move(drawing)), screen_(screen), parts_(std::make_unique<Parts>(*this)) {}

DrawingDocument::~DrawingDocument() = default;

CadUserCoordinateSystems& DrawingDocument::UserCoordinateSystems() { return parts_->ucs; }
CadTextStyles& DrawingDocument::TextStyles() { return parts_->styles; }
CadLayers& DrawingDocument::Layers() { return parts_->layers; }
CadModelSpace& DrawingDocument::ModelSpace() { return parts_->modelSpace; }
CadSelectionSets& DrawingDocument::SelectionSets() { return parts_->selectionSets; }
CadUtility& DrawingDocument::Utility() { return parts_->utility; }

void DrawingDocument::ActiveUCS(CadUcs& ucs) {
    auto* item = dynamic_cast<UcsItem*>(&ucs);
    if (!item || &item->doc != this) throw CadError(msg::UCS_OF_OTHER_DRAWING);
    beginEdit();
    drawing_->activeUcs = drawing_->ucs[item->index].name;
}

void DrawingDocument::ActiveLayer(CadLayer& layer) {
    auto* item = dynamic_cast<LayerItem*>(&layer);
    if (!item || &item->doc != this) throw CadError(msg::LAYER_OF_OTHER_DRAWING);
    beginEdit();
    drawing_->activeLayer = drawing_->layers[item->index].name;
}

std::string DrawingDocument::ActiveUCSName() const { return drawing_->activeUcs; }
std::string DrawingDocument::ActiveLayerName() const { return drawing_->activeLayer; }

CadEntity& DrawingDocument::entityItem(std::size_t index) {
    if (index >= drawing_->entities.size()) throw CadError(msg::NO_SUCH_OBJECT);
    return itemFor<EntityItem>(parts_->entities, *this, index);
}

CadMText& DrawingDocument::mtextItem(std::size_t index) {
    if (index >= drawing_->entities.size() || drawing_->entities[index].kind != EntityKind::MText)
        throw CadError(msg::NOT_MTEXT);
    return itemFor<EntityItem>(parts_->entities, *this, index);
}

void DrawingDocument::changed() { screen_.drawingChanged(); }

bool DrawingDocument::endCommand() {
    const bool kept = history_.end(*drawing_);
    screen_.drawingChanged();
    return kept;
}

bool DrawingDocument::undo() {
    const bool undone = history_.undo(*drawing_);
    parts_->entities.clear();
    screen_.drawingChanged();
    return undone;
}

bool DrawingDocument::redo() {
    const bool redone = history_.redo(*drawing_);
    parts_->entities.clear();
    screen_.drawingChanged();
    return redone;
}

std::size_t DrawingDocument::erase(const std::vector<std::size_t>& indices) {
    const std::size_t count = history_.erase(*drawing_, indices);
    parts_->entities.clear();
    screen_.drawingChanged();
    return count;
}

void DrawingDocument::markSaved() {
    history_.end(*drawing_);
    history_.markSaved();
    drawing_->modified = false;
}

}  // namespace gradix
