#include "WindowContents.h"

#include <QWidget>

#include "Quentrel/Stores/ObserverStore.h"
#include "Quentrel/Views/ActivityLogView.h"
#include "Quentrel/Views/Connection/ConnectionStabilityView.h"
#include "Quentrel/Views/DataManagementView.h"
#include "Quentrel/Views/DeviceDetailsView.h"
#include "Quentrel/Views/DiagnosticPreviewView.h"
#include "Quentrel/Views/Observation/ObservationMenuView.h"
#include "Quentrel/Views/ObservationContentView.h"
#include "Quentrel/Views/ObserverSettingsView.h"
#include "Quentrel/Views/ProductHelpView.h"
#include "Quentrel/Views/QuickViewActivityGraph.h"
#include "Quentrel/Views/WelcomeView.h"
#include "WindowTable.h"

namespace quentrel::WindowContents {

QWidget* make(const std::string& windowID, const std::shared_ptr<ObserverStore>& store, QWidget* parent) {
    switch (WindowTable::spec(windowID).content) {
    case WindowContent::welcome: return new WelcomeView(store, store->loginItem(), parent);
    case WindowContent::settings: return new ObserverSettingsView(store, store->loginItem(), parent);
    case WindowContent::connectionSummary: return new ConnectionStabilityView(store, parent);
    case WindowContent::activityLog: return new ActivityLogView(store, parent);
    case WindowContent::diagnosticPreview: return new DiagnosticPreviewView(store, parent);
    case WindowContent::dataManagement: return new DataManagementView(store, parent);
    case WindowContent::helpUsage: return new ProductHelpView(HelpSection::usage, parent);
    case WindowContent::helpAbout: return new ProductHelpView(HelpSection::about, parent);
    case WindowContent::deviceDetails: return new DeviceDetailsView(store, {}, parent);
    case WindowContent::dashboard: break;
    }
    // The dashboard's refresh has no store operation in the mirror: it goes to the agent.
    return new ObservationContentView(store, store->remoteCommand(), parent);
}

QWidget* makeQuickView(const std::shared_ptr<ObserverStore>& store, QWidget* parent) {
    auto* view = new ObservationMenuView(store, parent);
    installActivityGraph(*view);
    return view;
}

}  // namespace quentrel::WindowContents
