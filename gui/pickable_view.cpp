#include "gui/pickable_view.h"

#include <algorithm>

namespace orvex::gui {

std::vector<PickableView*>& pickableViews() {
    static std::vector<PickableView*> views;
    return views;
}

PickableView* findPickableView(int imageNumber) {
    for (PickableView* v : pickableViews())
        if (v->imageNumber() == imageNumber) return v;
    return nullptr;
}

PickableView* pickableViewOf(QWidget* widget) {
    for (; widget; widget = widget->parentWidget())
        for (PickableView* v : pickableViews())
            if (v->pictureWidget() == widget) return v;
    return nullptr;
}

PickableRegistration::PickableRegistration(PickableView* view) : view_(view) {
    pickableViews().push_back(view);
}

PickableRegistration::~PickableRegistration() {
    auto& views = pickableViews();
    views.erase(std::remove(views.begin(), views.end(), view_), views.end());
}

}  // namespace orvex::gui
