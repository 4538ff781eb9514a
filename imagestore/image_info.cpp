#include "imagestore/image_info.h"

#include <array>

#include "imagestore/image_interface.h"
#include "platform/ui.h"

namespace orvex {

namespace {

std::array<ImageInfo, kImageInfoCapacity>& Table() {
    static std::array<ImageInfo, kImageInfoCapacity> table{};
    return table;
}

// The identity the image-information query reports, or 0 when it fails.
int IdentityOf(ImageHandle window) {
    ImageSummary summary;
    if (GetImageSummary(window, summary) != ImageDone) return 0;
    return summary.imageNumber;
}

}  // namespace

ImageInfoHooks& imageInfoHooks() {
    static ImageInfoHooks hooks;
    return hooks;
}

int OV_Info_Find(int image) {
    for (int i = 0; i < kImageInfoCapacity; ++i)
        if (Table()[i].image == image) return i;
    return kImageInfoCapacity;
}

void OV_Info_Clear(int slot) {
    if (slot < 0 || slot >= kImageInfoCapacity) return;
    Table()[slot] = ImageInfo{};
}

void OV_Info_AddImage(ImageHandle window) {
    const int image = IdentityOf(window);
    if (!image) {
        platform::showMessage("Bad Image", "OV_Info_AddImage()");
        return;
    }
    OV_Info_AddHandle(image);
}

void OV_Info_AddHandle(int image) {
    if (image == 0 || OV_Info_Find(image) < kImageInfoCapacity) return;
    const int slot = OV_Info_Find(0);
    if (slot >= kImageInfoCapacity) {
        platform::showMessage("out of INFO space", "OV_Info_AddHandle()");
        return;
    }
    OV_Info_Clear(slot);
    Table()[slot].image = image;
}

void OV_Info_SetType(ImageHandle window, int type) {
    static const char* kCaption = "OV_Info_SetType()";
    if (type < 1 || type > 14) {
        platform::showMessage("Bad IMAGETYPE", kCaption);
        return;
    }
    const int image = IdentityOf(window);
    if (!image) {
        platform::showMessage("Bad Image Handle", kCaption);
        return;
    }
    int slot = OV_Info_Find(image);
    if (slot >= kImageInfoCapacity) {
        OV_Info_AddHandle(image);
        slot = OV_Info_Find(image);
        if (slot >= kImageInfoCapacity) return;
    }
    Table()[slot].type = type;
}

int OV_Info_GetType(ImageHandle window) {
    const int image = IdentityOf(window);
    const int slot = image ? OV_Info_Find(image) : kImageInfoCapacity;
    return slot < kImageInfoCapacity ? Table()[slot].type : 0;
}

void OV_Info_SetChanPtr(ImageHandle window, CHANNEL* channel) {
    const int image = IdentityOf(window);
    if (!image) {
        platform::showMessage("Bad Image", "OV_Info_SetChanPtr()");
        return;
    }
    const int slot = OV_Info_Find(image);
    if (slot < kImageInfoCapacity) Table()[slot].channel = channel;
}

CHANNEL* OV_Info_GetChanPtr(ImageHandle window) {
    const int image = IdentityOf(window);
    const int slot = image ? OV_Info_Find(image) : kImageInfoCapacity;
    return slot < kImageInfoCapacity ? Table()[slot].channel : nullptr;
}

void OV_Info_SetOwnsChannel(ImageHandle window, int owns) {
    const int image = IdentityOf(window);
    const int slot = image ? OV_Info_Find(image) : kImageInfoCapacity;
    if (slot < kImageInfoCapacity) Table()[slot].ownsChannel = owns;
}

void OV_Info_Remove(ImageHandle window) {
    // The number of a closed window still finds its entry.
    if (!window) return;
    const int slot = OV_Info_Find(window.number);
    if (slot >= kImageInfoCapacity) return;
    ImageInfo& entry = Table()[slot];
    if (entry.ownsChannel && entry.channel && imageInfoHooks().destroyChannel)
        imageInfoHooks().destroyChannel(entry.channel);
    OV_Info_Clear(slot);
}

int OV_Info_ListByType(int maxCount, ImageHandle* out, int type) {
    if (!out) return 0;
    int found = 0;
    const int last = std::min(maxCount, kImageInfoCapacity);
    for (int i = 0; i < last; ++i)
        if (Table()[i].image != 0 && Table()[i].type == type) out[found++] = {Table()[i].image};
    return found;
}

int OV_Info_Capacity() { return kImageInfoCapacity; }

ImageInfo OV_Info_Slot(int slot) {
    if (slot < 0 || slot >= kImageInfoCapacity) return {};
    return Table()[slot];
}

void OV_Info_Reset() {
    Table().fill(ImageInfo{});
    imageInfoHooks() = ImageInfoHooks{};
}

}  // namespace orvex
