#include "WindowContents.h"

// Before any Qt header (Qt defines `slots` as a macro).
#include "Quentrel/Stores/ObserverStore.h"

#include <QSize>
#include <QWidget>

#include "Quentrel/Views/Theme/ObserverTheme.h"
#include "Quentrel/Views/WindowVisibilityProbe.h"
#include "WindowTable.h"

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

QWidget* make(const std::string& windowID, const std::shared_ptr<ObserverStore>& store, QWidget* parent) {
    // Each case returns its view once it exists, as the comment names it.
    switch (WindowTable::spec(windowID).content) {
    case WindowContent::welcome:            // WelcomeView(store, store->loginItem())
    case WindowContent::settings:           // ObserverSettingsView(store, store->loginItem())
    case WindowContent::connectionSummary:  // ConnectionStabilityView(store)
    case WindowContent::activityLog:        // ActivityLogView(store)
    case WindowContent::diagnosticPreview:  // DiagnosticPreviewView(store)
    case WindowContent::dataManagement:     // DataManagementView(store)
    case WindowContent::helpUsage:          // ProductHelpView(usage)
    case WindowContent::helpAbout:          // ProductHelpView(about)
        return new EmptyContent(placeholderFittingSize, parent);
    case WindowContent::deviceDetails:      // DeviceDetailsView(store), which has its own probe
    case WindowContent::dashboard: {        // ObservationContentView(store), which has its own probe
        auto* root = new EmptyContent(placeholderFittingSize, parent);
        makeVisibilityProbe(store, root);
        return root;
    }
    }
    return new EmptyContent(placeholderFittingSize, parent);
}

QWidget* makeQuickView(const std::shared_ptr<ObserverStore>&, QWidget* parent) {
    // ObservationMenuView(store); the panel adds the probe.
    return new EmptyContent(placeholderQuickViewSize, parent);
}

}  // namespace quentrel::WindowContents
