#pragma once

#include <QPointer>
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
//
// A content that changes its size after the person used one of its controls (a click, or the
// keyboard focus that came there) keeps that control and its row whole in view: once the new size
// is laid out, the area scrolls the least way that shows them. The person's own scrolling (the
// wheel, the scroll bar, the page keys) or a click beside every control lets the control go.
class FittingScrollArea : public QScrollArea {
    Q_OBJECT
public:
    explicit FittingScrollArea(QWidget* content, QWidget* parent = nullptr);

    void setHeightLimit(int height);
    // Lays the content out at the size the area gives it now, as showing the area would.
    void layOutContent();

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    // The control the person used last, kept in view while the content changes size; null for none.
    QWidget* usedControl() const { return used_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QSize contentSize() const;
    // Follows what the person does in this area's window: what they used, and their own scrolling.
    void noteInput(QWidget& receiver, QEvent& event);
    void keepUsedControlInView();

    int heightLimit_ = QWIDGETSIZE_MAX;
    // The content's size when it last asked to be laid out: only a new one is told to the layouts
    // around the area, so that a state that changes no size lays out nothing above it.
    QSize laidOut_;
    QPointer<QWidget> used_;
    // The press last looked at: Qt hands a press that a widget leaves on to its parents, and only
    // the first widget that gets it tells what was pressed.
    const QEvent* lastPress_ = nullptr;
    quint64 lastPressTime_ = 0;
    bool keepPending_ = false;
};

}  // namespace quentrel
