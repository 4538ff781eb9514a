#include "processing/classify.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "formats/item_list_file.h"
#include "imagestore/history.h"
#include "imagestore/image_interface.h"
#include "imagestore/window_list.h"

namespace orvex {

const uint32_t kDefaultClassColours[14] = {0x800000, 0x008000, 0x808000, 0x000080, 0x800080,
                                           0x008080, 0xC0C0C0, 0x808080, 0xFF0000, 0x00FF00,
                                           0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF};

namespace {

constexpr int kMaxSquare = 255 * 255;
// No distance at or above the starting best can win a pixel.
constexpr int64_t kNoDistance = 9999999;

// A mean read from a file may lie anywhere in the int range; ten squares of
// such a distance need more than 64 bits.
using WideSum = unsigned __int128;

// k^n, or a value above `limit` as soon as it passes it.
WideSum powerUpTo(WideSum k, int n, WideSum limit) {
    WideSum p = 1;
    for (int i = 0; i < n; ++i) {
        if (k != 0 && p > limit / k) return limit + 1;
        p *= k;
        if (p > limit) return limit + 1;
    }
    return p;
}

// The truncated n-th root of a sum of squares, capped at kNoDistance.
int64_t integerRoot(WideSum sum, int bands) {
    if (bands <= 1) return sum > static_cast<WideSum>(kNoDistance) ? kNoDistance : static_cast<int64_t>(sum);
    WideSum k = static_cast<WideSum>(std::pow(static_cast<long double>(sum), 1.0L / bands));
    while (k > 0 && powerUpTo(k, bands, sum) > sum) --k;
    while (powerUpTo(k + 1, bands, sum) <= sum) ++k;
    return k > static_cast<WideSum>(kNoDistance) ? kNoDistance : static_cast<int64_t>(k);
}

WideSum squaredSum(const int* means, const uint8_t* values, int bands) {
    WideSum sum = 0;
    for (int b = 0; b < bands; ++b) {
        const int64_t d = static_cast<int64_t>(means[b]) - values[b];
        sum += static_cast<WideSum>(static_cast<uint64_t>(d < 0 ? -d : d)) * static_cast<uint64_t>(d < 0 ? -d : d);
    }
    return sum;
}

// The truncated n-th root of every sum a pixel can reach, so the inner loop
// looks it up instead of calling pow for every pixel and class. The roots are
// exact: floating pow can land just below a whole root (8^(1/3)).
std::vector<int> rootTable(int bands) {
    const int top = bands * kMaxSquare;
    std::vector<int> table(static_cast<size_t>(top) + 1);
    int64_t k = 0;
    auto power = [bands, top](int64_t base) {
        return static_cast<int64_t>(powerUpTo(static_cast<WideSum>(base), bands, static_cast<WideSum>(top)));
    };
    int64_t next = power(1);
    for (int s = 0; s <= top; ++s) {
        while (next <= s) {
            ++k;
            next = power(k + 1);
        }
        table[static_cast<size_t>(s)] = static_cast<int>(k);
    }
    return table;
}

std::string bandName(ImageHandle w) {
    ImageSummary s;
    GetImageSummary(w, s);
    return s.name;
}

// The bands as the operations take them: 1 to 10 live windows of one size.
bool sameSizedBands(const std::vector<ImageHandle>& bands, int& width, int& height) {
    if (bands.empty() || bands.size() > static_cast<size_t>(kMaxClassBands)) return false;
    const Image* first = LiveImage(bands[0]);
    if (!first) return false;
    width = first->Width();
    height = first->Height();
    for (ImageHandle b : bands) {
        const Image* image = LiveImage(b);
        if (!image || image->Width() != width || image->Height() != height) return false;
    }
    return true;
}

void appendReport(const std::string& path, const std::vector<ImageHandle>& bands,
                  const std::vector<ClassItem>& classes, const std::vector<long>& matched,
                  long unmatched, double limit, const platform::Rect& area, const std::string& label) {
    std::FILE* f = std::fopen(path.c_str(), "a");
    if (!f) {
        platform::showMessage("Unable to open the log file\n" + path, "ClassifyImages()");
        return;
    }
    std::string now = TimeText();
    if (!now.empty() && now.back() == '\n') now.pop_back();
    std::fprintf(f, "\n\n--- Classify Stats ------ %s\n", now.c_str());
    if (label.empty()) std::fprintf(f, "No Label\n");
    else std::fprintf(f, "Label: %s\n", label.c_str());
    std::fprintf(f, "Minimum Distance: %f\n", limit);
    std::fprintf(f, "Application Rect: %d, %d, %d, %d\n", area.left, area.top, area.right, area.bottom);
    std::fprintf(f, "\n--------- Images -----------------\n");
    std::fprintf(f, "Number Of Images: %d\n", static_cast<int>(bands.size()));
    for (size_t b = 0; b < bands.size(); ++b) {
        const Image* image = LiveImage(bands[b]);
        std::fprintf(f, "   Band #%d\n", static_cast<int>(b + 1));
        std::fprintf(f, "   -------------------------\n");
        std::fprintf(f, "   FileName: %s\n", bandName(bands[b]).c_str());
        std::fprintf(f, "   Width: %d,  Height: %d\n", image ? image->Width() : 0, image ? image->Height() : 0);
    }
    std::fprintf(f, "\n--------- Classifications -----------------\n");
    std::fprintf(f, "Number Of Classifications: %d\n", static_cast<int>(classes.size()));
    std::fprintf(f, "Pixels That did not match anything: %ld\n", unmatched);
    for (size_t k = 0; k < classes.size(); ++k) {
        const uint32_t c = classes[k].colour;
        std::fprintf(f, "\n   Item #%d\n", static_cast<int>(k + 1));
        std::fprintf(f, "   -------------------------\n");
        std::fprintf(f, "   Number of Pixels matched: %ld\n", matched[k]);
        std::fprintf(f, "   Color (R,g,b): %d, %d, %d\n", static_cast<int>(c & 0xFF),
                     static_cast<int>(c >> 8 & 0xFF), static_cast<int>(c >> 16 & 0xFF));
        for (size_t b = 0; b < bands.size(); ++b) {
            const double mean = b < classes[k].means.size() ? classes[k].means[b] : 0;
            std::fprintf(f, "   Band Value %d: %.0f\n", static_cast<int>(b), mean);
        }
    }
    std::fclose(f);
}

}  // namespace

int ClassDistance(const int* means, const uint8_t* values, int bands) {
    return static_cast<int>(integerRoot(squaredSum(means, values, bands), bands));
}

ImageHandle ClassifyImages(const std::vector<ImageHandle>& bands, const std::vector<ClassItem>& classes,
                           double limit, const std::optional<platform::Rect>& area,
                           const std::string& logPath, const std::string& label) {
    if (classes.size() > static_cast<size_t>(kMaxAppliedClasses)) return {};
    int width = 0, height = 0;
    if (!sameSizedBands(bands, width, height)) return {};
    const platform::Rect rect = area.value_or(platform::Rect{0, 0, width, height});
    // A rectangle outside the bands would read rows that are not there.
    if (rect.left < 0 || rect.top < 0 || rect.right > width || rect.bottom > height ||
        rect.width() <= 0 || rect.height() <= 0)
        return {};
    const bool whole = !area || (rect.left == 0 && rect.top == 0 && rect.right == width && rect.bottom == height);

    const ImageHandle result = CreateImage(rect.width(), rect.height(), PaletteCustom, true, 8);
    if (!result) return {};
    const int n = static_cast<int>(bands.size());
    const int count = static_cast<int>(classes.size());
    std::vector<uint32_t> colours(static_cast<size_t>(count) + 1, 0);  // unclassified is black
    for (int k = 0; k < count; ++k) colours[static_cast<size_t>(k) + 1] = classes[static_cast<size_t>(k)].colour;
    SetPalette(result, colours.data(), count + 1, PaletteCustom);
    if (whole && LiveImage(bands[0])->IsPositionRegistered()) {
        RealPoint lowerLeft, upperRight;
        GetCorners(bands[0], lowerLeft, upperRight);
        SetRegistration(result, lowerLeft, upperRight);
    }

    LogHistory(result, "Classify:  ", true);
    LogHistory(result, "  new image name: " + bandName(result), false);
    for (ImageHandle b : bands) LogHistory(result, "  source image:  " + bandName(b), false);

    // Means are used as they are. A class whose means all lie on the grey
    // levels looks its roots up in the table; any other is measured pixel by
    // pixel with sums that cannot overflow.
    std::vector<int> means(static_cast<size_t>(count) * n, 0);
    std::vector<char> onLevels(static_cast<size_t>(count), 1);
    for (int k = 0; k < count; ++k)
        for (int b = 0; b < n; ++b) {
            const auto& m = classes[static_cast<size_t>(k)].means;
            const int mean = b < static_cast<int>(m.size()) ? m[static_cast<size_t>(b)] : 0;
            means[static_cast<size_t>(k) * n + b] = mean;
            if (mean < 0 || mean > 255) onLevels[static_cast<size_t>(k)] = 0;
        }
    const std::vector<int> root = rootTable(n);
    std::vector<uint8_t> pixel(static_cast<size_t>(n));

    const int w = rect.width();
    std::vector<std::vector<uint8_t>> rows(static_cast<size_t>(n), std::vector<uint8_t>(static_cast<size_t>(width)));
    std::vector<int> sum(static_cast<size_t>(w)), best(static_cast<size_t>(w)), index(static_cast<size_t>(w));
    std::vector<uint8_t> out(static_cast<size_t>(w));
    std::vector<long> matched(static_cast<size_t>(count), 0);
    long unmatched = 0;
    bool cancelled = false;
    for (int y = rect.top; y < rect.bottom && !cancelled; ++y) {
        for (int b = 0; b < n; ++b) ReadLine8(bands[static_cast<size_t>(b)], y, rows[static_cast<size_t>(b)].data());
        std::fill(best.begin(), best.end(), 9999999);
        std::fill(index.begin(), index.end(), -1);
        for (int k = 0; k < count; ++k) {
            if (!onLevels[static_cast<size_t>(k)]) {
                const int* m = &means[static_cast<size_t>(k) * n];
                for (int x = 0; x < w; ++x) {
                    for (int b = 0; b < n; ++b) pixel[static_cast<size_t>(b)] = rows[static_cast<size_t>(b)][static_cast<size_t>(rect.left + x)];
                    const int r = ClassDistance(m, pixel.data(), n);
                    if (r < best[static_cast<size_t>(x)]) {
                        best[static_cast<size_t>(x)] = r;
                        index[static_cast<size_t>(x)] = k;
                    }
                }
                continue;
            }
            std::fill(sum.begin(), sum.end(), 0);
            for (int b = 0; b < n; ++b) {
                const int m = means[static_cast<size_t>(k) * n + b];
                const uint8_t* p = rows[static_cast<size_t>(b)].data() + rect.left;
                int* s = sum.data();
                for (int x = 0; x < w; ++x) {
                    const int d = m - p[x];
                    s[x] += d * d;
                }
            }
            for (int x = 0; x < w; ++x) {
                const int r = root[static_cast<size_t>(sum[static_cast<size_t>(x)])];
                if (r < best[static_cast<size_t>(x)]) {  // ties stay with the earlier class
                    best[static_cast<size_t>(x)] = r;
                    index[static_cast<size_t>(x)] = k;
                }
            }
        }
        for (int x = 0; x < w; ++x) {
            const int k = index[static_cast<size_t>(x)];
            if (k >= 0 && best[static_cast<size_t>(x)] < limit) {
                out[static_cast<size_t>(x)] = static_cast<uint8_t>(k + 1);
                ++matched[static_cast<size_t>(k)];
            } else {
                out[static_cast<size_t>(x)] = 0;
                ++unmatched;
            }
        }
        WriteLine8(result, y - rect.top, out.data());
        cancelled = RowProgressStep(result, y - rect.top, rect.height());
    }
    // A stopped run still reports, its counts covering the rows done.
    if (!logPath.empty())
        appendReport(logPath, bands, classes, matched, unmatched, limit, rect, label);
    Redraw(result, true);
    return result;
}

std::vector<ClassItem> AutoCluster(const std::vector<ImageHandle>& bands, int maxClasses,
                                   double spectralDistance, double mergeDistance) {
    int width = 0, height = 0;
    if (!sameSizedBands(bands, width, height)) return {};
    platform::ui().setWaitCursor(true);
    const int n = static_cast<int>(bands.size());
    // At least one cluster, or a full list would have nothing to join.
    maxClasses = std::clamp(maxClasses, 1, 50);

    struct Cluster {
        int mean[kMaxClassBands];
        int64_t count;
    };
    std::vector<Cluster> clusters;
    clusters.reserve(static_cast<size_t>(maxClasses));
    auto merge = [&] {
        for (size_t i = 0; i < clusters.size(); ++i) {
            size_t j = i + 1;
            while (j < clusters.size()) {
                Cluster& a = clusters[i];
                const Cluster& c = clusters[j];
                float squares = 0;
                for (int b = 0; b < n; ++b) {
                    const float d = static_cast<float>(a.mean[b] - c.mean[b]);
                    squares += d * d;
                }
                if (std::pow(static_cast<double>(squares), 1.0 / n) < mergeDistance) {
                    const int64_t total = a.count + c.count;
                    for (int b = 0; b < n; ++b)
                        a.mean[b] = static_cast<int>((a.count * a.mean[b] + c.count * c.mean[b]) / total);
                    a.count = total;
                    clusters.erase(clusters.begin() + static_cast<std::ptrdiff_t>(j));
                } else {
                    ++j;
                }
            }
        }
    };

    std::vector<std::vector<uint8_t>> rows(static_cast<size_t>(n), std::vector<uint8_t>(static_cast<size_t>(width)));
    int values[kMaxClassBands] = {};
    long visited = 0;
    for (int y = 0; y < height; y += 10) {
        for (int b = 0; b < n; ++b) ReadLine8(bands[static_cast<size_t>(b)], y, rows[static_cast<size_t>(b)].data());
        for (int x = 0; x < width; ++x) {
            for (int b = 0; b < n; ++b) values[b] = rows[static_cast<size_t>(b)][static_cast<size_t>(x)];
            // The root grows with the sum, so the nearest cluster is the one of
            // the smallest sum (the earlier on ties); one root is then taken.
            int nearest = -1;
            int64_t nearestSum = 0;
            for (size_t c = 0; c < clusters.size(); ++c) {
                int64_t s = 0;
                for (int b = 0; b < n; ++b) {
                    const int64_t d = clusters[c].mean[b] - values[b];
                    s += d * d;
                }
                if (nearest < 0 || s < nearestSum) {
                    nearest = static_cast<int>(c);
                    nearestSum = s;
                }
            }
            const long double distance =
                nearest < 0 ? 99999.0L : std::pow(static_cast<long double>(nearestSum), 1.0L / n);
            if (nearest >= 0 && (distance <= spectralDistance || static_cast<int>(clusters.size()) >= maxClasses)) {
                Cluster& c = clusters[static_cast<size_t>(nearest)];
                for (int b = 0; b < n; ++b)
                    c.mean[b] = static_cast<int>((c.count * c.mean[b] + values[b]) / (c.count + 1));
                ++c.count;
            } else {
                Cluster c{};
                for (int b = 0; b < n; ++b) c.mean[b] = values[b];
                c.count = 1;
                clusters.push_back(c);
            }
            if (++visited % 2001 == 0) merge();
        }
        ReportProgress(std::min(100, (y + 1) * 100 / height));
    }
    ReportProgress(100);

    // Small results take the default colours; larger ones random colours
    // from the generator every run continues.
    static uint32_t seed = 1;
    auto random = [] {
        seed = seed * 214013u + 2531011u;
        return static_cast<int>(seed >> 16 & 0x7FFF);
    };
    std::vector<ClassItem> found;
    for (size_t h = 0; h < clusters.size(); ++h) {
        ClassItem item;
        item.means.assign(clusters[h].mean, clusters[h].mean + n);
        if (clusters.size() <= 15) {
            item.colour = kDefaultClassColours[h % 14];
        } else {
            uint32_t colour = 0;
            for (int channel = 0; channel < 3; ++channel) {
                const int v = static_cast<int>(random() / 32767.0 * 255 + 0.5);
                colour |= static_cast<uint32_t>(v & 0xFF) << (8 * channel);
            }
            item.colour = colour;
        }
        found.push_back(std::move(item));
    }
    platform::ui().setWaitCursor(false);
    return found;
}

std::vector<int> TrainClass(const std::vector<ImageHandle>& bands, const platform::PixelRect& area) {
    std::vector<int> means(bands.size(), 0);
    int width = 0, height = 0;
    if (!sameSizedBands(bands, width, height)) return means;
    const int left = std::max(0, std::min(area.left, area.right));
    const int right = std::min(width - 1, std::max(area.left, area.right));
    const int top = std::max(0, std::min(area.top, area.bottom));
    const int bottom = std::min(height - 1, std::max(area.top, area.bottom));
    if (left > right || top > bottom) return means;
    const int64_t pixels = static_cast<int64_t>(right - left + 1) * (bottom - top + 1);
    std::vector<uint8_t> row(static_cast<size_t>(width));
    for (size_t b = 0; b < bands.size(); ++b) {
        int64_t sum = 0;
        for (int y = top; y <= bottom; ++y) {
            ReadLine8(bands[b], y, row.data());
            for (int x = left; x <= right; ++x) sum += row[static_cast<size_t>(x)];
        }
        means[b] = static_cast<int>(sum / pixels);
    }
    return means;
}

bool ReadClassSet(const std::string& path, ClassSet& set) {
    formats::ItemListFile file;
    if (!file.Open(path, formats::ItemListFile::Direction::Read)) return false;
    if (!file.BeginSection(formats::kClassificationList.section)) return false;
    ClassSet read;
    file.ReadYesNo("IsMinimum", read.isMinimum);
    file.ReadLong("Minimum", read.minimum);
    if (!file.ReadInt("Number of bands", read.bands) || read.bands < 1 || read.bands > kMaxClassBands)
        return false;
    while (true) {
        ClassItem item;
        int colour = 0;
        if (!file.ReadText("ItemName", item.name) || !file.ReadInt("ItemColor", colour)) break;
        if (item.name.size() > kClassNameLength) item.name.resize(kClassNameLength);
        item.colour = static_cast<uint32_t>(colour) & 0xFFFFFF;
        item.means.assign(static_cast<size_t>(read.bands), 0);
        bool complete = true;
        for (int b = 0; b < read.bands && complete; ++b) complete = file.ReadInt("ItemValue", item.means[static_cast<size_t>(b)]);
        if (!complete || !file.ReadRect("ItemLoc", item.area)) break;
        read.classes.push_back(std::move(item));
    }
    file.EndSection();
    set = std::move(read);
    return true;
}

bool WriteClassSet(const std::string& path, const ClassSet& set) {
    formats::ItemListFile file;
    if (!file.Open(path, formats::ItemListFile::Direction::Write)) return false;
    file.WriteTitle(formats::kClassificationList.title);
    file.BeginSection(formats::kClassificationList.section);
    file.WriteYesNo("IsMinimum", set.isMinimum);
    file.WriteLong("Minimum", set.minimum);
    file.WriteInt("Number of bands", set.bands);
    for (const ClassItem& item : set.classes) {
        file.WriteText("ItemName", item.name);
        file.WriteInt("ItemColor", static_cast<int>(item.colour));
        for (int b = 0; b < set.bands; ++b)
            file.WriteInt("ItemValue", b < static_cast<int>(item.means.size()) ? item.means[static_cast<size_t>(b)] : 0);
        file.WriteRect("ItemLoc", item.area);
    }
    file.EndSection();
    return file.Close();
}

}  // namespace orvex
