#include "core/codec/nearest_color.h"

#include <algorithm>
#include <limits>

#include "core/error.h"

namespace pelko {
namespace {

constexpr int kCubeBits = 4;  // cubes of 16 values per channel
constexpr int kCubesPerAxis = 256 >> kCubeBits;

int cubeOf(Rgb c) {
    return ((c.r >> kCubeBits) * kCubesPerAxis + (c.g >> kCubeBits)) * kCubesPerAxis +
           (c.b >> kCubeBits);
}

int distance2(Rgb a, Rgb b) {
    const int dr = a.r - b.r, dg = a.g - b.g, db = a.b - b.b;
    return dr * dr + dg * dg + db * db;
}

}  // namespace

NearestColor::NearestColor(const std::vector<Rgb>& table)
    : m_table(table), m_cubeStart(std::size_t(1) << (3 * (8 - kCubeBits)), -1) {
    if (table.empty() || table.size() > 256) {
        throw Error("Invalid colour table");
    }
    for (std::size_t i = 0; i < table.size(); ++i) {
        if (std::find(table.begin(), table.begin() + std::ptrdiff_t(i), table[i]) ==
            table.begin() + std::ptrdiff_t(i)) {
            m_distinct.push_back(std::uint8_t(i));
            m_r.push_back(table[i].r);
            m_g.push_back(table[i].g);
            m_b.push_back(table[i].b);
        }
    }
    m_minDist.resize(m_distinct.size());
}

void NearestColor::buildCandidates(int cube) {
    const int span = (1 << kCubeBits) - 1;
    const int loR = (cube / (kCubesPerAxis * kCubesPerAxis)) << kCubeBits;
    const int loG = (cube / kCubesPerAxis % kCubesPerAxis) << kCubeBits;
    const int loB = (cube % kCubesPerAxis) << kCubeBits;
    const int hiR = loR + span, hiG = loG + span, hiB = loB + span;
    // Per entry: the smallest squared distance to any colour in the cube, and the largest;
    // the smallest "largest" bounds the distance from any colour in the cube to its nearest.
    // Branch-free over plain arrays, so the compiler can vectorise it.
    const std::size_t n = m_distinct.size();
    int bound = std::numeric_limits<int>::max();
    for (std::size_t k = 0; k < n; ++k) {
        const int r = m_r[k], g = m_g[k], b = m_b[k];
        const int nr = std::max(std::max(loR - r, r - hiR), 0);
        const int ng = std::max(std::max(loG - g, g - hiG), 0);
        const int nb = std::max(std::max(loB - b, b - hiB), 0);
        const int fr = std::max(r - loR, hiR - r);
        const int fg = std::max(g - loG, hiG - g);
        const int fb = std::max(b - loB, hiB - b);
        m_minDist[k] = nr * nr + ng * ng + nb * nb;
        bound = std::min(bound, fr * fr + fg * fg + fb * fb);
    }
    m_cubeStart[std::size_t(cube)] = std::int32_t(m_candidates.size());
    const std::size_t countAt = m_candidates.size();
    m_candidates.push_back(0);
    for (std::size_t k = 0; k < n; ++k) {
        if (m_minDist[k] <= bound) {
            m_candidates.push_back(m_distinct[k]);
        }
    }
    m_candidates[countAt] = std::uint16_t(m_candidates.size() - countAt - 1);
}

std::uint8_t NearestColor::find(Rgb c) {
    const int cube = cubeOf(c);
    if (m_cubeStart[std::size_t(cube)] < 0) {
        buildCandidates(cube);
    }
    const std::uint16_t* list = m_candidates.data() + m_cubeStart[std::size_t(cube)];
    const int count = list[0];
    std::uint8_t best = std::uint8_t(list[1]);
    int bestDist = distance2(c, m_table[best]);
    for (int k = 2; k <= count; ++k) {
        const int d = distance2(c, m_table[list[k]]);
        if (d < bestDist) {
            bestDist = d;
            best = std::uint8_t(list[k]);
        }
    }
    return best;
}

}  // namespace pelko
