#include "core/codec/octree_quantizer.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <queue>

#include "core/error.h"
#include "core/large_allocator.h"

namespace pelko {
namespace {

// The octree level of the deepest node two different keys share (0 = root, 7 = parents of
// leaves).
int commonLevel(std::uint32_t a, std::uint32_t b) {
    return (std::countl_zero(a ^ b) - 8) / 3;
}

// An inner node: a cell with at least two distinct colours below it.
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
    int order = 0;      // when it was made, counting leaves and inner nodes alike
    bool leaf = false;  // merged into one colour

    // The error of representing the node's pixels by their mean colour: the pixel count times
    // their root-mean-square distance from it, an estimate of the sum of their distances.
    // (The sum of squared distances instead favours few far-off pixels over the many near
    // ones, and gives a higher mean error.)
    double error() const {
        const double squares = sumSquares - (sumR * sumR + sumG * sumG + sumB * sumB) / count;
        return std::sqrt(std::max(0.0, squares) * count);
    }
};

// A subtree waiting for its parent while the tree is built: an inner node, or the distinct
// colour of that index.
struct Subtree {
    int index;
    bool isColor;
};

// The distinct colours are the tree's first leaves. They are not stored as nodes: a colour's
// totals go straight into its parent, and only its parent is kept, which keeps the tree of a
// photograph's few hundred thousand colours small.
class Octree {
  public:
    explicit Octree(std::span<const ColorCount> colors);
    void reduceTo(int maxColors);
    std::vector<Rgb> leafColors() const;

  private:
    int addInner(int level);
    void attach(Subtree child, int parent);

    std::span<const ColorCount> m_colors;
    std::vector<Node, LargeAllocator<Node>> m_nodes;
    std::vector<int, LargeAllocator<int>> m_colorParent;  // per colour: its inner parent, or -1
    std::vector<int, LargeAllocator<int>> m_colorOrder;   // per colour: when it was made
    int m_made = 0;
    int m_leafCount = 0;
};

Octree::Octree(std::span<const ColorCount> colors)
    : m_colors(colors), m_colorParent(colors.size(), -1), m_colorOrder(colors.size(), 0) {
    m_nodes.reserve(colors.size());
    m_leafCount = int(colors.size());
    if (colors.empty()) {
        return;
    }
    // Builds the tree without single-child nodes from the sorted keys: a stack holds the open
    // inner nodes of the rightmost path, deepest on top; `pending` is the finished subtree that
    // still needs its parent.
    std::vector<int> stack;
    m_colorOrder[0] = m_made++;
    Subtree pending{0, true};
    for (std::size_t i = 1; i < colors.size(); ++i) {
        const std::uint32_t a = octreeKey(colors[i - 1].rgb);
        const std::uint32_t b = octreeKey(colors[i].rgb);
        if (a >= b) {
            throw Error("Colour list not sorted");
        }
        const int level = commonLevel(a, b);
        while (!stack.empty() && m_nodes[std::size_t(stack.back())].level > level) {
            attach(pending, stack.back());
            pending = {stack.back(), false};
            stack.pop_back();
        }
        if (stack.empty() || m_nodes[std::size_t(stack.back())].level < level) {
            stack.push_back(addInner(level));
        }
        attach(pending, stack.back());
        m_colorOrder[i] = m_made++;
        pending = {int(i), true};
    }
    while (!stack.empty()) {
        attach(pending, stack.back());
        pending = {stack.back(), false};
        stack.pop_back();
    }
}

int Octree::addInner(int level) {
    Node node;
    node.level = level;
    node.order = m_made++;
    m_nodes.push_back(node);
    return int(m_nodes.size() - 1);
}

void Octree::attach(Subtree child, int parent) {
    Node& p = m_nodes[std::size_t(parent)];
    ++p.children;
    if (child.isColor) {
        const ColorCount& color = m_colors[std::size_t(child.index)];
        const double r = (color.rgb >> 16) & 0xFF, g = (color.rgb >> 8) & 0xFF,
                     b = color.rgb & 0xFF;
        p.count += color.count;
        p.sumR += r * color.count;
        p.sumG += g * color.count;
        p.sumB += b * color.count;
        p.sumSquares += (r * r + g * g + b * b) * color.count;
        m_colorParent[std::size_t(child.index)] = parent;
        return;
    }
    Node& c = m_nodes[std::size_t(child.index)];
    c.parent = parent;
    p.count += c.count;
    p.sumR += c.sumR;
    p.sumG += c.sumG;
    p.sumB += c.sumB;
    p.sumSquares += c.sumSquares;
    ++p.pendingChildren;
}

void Octree::reduceTo(int maxColors) {
    // Candidates: nodes whose children are all leaves, cheapest merge first (then lowest index,
    // so that the result does not depend on the heap's order).
    // The heap never holds more than one entry per node; it is reserved once and mapped on its
    // own, since growing it a page at a time cost hundreds of page faults in a fresh process.
    using Candidate = std::pair<double, int>;
    using CandidateList = std::vector<Candidate, LargeAllocator<Candidate>>;
    auto mergeCost = [&](int i) {
        const Node& n = m_nodes[std::size_t(i)];
        return n.error() - n.childError;
    };
    CandidateList initial;
    initial.reserve(m_nodes.size());
    for (std::size_t i = 0; i < m_nodes.size(); ++i) {
        if (m_nodes[i].pendingChildren == 0) {
            initial.emplace_back(mergeCost(int(i)), int(i));
        }
    }
    std::priority_queue<Candidate, CandidateList, std::greater<>> candidates(std::greater<>(),
                                                                             std::move(initial));
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
    // A leaf is in the palette unless an ancestor was merged over it; that ancestor's parent
    // link is then a merged node. The palette lists leaves in the order they were made.
    auto survives = [&](int parent) { return parent < 0 || !m_nodes[std::size_t(parent)].leaf; };
    std::vector<std::pair<int, Rgb>> leaves;
    leaves.reserve(std::size_t(m_leafCount));
    for (std::size_t i = 0; i < m_colors.size(); ++i) {
        if (survives(m_colorParent[i])) {
            const std::uint32_t rgb = m_colors[i].rgb;
            leaves.emplace_back(m_colorOrder[i], Rgb{std::uint8_t(rgb >> 16),
                                                     std::uint8_t(rgb >> 8), std::uint8_t(rgb)});
        }
    }
    for (const Node& node : m_nodes) {
        if (node.leaf && survives(node.parent)) {
            auto mean = [&](double sum) {
                return std::uint8_t(std::lround(std::clamp(sum / node.count, 0.0, 255.0)));
            };
            leaves.emplace_back(node.order, Rgb{mean(node.sumR), mean(node.sumG), mean(node.sumB)});
        }
    }
    std::sort(leaves.begin(), leaves.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<Rgb> colors;
    colors.reserve(leaves.size());
    for (const auto& leaf : leaves) {
        colors.push_back(leaf.second);
    }
    return colors;
}

}  // namespace

std::vector<Rgb> octreeQuantize(std::span<const ColorCount> colors, int maxColors) {
    Octree tree(colors);
    tree.reduceTo(maxColors);
    return tree.leafColors();
}

}  // namespace pelko
