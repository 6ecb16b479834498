#pragma once

#include <memory>

#include <QScrollArea>

#include "Quentrel/Views/Models/DeviceDetailsModel.h"
#include "Quentrel/Views/Models/LocaleTexts.h"
#include "Quentrel/Views/ViewRefresh.h"

namespace quentrel {

class ObserverStore;
class WindowVisibilityProbe;

// The content of the window "device-details": the selected device's facts and link bound, its
// volumes and its I/O statistics with the five-minute peaks, read-only; a placeholder when no
// device of the current snapshot is selected. It follows every change the store publishes and
// reports its window's visibility to the store.
class DeviceDetailsView : public QScrollArea {
    Q_OBJECT
public:
    static constexpr int padding = 24;
    static constexpr int spacing = 18;
    static constexpr double titleFontSize = 23;
    static constexpr double rowFontSize = 13;
    static constexpr int rowSpacing = 20;
    static constexpr int rowPadding = 3;
    static constexpr int volumeSpacing = 12;
    static constexpr int volumePadding = 4;
    static constexpr int volumeLineSpacing = 5;
    static constexpr double volumeNameFontSize = 14;
    static constexpr double volumeSymbolFontSize = 15;
    static constexpr double placeholderSymbolFontSize = 40;
    static constexpr double placeholderTitleFontSize = 17;
    static constexpr int placeholderSpacing = 10;

    // `texts` empty: the system locale's.
    explicit DeviceDetailsView(std::shared_ptr<ObserverStore> store, std::shared_ptr<const LocaleTexts> texts = {},
                               QWidget* parent = nullptr);

    // Reads the store now (the view also does so once per event-loop turn after each change).
    void refresh();
    const DeviceDetailsModel& model() const { return model_; }
    WindowVisibilityProbe* probe() const { return probe_; }

private:
    QWidget* buildBody() const;

    std::shared_ptr<ObserverStore> store_;
    std::shared_ptr<const LocaleTexts> texts_;
    DeviceDetailsModel model_;
    bool built_ = false;
    QWidget* body_ = nullptr;
    WindowVisibilityProbe* probe_;
    ViewRefresh refresh_{this, [this] { refresh(); }};
};

}  // namespace quentrel
