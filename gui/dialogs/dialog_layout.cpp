#include "gui/dialogs/dialog_layout.h"

#include <algorithm>

namespace quorvane::gui {

namespace {

int rounded(float value)
{
    return static_cast<int>(value + 0.5f);
}

int edgePosition(float fraction, EdgeAnchor anchor, int initialSize, int size)
{
    switch (anchor) {
    case EdgeAnchor::Near:
        return rounded(fraction * static_cast<float>(initialSize));
    case EdgeAnchor::Far:
        return size - rounded((1.0f - fraction) * static_cast<float>(initialSize));
    case EdgeAnchor::Proportional:
        return rounded(fraction * static_cast<float>(size));
    }
    return 0;
}

}  // namespace

DialogLayout::DialogLayout(int dialogWidth, int dialogHeight, const std::vector<LayoutRect>& controls)
    : initialWidth_(dialogWidth), initialHeight_(dialogHeight)
{
    const float width = static_cast<float>(dialogWidth);
    const float height = static_cast<float>(dialogHeight);
    for (const LayoutRect& control : controls) {
        placements_.push_back({static_cast<float>(control.top) / height,
                               static_cast<float>(control.left) / width,
                               static_cast<float>(control.right) / width,
                               static_cast<float>(control.bottom) / height});
    }
}

void DialogLayout::setAnchors(std::size_t control, EdgeAnchor top, EdgeAnchor left, EdgeAnchor right,
                              EdgeAnchor bottom)
{
    if (control >= placements_.size())
        return;
    Placement& placement = placements_[control];
    placement.anchors[0] = top;
    placement.anchors[1] = left;
    placement.anchors[2] = right;
    placement.anchors[3] = bottom;
}

std::optional<std::vector<LayoutRect>> DialogLayout::apply(int width, int height)
{
    width = std::max(width, initialWidth_);
    height = std::max(height, initialHeight_);
    if (width == lastWidth_ && height == lastHeight_) {
        if (unchanged_)
            return std::nullopt;
        unchanged_ = true;
    } else {
        unchanged_ = false;
    }
    lastWidth_ = width;
    lastHeight_ = height;

    std::vector<LayoutRect> rects;
    rects.reserve(placements_.size());
    for (const Placement& p : placements_) {
        rects.push_back({edgePosition(p.left, p.anchors[1], initialWidth_, width),
                         edgePosition(p.top, p.anchors[0], initialHeight_, height),
                         edgePosition(p.right, p.anchors[2], initialWidth_, width),
                         edgePosition(p.bottom, p.anchors[3], initialHeight_, height)});
    }
    return rects;
}

}  // namespace quorvane::gui
