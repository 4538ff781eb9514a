#include "app/commands/mosaic.h"

#include <algorithm>
#include <string>
#include <vector>

#include "app/command_table.h"
#include "app/image_picker.h"
#include "imagestore/image_interface.h"
#include "processing/mosaic.h"

namespace orvex {

namespace {

constexpr int kMostMosaicked = 20;
constexpr int kMostPaved = 25;

std::vector<ImageHandle> pickSome(int count, const char* title) {
    app::PickRequest request;
    request.maxEntries = count;
    request.title = title;
    for (int i = 0; i < count; ++i) request.entries.push_back({.prompt = "Pick image"});
    const int picked = app::PickImages(request);
    std::vector<ImageHandle> images;
    for (int i = 0; i < picked; ++i) images.push_back(request.entries[static_cast<size_t>(i)].window);
    return images;
}

}  // namespace

// A cancelled picker gives no images and the command does nothing.
ImageHandle ov_mosaic() {
    const std::vector<ImageHandle> images = pickSome(kMostMosaicked, "Mosaic");
    return images.empty() ? ImageHandle{} : MakeMosaic(images);
}

ImageHandle ov_pave() {
    // Pave alone takes more than the picker's usual 20.
    const std::vector<ImageHandle> images = pickSome(kMostPaved, "Pave");
    return images.empty() ? ImageHandle{} : MakePave(images);
}

ImageHandle ov_make_stereo_pair() {
    app::PickRequest request;
    request.title = "Combine";
    request.entries.push_back({.prompt = "Pick left image"});
    request.entries.push_back({.prompt = "Pick right image"});
    if (app::PickImages(request) != 2) return {};
    return MakeStereoPair(request.entries[0].window, request.entries[1].window);
}

void RegisterMosaicCommands() {
    auto add = [](const char* text, void (*run)(), const char* status) {
        app::AddImageCommand(std::string("Advanced > Concatenate Images > ") + text, run, status);
    };
    add("&Mosaic", [] { ov_mosaic(); }, "Assemble registered images by their coordinates");
    add("&Pave", [] { ov_pave(); }, "Lay images side by side");
    add("&Combine", [] { ov_make_stereo_pair(); }, "Put two images side by side as a stereo pair");
}

}  // namespace orvex
