#pragma once

#include <QScrollArea>

class QVBoxLayout;
class QWidget;

namespace quentrel {

// Sets `area` up for a column that scrolls only vertically: frameless, its content taking the
// area's width, the vertical bar shown when needed.
void setUpVerticalScrolling(QScrollArea& area);

// Sets `area` up as the themed root of a window that scrolls: its widget a new column with
// `padding` around and `spacing` between its rows, whose layout is returned for the caller to fill.
QVBoxLayout* setUpScrollingRootColumn(QScrollArea& area, int padding, int spacing);

// A new such area whose viewport lets what is behind it show.
QScrollArea* makeVerticalScrollArea(QWidget* parent);

// Such an area around a content whose fitting size it takes: its size hint is the content's (its
// height for that width when it wraps), and follows it when a row is shown or hidden or a text
// wraps anew. Above the height limit the hint stops there, the content scrolls, and the area is
// wider by the scroll bar so that the content keeps its width.
class FittingScrollArea : public QScrollArea {
    Q_OBJECT
public:
    explicit FittingScrollArea(QWidget* content, QWidget* parent = nullptr);

    void setHeightLimit(int height);
    // Lays the content out at the size the area gives it now, as showing the area would.
    void layOutContent();

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QSize contentSize() const;

    int heightLimit_ = QWIDGETSIZE_MAX;
};

}  // namespace quentrel
