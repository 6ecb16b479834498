#pragma once

class QScrollArea;
class QWidget;

namespace quentrel {

// A frameless scroll area for a column that scrolls only vertically: its content takes the
// area's width, the vertical bar shows when needed, and the viewport lets what is behind it show.
QScrollArea* makeVerticalScrollArea(QWidget* parent);

}  // namespace quentrel
