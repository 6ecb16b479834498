#pragma once

#include <memory>
#include <optional>

#include "Quentrel/Views/Controls/ObserverSurface.h"
#include "Quentrel/Views/Models/WorkSessionModel.h"
#include "Quentrel/Views/QtLocaleFormatter.h"
#include "Quentrel/Views/ViewRefresh.h"

class QLabel;
class QVBoxLayout;

namespace quentrel {

class ObserverStore;
class PlainButton;
class SymbolLabel;

// The card "이번 작업 세션": the bytes read and written in the running work session, how long it
// was observed and has lasted, and a note while counting pauses; its header button opens the
// activity log. It follows the store by itself.
class WorkSessionView : public ObserverSurface {
    Q_OBJECT
public:
    struct Metrics {
        int spacing;
        int padding;
        qreal headerSize;
        qreal bytesSize;
    };
    static constexpr Metrics compactMetrics{6, 12, 11, 14};
    static constexpr Metrics fullMetrics{10, 18, 13, 19};
    static constexpr int bytesSpacing = 18;
    static constexpr qreal openLogSymbolSize = 13;

    // `locale` writes the byte totals; it must outlive the view.
    WorkSessionView(std::shared_ptr<ObserverStore> store, bool compact, QWidget* parent = nullptr,
                    const LocaleFormatter& locale = QtLocaleFormatter::system());

    void refresh();
    const std::optional<WorkSessionModel>& model() const { return model_; }

    SymbolLabel* header() const { return header_; }
    PlainButton* openLogButton() const { return openLog_; }
    QWidget* sessionContent() const { return session_; }
    SymbolLabel* readLabel() const { return read_; }
    SymbolLabel* writtenLabel() const { return written_; }
    QLabel* durationLabel() const { return duration_; }
    SymbolLabel* pausedNote() const { return paused_; }
    QLabel* noSessionLabel() const { return noSession_; }

private:
    std::shared_ptr<ObserverStore> store_;
    bool compact_;
    const LocaleFormatter& locale_;
    SymbolLabel* header_;
    PlainButton* openLog_;
    QWidget* session_;
    SymbolLabel* read_;
    SymbolLabel* written_;
    QLabel* duration_;
    SymbolLabel* paused_;
    QLabel* noSession_;
    ViewRefresh refresh_{this, [this] { refresh(); }};
    std::optional<WorkSessionModel> model_;
};

}  // namespace quentrel
