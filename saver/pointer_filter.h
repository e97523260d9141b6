// Mouse-move messages that do not move: Windows and Wine send WM_MOUSEMOVE
// when a window appears or the cursor is recalculated, at the unchanged
// position. Such a message is no move: it neither counts toward steering
// nor stamps the run.
#pragma once

namespace saver {

class PointerFilter {
public:
    // True when the pointer's screen position differs from the last one
    // seen; the first position seen is a move.
    bool IsMove(int screenX, int screenY)
    {
        if (known_ && screenX == x_ && screenY == y_) return false;
        x_ = screenX;
        y_ = screenY;
        known_ = true;
        return true;
    }

private:
    int x_ = 0;
    int y_ = 0;
    bool known_ = false;
};

}  // namespace saver
