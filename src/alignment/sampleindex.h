// A spatial index over the alignment samples: the nearest sample of a plane
// point without measuring the distance to every sample.
//
// The samples lie one metre apart along the road, so runs of consecutive
// samples are small in the plane. The index is a binary tree of bounding
// boxes over runs of SAMPLE_INDEX_LEAF consecutive samples; a query descends
// nearer boxes first and leaves out a box only when every sample in it must
// be strictly farther than the best found so far, with a margin that covers
// the rounding of the distances (see nearest()). The answer is therefore
// exactly the sample the full scan (nearestSample) finds: the least distance
// sqrt(dx*dx + dy*dy) as that scan computes it, the lowest index on ties.
#pragma once

#include <cstddef>
#include <vector>

namespace gradix {

// Consecutive samples in one leaf box of the index.
inline constexpr std::size_t SAMPLE_INDEX_LEAF = 8;

class SampleIndex {
public:
    // Indexes samples 1..count of the coordinate arrays (m, X north, Y east;
    // entries 0..count+1 must exist). Every indexed coordinate must be finite.
    SampleIndex(const std::vector<double>& sampleX, const std::vector<double>& sampleY, std::size_t count);

    // Number of indexed samples (1..count).
    std::size_t size() const { return count_; }

    // Index k in 1..size() of the sample nearest to the finite plane point
    // (m), lowest index on ties: the answer of the full scan.
    std::size_t nearest(double pointX, double pointY) const;

private:
    struct Node {
        double minX, minY, maxX, maxY;  // bounding box of the node's samples (m)
        std::size_t first, last;        // samples first..last (1-based, inclusive)
        int left, right;                // child nodes, -1 for a leaf
    };
    int build(std::size_t first, std::size_t last);

    std::vector<double> x_, y_;  // copies, indexed as the sample table
    std::vector<Node> nodes_;
    std::size_t count_ = 0;
};

}  // namespace gradix
