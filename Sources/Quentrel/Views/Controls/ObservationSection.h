#pragma once

#include <optional>

#include "ObserverAccessibility.h"
#include "ObserverSurface.h"

class QLabel;
class QVBoxLayout;

namespace quentrel {

// A titled card: the title as a headline above the content, both at the leading edge, on the
// card look, taking all the width offered. For assistive technologies it is one group whose
// children stay separate elements.
class ObservationSection : public ObserverSurface, public ObserverAccessible {
    Q_OBJECT
public:
    static constexpr int padding = 18;
    static constexpr int spacing = 10;

    // The title is shown as it is. The section takes ownership of `content`, which keeps its
    // preferred width unless its horizontal size policy expands when it is given.
    ObservationSection(const QString& title, QWidget* content, QWidget* parent = nullptr);

    // The column of a card's `content`, without margins. The content takes the card's whole
    // width, so switches reach its trailing edge and texts wrap at it.
    static QVBoxLayout* contentColumn(QWidget* content, int rowSpacing = ObservationSection::spacing);

    QString title() const;
    void setTitle(const QString& title);
    QLabel* titleLabel() const { return title_; }
    QWidget* content() const { return content_; }

    std::optional<QAccessible::Role> accessibilityRole() const override { return QAccessible::Grouping; }

private:
    QLabel* title_;
    QWidget* content_;
};

}  // namespace quentrel
