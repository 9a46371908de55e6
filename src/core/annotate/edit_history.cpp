#include "core/annotate/edit_history.h"

#include <algorithm>

namespace pelko {

EditHistory::EditHistory(EditState initial, std::size_t limit, std::size_t keep, std::size_t budget)
    : m_limit(std::max<std::size_t>(limit, 1)), m_keep(std::min(keep, m_limit)), m_budget(budget) {
    m_steps.push_back(std::move(initial));
}

std::size_t EditHistory::pictureBytes() const {
    std::size_t bytes = 0;
    const Bitmap* last = nullptr;
    // Steps share a picture only with their neighbours: a picture comes back only by undo.
    for (const EditState& s : m_steps) {
        if (s.picture && s.picture.get() != last) {
            bytes += s.picture->byteSize();
        }
        last = s.picture.get();
    }
    return bytes;
}

void EditHistory::commit(EditState next) {
    m_steps.erase(m_steps.begin() + std::ptrdiff_t(m_index) + 1, m_steps.end());
    m_steps.push_back(std::move(next));
    ++m_index;
    while (m_steps.size() > m_limit + 1 ||
           (m_steps.size() > m_keep + 1 && pictureBytes() > m_budget)) {
        m_steps.pop_front();
        --m_index;
    }
}

bool EditHistory::undo() {
    if (!canUndo()) {
        return false;
    }
    --m_index;
    return true;
}

bool EditHistory::redo() {
    if (!canRedo()) {
        return false;
    }
    ++m_index;
    return true;
}

}  // namespace pelko
