#include "VerticalScrollArea.h"

#include <QScrollArea>

namespace quentrel {

void setUpVerticalScrolling(QScrollArea& area) {
    area.setFrameShape(QFrame::NoFrame);
    area.setWidgetResizable(true);
    area.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    area.setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
}

QScrollArea* makeVerticalScrollArea(QWidget* parent) {
    auto* scroll = new QScrollArea(parent);
    setUpVerticalScrolling(*scroll);
    scroll->viewport()->setAutoFillBackground(false);
    return scroll;
}

}  // namespace quentrel
