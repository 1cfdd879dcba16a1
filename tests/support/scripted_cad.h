// A scripted drawing program for the drawing commands' tests: it records
// every call and every property set (in `log`, in call order, and in the
// records below), and answers GetPoint and SelectOnScreen from a script.
//
//     ScriptedCad cad;
//     cad.points = {CadPoint{100, 200, 0}, CadPoint{110, 210, 0}};   // two picks
//     cad.selections.push_back({{ScriptedCad::TEXT, "K1+200"}});     // one selection
//     CadApplication* app = ConnectCad(cad, cad);                    // it is its own connector and messenger
//
// A pick or a selection with nothing scripted is cancelled, as Esc would.
// Set failAt to a log entry's leading name ("TextStyles.Add", "GetPoint") to
// make that call raise CadError(failureText) instead.
#pragma once

#include <charconv>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cad/cad.h"

namespace gradix::testing {

class ScriptedCad : public CadApplication, public CadConnector, public CadMessenger, public CadDocument {
public:
    static constexpr int TEXT = 32;
    static constexpr int MTEXT = 21;
    static constexpr int LINE = 19;
    static constexpr int BLOCK_REFERENCE = 7;

    // An object a scripted selection yields.
    struct Entity : CadEntity {
        Entity(int type, std::string text, std::vector<CadText> blockTexts = {})
            : type(type), text(std::move(text)), blockTexts(std::move(blockTexts)) {}
        int entitytype() const override { return type; }
        std::string TextString() const override { return text; }
        std::vector<CadText> BlockTexts() const override { return blockTexts; }
        int type;
        std::string text;
        std::vector<CadText> blockTexts;
    };
    // An object of a scripted selection; a block reference (BLOCK_REFERENCE)
    // shows the texts of its block.
    struct ScriptedEntity {
        int type;
        std::string text;
        std::vector<CadText> blockTexts = {};
    };

    struct StyleRecord {
        std::string fontFile = "txt", bigFontFile;
        double height = 0, width = 1;
    };
    struct MTextRecord {
        CadPoint insertion{0, 0, 0};
        double width = 0;
        std::string text, style = "Standard", layer;
        double height = 2.5;
        int color = 256;
        double rotation = 0;
        std::optional<CadPoint> pick;  // recordPick's point and line name
        std::string lineName;
    };
    struct UcsRecord {
        CadPoint origin, xAxisPoint, yAxisPoint;
    };

    // The script.
    std::deque<std::optional<CadPoint>> points;                     // nullopt = Esc
    std::deque<std::optional<std::vector<ScriptedEntity>>> selections;  // nullopt = Esc
    bool running = true;               // attach finds a running program
    std::string startFailure;          // when not empty, start raises CadError(startFailure)
    std::string failAt;                // a call that raises CadError(failureText)
    std::string failureText = "scripted failure";
    std::string caption = "Gradix 绘图";

    // What happened.
    std::vector<std::string> log;
    std::vector<std::string> prompts;
    std::vector<std::string> said;      // the command-line lines of Prompt
    std::vector<std::string> messages;  // shown by ConnectCad
    std::map<std::string, UcsRecord> ucs;
    std::map<std::string, StyleRecord> styles;
    std::vector<std::string> layers;    // in order of first Add
    std::vector<MTextRecord> mtexts;
    std::string activeUcs, activeLayer = "0";
    bool visible = false;
    std::vector<std::string> activated;

    // CadApplication
    std::string Caption() const override { return caption; }
    void Visible(bool v) override {
        record("Visible=" + std::string(v ? "true" : "false"));
        visible = v;
    }
    bool Visible() const override { return visible; }
    CadDocument& ActiveDocument() override {
        record("ActiveDocument");
        return *this;
    }
    // CadConnector
    CadApplication* attach() override {
        record("attach");
        return running ? this : nullptr;
    }
    CadApplication& start() override {
        record("start");
        if (!startFailure.empty()) throw CadError(startFailure);
        running = true;
        return *this;
    }
    void activate(const std::string& c) override {
        record("activate(" + c + ")");
        activated.push_back(c);
    }
    // CadMessenger
    void showCadMessage(const std::string& text) override { messages.push_back(text); }

    // CadDocument
    CadUserCoordinateSystems& UserCoordinateSystems() override { return ucsCollection_; }
    void ActiveUCS(CadUcs& u) override {
        record("ActiveUCS=" + u.Name());
        activeUcs = u.Name();
    }
    CadTextStyles& TextStyles() override { return styleCollection_; }
    CadLayers& Layers() override { return layerCollection_; }
    void ActiveLayer(CadLayer& l) override {
        record("ActiveLayer=" + l.Name());
        activeLayer = l.Name();
    }
    CadModelSpace& ModelSpace() override { return modelSpace_; }
    CadSelectionSets& SelectionSets() override { return selectionSets_; }
    CadUtility& Utility() override { return utility_; }
    std::string ActiveUCSName() const override { return activeUcs; }
    std::string ActiveLayerName() const override { return activeLayer; }

    // Shortest round-trip text of a number, as the log writes it.
    static std::string number(double v) {
        char buffer[32];
        const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, v);
        return std::string(buffer, end);
    }
    static std::string point(const CadPoint& p) {
        return "(" + number(p[0]) + "," + number(p[1]) + "," + number(p[2]) + ")";
    }

    // Logs a call; raises when the script says this call fails.
    void record(const std::string& entry) {
        log.push_back(entry);
        const std::string name = entry.substr(0, entry.find_first_of("(=["));
        if (!failAt.empty() && name == failAt) throw CadError(failureText);
    }

private:
    struct NamedUcs : CadUcs {
        explicit NamedUcs(std::string n) : name(std::move(n)) {}
        std::string Name() const override { return name; }
        std::string name;
    };
    struct StyleItem : CadTextStyle {
        StyleItem(ScriptedCad& c, std::string n) : cad(c), name(std::move(n)) {}
        std::string Name() const override { return name; }
        void fontFile(const std::string& f) override { set("fontFile", f), rec().fontFile = f; }
        void BigFontFile(const std::string& f) override { set("BigFontFile", f), rec().bigFontFile = f; }
        void Height(double h) override { set("Height", number(h)), rec().height = h; }
        void Width(double w) override { set("Width", number(w)), rec().width = w; }
        std::string fontFile() const override { return cad.styles.at(name).fontFile; }
        std::string BigFontFile() const override { return cad.styles.at(name).bigFontFile; }
        double Height() const override { return cad.styles.at(name).height; }
        double Width() const override { return cad.styles.at(name).width; }
        void set(const char* what, const std::string& value) {
            cad.record("TextStyle[" + name + "]." + what + "=" + value);
        }
        StyleRecord& rec() { return cad.styles[name]; }
        ScriptedCad& cad;
        std::string name;
    };
    struct NamedLayer : CadLayer {
        explicit NamedLayer(std::string n) : name(std::move(n)) {}
        std::string Name() const override { return name; }
        std::string name;
    };
    struct MTextItem : CadMText {
        MTextItem(ScriptedCad& c, std::size_t i) : cad(c), index(i) {}
        int entitytype() const override { return MTEXT; }
        std::string TextString() const override { return cad.mtexts[index].text; }
        void StyleName(const std::string& s) override { set("StyleName", s), rec().style = s; }
        void Height(double h) override { set("Height", number(h)), rec().height = h; }
        void Color(int c) override { set("Color", std::to_string(c)), rec().color = c; }
        void TextString(const std::string& t) override { set("TextString", t), rec().text = t; }
        void rotation(double r) override { set("rotation", number(r)), rec().rotation = r; }
        void recordPick(const CadPoint& p, const std::string& name) override {
            set("recordPick", point(p) + "," + name);
            rec().pick = p;
            rec().lineName = name;
        }
        std::string StyleName() const override { return cad.mtexts[index].style; }
        double Height() const override { return cad.mtexts[index].height; }
        int Color() const override { return cad.mtexts[index].color; }
        double rotation() const override { return cad.mtexts[index].rotation; }
        void set(const char* what, const std::string& value) {
            cad.record("MText[" + std::to_string(index + 1) + "]." + what + "=" + value);
        }
        MTextRecord& rec() { return cad.mtexts[index]; }
        ScriptedCad& cad;
        std::size_t index;
    };
    struct SelectionSet : CadSelectionSet {
        SelectionSet(ScriptedCad& c, std::string n) : cad(c), name(std::move(n)) {}
        std::string Name() const override { return name; }
        bool SelectOnScreen() override {
            cad.record("SelectionSet[" + name + "].SelectOnScreen");
            if (cad.selections.empty()) return false;
            std::optional<std::vector<ScriptedEntity>> chosen = std::move(cad.selections.front());
            cad.selections.pop_front();
            if (!chosen) return false;
            for (const ScriptedEntity& e : *chosen) members.push_back(std::make_unique<Entity>(e.type, e.text, e.blockTexts));
            return true;
        }
        int Count() const override { return static_cast<int>(members.size()); }
        CadEntity& Item(int i) override {
            if (i < 0 || i >= Count()) throw CadError("no object " + std::to_string(i));
            return *members[static_cast<std::size_t>(i)];
        }
        void Delete() override {
            cad.record("SelectionSet[" + name + "].Delete");
            members.clear();
        }
        ScriptedCad& cad;
        std::string name;
        std::vector<std::unique_ptr<Entity>> members;
    };

    struct UcsCollection : CadUserCoordinateSystems {
        explicit UcsCollection(ScriptedCad& c) : cad(c) {}
        CadUcs& Add(const CadPoint& o, const CadPoint& x, const CadPoint& y, const std::string& name) override {
            cad.record("UserCoordinateSystems.Add(" + point(o) + "," + point(x) + "," + point(y) + "," + name + ")");
            if (!cad.ucs.count(name)) cad.ucs[name] = UcsRecord{o, x, y};
            auto& item = items[name];
            if (!item) item = std::make_unique<NamedUcs>(name);
            return *item;
        }
        ScriptedCad& cad;
        std::map<std::string, std::unique_ptr<NamedUcs>> items;
    };
    struct StyleCollection : CadTextStyles {
        explicit StyleCollection(ScriptedCad& c) : cad(c) {}
        CadTextStyle& Add(const std::string& name) override {
            cad.record("TextStyles.Add(" + name + ")");
            cad.styles.try_emplace(name);
            auto& item = items[name];
            if (!item) item = std::make_unique<StyleItem>(cad, name);
            return *item;
        }
        ScriptedCad& cad;
        std::map<std::string, std::unique_ptr<StyleItem>> items;
    };
    struct LayerCollection : CadLayers {
        explicit LayerCollection(ScriptedCad& c) : cad(c) {}
        CadLayer& Add(const std::string& name) override {
            cad.record("Layers.Add(" + name + ")");
            auto& item = items[name];
            if (!item) {
                item = std::make_unique<NamedLayer>(name);
                cad.layers.push_back(name);
            }
            return *item;
        }
        ScriptedCad& cad;
        std::map<std::string, std::unique_ptr<NamedLayer>> items;
    };
    struct ModelSpaceObject : CadModelSpace {
        explicit ModelSpaceObject(ScriptedCad& c) : cad(c) {}
        CadMText& AddMText(const CadPoint& p, double width, const std::string& text) override {
            cad.record("ModelSpace.AddMText(" + point(p) + "," + number(width) + "," + text + ")");
            MTextRecord r;
            r.insertion = p;
            r.width = width;
            r.text = text;
            r.layer = cad.activeLayer;
            cad.mtexts.push_back(r);
            items.push_back(std::make_unique<MTextItem>(cad, cad.mtexts.size() - 1));
            return *items.back();
        }
        ScriptedCad& cad;
        std::vector<std::unique_ptr<MTextItem>> items;
    };
    struct SelectionSetCollection : CadSelectionSets {
        explicit SelectionSetCollection(ScriptedCad& c) : cad(c) {}
        CadSelectionSet& Add(const std::string& name) override {
            cad.record("SelectionSets.Add(" + name + ")");
            for (const auto& s : items)
                if (s->name == name) throw CadError("a selection set named " + name + " exists");
            items.push_back(std::make_unique<SelectionSet>(cad, name));
            return *items.back();
        }
        ScriptedCad& cad;
        std::vector<std::unique_ptr<SelectionSet>> items;
    };
    struct UtilityObject : CadUtility {
        explicit UtilityObject(ScriptedCad& c) : cad(c) {}
        std::optional<CadPoint> GetPoint(const std::string& prompt) override {
            cad.record("GetPoint(" + prompt + ")");
            cad.prompts.push_back(prompt);
            if (cad.points.empty()) return std::nullopt;
            const std::optional<CadPoint> p = cad.points.front();
            cad.points.pop_front();
            return p;
        }
        void Prompt(const std::string& message) override {
            cad.record("Prompt(" + message + ")");
            cad.said.push_back(message);
        }
        ScriptedCad& cad;
    };

    UcsCollection ucsCollection_{*this};
    StyleCollection styleCollection_{*this};
    LayerCollection layerCollection_{*this};
    ModelSpaceObject modelSpace_{*this};
    SelectionSetCollection selectionSets_{*this};
    UtilityObject utility_{*this};

public:
    // The selection sets added, in order (to check their names and what they hold).
    std::vector<std::string> selectionSetNames() const {
        std::vector<std::string> names;
        for (const auto& s : selectionSets_.items) names.push_back(s->name);
        return names;
    }
};

}  // namespace gradix::testing
