#include "imaging/mosaic_layout.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "imaging/resample.h"

namespace quorvane {

std::vector<MosaicCell> mosaicLayout(int entries, int columns, int rows, std::uint32_t canvasWidth,
                                     std::uint32_t canvasHeight)
{
    columns = std::max(columns, 0);
    rows = std::max(rows, 0);
    const std::int64_t count = std::min<std::int64_t>(entries, std::int64_t(columns) * rows);
    if (count <= 0)
        return {};
    const auto n = static_cast<std::uint32_t>(count);
    // The squarest grid that holds them, within the project's grid.
    auto across = std::min<std::uint32_t>(std::uint32_t(columns), std::uint32_t(std::ceil(std::sqrt(double(n)))));
    std::uint32_t down = (n + across - 1) / across;
    if (down > std::uint32_t(rows)) {
        down = std::uint32_t(rows);
        across = (n + down - 1) / down;
    }
    std::vector<MosaicCell> cells;
    cells.reserve(n);
    for (std::uint32_t row = 0; row < down; ++row) {
        const std::uint32_t inRow = n / down + (row < n % down ? 1 : 0);
        const auto top = std::uint32_t(std::uint64_t(canvasHeight) * row / down);
        const auto bottom = std::uint32_t(std::uint64_t(canvasHeight) * (row + 1) / down);
        for (std::uint32_t column = 0; column < inRow; ++column) {
            const auto left = std::uint32_t(std::uint64_t(canvasWidth) * column / inRow);
            const auto right = std::uint32_t(std::uint64_t(canvasWidth) * (column + 1) / inRow);
            cells.push_back({left, top, right - left, bottom - top});
        }
    }
    return cells;
}

void fillBox(Image& image, std::uint32_t width, std::uint32_t height, int reduceFilter, int magFilter)
{
    if (image.empty() || width == 0 || height == 0)
        return;
    // Box leaves the first row and column of a picture black when it shrinks
    // by less than two (a thumbnail made from an intermediate image): the
    // cell is cut from inside them, or an enlarged cell would show a band.
    if (image.width > 2 && image.height > 2) {
        Image inner;
        inner.allocate(image.width - 1, image.height - 1, image.components);
        for (std::uint32_t y = 0; y < inner.height; ++y)
            std::memcpy(inner.row(y), image.at(1, y + 1), inner.rowBytes());
        image = std::move(inner);
    }
    const std::uint64_t w = image.width, h = image.height;
    // The smallest size of the picture's shape that covers the box.
    std::uint32_t coverWidth = width, coverHeight = height;
    if (w * height > h * width)
        coverWidth = std::max<std::uint32_t>(width, std::uint32_t((w * height + h - 1) / h));
    else
        coverHeight = std::max<std::uint32_t>(height, std::uint32_t((h * width + w - 1) / w));
    const bool shrinks = w > coverWidth;
    int filter = shrinks ? reduceFilter : magFilter;
    if (filter < FilterPoint || filter > FilterLanczos3)
        filter = shrinks ? FilterBox : FilterBilinear;
    // Box along a side that keeps its length shifts it by one pixel and
    // leaves a black first row or column; Bilinear keeps such a side as it is.
    if (coverWidth == image.width || coverHeight == image.height)
        filter = FilterBilinear;
    if (coverWidth != image.width || coverHeight != image.height)
        resample(image, filter, coverWidth, coverHeight);

    Image cropped;
    cropped.allocate(width, height, image.components);
    const std::uint32_t left = (image.width - width) / 2, top = (image.height - height) / 2;
    for (std::uint32_t y = 0; y < height; ++y)
        std::memcpy(cropped.row(y), image.at(left, top + y), cropped.rowBytes());
    image = std::move(cropped);
}

}  // namespace quorvane
