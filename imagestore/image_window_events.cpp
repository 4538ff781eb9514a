#include "imagestore/image_window_events.h"

#include <algorithm>
#include <cctype>
#include <string>

#include "imagestore/image_info.h"
#include "imagestore/image_interface.h"
#include "imagestore/orvex_view.h"
#include "imagestore/window_list.h"

namespace orvex {

ImageWindowEventHooks& imageWindowEventHooks() {
    static ImageWindowEventHooks hooks;
    return hooks;
}

namespace {

bool EndsWithNoCase(const std::string& text, const char* ending) {
    const size_t n = std::char_traits<char>::length(ending);
    if (text.size() < n) return false;
    for (size_t i = 0; i < n; ++i)
        if (std::toupper(static_cast<unsigned char>(text[text.size() - n + i])) !=
            std::toupper(static_cast<unsigned char>(ending[i])))
            return false;
    return true;
}

void OnCreated(const ImageEvent& event) {
    OV_Info_AddImage(event.window);
    OrvexView* view = LiveView(event.window);
    if (!view) return;
    // Attached once, even when a window is announced twice.
    if (std::find(view->listeners.begin(), view->listeners.end(), &ImageWindowEventHandler) ==
        view->listeners.end())
        AddImageListener(event.window, &ImageWindowEventHandler);
    if (event.first == 1) {
        static const struct {
            const char* ending;
            int type;
        } kTypes[] = {{".TIF", IMAGETYPE_TIFF}, {".BMP", IMAGETYPE_BMP}, {".PCX", IMAGETYPE_PCX}};
        for (const auto& t : kTypes)
            if (EndsWithNoCase(view->name, t.ending)) {
                OV_Info_SetType(event.window, t.type);
                return;
            }
    }
    if (imageWindowEventHooks().currentPalette) {
        const auto palette = imageWindowEventHooks().currentPalette();
        if (palette && palette->size() >= 256)
            SetPalette(event.window, palette->data(), 256, PaletteCustom);
    }
}

void OnDestroying(const ImageEvent& event) {
    auto& hooks = imageWindowEventHooks();
    if (hooks.detachChannelImage) hooks.detachChannelImage(event.window);
    if (CHANNEL* channel = OV_Info_GetChanPtr(event.window); channel && hooks.freeLineBuffer)
        hooks.freeLineBuffer(channel);
    OV_Info_Remove(event.window);
}

}  // namespace

void ImageWindowEventHandler(const ImageEvent& event) {
    auto& hooks = imageWindowEventHooks();
    switch (event.code) {
        case ImageEventCreated: OnCreated(event); break;
        case ImageEventDestroying: OnDestroying(event); break;
        case ImageEventAllClosed:
            if (hooks.allWindowsClosed) hooks.allWindowsClosed();
            break;
        case ImageEventCloseAllRequested:
            if (hooks.closeRequested) hooks.closeRequested(event.window, event.flag);
            break;
        case ImageEventPainted:
        case ImageEventPrinted:
            for (const auto& overlay : hooks.overlays)
                if (overlay) overlay(event);
            break;
        default: break;
    }
}

void InstallImageWindowEventHandler() {
    windowList().RemoveApplicationListener(&ImageWindowEventHandler);
    windowList().AddApplicationListener(&ImageWindowEventHandler);
}

}  // namespace orvex
