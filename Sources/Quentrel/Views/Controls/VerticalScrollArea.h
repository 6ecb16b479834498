#pragma once

class QScrollArea;
class QWidget;

namespace quentrel {

// Sets `area` up for a column that scrolls only vertically: frameless, its content taking the
// area's width, the vertical bar shown when needed.
void setUpVerticalScrolling(QScrollArea& area);

// A new such area whose viewport lets what is behind it show.
QScrollArea* makeVerticalScrollArea(QWidget* parent);

}  // namespace quentrel
