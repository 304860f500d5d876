// The pop-up menu of the site tree: a list of entries tracked at a point of the tree, answering
// the command chosen.
#pragma once

#include <vector>

namespace zl {

struct TreeMenuEntry {
    int command = 0;        // 0: a separator
    unsigned stringId = 0;  // language string of the entry's text
};

class ITreeMenu {
  public:
    virtual ~ITreeMenu() = default;
    // Shows the menu at (x, y) in the tree's client coordinates, or at the mouse cursor when
    // atCursor is true. Returns the chosen command, 0 when the menu was dismissed.
    virtual int Track(const std::vector<TreeMenuEntry>& entries, int x, int y, bool atCursor) = 0;
};

}  // namespace zl
