#include "VerticalScrollArea.h"

#include <algorithm>

#include <QEvent>
#include <QScrollBar>
#include <QVBoxLayout>

#include "Quentrel/Views/Theme/ObserverTheme.h"

namespace quentrel {

void setUpVerticalScrolling(QScrollArea& area) {
    area.setFrameShape(QFrame::NoFrame);
    area.setWidgetResizable(true);
    area.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    area.setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    // No stop of its own for Tab, which goes through the controls inside and scrolls each into
    // view; the wheel, the scroll bar and the page keys of a control inside still scroll it.
    area.setFocusPolicy(Qt::NoFocus);
}

QVBoxLayout* setUpScrollingRootColumn(QScrollArea& area, int padding, int spacing) {
    setUpVerticalScrolling(area);
    ObserverTheme::applyToRoot(area);
    ObserverTheme::applyToRoot(*area.viewport());
    auto* content = new QWidget;
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(padding, padding, padding, padding);
    layout->setSpacing(spacing);
    area.setWidget(content);
    return layout;
}

QScrollArea* makeVerticalScrollArea(QWidget* parent) {
    auto* scroll = new QScrollArea(parent);
    setUpVerticalScrolling(*scroll);
    scroll->viewport()->setAutoFillBackground(false);
    return scroll;
}

FittingScrollArea::FittingScrollArea(QWidget* content, QWidget* parent) : QScrollArea(parent) {
    setUpVerticalScrolling(*this);
    viewport()->setAutoFillBackground(false);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setWidget(content);
    // A content that lays itself out anew may have a new fitting size: the layouts around this
    // area ask for it again.
    content->installEventFilter(this);
}

void FittingScrollArea::setHeightLimit(int height) {
    height = std::max(height, 0);
    if (height == heightLimit_) return;
    heightLimit_ = height;
    updateGeometry();
}

void FittingScrollArea::layOutContent() {
    QWidget* content = widget();
    if (!content) return;
    content->resize(contentSize());
    if (content->layout()) content->layout()->activate();
}

QSize FittingScrollArea::contentSize() const {
    const QWidget* content = widget();
    if (!content) return {};
    // As a layout measures a widget it holds: the size hint within the widget's own bounds, and
    // the height that its width needs when it wraps.
    QSize size = content->sizeHint()
                     .expandedTo(content->minimumSizeHint())
                     .boundedTo(content->maximumSize())
                     .expandedTo(content->minimumSize());
    if (content->hasHeightForWidth())
        size.setHeight(std::clamp(content->heightForWidth(size.width()), content->minimumHeight(),
                                  content->maximumHeight()));
    return size;
}

QSize FittingScrollArea::sizeHint() const {
    QSize size = contentSize();
    if (size.height() > heightLimit_) {
        size.setHeight(heightLimit_);
        size.rwidth() += verticalScrollBar()->sizeHint().width();
    }
    return size;
}

QSize FittingScrollArea::minimumSizeHint() const { return sizeHint(); }

bool FittingScrollArea::eventFilter(QObject* watched, QEvent* event) {
    if (watched == widget() && event->type() == QEvent::LayoutRequest) updateGeometry();
    return QScrollArea::eventFilter(watched, event);
}

}  // namespace quentrel
