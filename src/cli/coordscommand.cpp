// coords: the alignment's point and bearing at chainages, or every S metres
// from A to B, with side stakes.
#include <CLI/CLI.hpp>

#include <charconv>
#include <memory>
#include <optional>
#include <ostream>

#include "cli/arguments.h"
#include "cli/clitexts.h"
#include "commands/stakeoutfile.h"
#include "setout/stakeplaces.h"
#include "setout/stakestable.h"
#include "stakes/stakes.h"
#include "text/messages.h"
#include "text/numbers.h"

namespace gradix::cli {

namespace {

constexpr const char* DESCRIPTION =
    "线形在里程处的坐标和方位角，可加边桩。\n"
    "输出线形在各里程处的 里程、X（北）、Y（东）、方位角（弧度），或\n"
    "自A至B每S米一行；--offset 的每个边桩再加其X、Y两列。\n"
    "里程为数（可为负）；带断链标识或K写法的（B2320、K2+320）是桩号，\n"
    "按项目的断链换算为里程。\n"
    "给出横断面（--sup、--wid）和纵断面（--profile 或 --landxml 自带）时，\n"
    "每个边桩在X、Y之后再加其路面设计高程一列（土路肩边缘以外为\n"
    "beyond-edge，纵断面范围以外为空）。\n"
    "--stakeout 另把中桩和边桩写成放样点文件（同 table stakes --stakeout）。";
// More rows than this in one coordinate table is taken for a typing mistake.
constexpr double MAX_TABLE_ROWS = 1e8;

struct CoordsOptions {
    ProjectOptions project;
    SurfaceOptions surface;
    FieldOptions field;
    std::string offset, from, to, every;
    CLI::Option* offsetOption = nullptr;
    CLI::Option* fromOption = nullptr;
    std::vector<std::string> chainages;
};

// The rows of coords, written into one buffer that goes to the stream in
// blocks: every number through std::to_chars into the buffer, so that a row
// allocates nothing (150,001 rows made 450,000 strings before).
class RowWriter {
public:
    // With a surface (and the profile its design line lies on), each side
    // point also gets its elevation.
    RowWriter(std::ostream& out, const Surface* surface, const Profile* profile)
        : out_(out), surface_(surface), profile_(profile) {
        buffer_.reserve(BLOCK_BYTES + ROW_BYTES);
    }

    // CHAINAGE, X, Y, BEARING and, per offset, the side point's X and Y
    // (and elevation).
    void write(const Alignment& alignment, double chainage, const std::vector<double>& offsets) {
        double x = 0.0, y = 0.0, bearing = 0.0;
        PointAtChainage(alignment, chainage, x, y, bearing);
        if (stakeout_)
            addStakeoutPoints(*stakeout_, formatStake(*breaks_, chainage), chainage, x, y, bearing,
                              designWithin(profile_, chainage), offsets, surface_, "");
        number(chainage);
        buffer_ += TAB;
        number(x);
        buffer_ += TAB;
        number(y);
        buffer_ += TAB;
        number(bearing);
        const std::optional<DesignPoint> design = surface_ ? designWithin(profile_, chainage) : std::nullopt;
        const Section section = design ? sectionAt(*surface_, chainage) : Section{};
        for (double d : offsets) {
            const PlanePoint side = sidePoint(x, y, bearing, d);
            buffer_ += TAB;
            number(side.x);
            buffer_ += TAB;
            number(side.y);
            if (!surface_) continue;
            buffer_ += TAB;
            if (!design) continue;
            const SurfacePoint p = surfacePointOf(*surface_, section, design->elevation, d);
            if (p.beyondEdge)
                buffer_ += NOTE_BEYOND_EDGE;
            else
                number(p.elevation);
        }
        buffer_ += '\n';
        if (buffer_.size() >= BLOCK_BYTES) flush();
    }

    // Collects the stake-out points of the rows into points, the stakes named
    // through breaks (and the design from profile, when there is one).
    void collectStakeout(std::vector<StakeoutPoint>& points, const ChainBreakTable& breaks, const Profile* profile) {
        stakeout_ = &points;
        breaks_ = &breaks;
        if (!profile_) profile_ = profile;
    }

    // Hands the rows written so far to the stream.
    void flush() {
        out_.write(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
        buffer_.clear();
    }

private:
    static constexpr std::size_t BLOCK_BYTES = 1 << 16;
    static constexpr std::size_t ROW_BYTES = 1 << 10;
    static constexpr std::size_t NUMBER_BYTES = 32;  // the longest shortest form of a double is 24

    // The shortest text that reads back to the same double, as shortestText.
    void number(double v) {
        char text[NUMBER_BYTES];
        const std::to_chars_result written = std::to_chars(text, text + NUMBER_BYTES, v);
        buffer_.append(text, written.ptr);
    }

    std::ostream& out_;
    const Surface* surface_;
    const Profile* profile_;
    std::vector<StakeoutPoint>* stakeout_ = nullptr;
    const ChainBreakTable* breaks_ = nullptr;
    std::string buffer_;
};

Outcome run(const CoordsOptions& o, CommandContext& c) {
    const std::vector<double> offsets = o.offsetOption->count() > 0 ? offsetList(o.offset) : std::vector<double>{};
    const bool table = o.fromOption->count() > 0;
    if (!table && o.chainages.empty()) throw UsageError{usage::NO_CHAINAGE};
    const std::vector<std::string> given = table ? std::vector<std::string>{o.from, o.to} : o.chainages;
    // What is neither a number nor a stake is a usage mistake before loading.
    for (const std::string& text : given)
        if (!namesStake(text)) numberArgument(text);
    const double step = table ? numberArgument(o.every) : 0.0;
    if (table && !(step > 0.0)) throw UsageError{usage::EVERY_NOT_POSITIVE};
    o.project.requireAlignment();
    if (o.surface.given()) o.project.requireProfileGiven();
    if (o.field.stakeout.given()) {
        std::vector<std::string> read = o.project.files();
        for (const std::string& f : o.surface.files()) read.push_back(f);
        for (const std::string& f : o.field.files()) read.push_back(f);
        requireNotRead(o.field.stakeout.path, read);
    }
    const FieldSystems systems = o.field.systems();

    if (Outcome loaded = o.project.load(c.project); !loaded) return loaded;
    o.surface.load(c.project);
    if (o.surface.given()) o.project.requireProfile(c.project);
    // A plain number is a chainage; a stake with a stretch letter or in K
    // notation is converted through the project's chain breaks.
    std::vector<double> chainages;
    for (const std::string& text : given) {
        double chainage = 0.0;
        if (Outcome read = chainageArgument(c.project.breaks, text, chainage); !read) return read;
        chainages.push_back(chainage);
    }
    const Alignment& alignment = c.project.alignment;
    if (table && chainages[0] > chainages[1]) throw UsageError{usage::RANGE_REVERSED};
    // A table stops at the ends of the road, with a note; a chainage given
    // beyond them is refused, as compute refuses a stake beyond the profile.
    const double roadStart = alignment.elemChainage[1];
    const double roadEnd = alignment.elemChainage[static_cast<std::size_t>(alignment.elemCount) + 1];
    if (table) {
        const RoadRange range = rangeOnRoad(roadStart, roadEnd, chainages[0], chainages[1], c.project.breaks);
        chainages = {range.from, range.to};
        if (!range.note.empty()) c.notes.push_back(range.note);
    }
    if (table && (chainages[1] - chainages[0]) / step > MAX_TABLE_ROWS) throw UsageError{usage::TOO_MANY_ROWS};
    const bool elevations = c.project.surface.loaded();
    RowWriter rows(c.out, elevations ? &c.project.surface : nullptr, elevations ? &c.project.profile : nullptr);
    std::vector<StakeoutPoint> stakeout;
    if (o.field.stakeout.given())
        rows.collectStakeout(stakeout, c.project.breaks, o.project.hasDesign(c.project) ? &c.project.profile : nullptr);
    try {
        if (!table) {
            for (std::size_t i = 0; i < chainages.size(); ++i) {
                const double chainage = chainages[i];
                if (!(roadStart - MIN_STAKE_INTERVAL <= chainage && chainage <= roadEnd + MIN_STAKE_INTERVAL)) {
                    rows.flush();
                    return Outcome::refused(msg::chainageOffAlignment(given[i]),
                                            msg::outsideAlignment(chainage, roadStart, roadEnd));
                }
                rows.write(alignment, chainage, offsets);
            }
        } else {
            const double start = chainages[0], end = chainages[1];
            // A + i·S (multiplied, not accumulated) while below B, then B itself.
            for (long i = 0;; ++i) {
                const double chainage = start + static_cast<double>(i) * step;
                if (!(chainage < end)) break;
                rows.write(alignment, chainage, offsets);
            }
            rows.write(alignment, end, offsets);
        }
    } catch (...) {
        rows.flush();  // the rows before a failure stay
        throw;
    }
    rows.flush();
    if (o.field.stakeout.given()) writeStakeoutFile(o.field.stakeout.path, stakeout, systems);
    return Outcome::done();
}

}  // namespace

void addCoordsCommand(CommandRegistry& registry) {
    auto o = std::make_shared<CoordsOptions>();
    CLI::App* command = registry.command("coords", DESCRIPTION);
    o->project.addLandXml(command, o->project.addIcd(command));
    o->offsetOption = command->add_option("--offset", o->offset, help::OFFSET)->type_name("D[,D...]");
    o->project.addProfile(command);
    o->surface.add(command)->needs(o->offsetOption);
    o->field.addStakeout(command);
    o->field.add(command);
    o->fromOption = command->add_option("--from", o->from, "表的起点里程A（米）或桩号")->type_name("A");
    CLI::Option* to = command->add_option("--to", o->to, "表的终点里程B（米）或桩号")->type_name("B");
    CLI::Option* every = command->add_option("--every", o->every, "表的步长S（米，>0）")->type_name("S");
    o->fromOption->needs(to)->needs(every);
    to->needs(o->fromOption)->needs(every);
    every->needs(o->fromOption)->needs(to);
    command->add_option(help::CHAINAGE, o->chainages, "里程（米）或桩号（或 --from、--to 和 --every）")
        ->type_name(help::CHAINAGE)
        ->excludes(o->fromOption);
    registry.onRun(command, [o](CommandContext& c) { return run(*o, c); });
}

}  // namespace gradix::cli
