#include "processing/mosaic.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "imagestore/display_mapping.h"
#include "imagestore/history.h"
#include "imagestore/image_interface.h"
#include "platform/ui.h"

namespace orvex {

namespace {

constexpr const char* kMosaic = "ov_mosaic()";
constexpr const char* kPave = "ov_pave()";
constexpr const char* kStereo = "ov_make_stereo_pair()";

std::string nameOf(ImageHandle w) {
    ImageSummary s;
    GetImageSummary(w, s);
    return s.name;
}

void copyPalette(ImageHandle from, ImageHandle to) {
    std::vector<uint32_t> colours;
    GetPalette(from, colours);
    if (!colours.empty()) SetPalette(to, colours.data(), static_cast<int>(colours.size()), PaletteCustom);
}

// Whole rows at 8 or 16 bits, by depth.
struct Row {
    std::vector<uint16_t> values;
    explicit Row(int width) : values(static_cast<size_t>(std::max(width, 0)), 0) {}
    bool read(ImageHandle w, int row, int depth) {
        if (depth == 16) return ReadLine16(w, row, values.data()) == ImageDone;
        std::vector<uint8_t>& b = bytes();
        if (ReadLine8(w, row, b.data()) != ImageDone) return false;
        std::copy(b.begin(), b.begin() + static_cast<long>(values.size()), values.begin());
        return true;
    }
    bool write(ImageHandle w, int row, int depth) {
        if (depth == 16) return WriteLine16(w, row, values.data()) == ImageDone;
        return writeBlock(w, 0, row, static_cast<int>(values.size()), depth, values.data());
    }
    // One row of a block at the given depth, from values[first..first+count).
    bool writeBlock(ImageHandle w, int column, int row, int count, int depth, const uint16_t* from) {
        if (depth == 16) return WriteBlock16(w, column, row, count, 1, from) == ImageDone;
        std::vector<uint8_t>& b = bytes();
        for (int i = 0; i < count; ++i) b[static_cast<size_t>(i)] = static_cast<uint8_t>(from[i]);
        // A whole row of the target goes in one line write; anything narrower
        // (a pave cell) as a block, so nothing past the buffer is read.
        const Image* target = LiveImage(w);
        if (column == 0 && target && count == target->Width()) return WriteLine8(w, row, b.data()) == ImageDone;
        return WriteBlock8(w, column, row, count, 1, b.data()) == ImageDone;
    }
    std::vector<uint8_t>& bytes() {
        if (byteRow.size() != values.size()) byteRow.assign(values.size(), 0);
        return byteRow;
    }
    std::vector<uint8_t> byteRow;
};

// An image as the mosaic places it: by its real extent, whichever way its
// registration runs. A flip, a half turn or a scan with a reversed polarity
// ties its first column to the largest X or its top row to the smallest Y;
// such an axis is read backwards so its pixels land the mosaic's way round.
struct Placed {
    ImageHandle window;
    int width = 0, height = 0;
    RealPoint lowerLeft, upperRight;  // smallest and largest real X and Y of the corners
    bool reversedX = false, reversedY = false;
    ZRegistration z;
};

// Progress over every row an operation writes, with the Esc question of the
// other long operations. True when the user stops.
class RowsDone {
public:
    RowsDone(ImageHandle result, int64_t total) : result_(result), total_(std::max<int64_t>(total, 1)) {}
    bool step() {
        ++done_;
        if (Image* image = LiveImage(result_)) image->ReportProgress(static_cast<int>(done_ * 100 / total_));
        return platform::ui().takeEscape() &&
               platform::ui().message("Do you wish to cancel this operation?", "Verify", platform::Buttons::YesNo,
                                      platform::Icon::Question) == platform::Answer::Yes;
    }

private:
    ImageHandle result_;
    int64_t total_;
    int64_t done_ = 0;
};

}  // namespace

PaveGrid PaveGridFor(int images) {
    PaveGrid grid;
    if (images <= 0) return grid;
    int c = 1;
    while (c * c < images) ++c;
    grid.columns = c;
    grid.rows = c * (c - 1) >= images ? c - 1 : c;
    return grid;
}

ImageHandle MakeMosaic(std::vector<ImageHandle> images) {
    if (images.size() < 2) {
        platform::showMessage("Pick at least two registered images", kMosaic);
        return {};
    }
    std::vector<Placed> placed;
    for (ImageHandle w : images) {
        const Image* image = LiveImage(w);
        if (!image) continue;
        if (!image->IsPositionRegistered()) {
            platform::showMessage("unregistered image", nameOf(w));
            continue;
        }
        Placed p;
        p.window = w;
        p.width = image->Width();
        p.height = image->Height();
        RealPoint first, last;  // pixels (0, h - 1) and (w - 1, 0)
        GetCorners(w, first, last);
        GetZRegistration(w, p.z);
        p.reversedX = first.x > last.x;
        p.reversedY = first.y > last.y;
        p.lowerLeft = {std::min(first.x, last.x), std::min(first.y, last.y)};
        p.upperRight = {std::max(first.x, last.x), std::max(first.y, last.y)};
        // A row or column of pixels, or ties without extent, gives no pitch
        // to scale by.
        if (p.width < 2 || p.height < 2 || !(p.upperRight.x > p.lowerLeft.x) ||
            !(p.upperRight.y > p.lowerLeft.y)) {
            platform::showMessage("image has no extent", nameOf(w));
            continue;
        }
        placed.push_back(p);
    }
    if (placed.size() < 2) {
        platform::showMessage("Need at least two registered images", kMosaic);
        return {};
    }
    // The image picked last is the reference and is drawn first.
    std::reverse(placed.begin(), placed.end());
    const Placed& reference = placed[0];

    bool zMode = true;
    ZRegistration combined = reference.z;
    double xMin = reference.lowerLeft.x, xMax = reference.upperRight.x;
    double yMin = reference.lowerLeft.y, yMax = reference.upperRight.y;
    double dx = 0, dy = 0;
    for (size_t i = 0; i < placed.size(); ++i) {
        const Placed& p = placed[i];
        zMode = zMode && p.z.flag && p.z.units == reference.z.units;
        combined.low = std::min(combined.low, p.z.low);
        combined.high = std::max(combined.high, p.z.high);
        xMin = std::min(xMin, p.lowerLeft.x);
        xMax = std::max(xMax, p.upperRight.x);
        yMin = std::min(yMin, p.lowerLeft.y);
        yMax = std::max(yMax, p.upperRight.y);
        const double px = (p.upperRight.x - p.lowerLeft.x) / (p.width - 1);
        const double py = (p.upperRight.y - p.lowerLeft.y) / (p.height - 1);
        dx = i == 0 ? px : std::min(dx, px);
        dy = i == 0 ? py : std::min(dy, py);
    }
    const double columns = std::floor((xMax - xMin) / dx) + 1;
    const double rows = std::floor((yMax - yMin) / dy) + 1;
    if (!(columns <= 32768)) {
        platform::showMessage("Final image would be more than 32768 pixels wide", kMosaic);
        return {};
    }
    if (columns > 4096 && platform::ui().message("More than 4096 wide. Continue?", kMosaic,
                                                 platform::Buttons::OkCancel) != platform::Answer::Ok)
        return {};
    if (!(rows <= 32768)) {
        platform::showMessage("Final image would be more than 32768 pixels high", kMosaic);
        return {};
    }
    if (rows > 4096 && platform::ui().message("More than 4096 high. Continue?", kMosaic,
                                              platform::Buttons::OkCancel) != platform::Answer::Ok)
        return {};
    const int m = static_cast<int>(columns), h = static_cast<int>(rows);

    const int depth = LiveImage(reference.window)->Depth();
    if (depth != 8 && depth != 16) return {};
    const ImageHandle result = CreateImage(m, h, PaletteCustom, true, depth);
    if (!result) return {};
    copyPalette(reference.window, result);
    SetZRegistration(result, zMode ? combined : reference.z);
    SetRegistration(result, {xMin, yMin}, {xMax, yMax});
    LogHistory(result, "mosaic: ", true);
    for (const Placed& p : placed) LogHistory(result, "--" + nameOf(p.window), false);

    const double top = depth == 16 ? 65535.0 : 255.0;
    Row target(m), source(0);
    std::vector<int> sourceColumn;
    // The scale is M and H, not M - 1 and H - 1.
    auto rowsOf = [&](const Placed& p, int& r0, int& r1) {
        r0 = static_cast<int>((yMax - p.upperRight.y) * h / (yMax - yMin));
        r1 = std::min(h - 1, static_cast<int>(h * (yMax - p.lowerLeft.y) / (yMax - yMin)));
    };
    int64_t total = 0;
    for (const Placed& p : placed) {
        int r0 = 0, r1 = 0;
        rowsOf(p, r0, r1);
        if (r0 >= 0 && r1 >= r0) total += r1 - r0 + 1;
    }
    RowsDone progress(result, total);
    bool stopped = false;
    for (const Placed& p : placed) {
        if (stopped) break;
        const int c0 = static_cast<int>((p.lowerLeft.x - xMin) * m / (xMax - xMin));
        const int c1 = std::min(m - 1, static_cast<int>(m * (p.upperRight.x - xMin) / (xMax - xMin)));
        int r0 = 0, r1 = 0;
        rowsOf(p, r0, r1);
        if (c0 < 0 || r0 < 0 || c1 < c0 || r1 < r0) continue;
        sourceColumn.resize(static_cast<size_t>(c1 - c0 + 1));
        for (int l = c0; l <= c1; ++l) {
            const int column =
                c1 == c0 ? 0 : std::min(p.width - 1, static_cast<int>(static_cast<int64_t>(l - c0) * (p.width - 1) / (c1 - c0)));
            sourceColumn[static_cast<size_t>(l - c0)] = p.reversedX ? p.width - 1 - column : column;
        }
        source = Row(p.width);
        // In Z mode each value is moved onto the common low..high scale.
        const bool convert = zMode && combined.high != combined.low;
        // Multiplied before dividing, as written, so full scale stays full scale.
        const double span = p.z.high - p.z.low, common = combined.high - combined.low;
        for (int k = r0; k <= r1; ++k) {
            int sr = r1 == r0 ? 0 : std::min(p.height - 1, static_cast<int>(static_cast<int64_t>(k - r0) * (p.height - 1) / (r1 - r0)));
            if (p.reversedY) sr = p.height - 1 - sr;
            if (!target.read(result, k, depth) || !source.read(p.window, sr, depth)) {
                if ((stopped = progress.step())) break;
                continue;
            }
            for (int l = c0; l <= c1; ++l) {
                const uint16_t v = source.values[static_cast<size_t>(sourceColumn[static_cast<size_t>(l - c0)])];
                if (v == 0) continue;  // black is transparent
                if (convert) {
                    const double real = p.z.low + span * v / top;
                    const double stored = std::clamp((real - combined.low) * top / common, 0.0, top);
                    target.values[static_cast<size_t>(l)] = static_cast<uint16_t>(stored);
                } else {
                    target.values[static_cast<size_t>(l)] = v;
                }
            }
            target.write(result, k, depth);
            UpdateRows(result, k);
            if ((stopped = progress.step())) break;
        }
    }
    Redraw(result, true);
    return result;
}

ImageHandle MakePave(const std::vector<ImageHandle>& images) {
    if (images.size() < 2) {
        platform::showMessage("Pick at least two images", kPave);
        return {};
    }
    const Image* first = LiveImage(images[0]);
    if (!first) return {};
    const PaveGrid grid = PaveGridFor(static_cast<int>(images.size()));
    const int cellWidth = first->Width(), cellHeight = first->Height();
    const int depth = first->Depth();
    const ImageHandle result = CreateImage(grid.columns * cellWidth, grid.rows * cellHeight, PaletteCustom, true, depth);
    if (!result) return {};
    copyPalette(images[0], result);
    ZRegistration z;
    GetZRegistration(images[0], z);
    SetZRegistration(result, z);
    LogHistory(result, "pave: ", true);

    const int width = grid.columns * cellWidth, height = grid.rows * cellHeight;
    // Every grid position is named in the history, placed or not.
    struct Cell {
        ImageHandle window;
        int left, top;
    };
    std::vector<Cell> cells;
    int64_t total = 0;
    for (size_t i = 0; i < images.size(); ++i) {
        LogHistory(result, "--" + nameOf(images[i]), false);
        const Image* image = LiveImage(images[i]);
        if (!image) continue;
        const int left = static_cast<int>(i % static_cast<size_t>(grid.columns)) * cellWidth;
        const int top = static_cast<int>(i / static_cast<size_t>(grid.columns)) * cellHeight;
        if (image->Depth() > depth || left + image->Width() > width || top + image->Height() > height) continue;
        cells.push_back({images[i], left, top});
        total += image->Height();
    }
    RowsDone progress(result, total);
    bool stopped = false;
    Row line(0);
    for (const Cell& cell : cells) {
        const Image* image = LiveImage(cell.window);
        if (!image) continue;
        const int w = image->Width(), h = image->Height();
        // Only the image's own span of each row is written, so the pixels of
        // its neighbours keep every bit whatever the depths.
        line = Row(w);
        const int rowDepth = image->Depth() == 16 ? 16 : 8;
        for (int y = 0; y < h && !stopped; ++y) {
            if (!line.read(cell.window, y, rowDepth)) break;
            line.writeBlock(result, cell.left, cell.top + y, w, rowDepth, line.values.data());
            UpdateRows(result, cell.top + y);
            stopped = progress.step();
        }
        if (stopped) break;
    }
    Redraw(result, true);
    return result;
}

ImageHandle MakeStereoPair(ImageHandle left, ImageHandle right) {
    const Image* l = LiveImage(left);
    const Image* r = LiveImage(right);
    if (!l || !r) return {};
    if (l->Height() != r->Height()) {
        platform::showMessage("images are different heights", kStereo);
        return {};
    }
    if (l->Depth() != r->Depth()) {
        platform::showMessage("images have different depths", kStereo);
        return {};
    }
    const int height = l->Height(), depth = l->Depth();
    const int width = l->Width() + 3 + r->Width();
    // Shown mirrored left to right, the right image goes first so the pair
    // reads the right way round on screen.
    const bool mirrored = displayMirror().horizontal;
    const ImageHandle first = mirrored ? right : left, second = mirrored ? left : right;
    const int firstWidth = LiveImage(first)->Width(), secondWidth = LiveImage(second)->Width();
    const ImageHandle paletteFrom = l->PaletteCount() >= r->PaletteCount() ? left : right;

    const ImageHandle result = CreateImage(width, height, PaletteCustom, false, depth);
    if (!result) return {};
    copyPalette(paletteFrom, result);
    LogHistory(result, "stereo pair: ", true);
    LogHistory(result, "  left image: " + nameOf(left), false);
    LogHistory(result, "  right image: " + nameOf(right), false);

    const int rowDepth = depth == 16 ? 16 : 8;
    Row whole(width), part1(firstWidth), part2(secondWidth);
    for (int y = 0; y < height; ++y) {
        if (!part1.read(first, y, rowDepth) || !part2.read(second, y, rowDepth)) break;
        std::copy(part1.values.begin(), part1.values.end(), whole.values.begin());
        whole.values[static_cast<size_t>(firstWidth)] = 0;
        whole.values[static_cast<size_t>(firstWidth + 1)] = 255;
        whole.values[static_cast<size_t>(firstWidth + 2)] = 0;
        std::copy(part2.values.begin(), part2.values.end(), whole.values.begin() + firstWidth + 3);
        // At fewer than 8 bits the separator's 255 becomes the depth's largest value.
        whole.write(result, y, rowDepth);
        if (RowProgressStep(result, y, height)) break;
    }
    Redraw(result, true);
    return result;
}

}  // namespace orvex
