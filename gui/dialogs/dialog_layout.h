#pragma once

#include <cstddef>
#include <optional>
#include <vector>

namespace quorvane::gui {

// A rectangle in the dialog's client coordinates; right and bottom exclusive.
struct LayoutRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int width() const { return right - left; }
    int height() const { return bottom - top; }
    bool operator==(const LayoutRect&) const = default;
};

// How one edge of a control follows the dialog when it is resized.
enum class EdgeAnchor {
    Near,          // keeps its distance from the top or left
    Far,           // keeps its distance from the bottom or right
    Proportional,  // stays at the same fraction of the dialog's size
};

// Keeps the controls of a resizable dialog in place: each edge of each control
// is recorded as a fraction of the dialog's opening size and moved by its
// anchor. The dialog never becomes smaller than it opened.
class DialogLayout {
public:
    // Records the controls, in client coordinates of a dialog of the given
    // size; every edge starts anchored Near.
    DialogLayout(int dialogWidth, int dialogHeight, const std::vector<LayoutRect>& controls);

    void setAnchors(std::size_t control, EdgeAnchor top, EdgeAnchor left, EdgeAnchor right,
                    EdgeAnchor bottom);

    // Where every control goes in a dialog of the given size, raised to the
    // opening size. Nothing when the size is the one laid out the time
    // before as well: a repeated size is laid out once more, then no longer.
    std::optional<std::vector<LayoutRect>> apply(int width, int height);

    int minWidth() const { return initialWidth_; }
    int minHeight() const { return initialHeight_; }

private:
    struct Placement {
        float top;
        float left;
        float right;
        float bottom;
        EdgeAnchor anchors[4] = {EdgeAnchor::Near, EdgeAnchor::Near, EdgeAnchor::Near,
                                 EdgeAnchor::Near};
    };

    int initialWidth_;
    int initialHeight_;
    int lastWidth_ = -1;
    int lastHeight_ = -1;
    bool unchanged_ = false;
    std::vector<Placement> placements_;
};

}  // namespace quorvane::gui
