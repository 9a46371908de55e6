#include "core/codec/octree_quantizer.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <queue>

#include "core/error.h"
#include "core/large_allocator.h"

namespace pelko {
namespace {

// spread[c][v]: the bits of channel value v placed at their octree key positions.
constexpr std::array<std::array<std::uint32_t, 256>, 3> makeSpreadTables() {
    std::array<std::array<std::uint32_t, 256>, 3> tables{};
    for (int channel = 0; channel < 3; ++channel) {  // 0 red, 1 green, 2 blue
        for (std::uint32_t v = 0; v < 256; ++v) {
            std::uint32_t key = 0;
            for (int bit = 0; bit < 8; ++bit) {
                if (v & (1u << bit)) {
                    key |= 1u << (3 * bit + 2 - channel);
                }
            }
            tables[std::size_t(channel)][v] = key;
        }
    }
    return tables;
}

constexpr auto kSpread = makeSpreadTables();

// The octree level of the deepest node two different keys share (0 = root, 7 = parents of
// leaves).
int commonLevel(std::uint32_t a, std::uint32_t b) {
    return (std::countl_zero(a ^ b) - 8) / 3;
}

struct Node {
    // Totals over every pixel below the node.
    double count = 0;
    double sumR = 0, sumG = 0, sumB = 0;
    double sumSquares = 0;  // sum of r^2 + g^2 + b^2
    // The error of the node's current leaves below it, when they are all leaves.
    double childError = 0;
    int parent = -1;
    int children = 0;
    int pendingChildren = 0;  // children that are not leaves yet
    int level = 8;
    bool leaf = false;  // a distinct colour, or a node merged into one

    // The error of representing the node's pixels by their mean colour: the pixel count times
    // their root-mean-square distance from it, an estimate of the sum of their distances.
    // (The sum of squared distances instead favours few far-off pixels over the many near
    // ones, and gives a higher mean error.)
    double error() const {
        const double squares = sumSquares - (sumR * sumR + sumG * sumG + sumB * sumB) / count;
        return std::sqrt(std::max(0.0, squares) * count);
    }
};

class Octree {
  public:
    explicit Octree(const std::vector<ColorCount>& colors);
    void reduceTo(int maxColors);
    std::vector<Rgb> leafColors() const;

  private:
    int addLeaf(const ColorCount& color);
    int addInner(int level);
    void attach(int child, int parent);

    std::vector<Node, LargeAllocator<Node>> m_nodes;
    int m_leafCount = 0;
};

Octree::Octree(const std::vector<ColorCount>& colors) {
    m_nodes.reserve(colors.size() * 2);
    if (colors.empty()) {
        return;
    }
    // Builds the tree without single-child nodes from the sorted keys: a stack holds the open
    // inner nodes of the rightmost path, deepest on top; `pending` is the finished subtree that
    // still needs its parent.
    std::vector<int> stack;
    int pending = addLeaf(colors[0]);
    for (std::size_t i = 1; i < colors.size(); ++i) {
        const std::uint32_t a = octreeKey(colors[i - 1].rgb);
        const std::uint32_t b = octreeKey(colors[i].rgb);
        if (a >= b) {
            throw Error("Colour list not sorted");
        }
        const int level = commonLevel(a, b);
        while (!stack.empty() && m_nodes[std::size_t(stack.back())].level > level) {
            attach(pending, stack.back());
            pending = stack.back();
            stack.pop_back();
        }
        if (stack.empty() || m_nodes[std::size_t(stack.back())].level < level) {
            stack.push_back(addInner(level));
        }
        attach(pending, stack.back());
        pending = addLeaf(colors[i]);
    }
    while (!stack.empty()) {
        attach(pending, stack.back());
        pending = stack.back();
        stack.pop_back();
    }
}

int Octree::addLeaf(const ColorCount& color) {
    Node node;
    const double r = (color.rgb >> 16) & 0xFF, g = (color.rgb >> 8) & 0xFF, b = color.rgb & 0xFF;
    node.count = color.count;
    node.sumR = r * color.count;
    node.sumG = g * color.count;
    node.sumB = b * color.count;
    node.sumSquares = (r * r + g * g + b * b) * color.count;
    node.leaf = true;
    m_nodes.push_back(node);
    ++m_leafCount;
    return int(m_nodes.size() - 1);
}

int Octree::addInner(int level) {
    Node node;
    node.level = level;
    m_nodes.push_back(node);
    return int(m_nodes.size() - 1);
}

void Octree::attach(int child, int parent) {
    Node& c = m_nodes[std::size_t(child)];
    Node& p = m_nodes[std::size_t(parent)];
    c.parent = parent;
    p.count += c.count;
    p.sumR += c.sumR;
    p.sumG += c.sumG;
    p.sumB += c.sumB;
    p.sumSquares += c.sumSquares;
    ++p.children;
    if (!c.leaf) {
        ++p.pendingChildren;
    }
}

void Octree::reduceTo(int maxColors) {
    // Candidates: nodes whose children are all leaves, cheapest merge first (then lowest index,
    // so that the result does not depend on the heap's order).
    using Candidate = std::pair<double, int>;
    std::priority_queue<Candidate, std::vector<Candidate>, std::greater<>> candidates;
    auto mergeCost = [&](int i) {
        const Node& n = m_nodes[std::size_t(i)];
        return n.error() - n.childError;
    };
    for (std::size_t i = 0; i < m_nodes.size(); ++i) {
        if (!m_nodes[i].leaf && m_nodes[i].pendingChildren == 0) {
            candidates.emplace(mergeCost(int(i)), int(i));
        }
    }
    while (m_leafCount > std::max(maxColors, 1) && !candidates.empty()) {
        const int i = candidates.top().second;
        candidates.pop();
        Node& node = m_nodes[std::size_t(i)];
        node.leaf = true;
        m_leafCount -= node.children - 1;
        if (node.parent >= 0) {
            Node& parent = m_nodes[std::size_t(node.parent)];
            parent.childError += node.error();
            if (--parent.pendingChildren == 0) {
                candidates.emplace(mergeCost(node.parent), node.parent);
            }
        }
    }
}

std::vector<Rgb> Octree::leafColors() const {
    std::vector<Rgb> colors;
    colors.reserve(std::size_t(m_leafCount));
    for (const Node& node : m_nodes) {
        // A leaf is in the palette unless an ancestor was merged over it; that ancestor's
        // parent link is then a merged (leaf) node.
        if (node.leaf && (node.parent < 0 || !m_nodes[std::size_t(node.parent)].leaf)) {
            auto mean = [&](double sum) {
                return std::uint8_t(std::lround(std::clamp(sum / node.count, 0.0, 255.0)));
            };
            colors.push_back({mean(node.sumR), mean(node.sumG), mean(node.sumB)});
        }
    }
    return colors;
}

}  // namespace

std::uint32_t octreeKey(std::uint32_t rgb) {
    return kSpread[0][(rgb >> 16) & 0xFF] | kSpread[1][(rgb >> 8) & 0xFF] | kSpread[2][rgb & 0xFF];
}

void sortInOctreeOrder(std::vector<ColorCount>& colors) {
    std::vector<ColorCount> buffer(colors.size());
    for (int shift = 0; shift < 24; shift += 8) {
        std::array<std::size_t, 257> offsets{};
        for (const ColorCount& c : colors) {
            ++offsets[((octreeKey(c.rgb) >> shift) & 0xFF) + 1];
        }
        for (std::size_t i = 1; i < offsets.size(); ++i) {
            offsets[i] += offsets[i - 1];
        }
        for (const ColorCount& c : colors) {
            buffer[offsets[(octreeKey(c.rgb) >> shift) & 0xFF]++] = c;
        }
        colors.swap(buffer);
    }
}

std::vector<Rgb> octreeQuantize(const std::vector<ColorCount>& colors, int maxColors) {
    Octree tree(colors);
    tree.reduceTo(maxColors);
    return tree.leafColors();
}

}  // namespace pelko
