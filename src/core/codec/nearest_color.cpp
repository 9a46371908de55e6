#include "core/codec/nearest_color.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <bit>
#include <limits>

#include "core/error.h"

namespace pelko {
namespace {

constexpr int kCubeBits = 4;  // cubes of 16 values per channel
constexpr int kCubesPerAxis = 256 >> kCubeBits;
// The channels of padding candidates: farther from any colour than any table entry.
constexpr float kFarAway = 10000.0f;

int cubeOf(Rgb c) {
    return ((c.r >> kCubeBits) * kCubesPerAxis + (c.g >> kCubeBits)) * kCubesPerAxis +
           (c.b >> kCubeBits);
}

}  // namespace

NearestColor::NearestColor(const std::vector<Rgb>& table) {
    reset(table, nullptr);
}

NearestColor::NearestColor(const std::vector<Rgb>& table, const std::array<bool, 256>& moved) {
    reset(table, &moved);
}

void NearestColor::reset(const std::vector<Rgb>& table, const std::array<bool, 256>* moved) {
    if (table.empty() || table.size() > 256) {
        throw Error("Invalid colour table");
    }
    m_table = table;
    m_distinct.clear();
    m_r.clear();
    m_g.clear();
    m_b.clear();
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
    const std::size_t cubes = std::size_t(1) << (3 * (8 - kCubeBits));
    m_cubeStart.assign(cubes, -1);
    m_cubeCount.assign(cubes, 0);
    m_candR.clear();
    m_candG.clear();
    m_candB.clear();
    m_candIndex.clear();
    m_trackMoves = moved != nullptr;
    m_moved = moved ? *moved : std::array<bool, 256>{};
    m_movedStart.assign(m_trackMoves ? cubes : 0, 0);
    m_movedCount.assign(m_trackMoves ? cubes : 0, 0);
    m_movedR.clear();
    m_movedG.clear();
    m_movedB.clear();
    m_movedIndex.clear();
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
    const std::size_t start = m_candIndex.size();
    auto add = [this](float r, float g, float b, std::uint8_t index) {
        m_candR.push_back(r);
        m_candG.push_back(g);
        m_candB.push_back(b);
        m_candIndex.push_back(index);
    };
    const std::size_t movedStart = m_movedIndex.size();
    for (std::size_t k = 0; k < n; ++k) {
        if (m_minDist[k] <= bound) {
            add(float(m_r[k]), float(m_g[k]), float(m_b[k]), m_distinct[k]);
            if (m_trackMoves && m_moved[m_distinct[k]]) {
                m_movedR.push_back(float(m_r[k]));
                m_movedG.push_back(float(m_g[k]));
                m_movedB.push_back(float(m_b[k]));
                m_movedIndex.push_back(m_distinct[k]);
            }
        }
    }
    if (m_trackMoves) {
        while ((m_movedIndex.size() - movedStart) % 4 != 0) {
            m_movedR.push_back(kFarAway);
            m_movedG.push_back(kFarAway);
            m_movedB.push_back(kFarAway);
            m_movedIndex.push_back(0);
        }
        m_movedStart[std::size_t(cube)] = std::int32_t(movedStart);
        m_movedCount[std::size_t(cube)] = std::uint16_t(m_movedIndex.size() - movedStart);
    }
    while ((m_candIndex.size() - start) % 4 != 0) {
        add(kFarAway, kFarAway, kFarAway, 0);
    }
    m_cubeStart[std::size_t(cube)] = std::int32_t(start);
    m_cubeCount[std::size_t(cube)] = std::uint16_t(m_candIndex.size() - start);
}

std::uint8_t NearestColor::findAfterMove(Rgb c, std::uint8_t before) {
    const int cube = cubeOf(c);
    if (m_cubeStart[std::size_t(cube)] < 0) {
        buildCandidates(cube);
    }
    const Rgb e = m_table[before];
    const int dr = c.r - e.r, dg = c.g - e.g, db = c.b - e.b;
    const float beforeDist = float(dr * dr + dg * dg + db * db);
    const std::size_t start = std::size_t(m_movedStart[std::size_t(cube)]);
    const std::size_t end = start + m_movedCount[std::size_t(cube)];
    const float* rs = m_movedR.data();
    const float* gs = m_movedG.data();
    const float* bs = m_movedB.data();
    std::uint8_t best = before;
    float bestDist = beforeDist;
    auto compareGroup = [&](std::size_t k) {
        for (std::size_t q = k; q < k + 4; ++q) {
            const float qr = float(c.r) - rs[q], qg = float(c.g) - gs[q], qb = float(c.b) - bs[q];
            const float d = qr * qr + qg * qg + qb * qb;
            if (d < bestDist || (d == bestDist && m_movedIndex[q] < best)) {
                best = m_movedIndex[q];
                bestDist = d;
            }
        }
    };
#if defined(__SSE2__)
    // Most colours keep their entry: four moved candidates at a time are compared with it, and
    // only a group with one as near or nearer is looked at one by one.
    const __m128 r = _mm_set1_ps(float(c.r)), g = _mm_set1_ps(float(c.g)),
                 b = _mm_set1_ps(float(c.b)), limit = _mm_set1_ps(beforeDist);
    for (std::size_t k = start; k < end; k += 4) {
        const __m128 mr = _mm_sub_ps(r, _mm_loadu_ps(rs + k));
        const __m128 mg = _mm_sub_ps(g, _mm_loadu_ps(gs + k));
        const __m128 mb = _mm_sub_ps(b, _mm_loadu_ps(bs + k));
        const __m128 d =
            _mm_add_ps(_mm_add_ps(_mm_mul_ps(mr, mr), _mm_mul_ps(mg, mg)), _mm_mul_ps(mb, mb));
        if (_mm_movemask_ps(_mm_cmple_ps(d, limit)) != 0) {
            compareGroup(k);
        }
    }
#else
    for (std::size_t k = start; k < end; k += 4) {
        compareGroup(k);
    }
#endif
    return best;
}

std::uint8_t NearestColor::find(Rgb c) {
    const int cube = cubeOf(c);
    if (m_cubeStart[std::size_t(cube)] < 0) {
        buildCandidates(cube);
    }
    const std::size_t start = std::size_t(m_cubeStart[std::size_t(cube)]);
    const std::size_t end = start + m_cubeCount[std::size_t(cube)];
    const float* rs = m_candR.data();
    const float* gs = m_candG.data();
    const float* bs = m_candB.data();
#if defined(__SSE2__)
    const __m128 r = _mm_set1_ps(float(c.r)), g = _mm_set1_ps(float(c.g)),
                 b = _mm_set1_ps(float(c.b));
    auto distances = [&](std::size_t k) {
        const __m128 dr = _mm_sub_ps(r, _mm_loadu_ps(rs + k));
        const __m128 dg = _mm_sub_ps(g, _mm_loadu_ps(gs + k));
        const __m128 db = _mm_sub_ps(b, _mm_loadu_ps(bs + k));
        return _mm_add_ps(_mm_add_ps(_mm_mul_ps(dr, dr), _mm_mul_ps(dg, dg)), _mm_mul_ps(db, db));
    };
    __m128 least = distances(start);
    for (std::size_t k = start + 4; k < end; k += 4) {
        least = _mm_min_ps(least, distances(k));
    }
    least = _mm_min_ps(least, _mm_shuffle_ps(least, least, _MM_SHUFFLE(2, 3, 0, 1)));
    least = _mm_min_ps(least, _mm_shuffle_ps(least, least, _MM_SHUFFLE(1, 0, 3, 2)));
    // The first candidate at the least distance: candidates are in index order, so of equally
    // near entries the lowest index wins.
    for (std::size_t k = start;; k += 4) {
        const int equal = _mm_movemask_ps(_mm_cmpeq_ps(distances(k), least));
        if (equal != 0) {
            return m_candIndex[k + std::size_t(std::countr_zero(unsigned(equal)))];
        }
    }
#else
    std::size_t best = start;
    float bestDist = std::numeric_limits<float>::max();
    for (std::size_t k = start; k < end; ++k) {
        const float dr = float(c.r) - rs[k], dg = float(c.g) - gs[k], db = float(c.b) - bs[k];
        const float d = dr * dr + dg * dg + db * db;
        if (d < bestDist) {
            bestDist = d;
            best = k;
        }
    }
    return m_candIndex[best];
#endif
}

}  // namespace pelko
