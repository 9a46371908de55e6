#pragma once

#include <cstdint>
#include <vector>

#include "core/image/bitmap.h"

namespace pelko {

// Exact nearest-colour lookup in a colour table of up to 256 entries, by squared RGB
// distance; of equally near entries the lowest index wins.
//
// RGB space is cut into 16x16x16 cubes. For a cube, only entries whose smallest possible
// distance to the cube is at most the smallest largest distance of any entry can be nearest
// to a colour in it; that short candidate list is built the first time the cube is asked
// for. The distances to a cube's candidates are computed four at a time (exact in single
// precision: at most 3 * 255^2). Not thread-safe: use one object per thread.
class NearestColor {
  public:
    explicit NearestColor(const std::vector<Rgb>& table);

    std::uint8_t find(Rgb c);

  private:
    void buildCandidates(int cube);

    std::vector<Rgb> m_table;
    std::vector<std::uint8_t> m_distinct;  // first index of each distinct table colour
    std::vector<int> m_r, m_g, m_b;        // their channels
    std::vector<int> m_minDist;            // scratch for buildCandidates
    // Per cube: the offset of its candidates in the arrays below, -1 while unknown, and their
    // count rounded up to a multiple of four with entries too far away to be nearest.
    std::vector<std::int32_t> m_cubeStart;
    std::vector<std::uint16_t> m_cubeCount;
    std::vector<float> m_candR, m_candG, m_candB;  // the candidates' channels
    std::vector<std::uint8_t> m_candIndex;         // their table indices, in increasing order
};

}  // namespace pelko
