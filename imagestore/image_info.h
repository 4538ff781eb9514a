#pragma once
// The image information registry: what kind each image is and which
// acquisition channel writes it, in one table of 100 entries keyed by the
// image number.
#include <functional>

#include "imagestore/image_handle.h"

namespace orvex {

class CHANNEL;

/// What an image is.
enum IMAGETYPE : int {
    IMAGETYPE_ANALOG = 1,
    IMAGETYPE_DIGITAL = 2,
    IMAGETYPE_COUNTER = 3,
    IMAGETYPE_HISTOGRAM1D = 4,
    IMAGETYPE_HISTOGRAM2D = 5,
    IMAGETYPE_GRID = 9,
    IMAGETYPE_TIFF = 10,
    IMAGETYPE_BMP = 11,
    IMAGETYPE_PCX = 12,
    IMAGETYPE_PALETTE = 13,
};

/// One registry entry; image 0 marks a free slot.
struct ImageInfo {
    int image = 0;  // the image number
    int type = 0;
    CHANNEL* channel = nullptr;
    int ownsChannel = 0;
};

constexpr int kImageInfoCapacity = 100;

/// Slot of the first entry with that image (0: the first free slot), or 100.
int OV_Info_Find(int image);
/// Empties a slot; 100 or more is ignored.
void OV_Info_Clear(int slot);
/// Registers a live image window ("Bad Image" otherwise).
void OV_Info_AddImage(ImageHandle window);
/// Registers an image number once ("out of INFO space" when the table is full).
void OV_Info_AddHandle(int image);
/// Stores the type (1..14), registering the image first when needed.
void OV_Info_SetType(ImageHandle window, int type);
/// The type of a registered image, 0 otherwise.
int OV_Info_GetType(ImageHandle window);
/// Stores the channel of a registered image; never registers.
void OV_Info_SetChanPtr(ImageHandle window, CHANNEL* channel);
CHANNEL* OV_Info_GetChanPtr(ImageHandle window);
void OV_Info_SetOwnsChannel(ImageHandle window, int owns);
/// Removes the entry, destroying the channel when the entry owns it.
void OV_Info_Remove(ImageHandle window);
/// Images of slots 0 .. min(maxCount, 100) - 1 that have the type, in slot order.
int OV_Info_ListByType(int maxCount, ImageHandle* out, int type);
int OV_Info_Capacity();
/// A copy of a slot (an empty entry outside the table).
ImageInfo OV_Info_Slot(int slot);
/// Empties the whole table (start-up state, for tests).
void OV_Info_Reset();

/// How the channel parts take part in the registry's upkeep.
struct ImageInfoHooks {
    /// Destroys a channel record an entry owns.
    std::function<void(CHANNEL*)> destroyChannel;
};
ImageInfoHooks& imageInfoHooks();

}  // namespace orvex
