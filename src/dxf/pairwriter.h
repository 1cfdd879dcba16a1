// Writing DXF group pairs, ASCII or binary, in the form of the file they go
// into: the one writer of pairs for everything Gradix writes (the objects a
// save inserts into a plan, the profile sheet).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "dxf/groupcodes.h"

namespace gradix {

// How a file lays out its pairs: ASCII lines with its line end, or binary.
struct PairFormat {
    std::string lineEnd = "\n";
    bool binary = false;
    int codeBytes = 2;  // binary: 1 for R12 and older (255 announces a two-byte code)
};

// A real number as DXF text: the shortest text that reads back as the same
// double, with a decimal point ("5.0", "0.1", "1e+20"); never "-0". Raises
// DataError for a value that is not finite.
std::string formatDxfReal(double value);

// The group pairs of new objects, in the file's own form. ASCII codes are
// right-aligned in three columns, as AutoCAD writes them.
class PairWriter {
public:
    explicit PairWriter(PairFormat format = {}) : f_(std::move(format)) {}
    // A pair whose value is given as its ASCII text (a binary file gets the
    // value in the form its code's kind stores).
    PairWriter& pair(int code, std::string_view value);
    PairWriter& pair(int code, int value) { return integer(code, value); }
    PairWriter& integer(int code, long long value);
    // A real value (formatDxfReal in ASCII). Raises DataError for a value
    // that is not finite.
    PairWriter& real(int code, double value);
    // A point of three reals: codes code, code + 10 and code + 20.
    PairWriter& point(int code, double x, double y, double z = 0.0) {
        return real(code, x).real(code + dxfcode::POINT_Y_OFFSET, y).real(code + dxfcode::POINT_Z_OFFSET, z);
    }
    // The pairs written so far; the writer is empty afterwards.
    std::string take() { return std::move(out_); }
    // What is written so far, for a writer that fills a value in later.
    std::string& text() { return out_; }

private:
    void binaryCode(int code);
    PairWriter& little(std::uint64_t v, int bytes);

    PairFormat f_;
    std::string out_;
};

}  // namespace gradix
