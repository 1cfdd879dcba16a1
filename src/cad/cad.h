// The link to a drawing program, with exactly the members the drawing
// commands use: the application, its active document, the document's
// coordinate systems, text styles, layers, model space, selection sets and
// pick utility, the multi-line text the annotation becomes, and the objects a
// selection yields. The members carry the automation interface's names.
//
// The drawing model implements it (cadmodel/drawingcad.h), shown in Gradix's
// own drawing window (drawing/windowcad.h) or driven in batch
// (cadmodel/batchcad.h); tests script it (tests/support/scripted_cad.h); a Windows automation link could stand behind
// the same classes.
//
// Ownership: every member hands back a plain reference to an object owned by
// the one that made it (the application owns its documents, a document its
// collections and their items). A reference stays valid while its document is
// the application's active one (the window does not let another drawing be
// opened while a pick or a selection is waiting) and the application lives.
//
// Failures: any member may raise CadError, whose what() is the description
// the person sees (a name CAD refuses, a value that is not finite, a
// drawing window that cannot be opened).
#pragma once

#include <array>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace gradix {

// The `entitytype` number the automation interface gives each kind of object.
inline constexpr int ENTITY_TYPE_ARC = 4;
inline constexpr int ENTITY_TYPE_BLOCK_REFERENCE = 7;
inline constexpr int ENTITY_TYPE_CIRCLE = 8;
inline constexpr int ENTITY_TYPE_ELLIPSE = 16;
inline constexpr int ENTITY_TYPE_LINE = 19;
inline constexpr int ENTITY_TYPE_MTEXT = 21;
inline constexpr int ENTITY_TYPE_POINT = 22;
inline constexpr int ENTITY_TYPE_POLYLINE = 23;        // POLYLINE (the heavy 2D polyline)
inline constexpr int ENTITY_TYPE_LIGHT_POLYLINE = 24;  // LWPOLYLINE
inline constexpr int ENTITY_TYPE_SPLINE = 31;
inline constexpr int ENTITY_TYPE_TEXT = 32;

// A point of three coordinates (x, y, z) in the drawing's world system.
using CadPoint = std::array<double, 3>;

// A failure raised by the drawing program; what() describes it.
class CadError : public std::runtime_error {
public:
    explicit CadError(const std::string& description) : std::runtime_error(description) {}
};

// A named user coordinate system.
class CadUcs {
public:
    virtual ~CadUcs() = default;
    virtual std::string Name() const = 0;
};

class CadUserCoordinateSystems {
public:
    virtual ~CadUserCoordinateSystems() = default;
    // Adds the coordinate system name through origin, with its x axis toward
    // xAxisPoint and its y axis toward yAxisPoint (world coordinates); an
    // existing one of that name is handed back. Raises CadError for axes that
    // do not span a plane.
    virtual CadUcs& Add(const CadPoint& origin, const CadPoint& xAxisPoint, const CadPoint& yAxisPoint,
                        const std::string& name) = 0;
};

class CadTextStyle {
public:
    virtual ~CadTextStyle() = default;
    virtual std::string Name() const = 0;
    virtual void fontFile(const std::string& file) = 0;     // primary font file ("fsdb_e.shx")
    virtual void BigFontFile(const std::string& file) = 0;  // big font file for Chinese ("fsdb.shx")
    virtual void Height(double height) = 0;                 // fixed height, drawing units (0 = per text)
    virtual void Width(double factor) = 0;                  // width factor (> 0)
    virtual std::string fontFile() const = 0;
    virtual std::string BigFontFile() const = 0;
    virtual double Height() const = 0;
    virtual double Width() const = 0;
};

class CadTextStyles {
public:
    virtual ~CadTextStyles() = default;
    // The text style of that name; an existing one is handed back.
    virtual CadTextStyle& Add(const std::string& name) = 0;
};

class CadLayer {
public:
    virtual ~CadLayer() = default;
    virtual std::string Name() const = 0;
};

class CadLayers {
public:
    virtual ~CadLayers() = default;
    // The layer of that name; an existing one is handed back.
    virtual CadLayer& Add(const std::string& name) = 0;
};

// A text a drawing object shows: its kind (ENTITY_TYPE_TEXT or
// ENTITY_TYPE_MTEXT) and its text as stored, format codes included.
struct CadText {
    int entitytype = ENTITY_TYPE_TEXT;
    std::string TextString;
};

// A drawing object as a selection yields it.
class CadEntity {
public:
    virtual ~CadEntity() = default;
    // One of the ENTITY_TYPE_ numbers above: ENTITY_TYPE_TEXT for single-line
    // text, ENTITY_TYPE_MTEXT for multi-line text.
    virtual int entitytype() const = 0;
    // The text of a TEXT or MTEXT as stored, format codes included; "" for other kinds.
    virtual std::string TextString() const = 0;
    // For a block reference, the texts (TEXT and MTEXT) of the block it
    // inserts, in the block's order, as the drawing's block of the
    // reference's name holds them; none for other kinds.
    virtual std::vector<CadText> BlockTexts() const { return {}; }
};

class CadMText : public CadEntity {
public:
    using CadEntity::TextString;
    virtual void StyleName(const std::string& style) = 0;  // raises CadError for a style the drawing lacks
    virtual void Height(double height) = 0;                // text height, drawing units (> 0)
    virtual void Color(int aci) = 0;                       // ACI colour 0..256 (1 red, 256 by layer)
    virtual void TextString(const std::string& text) = 0;  // content with format codes ({\L ... \P)
    virtual void rotation(double radians) = 0;             // anticlockwise from the x axis
    // Records with the annotation the point picked on the road for it (world
    // coordinates) and the line name its 桩号 line carries, so that the
    // label audit compares it where it was picked: as extended data under
    // Gradix's application name, which the drawing registers.
    virtual void recordPick(const CadPoint& pick, const std::string& lineName) = 0;
    virtual std::string StyleName() const = 0;
    virtual double Height() const = 0;
    virtual int Color() const = 0;
    virtual double rotation() const = 0;
};

class CadModelSpace {
public:
    virtual ~CadModelSpace() = default;
    // Adds a multi-line text at insertionPoint with reference width width
    // (0 = no wrapping) holding text, on the active layer.
    virtual CadMText& AddMText(const CadPoint& insertionPoint, double width, const std::string& text) = 0;
};

class CadSelectionSet {
public:
    virtual ~CadSelectionSet() = default;
    virtual std::string Name() const = 0;
    // Lets the person select objects on screen and returns when the
    // selection ends; false when it was cancelled (the set stays empty then).
    virtual bool SelectOnScreen() = 0;
    // The objects selected, in the order the selection yields them.
    virtual int Count() const = 0;
    virtual CadEntity& Item(int index) = 0;  // 0 <= index < Count(); raises CadError otherwise
    // Removes the set from the document; the reference must not be used afterwards.
    virtual void Delete() = 0;
};

class CadSelectionSets {
public:
    virtual ~CadSelectionSets() = default;
    // A new, empty selection set of that name. Raises CadError when the name is in use.
    virtual CadSelectionSet& Add(const std::string& name) = 0;
};

class CadUtility {
public:
    virtual ~CadUtility() = default;
    // Shows prompt and waits for a point: clicked, or typed as "x,y".
    // The point in world coordinates; nothing when the person cancelled (Esc).
    virtual std::optional<CadPoint> GetPoint(const std::string& prompt) = 0;
    // Writes message as a line of the command line (the drawing program's
    // own prompt area); it asks for nothing.
    virtual void Prompt(const std::string& message) = 0;
};

class CadDocument {
public:
    virtual ~CadDocument() = default;
    virtual CadUserCoordinateSystems& UserCoordinateSystems() = 0;
    virtual void ActiveUCS(CadUcs& ucs) = 0;
    virtual CadTextStyles& TextStyles() = 0;
    virtual CadLayers& Layers() = 0;
    virtual void ActiveLayer(CadLayer& layer) = 0;
    virtual CadModelSpace& ModelSpace() = 0;
    virtual CadSelectionSets& SelectionSets() = 0;
    virtual CadUtility& Utility() = 0;
    virtual std::string ActiveUCSName() const = 0;   // "" while the world system is current
    virtual std::string ActiveLayerName() const = 0;
};

class CadApplication {
public:
    virtual ~CadApplication() = default;
    // The title of the application's window.
    virtual std::string Caption() const = 0;
    virtual void Visible(bool visible) = 0;
    virtual bool Visible() const = 0;
    // The document in front; read it again at each use.
    virtual CadDocument& ActiveDocument() = 0;
};

// How ConnectCad reaches the drawing program.
class CadConnector {
public:
    virtual ~CadConnector() = default;
    // The running drawing program, or nullptr when none is running.
    virtual CadApplication* attach() = 0;
    // Starts one with a new, empty drawing. Raises CadError when it cannot.
    virtual CadApplication& start() = 0;
    // Brings the window titled caption to the front.
    virtual void activate(const std::string& caption) = 0;
};

// How ConnectCad tells the person why the link failed.
class CadMessenger {
public:
    virtual ~CadMessenger() = default;
    // Shows text in a message box with only an OK button.
    virtual void showCadMessage(const std::string& text) = 0;
};

// Shown when a failure comes without a description of its own.
inline constexpr const char* CAD_LINK_FAILED_TEXT = "无法打开绘图窗口。";

// ConnectCad: attaches to the running drawing program or, when none runs (or
// attaching fails), starts one; makes it visible, checks that its active
// document, model space and utility can be reached, and brings its window to
// the front. The application, or nullptr when any of this failed: then the
// failure's description has been shown through messenger and the command
// must stop there.
CadApplication* ConnectCad(CadConnector& connector, CadMessenger& messenger);

}  // namespace gradix
