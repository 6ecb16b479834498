#include "WindowContents.h"

// Before any Qt header (Qt defines `slots` as a macro).
#include "Quentrel/Stores/ObserverStore.h"

#include <QSize>
#include <QWidget>

#include "Quentrel/Views/Theme/ObserverTheme.h"
#include "Quentrel/Views/WindowVisibilityProbe.h"

namespace quentrel::WindowContents {

namespace {

// The fitting sizes of the empty areas that stand in for views not built yet; a real view brings
// its own size hint.
constexpr QSize placeholderFittingSize{480, 360};
constexpr int quickViewWidth = 360;
constexpr QSize placeholderQuickViewSize{quickViewWidth, 420};

class EmptyContent final : public QWidget {
public:
    EmptyContent(QSize fitting, QWidget* parent) : QWidget(parent), fitting_(fitting) {
        ObserverTheme::applyToRoot(*this);
    }
    QSize sizeHint() const override { return fitting_; }

private:
    QSize fitting_;
};

}  // namespace

WindowVisibilityProbe* makeVisibilityProbe(const std::shared_ptr<ObserverStore>& store, QWidget* parent) {
    return new WindowVisibilityProbe(
        [weak = std::weak_ptr<ObserverStore>(store)](const platform::UUID& surface, bool visible) {
            if (auto s = weak.lock()) s->surfaceVisibilityChanged(surface, visible);
        },
        parent);
}

QWidget* make(WindowContent content, const std::shared_ptr<ObserverStore>& store, QWidget* parent) {
    auto* root = new EmptyContent(placeholderFittingSize, parent);
    switch (content) {
    case WindowContent::dashboard:
    case WindowContent::deviceDetails:
        makeVisibilityProbe(store, root);
        break;
    default:
        break;
    }
    return root;
}

QWidget* makeQuickView(const std::shared_ptr<ObserverStore>&, QWidget* parent) {
    return new EmptyContent(placeholderQuickViewSize, parent);
}

}  // namespace quentrel::WindowContents
