#pragma once

#include <memory>
#include <optional>

#include "Quentrel/Views/Controls/PlainButton.h"
#include "Quentrel/Views/Models/ConnectionStabilityModel.h"
#include "Quentrel/Views/ViewRefresh.h"

class QLabel;

namespace quentrel {

class ObserverStore;
class ObserverSymbolView;

// The one-line connection row of the remembered drive: its state, "연결 요약" and the loss and
// recovery counts; a click opens the connection summary window. Without a remembered drive it is
// hidden and takes no space. It follows the store by itself.
class ConnectionStabilityLink : public PlainButton {
    Q_OBJECT
public:
    static constexpr qreal fontSize = 12;
    static constexpr int spacing = 8;
    static constexpr int verticalPadding = 6;

    explicit ConnectionStabilityLink(std::shared_ptr<ObserverStore> store, QWidget* parent = nullptr);

    void refresh();
    const std::optional<ConnectionStabilityLinkModel>& model() const { return model_; }

    ObserverSymbolView* stateSymbol() const { return state_; }
    QLabel* titleLabel() const { return title_; }
    QLabel* summaryLabel() const { return summary_; }
    ObserverSymbolView* chevron() const { return chevron_; }

private:
    std::shared_ptr<ObserverStore> store_;
    ObserverSymbolView* state_;
    QLabel* title_;
    QLabel* summary_;
    ObserverSymbolView* chevron_;
    ViewRefresh refresh_{this, [this] { refresh(); }};
    std::optional<ConnectionStabilityLinkModel> model_;
};

}  // namespace quentrel
