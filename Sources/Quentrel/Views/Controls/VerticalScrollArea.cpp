#include "VerticalScrollArea.h"

#include <QScrollArea>

namespace quentrel {

QScrollArea* makeVerticalScrollArea(QWidget* parent) {
    auto* scroll = new QScrollArea(parent);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    scroll->viewport()->setAutoFillBackground(false);
    return scroll;
}

}  // namespace quentrel
