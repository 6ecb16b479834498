#pragma once

#include <optional>

#include <QColor>
#include <QFont>
#include <QWidget>

#include "ObserverAccessibility.h"

class QLabel;

namespace quentrel {

class ObserverSymbolView;

// A title with its symbol before it, in one font and colour, as one static-text element for
// assistive technologies: its accessible name is the title unless a label of its own is set.
// The symbol's name is also in this widget's "symbol" property.
class SymbolLabel : public QWidget, public ObserverAccessible {
    Q_OBJECT
public:
    static constexpr int spacing = 5;

    SymbolLabel(const QString& title, const QString& symbol, const QFont& font, const QColor& colour,
                QWidget* parent = nullptr);

    QString title() const;
    void setTitle(const QString& title);
    QString symbol() const;
    void setSymbol(const QString& symbol);
    void setColour(const QColor& colour);
    QColor colour() const { return colour_; }
    void setTextFont(const QFont& font);
    // An accessible name other than the title; empty goes back to the title.
    void setAccessibilityLabel(const QString& label);

    // The title wraps to as many lines as it needs and takes the whole width beside the symbol.
    void setWrapsTitle();

    QLabel* titleLabel() const { return title_; }
    ObserverSymbolView* symbolView() const { return symbol_; }

    bool hidesAccessibilityChildren() const override { return true; }
    std::optional<QAccessible::Role> accessibilityRole() const override { return QAccessible::StaticText; }

private:
    void updateAccessibleName();

    ObserverSymbolView* symbol_;
    QLabel* title_;
    QColor colour_;
    QString accessibilityLabel_;
};

}  // namespace quentrel
