#pragma once

#include <array>
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
//
// A table that changed only in some entries (`moved`) also answers findAfterMove: the nearest
// entry of a colour whose nearest entry before the change did not move. Only a moved entry
// can have come nearer, so only the cube's moved candidates are compared.
class NearestColor {
  public:
    explicit NearestColor(const std::vector<Rgb>& table);
    NearestColor(const std::vector<Rgb>& table, const std::array<bool, 256>& moved);

    // Starts over with a changed table (and the entries that moved, or none), keeping the
    // memory of the candidate lists: a search used for step after step does not allocate and
    // fault in its lists again each time.
    void reset(const std::vector<Rgb>& table, const std::array<bool, 256>* moved);

    std::uint8_t find(Rgb c);
    // `before` was the nearest entry of c before the change and is not one of the moved ones.
    std::uint8_t findAfterMove(Rgb c, std::uint8_t before);

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
    // The same per cube for the candidates that moved, when a moved set was given.
    bool m_trackMoves = false;
    std::array<bool, 256> m_moved{};
    std::vector<std::int32_t> m_movedStart;
    std::vector<std::uint16_t> m_movedCount;
    std::vector<float> m_movedR, m_movedG, m_movedB;  // padded to four like the candidates
    std::vector<std::uint8_t> m_movedIndex;
};

}  // namespace pelko
