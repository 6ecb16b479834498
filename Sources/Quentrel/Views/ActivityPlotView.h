#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include <QWidget>

#include "Platform/Foundation/Date.h"
#include "Quentrel/Views/Models/ActivityPlotGeometry.h"
#include "Wendmark/ActivityInterval.h"

class QPainter;

namespace quentrel {

// The drawing surface of the five-minute graph: the read and write segments of each interval
// and the marker of the inspected instant, nothing else (no background, axes or fill). Every
// pointer event passes through it to the graph behind it.
class ActivityPlotView : public QWidget {
    Q_OBJECT
public:
    // Starts with no intervals, the moment of creation as reference date and no selection.
    explicit ActivityPlotView(QWidget* parent = nullptr);

    // Takes the three inputs and asks for a repaint, unless all three equal the held ones (then
    // nothing happens and false is returned): every refresh of the graph passes them again.
    bool setInputs(const std::vector<wendmark::ActivityInterval>& intervals, platform::Date referenceDate,
                   std::optional<platform::Date> selectedDate);

    const std::vector<wendmark::ActivityInterval>& intervals() const { return intervals_; }
    platform::Date referenceDate() const { return referenceDate_; }
    const std::optional<platform::Date>& selectedDate() const { return selectedDate_; }
    // How many repaints setInputs has asked for.
    std::uint64_t displayRequests() const { return displayRequests_; }

    // Strokes `geometry` clipped to `size`: what the widget paints, also usable on any image.
    static void draw(QPainter& painter, const ActivityPlotGeometry& geometry, QSizeF size);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::vector<wendmark::ActivityInterval> intervals_;
    platform::Date referenceDate_;
    std::optional<platform::Date> selectedDate_;
    std::uint64_t displayRequests_ = 0;
    // Kept between repaints to spare the allocation.
    ActivityPlotGeometry geometry_;
};

}  // namespace quentrel
