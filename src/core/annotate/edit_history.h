#pragma once

#include <cstddef>
#include <deque>
#include <memory>
#include <vector>

#include "core/annotate/annotation.h"
#include "core/image/bitmap.h"

namespace pelko {

// What a tab of the editor holds at one step: the picture without annotations and the
// annotations over it, bottom first. Steps share a picture they did not change.
struct EditState {
    std::shared_ptr<const Bitmap> picture;
    std::vector<Annotation> annotations;
};

// The steps of one tab for undo and redo: drawing, changing or deleting an annotation,
// cropping and the transforms. A new step drops the steps that were undone. The oldest steps
// go when more than `limit` can be undone, and, beyond `keep` steps, while the pictures the
// steps hold take more than `budget` bytes: every crop or transform of a 4K picture keeps
// another 33 MB.
class EditHistory {
  public:
    static constexpr std::size_t kDefaultLimit = 100;
    static constexpr std::size_t kDefaultKeep = 50;
    static constexpr std::size_t kDefaultBudget = std::size_t(1) << 30;

    explicit EditHistory(EditState initial, std::size_t limit = kDefaultLimit,
                         std::size_t keep = kDefaultKeep, std::size_t budget = kDefaultBudget);
    // The bytes of the distinct pictures the steps hold.
    std::size_t pictureBytes() const;

    const EditState& current() const { return m_steps[m_index]; }
    void commit(EditState next);
    // Each returns false and changes nothing when there is no step to go to.
    bool undo();
    bool redo();
    bool canUndo() const { return m_index > 0; }
    bool canRedo() const { return m_index + 1 < m_steps.size(); }

  private:
    std::deque<EditState> m_steps;
    std::size_t m_index = 0;
    std::size_t m_limit;
    std::size_t m_keep;
    std::size_t m_budget;
};

}  // namespace pelko
