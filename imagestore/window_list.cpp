#include "imagestore/window_list.h"

#include <algorithm>

#include "imagestore/orvex_view.h"
#include "platform/ui.h"

namespace orvex {

WindowList& windowList() {
    static WindowList list;
    return list;
}

ImageHandle WindowList::Add(std::unique_ptr<OrvexView> view) {
    if (!view) return {};
    view->imageNumber = ++imageCounter_;
    const ImageHandle handle = view->Handle();
    views_.push_back(std::move(view));
    SetActive(handle);
    return handle;
}

std::unique_ptr<OrvexView> WindowList::Remove(ImageHandle window) {
    auto it = std::find_if(views_.begin(), views_.end(),
                           [&](const auto& v) { return v->imageNumber == window.number; });
    if (it == views_.end()) return nullptr;
    std::unique_ptr<OrvexView> view = std::move(*it);
    views_.erase(it);
    std::erase(activation_, window.number);
    return view;
}

OrvexView* WindowList::Find(ImageHandle window) const {
    if (!window) return nullptr;
    // Windows join at the end with ever larger numbers, so the list is in
    // number order; row loops look their windows up on every row.
    const auto it = std::lower_bound(views_.begin(), views_.end(), window.number,
                                     [](const auto& v, int number) { return v->imageNumber < number; });
    return it != views_.end() && (*it)->imageNumber == window.number ? it->get() : nullptr;
}

std::vector<ImageHandle> WindowList::Windows() const {
    std::vector<ImageHandle> windows;
    windows.reserve(views_.size());
    for (const auto& v : views_) windows.push_back(v->Handle());
    return windows;
}

ImageHandle WindowList::Active() const {
    if (activation_.empty()) return {};
    return ImageHandle{activation_.back()};
}

void WindowList::SetActive(ImageHandle window) {
    if (!Find(window)) return;
    std::erase(activation_, window.number);
    activation_.push_back(window.number);
}

void WindowList::AddApplicationListener(ImageListener listener) {
    if (listener) applicationListeners_.push_back(listener);
}

void WindowList::RemoveApplicationListener(ImageListener listener) {
    auto it = std::find(applicationListeners_.begin(), applicationListeners_.end(), listener);
    if (it != applicationListeners_.end()) applicationListeners_.erase(it);
}

void WindowList::NotifyApplication(const ImageEvent& event) {
    // A listener may change the list while it runs.
    const std::vector<ImageListener> listeners = applicationListeners_;
    for (ImageListener listener : listeners) listener(event);
}

void WindowList::Reset() {
    views_.clear();
    activation_.clear();
    applicationListeners_.clear();
    imageCounter_ = 0;
    hooks = ShellHooks{};
    displayMirror() = DisplayMirror{};
}

void ReportProgress(int percent) {
    if (windowList().hooks.reportProgress)
        windowList().hooks.reportProgress(percent);
    else
        platform::ui().setProgress(percent, std::to_string(percent) + "%");
}

}  // namespace orvex
