// Loading the AL01 file (ProVI export, 11 alignments, 186 kB): one alignment
// of 103 elements with its profile, and all eleven, beside the ICD reading
// of that same alignment written as an ICD file. The aim: AL01 loads in
// under 20 ms.
#include <benchmark/benchmark.h>

#include <charconv>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

#include "alignment/alignment.h"
#include "landxml/landxml.h"

namespace {

using namespace gradix;
namespace fs = std::filesystem;

const std::string AL01 = std::string(GRADIX_SHARED_DATA) + "/ifc4x-if/AL01/BC001_Alignment.xml";
const char* FIRST_ALIGNMENT = "A50034A";

std::string number(double v) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, v);
    return std::string(buffer, result.ptr);
}

// The ICD records of a read alignment (kind, parameter A, radii, direction).
std::string icdText(const Alignment& al) {
    const double bearing = al.elemStartBearing[1];  // dqicd takes the header bearing in radians
    std::string text = number(al.elemChainage[1]) + "\n" + number(al.elemStartX[1]) + "," + number(al.elemStartY[1]) +
                       "," + number(bearing) + "\n";
    for (int i = 1; i <= al.elemCount; ++i) {
        const double r1 = al.elemStartRadius[i], r2 = al.elemEndRadius[i], l = al.elemLength[i];
        const double turning = r1 != INFINITE_RADIUS ? r1 : r2;
        const std::string dir = turning > 0.0 ? "1" : "-1";
        switch (elementKind(r1, r2)) {
        case ElementKind::Line: text += "1," + number(l) + "\n"; break;
        case ElementKind::Arc: text += "2," + number(std::fabs(r1)) + "," + number(l) + "," + dir + "\n"; break;
        case ElementKind::EnteringSpiral:
            text += "3," + number(std::sqrt(l * std::fabs(r2))) + "," + number(std::fabs(r2)) + "," + dir + "\n";
            break;
        case ElementKind::ExitSpiral:
            text += "4," + number(std::sqrt(l * std::fabs(r1))) + "," + number(std::fabs(r1)) + "," + dir + "\n";
            break;
        case ElementKind::PartialSpiral:
            text += "5," + number(std::sqrt(l * std::fabs(r1 * r2 / (r1 - r2)))) + "," + number(std::fabs(r1)) + "," +
                    number(std::fabs(r2)) + "," + dir + "\n";
            break;
        }
    }
    return text;
}

const std::string& icdFile() {
    static const std::string path = [] {
        const std::string p = (fs::temp_directory_path() / ("gradix-bench-al01-" + std::to_string(getpid()) + ".icd")).string();
        std::ofstream(p, std::ios::binary) << icdText(readLandXml(AL01, {FIRST_ALIGNMENT, ""}).alignment);
        return p;
    }();
    return path;
}

bool haveAl01(benchmark::State& state) {
    if (fs::is_regular_file(AL01)) return true;
    state.SkipWithError(("shared test data absent: " + AL01).c_str());
    return false;
}

void BM_LandXml_Al01_OneAlignment(benchmark::State& state) {
    if (!haveAl01(state)) return;
    for (auto _ : state) {
        LandXmlProject p = readLandXml(AL01, {FIRST_ALIGNMENT, ""});
        benchmark::DoNotOptimize(p.alignment.elemStartX.data());
    }
}

void BM_LandXml_Al01_AllAlignments(benchmark::State& state) {
    if (!haveAl01(state)) return;
    for (auto _ : state) {
        for (const LandXmlAlignmentSummary& s : listLandXml(AL01)) {
            LandXmlProject p = readLandXml(AL01, {s.name, ""});
            benchmark::DoNotOptimize(p.alignment.elemStartX.data());
        }
    }
}

void BM_Icd_Al01_OneAlignment(benchmark::State& state) {
    if (!haveAl01(state)) return;
    const std::string& path = icdFile();
    const double pi = 4.0 * std::atan(1.0);
    for (auto _ : state) {
        Alignment al;
        ChainBreakTable breaks;
        dqicd(path, al, breaks, pi);
        benchmark::DoNotOptimize(al.elemStartX.data());
    }
}

}  // namespace

BENCHMARK(BM_LandXml_Al01_OneAlignment)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LandXml_Al01_AllAlignments)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Icd_Al01_OneAlignment)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
