#pragma once

#include <QWidget>

class QLabel;

namespace quentrel {

class ObserverSymbolView;

// The empty state of a list: a large muted symbol above a bold title, centred in the width
// offered, as one static-text element named by its title.
class ContentUnavailableView : public QWidget {
    Q_OBJECT
public:
    static constexpr qreal symbolSize = 40;
    static constexpr qreal titleSize = 17;
    static constexpr int spacing = 8;
    // Above and below, so that the state stands apart from the list's edges.
    static constexpr int verticalPadding = 28;

    ContentUnavailableView(const QString& title, const QString& symbol, QWidget* parent = nullptr);

    QString title() const;
    QString symbol() const;
    void setTitle(const QString& title);
    void setSymbol(const QString& symbol);

    QLabel* titleLabel() const { return title_; }
    ObserverSymbolView* symbolView() const { return symbol_; }

private:
    ObserverSymbolView* symbol_;
    QLabel* title_;
};

}  // namespace quentrel
