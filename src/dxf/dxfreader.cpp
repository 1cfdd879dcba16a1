#include "dxf/dxfreader.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>

#include "dxf/dxfencoding.h"
#include "dxf/dxfstructure.h"
#include "dxf/dxfwriter.h"
#include "dxf/groupcodes.h"
#include "text/angles.h"
#include "text/failures.h"
#include "text/textfile.h"
#include "text/messages.h"

namespace gradix {

namespace {

namespace code = dxfcode;

constexpr int ELLIPSE_CHORDS_PER_TURN = 72;  // also for the arcs of hatch boundaries
constexpr int MIN_ELLIPSE_CHORDS = 8;
constexpr int SPLINE_CHORDS_PER_SPAN = 8;
constexpr int MAX_SPLINE_DEGREE = 11;        // no DXF writer uses more; guards de Boor's work
constexpr int FIRST_ATTACHMENT = 1;
constexpr int LAST_ATTACHMENT = 9;
constexpr double DEFAULT_ELLIPSE_END = FULL_TURN;
constexpr int HATCH_LINE_EDGE = 1;
constexpr int HATCH_ARC_EDGE = 2;
constexpr int HATCH_ELLIPSE_EDGE = 3;
constexpr int HATCH_SPLINE_EDGE = 4;
constexpr std::size_t MAX_DECODED_LAYERS = 64;  // names decoded once and reused
constexpr double NOT_A_NUMBER = std::numeric_limits<double>::quiet_NaN();

// A spline's definition, flattened into the polygon the window draws.
struct SplineData {
    unsigned degree = 0;
    std::vector<double> knots;
    std::vector<std::array<double, 3>> control;  // x, y, weight
    std::vector<std::array<double, 2>> fit;
};

// A point of a rational B-spline by de Boor's algorithm (span k, U[k] <= t < U[k+1]).
std::array<double, 2> deBoor(const SplineData& s, std::size_t k, double t) {
    const std::size_t p = s.degree;
    std::array<std::array<double, 3>, MAX_SPLINE_DEGREE + 1> d{};
    for (std::size_t j = 0; j <= p; ++j) {
        const auto& c = s.control[j + k - p];
        d[j] = {c[0] * c[2], c[1] * c[2], c[2]};
    }
    for (std::size_t r = 1; r <= p; ++r) {
        for (std::size_t j = p; j >= r; --j) {
            const double left = s.knots[j + k - p];
            const double right = s.knots[j + 1 + k - r];
            const double alpha = right > left ? (t - left) / (right - left) : 0.0;
            for (int c = 0; c < 3; ++c) d[j][c] = (1 - alpha) * d[j - 1][c] + alpha * d[j][c];
        }
    }
    const double w = d[p][2] != 0 ? d[p][2] : 1.0;
    return {d[p][0] / w, d[p][1] / w};
}

// The curve of a spline as chords, else its fit points, else its control polygon.
std::vector<PolylineVertex> flattenSpline(const SplineData& s) {
    std::vector<PolylineVertex> out;
    const std::size_t n = s.control.size();
    const std::size_t p = s.degree;
    const bool evaluable = p >= 1 && p <= MAX_SPLINE_DEGREE && n > p && s.knots.size() == n + p + 1 &&
                           std::is_sorted(s.knots.begin(), s.knots.end()) &&
                           std::all_of(s.knots.begin(), s.knots.end(), [](double k) { return std::isfinite(k); });
    if (evaluable) {
        for (std::size_t k = p; k < n; ++k) {
            const double a = s.knots[k];
            const double b = s.knots[k + 1];
            if (!(b > a)) continue;
            for (int i = 0; i < SPLINE_CHORDS_PER_SPAN; ++i) {
                const auto pt = deBoor(s, k, a + (b - a) * i / SPLINE_CHORDS_PER_SPAN);
                out.push_back({pt[0], pt[1], 0});
            }
        }
        // The end of the curve: the last control point of a clamped spline.
        std::size_t last = n - 1;
        while (last > p && !(s.knots[last + 1] > s.knots[last])) --last;
        const auto end = deBoor(s, std::max(last, p), s.knots[n]);
        out.push_back({end[0], end[1], 0});
    } else if (!s.fit.empty()) {
        for (const auto& f : s.fit) out.push_back({f[0], f[1], 0});
    } else {
        for (const auto& c : s.control) out.push_back({c[0], c[1], 0});
    }
    return out;
}

// Points along an elliptic arc: centre + major cos t + minor sin t for t
// from t1 to t2 (radians), minor = ratio x major turned a quarter.
void appendEllipse(std::vector<PolylineVertex>& out, double cx, double cy, double mx, double my, double ratio,
                   double t1, double t2) {
    if (!std::isfinite(t1) || !std::isfinite(t2)) t1 = 0, t2 = FULL_TURN;
    // Any pair of parameters, however far beyond one turn, sweeps at most one.
    // Each as a direction first: 1e20 - t1 would round back to 1e20.
    t1 = angleInTurn(t1);
    t2 = t1 + counterClockwiseSweep(t1, angleInTurn(t2));
    const int chords =
        std::max(MIN_ELLIPSE_CHORDS, static_cast<int>(std::ceil(ELLIPSE_CHORDS_PER_TURN * (t2 - t1) / FULL_TURN)));
    for (int i = 0; i <= chords; ++i) {
        const double t = t1 + (t2 - t1) * i / chords;
        out.push_back({cx + mx * std::cos(t) - ratio * my * std::sin(t), cy + my * std::cos(t) + ratio * mx * std::sin(t), 0});
    }
}

// The group pairs of one object (an entity, a table entry, a block marker).
using Pairs = std::vector<DxfPair>;

// Decodes the objects of the file as the scan hands their pairs over.
class DrawingDecoder : public DxfPairVisitor {
public:
    DrawingDecoder(Drawing& drawing, const DxfStructure& structure)
        : drawing_(drawing), structure_(structure), target_(&drawing.entities) {}

    void sectionStarts(std::string_view name) override {
        finishObject();
        endBlock();
        polyline_.reset();
        insert_.reset();
        section_ = std::string(name);
    }

    void pair(const DxfPair& p) override {
        if (p.code == code::TYPE) {
            finishObject();
            type_ = std::string(pairName(p));
            object_.clear();
            if (type_ == "ENDSEC") {
                // What follows outside any section belongs to none.
                sectionStarts("");
                type_.clear();
            }
            return;
        }
        if (!type_.empty()) object_.push_back(p);
    }

    // Ends the last object, then leaves out every entity whose geometry is
    // not finite (the window could neither draw nor pick it); the notes say
    // which, by handle.
    void finish() {
        finishObject();
        dropNonFinite(drawing_.entities, "");
        for (auto& [key, block] : drawing_.blocks) dropNonFinite(block.entities, block.name);
    }

    const DxfTextCodec& codec() {
        if (!codec_) codec_ = std::make_unique<DxfTextCodec>(structure_.acadVersion, structure_.codePage);
        return *codec_;
    }

private:
    // ---- objects -----------------------------------------------------------

    void finishObject() {
        if (type_.empty()) return;
        const std::string type = std::move(type_);
        type_.clear();
        if (section_ == "TABLES") {
            if (type == "LAYER") addLayer();
            else if (type == "STYLE") addTextStyle();
            return;
        }
        if (section_ == "BLOCKS") {
            if (type == "BLOCK") return beginBlock();
            if (type == "ENDBLK") return endBlock();
        } else if (section_ != "ENTITIES") {
            return;  // entities of the header or the objects of a damaged file are not drawn
        }
        addEntity(type);
    }

    void addLayer() {
        DrawingLayer layer;
        int color = COLOR_BYLAYER;
        int flags = 0;
        for (const DxfPair& p : object_) {
            if (p.code == code::NAME) layer.name = decode(pairString(p));
            else if (p.code == code::COLOR) color = static_cast<int>(pairInteger(p, COLOR_BYLAYER));
            else if (p.code == code::FLAGS) flags = static_cast<int>(pairInteger(p));
            else if (p.code == code::HANDLE) layer.handle = std::string(pairName(p));
        }
        layer.off = color < 0;
        layer.color = std::abs(color);
        if (layer.color < 1 || layer.color >= COLOR_BYLAYER) layer.color = COLOR_WHITE;
        layer.frozen = (flags & code::LAYER_FROZEN_FLAG) != 0;
        if (!drawing_.findLayer(layer.name)) drawing_.layers.push_back(layer);
    }

    void addTextStyle() {
        DrawingTextStyle style;
        for (const DxfPair& p : object_) {
            switch (p.code) {
                case code::NAME: style.name = decode(pairString(p)); break;
                case code::STYLE_FONT_FILE: style.fontFile = decode(pairString(p)); break;
                case code::STYLE_BIG_FONT_FILE: style.bigFontFile = decode(pairString(p)); break;
                case code::STYLE_FIXED_HEIGHT: style.height = pairReal(p); break;
                case code::STYLE_WIDTH_FACTOR: style.width = pairReal(p, 1); break;
                case code::HANDLE: style.handle = std::string(pairName(p)); break;
                default: break;
            }
        }
        if (style.name.empty()) return;  // a shape file entry, not a text style
        if (!drawing_.findTextStyle(style.name)) drawing_.styles.push_back(style);
    }

    void beginBlock() {
        std::string name;
        double baseX = 0, baseY = 0;
        for (const DxfPair& p : object_) {
            if (p.code == code::NAME) name = decode(pairString(p));
            else if (p.code == code::X) baseX = pairReal(p);
            else if (p.code == code::Y) baseY = pairReal(p);
        }
        inBlock_ = true;
        polyline_.reset();
        insert_.reset();
        if (name.empty()) {
            // A block without a name cannot be inserted: its entities go nowhere.
            unnamed_.clear();
            target_ = &unnamed_;
            return;
        }
        // Entities of a block belong to the block, never to model space.
        DrawingBlock& block = drawing_.blocks[foldName(name)];
        block.name = name;
        block.baseX = baseX;
        block.baseY = baseY;
        target_ = &block.entities;
    }

    void endBlock() {
        target_ = &drawing_.entities;
        inBlock_ = false;
        polyline_.reset();
        insert_.reset();
    }

    // ---- entities ------------------------------------------------------------

    // What every entity has: handle, layer, colours, paper space, extrusion.
    struct Common {
        bool paperSpace = false;
        bool mirrored = false;  // extrusion -Z: seen from below
    };

    DrawingEntity start(EntityKind kind, Common& c) {
        DrawingEntity e;
        e.kind = kind;
        for (const DxfPair& p : object_) {
            switch (p.code) {
                case code::HANDLE:
                    if (e.handle.empty()) e.handle = std::string(pairName(p));
                    break;
                case code::LAYER:
                    // An entity without a layer name is on layer "0", as it starts.
                    if (const std::string& name = layerName(pairString(p)); !name.empty()) e.layer = name;
                    break;
                case code::COLOR: e.color = static_cast<int>(pairInteger(p, COLOR_BYLAYER)); break;
                case code::TRUE_COLOR: e.trueColor = static_cast<int>(pairInteger(p, NO_TRUE_COLOR)); break;
                case code::PAPER_SPACE: c.paperSpace = pairInteger(p) != 0; break;
                case code::EXTRUSION_Z: c.mirrored = pairReal(p, 1) < 0; break;
                default: break;
            }
        }
        return e;
    }

    // The entity's pairs up to its extended data or an embedded object.
    template <class F>
    void forEachOwn(F&& f) const {
        for (const DxfPair& p : object_) {
            if (p.code >= code::FIRST_XDATA || p.code == code::EMBEDDED_OBJECT) break;
            f(p);
        }
    }

    void addEntity(const std::string& type) {
        // Vertices and attributes follow their POLYLINE or INSERT until SEQEND.
        if (type == "VERTEX") return addVertex();
        if (type == "ATTRIB") return addAttribute();
        polyline_.reset();
        insert_.reset();
        Common c;
        if (type == "LINE") {
            DrawingEntity e = start(EntityKind::Line, c);
            forEachOwn([&](const DxfPair& p) {
                switch (p.code) {
                    case code::X: e.x = pairReal(p); break;
                    case code::Y: e.y = pairReal(p); break;
                    case code::X2: e.x2 = pairReal(p); break;
                    case code::Y2: e.y2 = pairReal(p); break;
                    default: break;
                }
            });
            keep(std::move(e), c);
        } else if (type == "POINT") {
            DrawingEntity e = start(EntityKind::Point, c);
            readPoint(e);
            keep(std::move(e), c);
        } else if (type == "CIRCLE" || type == "ARC") {
            addArc(type == "ARC", c);
        } else if (type == "ELLIPSE") {
            addEllipse(c);
        } else if (type == "LWPOLYLINE") {
            addLightPolyline(c);
        } else if (type == "POLYLINE") {
            addHeavyPolyline(c);
        } else if (type == "SPLINE") {
            addSpline(c);
        } else if (type == "INSERT") {
            addInsert(c);
        } else if (type == "DIMENSION") {
            addDimension(c);
        } else if (type == "TEXT") {
            DrawingEntity e = start(EntityKind::Text, c);
            readText(e, code::TEXT_V_ALIGN, c.mirrored);
            e.record = annotationRecord(c.mirrored);
            keep(std::move(e), c);
        } else if (type == "MTEXT") {
            addMText(c);
        } else if (type == "HATCH") {
            addHatch(c);
        }
    }

    void readPoint(DrawingEntity& e) {
        forEachOwn([&](const DxfPair& p) {
            if (p.code == code::X) e.x = pairReal(p);
            else if (p.code == code::Y) e.y = pairReal(p);
            else if (p.code == code::Z) e.z = pairReal(p);
        });
    }

    void addArc(bool arc, Common& c) {
        DrawingEntity e = start(arc ? EntityKind::Arc : EntityKind::Circle, c);
        forEachOwn([&](const DxfPair& p) {
            switch (p.code) {
                case code::X: e.x = pairReal(p); break;
                case code::Y: e.y = pairReal(p); break;
                case code::RADIUS: e.radius = pairReal(p); break;
                case code::START_ANGLE: e.startAngle = degreesToRadians(pairReal(p)); break;
                case code::END_ANGLE: e.endAngle = degreesToRadians(pairReal(p)); break;
                default: break;
            }
        });
        if (!arc) e.startAngle = e.endAngle = 0;
        if (c.mirrored) {
            // Seen from below, the arc runs the other way round.
            e.x = -e.x;
            if (arc) {
                const double startAngle = PI - e.endAngle;
                e.endAngle = PI - e.startAngle;
                e.startAngle = startAngle;
            }
        }
        keep(std::move(e), c);
    }

    void addEllipse(Common& c) {
        DrawingEntity e = start(EntityKind::Ellipse, c);
        double cx = 0, cy = 0, mx = 0, my = 0, ratio = 1, t1 = 0, t2 = DEFAULT_ELLIPSE_END;
        forEachOwn([&](const DxfPair& p) {
            switch (p.code) {
                case code::X: cx = pairReal(p); break;
                case code::Y: cy = pairReal(p); break;
                case code::X2: mx = pairReal(p); break;
                case code::Y2: my = pairReal(p); break;
                case code::ELLIPSE_AXIS_RATIO: ratio = pairReal(p, 1); break;
                case code::ELLIPSE_START: t1 = pairReal(p); break;
                case code::ELLIPSE_END: t2 = pairReal(p, DEFAULT_ELLIPSE_END); break;
                default: break;
            }
        });
        appendEllipse(e.vertices, cx, cy, mx, my, ratio, t1, t2);
        if (c.mirrored)
            for (PolylineVertex& v : e.vertices) v.x = -v.x;
        keep(std::move(e), c);
    }

    void addLightPolyline(Common& c) {
        DrawingEntity e = start(EntityKind::Polyline, c);
        forEachOwn([&](const DxfPair& p) {
            switch (p.code) {
                case code::VERTEX_COUNT: {
                    const long long n = pairInteger(p);
                    if (n > 0 && static_cast<std::size_t>(n) <= object_.size()) e.vertices.reserve(static_cast<std::size_t>(n));
                    break;
                }
                case code::FLAGS: e.closed = (pairInteger(p) & code::POLYLINE_CLOSED_FLAG) != 0; break;
                case code::X: e.vertices.push_back({pairReal(p), 0, 0}); break;
                case code::Y:
                    if (!e.vertices.empty()) e.vertices.back().y = pairReal(p);
                    break;
                case code::BULGE:
                    if (!e.vertices.empty()) e.vertices.back().bulge = pairReal(p);
                    break;
                default: break;
            }
        });
        if (c.mirrored)
            for (PolylineVertex& v : e.vertices) v.x = -v.x, v.bulge = -v.bulge;
        keep(std::move(e), c);
    }

    void addHeavyPolyline(Common& c) {
        DrawingEntity e = start(EntityKind::Polyline, c);
        e.heavy = true;
        forEachOwn([&](const DxfPair& p) {
            if (p.code == code::FLAGS) e.closed = (pairInteger(p) & code::POLYLINE_CLOSED_FLAG) != 0;
        });
        const bool mirrored = c.mirrored;
        if (keep(std::move(e), c)) polyline_ = OpenSequence{target_, target_->size() - 1, mirrored};
    }

    void addVertex() {
        if (!polyline_) return;
        double x = 0, y = 0, bulge = 0;
        long long flags = 0;
        forEachOwn([&](const DxfPair& p) {
            switch (p.code) {
                case code::X: x = pairReal(p); break;
                case code::Y: y = pairReal(p); break;
                case code::BULGE: bulge = pairReal(p); break;
                case code::FLAGS: flags = pairInteger(p); break;
                default: break;
            }
        });
        const bool faceRecord = (flags & code::VERTEX_POLYFACE_FLAG) != 0 && (flags & code::VERTEX_MESH_FLAG) == 0;
        if ((flags & code::VERTEX_SPLINE_FRAME_FLAG) != 0 || faceRecord) return;
        DrawingEntity& e = (*polyline_->container)[polyline_->index];
        e.vertices.push_back({polyline_->mirrored ? -x : x, y, polyline_->mirrored ? -bulge : bulge});
    }

    void addSpline(Common& c) {
        DrawingEntity e = start(EntityKind::Spline, c);
        SplineData s;
        forEachOwn([&](const DxfPair& p) {
            switch (p.code) {
                case code::SPLINE_DEGREE: s.degree = static_cast<unsigned>(std::clamp<long long>(pairInteger(p), 0, MAX_SPLINE_DEGREE + 1)); break;
                case code::SPLINE_KNOT: s.knots.push_back(pairReal(p)); break;
                case code::X: s.control.push_back({pairReal(p), 0, 1}); break;
                case code::Y:
                    if (!s.control.empty()) s.control.back()[1] = pairReal(p);
                    break;
                case code::SPLINE_WEIGHT: {
                    const double w = pairReal(p, 1);
                    weights_.push_back(std::isfinite(w) && w > 0 ? w : 1.0);
                    break;
                }
                case code::SPLINE_FIT_X: s.fit.push_back({pairReal(p), 0}); break;
                case code::SPLINE_FIT_Y:
                    if (!s.fit.empty()) s.fit.back()[1] = pairReal(p);
                    break;
                default: break;
            }
        });
        for (std::size_t i = 0; i < weights_.size() && i < s.control.size(); ++i) s.control[i][2] = weights_[i];
        weights_.clear();
        e.vertices = flattenSpline(s);
        if (c.mirrored)
            for (PolylineVertex& v : e.vertices) v.x = -v.x;
        keep(std::move(e), c);
    }

    void addInsert(Common& c) {
        DrawingEntity e = start(EntityKind::Insert, c);
        bool attributesFollow = false;
        forEachOwn([&](const DxfPair& p) {
            switch (p.code) {
                case code::NAME: e.block = decode(pairString(p)); break;
                case code::X: e.x = pairReal(p); break;
                case code::Y: e.y = pairReal(p); break;
                case code::INSERT_SCALE_X: e.scaleX = pairReal(p, 1); break;
                case code::INSERT_SCALE_Y: e.scaleY = pairReal(p, 1); break;
                case code::ROTATION: e.rotation = degreesToRadians(pairReal(p)); break;
                case code::ENTITIES_FOLLOW: attributesFollow = pairInteger(p) != 0; break;
                default: break;
            }
        });
        if (c.mirrored) {
            e.x = -e.x;
            e.scaleX = -e.scaleX;
            e.rotation = -e.rotation;
        }
        const bool kept = keep(std::move(e), c);
        if (kept && attributesFollow) insert_ = OpenSequence{target_, target_->size() - 1, c.mirrored};
    }

    // An attribute of the INSERT before it: a text of its own, placed in world
    // coordinates as the file holds it; invisible ones are not shown.
    void addAttribute() {
        if (!insert_) return;
        Common c;
        DrawingEntity e = start(EntityKind::Text, c);
        bool invisible = false;
        forEachOwn([&](const DxfPair& p) {
            if (p.code == code::FLAGS) invisible = (pairInteger(p) & code::ATTRIB_INVISIBLE_FLAG) != 0;
        });
        if (invisible) return;
        readText(e, code::ATTRIB_V_ALIGN, c.mirrored);
        insert_->container->push_back(std::move(e));
    }

    void addDimension(Common& c) {
        DrawingEntity e = start(EntityKind::Insert, c);
        forEachOwn([&](const DxfPair& p) {
            if (p.code == code::DIMENSION_BLOCK) e.block = decode(pairString(p));
        });
        if (e.block.empty()) return;
        keep(std::move(e), c);
    }

    // Gradix's record of an annotation, from the extended data of its
    // application: the first string is the line name, the point the one
    // picked for it. Null without that data or with a point that is not finite.
    std::shared_ptr<const AnnotationRecord> annotationRecord(bool mirrored) {
        bool ours = false, named = false, picked = false;
        AnnotationRecord r;
        for (const DxfPair& p : object_) {
            if (p.code < code::FIRST_XDATA) continue;
            if (p.code == code::XDATA_APPLICATION) {
                ours = foldName(pairName(p)) == GRADIX_APPLICATION;
                continue;
            }
            if (!ours) continue;
            switch (p.code) {
                case code::XDATA_STRING:
                    if (!named) r.lineName = decode(pairString(p)), named = true;
                    break;
                case code::XDATA_POINT_X: r.pickX = pairReal(p, NOT_A_NUMBER), picked = true; break;
                case code::XDATA_POINT_Y: r.pickY = pairReal(p, NOT_A_NUMBER); break;
                case code::XDATA_POINT_Z: r.pickZ = pairReal(p, NOT_A_NUMBER); break;
                default: break;
            }
        }
        if (!picked || !std::isfinite(r.pickX) || !std::isfinite(r.pickY) || !std::isfinite(r.pickZ)) return nullptr;
        if (mirrored) r.pickX = -r.pickX;
        return std::make_shared<const AnnotationRecord>(std::move(r));
    }

    void readText(DrawingEntity& e, int vAlignCode, bool mirrored) {
        bool aligned[2] = {false, false};
        e.height = DEFAULT_TEXT_HEIGHT;
        forEachOwn([&](const DxfPair& p) {
            switch (p.code) {
                case code::PRIMARY_TEXT: e.text = decode(pairString(p)); break;
                case code::X: e.x = pairReal(p); break;
                case code::Y: e.y = pairReal(p); break;
                case code::Z: e.z = pairReal(p); break;
                case code::X2: e.x2 = pairReal(p), aligned[0] = true; break;
                case code::Y2: e.y2 = pairReal(p), aligned[1] = true; break;
                case code::TEXT_HEIGHT: e.height = pairReal(p); break;
                case code::TEXT_WIDTH_FACTOR: e.widthFactor = pairReal(p, 1); break;
                case code::TEXT_H_ALIGN: e.hAlign = static_cast<int>(pairInteger(p)); break;
                case code::TEXT_STYLE: e.style = decode(pairString(p)); break;
                case code::ROTATION: e.rotation = degreesToRadians(pairReal(p)); break;
                default:
                    if (p.code == vAlignCode) e.vAlign = static_cast<int>(pairInteger(p));
                    break;
            }
        });
        // Without an alignment point the text is placed at its insertion point.
        if (!(aligned[0] && aligned[1])) e.x2 = e.x, e.y2 = e.y;
        if (e.style.empty()) e.style = DEFAULT_TEXT_STYLE;
        if (mirrored) {
            e.x = -e.x;
            e.x2 = -e.x2;
            e.rotation = PI - e.rotation;
        }
    }

    void addMText(Common& c) {
        DrawingEntity e = start(EntityKind::MText, c);
        e.height = DEFAULT_TEXT_HEIGHT;
        std::string raw;  // the additional text pieces in order, then the last piece
        std::string_view last;
        double dx = 0, dy = 0;
        bool rotated = false;
        double rotation = 0;
        forEachOwn([&](const DxfPair& p) {
            switch (p.code) {
                case code::MTEXT_ADDITIONAL_TEXT: raw += pairString(p); break;
                case code::PRIMARY_TEXT: last = pairString(p); break;
                case code::X: e.x = pairReal(p); break;
                case code::Y: e.y = pairReal(p); break;
                case code::Z: e.z = pairReal(p); break;
                case code::X2: dx = pairReal(p); break;
                case code::Y2: dy = pairReal(p); break;
                case code::TEXT_HEIGHT: e.height = pairReal(p); break;
                case code::MTEXT_REFERENCE_WIDTH: e.boxWidth = pairReal(p); break;
                case code::MTEXT_ATTACHMENT:
                    e.attachment = static_cast<int>(std::clamp<long long>(pairInteger(p, FIRST_ATTACHMENT), FIRST_ATTACHMENT, LAST_ATTACHMENT));
                    break;
                case code::TEXT_STYLE: e.style = decode(pairString(p)); break;
                case code::ROTATION: rotation = pairReal(p), rotated = true; break;
                default: break;
            }
        });
        raw += last;
        e.text = decode(raw);
        e.record = annotationRecord(c.mirrored);
        if (e.style.empty()) e.style = DEFAULT_TEXT_STYLE;
        // The x direction (codes 11/21) wins over the rotation (code 50, in degrees).
        if (dx != 0 || dy != 0) e.rotation = std::atan2(dy, dx);
        else if (rotated) e.rotation = degreesToRadians(rotation);
        keep(std::move(e), c);
    }

    // Each boundary loop of a HATCH becomes a closed polyline on the hatch's
    // layer; a polyline loop keeps its bulges, the edges of an edge loop are
    // put one after the other (arcs and elliptic arcs as chords, splines as
    // their control polygon). The pattern and its seed points are not read.
    void addHatch(Common& c) {
        const DrawingEntity head = start(EntityKind::Polyline, c);
        std::vector<DrawingEntity> loops;
        bool inLoops = false;
        bool polylineLoop = false;
        int edge = 0;
        double ax = 0, ay = 0, radius = 0, start = 0, end = 0, bx = 0, by = 0;
        bool counterclockwise = true;
        const auto points = [&]() -> std::vector<PolylineVertex>& { return loops.back().vertices; };
        const auto addPoint = [&](double x, double y) {
            auto& v = points();
            if (v.empty() || v.back().x != x || v.back().y != y || v.back().bulge != 0) v.push_back({x, y, 0});
        };
        // Ends the edge read so far: its points go to the loop.
        const auto endEdge = [&] {
            if (loops.empty()) return;
            if (edge == HATCH_LINE_EDGE) {
                addPoint(ax, ay);
                addPoint(bx, by);
            } else if (edge == HATCH_ARC_EDGE || edge == HATCH_ELLIPSE_EDGE) {
                const bool circle = edge == HATCH_ARC_EDGE;
                double t1 = degreesToRadians(start), t2 = degreesToRadians(end);
                std::vector<PolylineVertex> arc;
                const double mx = circle ? radius : bx, my = circle ? 0 : by, ratio = circle ? 1 : radius;
                // A clockwise edge stores its angles as seen from below.
                if (!counterclockwise) t1 = -t1, t2 = -t2, std::swap(t1, t2);
                appendEllipse(arc, ax, ay, mx, my, ratio, t1, t2);
                if (!counterclockwise) std::reverse(arc.begin(), arc.end());
                for (const PolylineVertex& v : arc) addPoint(v.x, v.y);
            }
            edge = 0;
        };
        forEachOwn([&](const DxfPair& p) {
            if (p.code == code::HATCH_LOOP_COUNT) {
                inLoops = true;
                return;
            }
            if (!inLoops) return;
            if (p.code == code::HATCH_STYLE || p.code == code::HATCH_PATTERN_TYPE) {
                endEdge();
                inLoops = false;
                return;
            }
            if (p.code == code::HATCH_LOOP_TYPE) {
                endEdge();
                DrawingEntity loop = head;
                loop.closed = true;
                loops.push_back(std::move(loop));
                polylineLoop = (pairInteger(p) & code::HATCH_POLYLINE_LOOP_FLAG) != 0;
                return;
            }
            if (loops.empty()) return;
            if (polylineLoop) {
                if (p.code == code::X) points().push_back({pairReal(p), 0, 0});
                else if (p.code == code::Y && !points().empty()) points().back().y = pairReal(p);
                else if (p.code == code::BULGE && !points().empty()) points().back().bulge = pairReal(p);
                return;
            }
            if (p.code == code::HATCH_EDGE_TYPE) {
                endEdge();
                edge = static_cast<int>(pairInteger(p));
                counterclockwise = true;
                return;
            }
            switch (p.code) {
                case code::X:
                    ax = pairReal(p);
                    if (edge == HATCH_SPLINE_EDGE) points().push_back({ax, 0, 0});
                    break;
                case code::Y:
                    ay = pairReal(p);
                    if (edge == HATCH_SPLINE_EDGE && !points().empty()) points().back().y = ay;
                    break;
                case code::X2: bx = pairReal(p); break;
                case code::Y2: by = pairReal(p); break;
                case code::HATCH_ARC_RADIUS: radius = pairReal(p); break;
                case code::HATCH_ARC_START: start = pairReal(p); break;
                case code::HATCH_ARC_END: end = pairReal(p); break;
                case code::HATCH_ARC_COUNTERCLOCKWISE:
                    if (edge == HATCH_ARC_EDGE || edge == HATCH_ELLIPSE_EDGE) counterclockwise = pairInteger(p) != 0;
                    break;
                default: break;
            }
        });
        endEdge();
        for (DrawingEntity& loop : loops) {
            if (loop.vertices.empty()) continue;
            if (c.mirrored)
                for (PolylineVertex& v : loop.vertices) v.x = -v.x, v.bulge = -v.bulge;
            Common same = c;
            keep(std::move(loop), same);
        }
    }

    // ---- keeping -------------------------------------------------------------

    // Keeps an entity in the block being read or in model space; false for
    // a paper-space entity of the ENTITIES section, which is left out.
    bool keep(DrawingEntity e, const Common& c) {
        if (!inBlock_ && (c.paperSpace || section_ != "ENTITIES")) return false;
        target_->push_back(std::move(e));
        return true;
    }

    void dropNonFinite(std::vector<DrawingEntity>& entities, const std::string& blockName) {
        std::size_t dropped = 0;
        std::string first;
        std::erase_if(entities, [&](const DrawingEntity& e) {
            if (hasFiniteGeometry(e)) return false;
            if (dropped++ == 0) first = e.handle;
            return true;
        });
        if (dropped == 0) return;
        drawing_.notes.push_back(msg::entitiesDropped(dropped, blockName, first));
    }

    std::string decode(std::string_view raw) { return codec().decode(raw); }

    // Layer names repeat on every entity: each is decoded once.
    const std::string& layerName(std::string_view raw) {
        for (const auto& [bytes, name] : layerNames_)
            if (bytes == raw) return name;
        if (layerNames_.size() >= MAX_DECODED_LAYERS) layerNames_.erase(layerNames_.begin());
        layerNames_.emplace_back(std::string(raw), decode(raw));
        return layerNames_.back().second;
    }

    // A POLYLINE waiting for its vertices, an INSERT for its attributes.
    struct OpenSequence {
        std::vector<DrawingEntity>* container;
        std::size_t index;
        bool mirrored;
    };

    Drawing& drawing_;
    const DxfStructure& structure_;
    std::unique_ptr<DxfTextCodec> codec_;
    std::vector<DrawingEntity>* target_;
    std::vector<DrawingEntity> unnamed_;  // the entities of a block without a name
    bool inBlock_ = false;
    std::string section_;
    std::string type_;  // the type of the object whose pairs are being gathered, "" before the first
    Pairs object_;
    std::vector<double> weights_;
    std::optional<OpenSequence> polyline_;
    std::optional<OpenSequence> insert_;
    std::vector<std::pair<std::string, std::string>> layerNames_;
};

}  // namespace

Drawing readDrawingBytes(std::string bytes, const std::string& path) {
    Drawing drawing;
    drawing.path = path;
    // The entity list made once for the most entities the file can give, so
    // that it is never copied while it grows (a copy held the list twice over).
    drawing.entities.reserve(countDxfObjects(bytes));
    DxfStructure structure;
    DrawingDecoder decoder(drawing, structure);
    scanDxfLayout(bytes, structure, &decoder);
    decoder.finish();
    // A file cut short (a copy broken off, a disk that filled) is read as far
    // as it goes; saving refuses it (dxfwriter.h), as no CAD reader opens it.
    if (structure.endsEarly())
        drawing.notes.push_back(msg::drawingEndsEarly(structure.binary ? msg::dxfByte(structure.dataEnd)
                                                                       : msg::dxfLine(structure.dataEndLine)));
    const DxfTextCodec& codec = decoder.codec();
    drawing.acadVersion = structure.acadVersion.empty() ? "AC1009" : structure.acadVersion;
    drawing.codePage = structure.codePage;
    drawing.insertionUnits = structure.insertionUnits;

    // Coordinate systems: their names from every UCS table (a damaged file may hold more than one).
    for (const DxfTable& table : structure.tables) {
        if (table.name != "UCS") continue;
        for (const DxfTableEntry& entry : table.entries) {
            if (entry.rawName.empty()) continue;
            DrawingUcs u;
            u.name = codec.decode(entry.rawName);
            u.handle = entry.handle;
            if (!drawing.findUcs(u.name)) drawing.ucs.push_back(u);
        }
    }
    const std::string headerLayer = codec.decode(structure.currentLayer);
    const std::string headerTextStyle = codec.decode(structure.currentTextStyle);
    if (!headerLayer.empty() && drawing.findLayer(headerLayer))
        drawing.activeLayer = drawing.findLayer(headerLayer)->name;
    if (!headerTextStyle.empty() && drawing.findTextStyle(headerTextStyle))
        drawing.activeTextStyle = drawing.findTextStyle(headerTextStyle)->name;
    else if (!drawing.findTextStyle(drawing.activeTextStyle) && !drawing.styles.empty())
        drawing.activeTextStyle = drawing.styles.front().name;

    // Fresh handles start above both the handle seed and every handle in use.
    drawing.usesHandles = structure.hasHandles || dxfVersionNumber(drawing.acadVersion) > DXF_R12;
    std::uint64_t next = structure.highestHandle + 1;
    if (structure.handseedPair)
        if (const auto seed = parseHandle(pairName(structure.pairs[*structure.handseedPair]))) next = std::max(next, *seed);
    drawing.nextHandle = next;
    drawing.bytes = std::move(bytes);
    drawing.modified = false;
    return drawing;
}

Drawing readDrawing(const std::string& path) {
    std::string bytes = readFileBytes(path);
    try {
        return readDrawingBytes(std::move(bytes), path);
    } catch (GradixError& e) {
        e.locate(path);
        throw;
    }
}

Drawing newDrawing() {
    Drawing drawing = readDrawingBytes(emptyDrawingDxf(), "");
    drawing.fromTemplate = true;
    return drawing;
}

}  // namespace gradix
