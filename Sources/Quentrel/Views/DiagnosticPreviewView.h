#pragma once

#include <memory>

#include <QWidget>

#include "Quentrel/Views/Models/DiagnosticPreviewModel.h"
#include "Quentrel/Views/ViewRefresh.h"

class QLabel;

namespace quentrel {

class DiagnosticTextView;
class ObserverStore;

// The window "diagnostic-preview": the exact anonymised JSON the agent would copy or save, with
// its snapshot time and size, and the rebuild, copy and save buttons; without a preview the empty
// state with its rebuild button. Building, copying and saving are the agent's: each button only
// sends its command, and the result comes back with the next state.
class DiagnosticPreviewView : public QWidget {
    Q_OBJECT
public:
    static constexpr int padding = 24;
    static constexpr int spacing = 14;
    static constexpr qreal titleSize = 23;
    static constexpr qreal noteSize = 12;
    static constexpr qreal emptySymbolSize = 40;
    static constexpr qreal emptyTitleSize = 17;
    static constexpr int buttonSpacing = 8;

    explicit DiagnosticPreviewView(std::shared_ptr<ObserverStore> store, QWidget* parent = nullptr);

    void refresh();
    const DiagnosticPreviewModel& model() const { return model_; }
    DiagnosticTextView* textView() const { return text_; }

private:
    std::shared_ptr<ObserverStore> store_;
    LocalizedFormats formats_;
    DiagnosticPreviewModel model_;
    QWidget* emptyState_;
    QWidget* preview_;
    QLabel* snapshotLine_;
    DiagnosticTextView* text_;
    QLabel* errorLine_;
    ViewRefresh refresh_;
};

}  // namespace quentrel
