#include "core/annotate/edit_history.h"

#include <algorithm>

namespace pelko {

EditHistory::EditHistory(EditState initial, std::size_t limit)
    : m_limit(std::max<std::size_t>(limit, 1)) {
    m_steps.push_back(std::move(initial));
}

void EditHistory::commit(EditState next) {
    m_steps.erase(m_steps.begin() + std::ptrdiff_t(m_index) + 1, m_steps.end());
    m_steps.push_back(std::move(next));
    ++m_index;
    while (m_steps.size() > m_limit + 1) {
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
