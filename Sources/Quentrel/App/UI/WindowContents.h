#pragma once

#include <memory>
#include <string>

class QWidget;

namespace quentrel {

class ObserverStore;

// The one seam between the presenter and the views: the root view of each window and of the quick
// panel, built on the mirror store. Each function returns a new widget parented to `parent`;
// window titles, sizes and menus stay with the presenter.
namespace WindowContents {

// The root view of the window of `windowID`: the view its row of the window table names (an id
// outside the table gets the dashboard; "help" and "about" the help view at their sections).
QWidget* make(const std::string& windowID, const std::shared_ptr<ObserverStore>& store, QWidget* parent);

// The quick view with its compact graph. The panel takes its size hint as the fitting size and adds
// the probe itself.
QWidget* makeQuickView(const std::shared_ptr<ObserverStore>& store, QWidget* parent);

}  // namespace WindowContents

}  // namespace quentrel
