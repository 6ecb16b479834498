#include "VerticalScrollArea.h"

#include <QScrollArea>

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

QScrollArea* makeVerticalScrollArea(QWidget* parent) {
    auto* scroll = new QScrollArea(parent);
    setUpVerticalScrolling(*scroll);
    scroll->viewport()->setAutoFillBackground(false);
    return scroll;
}

}  // namespace quentrel
