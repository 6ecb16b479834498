#pragma once

#include <memory>
#include <optional>

#include <QScrollArea>

#include "Quentrel/Services/ObserverUICommand.h"
#include "Quentrel/Views/Models/LocaleTexts.h"
#include "Quentrel/Views/Models/ObservationContentModel.h"
#include "Quentrel/Views/QtLocaleFormatter.h"
#include "Quentrel/Views/ViewRefresh.h"

class QAbstractButton;
class QLabel;

namespace quentrel {

class ActivityHistoryView;
class ConnectionStabilityLink;
class DeviceObservationView;
class DeviceSelectorView;
class ObserverActionButton;
class ObserverIconButton;
class ObserverStore;
class ObserverSymbolView;
class WindowVisibilityProbe;
class WorkSessionView;

// The dashboard, the content of the window "status": header with the quick view, activity log
// and settings buttons; the device selector; the selected drive's panel, five-minute graph,
// work session and action bar (or an empty state); the remembered drive's connection row; the
// error line; the footer with the observation mode. It changes nothing itself: its actions are
// the window presenter's hooks and the store's operations (in the UI app: commands). A shortcut
// acts only while its button is shown and enabled.
class ObservationContentView : public QScrollArea {
    Q_OBJECT
public:
    static constexpr int padding = 24;
    static constexpr int spacing = 16;
    static constexpr int headerSpacing = 12;
    static constexpr int tileSide = 44;
    static constexpr qreal tileCornerRadius = 13;
    static constexpr qreal tileOpacity = 0.65;
    static constexpr qreal tileSymbolSize = 21;
    static constexpr qreal titleSize = 22;
    // The settings button's glyph, a point larger than an icon button's.
    static constexpr qreal settingsSymbolSize = 16;
    static constexpr int actionSpacing = 10;
    static constexpr int emptySpacing = 14;
    static constexpr int emptyMinimumHeight = 260;
    static constexpr qreal emptySymbolSize = 42;
    static constexpr qreal emptyTextSize = 19;
    static constexpr int footerSpacing = 6;
    static constexpr qreal footerSize = 11;
    static constexpr int errorSpacing = 6;

    // `remoteCommand`: in the UI app, the sink the mirror store was built with; the refresh
    // button sends through it (it has no store operation). `locale` and `texts` (empty: the
    // system's) write the texts that follow the user's locale; `locale` must outlive the view.
    explicit ObservationContentView(std::shared_ptr<ObserverStore> store, CommandSink remoteCommand = {},
                                    QWidget* parent = nullptr, const LocaleFormatter& locale = QtLocaleFormatter::system(),
                                    std::shared_ptr<const LocaleTexts> texts = {});

    void refresh();
    const ObservationContentModel& model() const { return model_; }

    DeviceSelectorView* selector() const { return selector_; }
    QWidget* deviceGroup() const { return deviceGroup_; }
    DeviceObservationView* devicePanel() const { return panel_; }
    ActivityHistoryView* activityGraph() const { return graph_; }
    WorkSessionView* sessionCard() const { return session_; }
    QWidget* emptyState() const { return empty_; }
    ConnectionStabilityLink* connectionLink() const { return link_; }
    QWidget* errorLine() const { return errorLine_; }
    WindowVisibilityProbe* probe() const { return probe_; }

private:
    QWidget* buildHeader();
    QWidget* buildDeviceGroup();
    QWidget* buildEmptyState();
    QWidget* buildFooter();
    // A shortcut on the window that clicks `button` only while it is shown and enabled.
    void addShortcut(QAbstractButton& button, std::string_view keys);

    std::shared_ptr<ObserverStore> store_;
    CommandSink remoteCommand_;
    const LocaleFormatter& locale_;
    std::shared_ptr<const LocaleTexts> texts_;
    ObservationContentModel model_;

    DeviceSelectorView* selector_ = nullptr;
    QWidget* deviceGroup_ = nullptr;
    DeviceObservationView* panel_ = nullptr;
    ActivityHistoryView* graph_ = nullptr;
    WorkSessionView* session_ = nullptr;
    ObserverActionButton* finder_ = nullptr;
    ObserverIconButton* pause_ = nullptr;
    ObserverIconButton* refresh_ = nullptr;
    ObserverIconButton* details_ = nullptr;
    QWidget* empty_ = nullptr;
    QLabel* emptyText_ = nullptr;
    ConnectionStabilityLink* link_ = nullptr;
    QWidget* errorLine_ = nullptr;
    QLabel* errorText_ = nullptr;
    ObserverSymbolView* modeSymbol_ = nullptr;
    QLabel* modeText_ = nullptr;
    WindowVisibilityProbe* probe_ = nullptr;
    ViewRefresh storeRefresh_{this, [this] { refresh(); }};
};

}  // namespace quentrel
