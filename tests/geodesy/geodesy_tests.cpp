// The field's coordinates: CGCS2000 latitude and longitude into 3° Gauss-
// Krüger zones checked against an independent program, round trips through
// PROJ and through a fit, the fit recovering a transform made by hand, and
// every refusal of bad input with its message.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <functional>
#include <sstream>

#include "geodesy/crs.h"
#include "setout/controlfit.h"
#include "setout/fieldsystems.h"
#include "support/external_program.h"
#include "support/test_data.h"
#include "text/failures.h"
#include "text/numbers.h"

namespace gradix {
namespace {

using testing::TempFolder;

// CGCS2000 3-degree Gauss-Kruger CM 75E .. CM 135E: EPSG:4534 + (CM − 75)/3.
constexpr int FIRST_ZONE_EPSG = 4534, FIRST_MERIDIAN = 75, ZONES = 21;
constexpr const char* GRS80 = "6378137 1/298.257222101";

// 100 points across China (20°N to 53°N, 75°E to 135°E), each within ±1.4°
// of its zone's central meridian and its zone's area of use; and their
// northing and easting by TransverseMercatorProj on the GRS80 ellipsoid, scale 1.
TEST(FieldCoordinates, ZonesAgreeWithGeographicLibAcrossChina) {
    GRADIX_NEED(testing::programAvailable("TransverseMercatorProj"), "GeographicLib's TransverseMercatorProj");
    TempFolder folder("geodesy");
    struct Point {
        double lat, lon;
        CrsPoint gradix;
    };
    std::vector<std::vector<Point>> zones(ZONES);
    std::size_t count = 0;
    for (int i = 0; count < 100 && i < 1000; ++i) {
        const int zone = i % ZONES, meridian = FIRST_MERIDIAN + 3 * zone;
        const double lat = 20.0 + std::fmod(i * 7.31, 33.0), lon = meridian - 1.4 + std::fmod(i * 0.377, 2.8);
        const CrsConversion c("EPSG:4490", "EPSG:" + std::to_string(FIRST_ZONE_EPSG + zone));
        if (c.systemExcluding({lat, lon})) continue;  // off the zone's land and sea
        const std::optional<CrsPoint> p = c.convert({lat, lon});
        ASSERT_TRUE(p);
        zones[zone].push_back({lat, lon, *p});
        ++count;
    }
    ASSERT_EQ(count, 100u);
    for (int zone = 0; zone < ZONES; ++zone) {
        std::string input;
        for (const Point& p : zones[zone]) input += shortestText(p.lat) + " " + shortestText(p.lon) + "\n";
        const testing::ProgramRun run = testing::runProgram(
            "TransverseMercatorProj -p 9 -k 1 -e " + std::string(GRS80) + " -l " + std::to_string(FIRST_MERIDIAN + 3 * zone),
            input, folder);
        ASSERT_EQ(run.exitCode, 0);
        std::istringstream lines(run.out);
        for (const Point& p : zones[zone]) {
            double easting = 0, northing = 0, convergence = 0, scale = 0;
            ASSERT_TRUE(lines >> easting >> northing >> convergence >> scale);
            EXPECT_NEAR(p.gradix.north, northing, 1e-6) << p.lat << " " << p.lon;
            EXPECT_NEAR(p.gradix.east, 500000.0 + easting, 1e-6) << p.lat << " " << p.lon;
        }
    }
}

// Conversions there and back, and the same zone named two ways.
TEST(FieldCoordinates, RoundTripsAndKnownPoints) {
    const std::string zone117 = "+proj=tmerc +lon_0=117 +k=1 +x_0=500000 +ellps=GRS80 +units=m";
    struct Row {
        std::string from, to;
        CrsPoint in, expected;
        double tolerance;
    } rows[] = {
        {"EPSG:4490", "EPSG:4548", {30.0, 117.01}, {3320113.4399, 500964.8628}, 5e-5},
        {"EPSG:4548", "EPSG:4490", {3320113.4399, 500964.8628}, {30.0, 117.01}, 1e-9},
        {"EPSG:4548", zone117, {3345678.123, 512345.678}, {3345678.123, 512345.678}, 1e-6},
        {"EPSG:4548", "EPSG:4549", {3345678.123, 512345.678}, {3349161.7649, 223500.7728}, 1e-4},
    };
    for (const Row& r : rows) {
        const CrsConversion there(r.from, r.to), back(r.to, r.from);
        const CrsPoint p = *there.convert(r.in), q = *back.convert(p);
        EXPECT_NEAR(p.north, r.expected.north, r.tolerance) << r.from << " → " << r.to;
        EXPECT_NEAR(p.east, r.expected.east, r.tolerance) << r.from << " → " << r.to;
        const double backTolerance = there.source().geographic ? 1e-11 : 1e-6;
        EXPECT_NEAR(q.north, r.in.north, backTolerance) << r.from << " ⇄ " << r.to;
        EXPECT_NEAR(q.east, r.in.east, backTolerance) << r.from << " ⇄ " << r.to;
    }
}

// Latitudes and longitudes as a receiver writes them.
TEST(FieldCoordinates, DegreesInTheirForms) {
    const struct {
        const char* text;
        std::optional<double> degrees;
    } rows[] = {{"30", 30.0},           {"-117.25", -117.25},       {"30:30:00", 30.5},
                {"30:00:36.000", 30.01}, {"30°00'36.000\"", 30.01}, {"30°00′36″", 30.01},
                {"-30°30'", -30.5},     {"30°", 30.0},              {"30:60:00", std::nullopt},
                {"30:00:75", std::nullopt}, {"30°-5'", std::nullopt}, {"abc", std::nullopt},
                {"", std::nullopt},     {"30:00:00x", std::nullopt}};
    for (const auto& r : rows) {
        const std::optional<double> v = parseDegrees(r.text);
        ASSERT_EQ(v.has_value(), r.degrees.has_value()) << r.text;
        if (v) {
            EXPECT_NEAR(*v, *r.degrees, 1e-12) << r.text;
        }
    }
}

std::vector<SurveyPoint> points(const std::vector<std::array<double, 3>>& xyz) {
    std::vector<SurveyPoint> out;
    for (std::size_t i = 0; i < xyz.size(); ++i)
        out.push_back({"P" + std::to_string(i + 1), xyz[i][0], xyz[i][1], xyz[i][2], static_cast<long>(i + 1)});
    return out;
}

// Control points in a zone spread over 3 km, and their images under a transform.
const std::vector<std::array<double, 3>> CONTROL = {{3345000.0, 512000.0, 100.0},  {3346000.0, 512500.0, 101.5},
                                                    {3346800.0, 513600.0, 103.0},  {3345500.0, 513200.0, 99.0},
                                                    {3347900.0, 514900.0, 104.25}, {3344100.0, 511300.0, 98.5}};

std::vector<SurveyPoint> imagesOf(const std::vector<SurveyPoint>& from, const FieldTransform& t) {
    std::vector<SurveyPoint> to = from;
    for (SurveyPoint& p : to) {
        const PlanePoint q = t.plane.apply(p.x, p.y);
        p.x = q.x, p.y = q.y;
        if (t.height) *p.z += t.height->at(p.x, p.y);
    }
    return to;
}

// The fit gives back a transform made by hand, exactly to 1e-9 m at the
// control points, through its saved form too; and back again (inverse).
TEST(FieldCoordinates, FitRecoversAHandMadeTransform) {
    const struct {
        std::size_t count;
        double dx, dy, seconds, ppm;
        std::optional<HeightTransform> height;
    } rows[] = {
        {2, 120.5, -80.25, 0.0, 0.0, HeightTransform{false, -2.75}},
        {3, -3300000.0, -500000.0, 12.5, 25.0, HeightTransform{true, 1.5, 1e-4, -2e-4, 45000.0, 12000.0}},
        {6, 2500.125, -1800.5, -3600.0, -150.0, std::nullopt},
        {6, 0.0, 0.0, 45.0 * 3600.0, 1e4, HeightTransform{true, 0.0, 3e-5, 1e-5, 3345000.0, 512000.0}},
    };
    TempFolder folder("fit");
    for (const auto& r : rows) {
        const std::vector<SurveyPoint> from = points({CONTROL.begin(), CONTROL.begin() + r.count});
        const FieldTransform made{PlaneTransform::of(r.dx, r.dy, r.seconds, r.ppm), r.height};
        const std::vector<SurveyPoint> to = imagesOf(from, made);
        const ControlFit fit = fitControlPoints(from, to, r.height.has_value());
        const FieldTransform saved = readFieldTransform(folder.writeNext(fieldTransformText(fit.transform)));
        EXPECT_NEAR(fit.transform.plane.rotationSeconds(), r.seconds, 1e-6) << r.count;
        EXPECT_NEAR(fit.transform.plane.scalePpm(), r.ppm, 1e-6) << r.count;
        EXPECT_LT(fit.rms, 1e-9) << r.count;
        EXPECT_FALSE(fit.badPoint) << r.count;
        for (const FieldTransform* t : {&fit.transform, &saved})
            for (std::size_t i = 0; i < from.size(); ++i) {
                const PlanePoint q = t->plane.apply(from[i].x, from[i].y), back = t->plane.inverse(q.x, q.y);
                EXPECT_NEAR(q.x, to[i].x, 1e-9) << r.count << " P" << i + 1;
                EXPECT_NEAR(q.y, to[i].y, 1e-9) << r.count << " P" << i + 1;
                EXPECT_NEAR(back.x, from[i].x, 1e-9) << r.count << " P" << i + 1;
                EXPECT_NEAR(back.y, from[i].y, 1e-9) << r.count << " P" << i + 1;
                if (r.height) {
                    EXPECT_NEAR(*from[i].z + t->height->at(q.x, q.y), *to[i].z, 1e-9) << r.count;
                }
            }
    }
}

// A GNSS point into an independent project system (zone, then the fit with
// its heights) and, as a stake-out point, back out to latitude and longitude.
TEST(FieldCoordinates, PointsGoIntoTheProjectAndComeBackOut) {
    const FieldTransform fit{PlaneTransform::of(-3299784.15, -500089.67, -124.9, -36.0),
                             HeightTransform{true, 0.18, 1e-5, -7e-6, 47691.8, 11442.7}};
    const struct {
        std::optional<FieldTransform> transform;
        double expectedX, expectedY;  // in the project's system
    } rows[] = {{std::nullopt, 3320113.4399, 500964.8628}, {fit, 20512.4966, -1153.2972}};  // the fit by hand
    for (const auto& r : rows) {
        const FieldSystems systems{"EPSG:4548", "EPSG:4490", "EPSG:4490", r.transform};
        const SurveyPoint in = PointsIntoProject(systems).convert({"G", 30.0, 117.01, 50.0, 1});
        EXPECT_NEAR(in.x, r.expectedX, 1e-4);
        EXPECT_NEAR(in.y, r.expectedY, 1e-4);
        std::vector<StakeoutPoint> out = {{"G", in.x, in.y, in.z, ""}};
        PointsOutOfProject(systems).convert(out);
        EXPECT_NEAR(out[0].x, 30.0, 1e-11);
        EXPECT_NEAR(out[0].y, 117.01, 1e-11);
        EXPECT_NEAR(*out[0].h, 50.0, 1e-9);
        if (r.transform) {
            EXPECT_NEAR(*in.z - 50.0, fit.height->at(in.x, in.y), 1e-12);
        }
    }
}

// One point of six moved by 5 cm is the one named, and only it.
TEST(FieldCoordinates, FitNamesTheBadPoint) {
    const std::vector<SurveyPoint> from = points(CONTROL);
    for (std::size_t bad = 0; bad < from.size(); ++bad) {
        std::vector<SurveyPoint> to = imagesOf(from, {PlaneTransform::of(10.0, 20.0, 3.0, 5.0), std::nullopt});
        to[bad].y += 0.05;
        const ControlFit fit = fitControlPoints(from, to, false);
        ASSERT_TRUE(fit.badPoint) << bad;
        EXPECT_EQ(*fit.badPoint, bad);
        EXPECT_NE(fitReport(fit).find("粗差点\t" + to[bad].name), std::string::npos);
    }
}

// Each bad input refused with its own message.
TEST(FieldCoordinates, BadInputIsRefusedWithItsReason) {
    TempFolder folder("field-bad");
    const std::vector<SurveyPoint> control = points(CONTROL);
    const std::vector<SurveyPoint> collinear =
        points({{3345000.0, 512000.0, 1.0}, {3346000.0, 513000.0, 2.0}, {3347000.0, 514000.0, 4.0}});
    std::vector<SurveyPoint> withoutHeights = control;
    for (SurveyPoint& p : withoutHeights) p.z.reset();
    const auto withProjData = [&folder](const std::function<void()>& f) {
        ::setenv("PROJ_DATA", folder.folder().c_str(), 1);
        try {
            f();
        } catch (...) {
            ::unsetenv("PROJ_DATA");
            throw;
        }
        ::unsetenv("PROJ_DATA");
    };
    const struct {
        const char* what;
        std::function<void()> run;
        const char* reason;
    } rows[] = {
        {"unknown EPSG", [] { CrsConversion("EPSG:4490", "EPSG:99999"); }, "PROJ不认识坐标系\"EPSG:99999\""},
        {"not a system", [] { CrsConversion("EPSG:4490", "+proj=nonsense"); }, "PROJ不认识坐标系"},
        {"geocentric", [] { CrsConversion("EPSG:4490", "EPSG:4479"); }, "既不是地理坐标系"},
        {"outside the zone",
         [] { PointsIntoProject({"EPSG:4548", "EPSG:4490", "", {}}).convert({"A", 30.0, 100.0, {}, 1}); },
         "点在坐标系CGCS2000 / 3-degree Gauss-Kruger CM 117E的适用范围以外"},
        {"no project system", [] { PointsIntoProject({"", "EPSG:4490", "", {}}); }, "未给出项目坐标系"},
        {"one point", [&] { fitControlPoints(control, {control[0]}, false); }, "同名的控制点有1个，至少需要2个"},
        {"name twice", [&] { fitControlPoints({control[0], control[0]}, {control[0], control[1]}, false); },
         "点名\"P1\"出现两次"},
        {"points coincide", [&] { fitControlPoints(points({{1, 1, 0}, {1, 1, 0}}), control, false); }, "全部重合"},
        {"collinear heights", [&] { fitControlPoints(collinear, collinear, true); }, "位于一条直线上"},
        {"no heights", [&] { fitControlPoints(withoutHeights, control, true); }, "都有高程的同名控制点有0个"},
        {"bad saved fit", [&] { readFieldTransform(folder.writeNext("dx 1\ndy 2\nrotation x\n")); }, "四参数文件的行"},
        {"incomplete fit", [&] { readFieldTransform(folder.writeNext("dx 1\ndy 2\n")); }, "缺少"},
        {"no database", [&] { withProjData([] { CrsConversion("EPSG:4490", "EPSG:4548"); }); }, "proj.db"},
    };
    for (const auto& r : rows) {
        try {
            r.run();
            ADD_FAILURE() << r.what << ": accepted";
        } catch (const DataError& e) {
            EXPECT_NE(e.detail().find(r.reason), std::string::npos) << r.what << ": " << e.detail();
        }
    }
}

}  // namespace
}  // namespace gradix
