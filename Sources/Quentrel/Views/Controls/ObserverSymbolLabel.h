#pragma once

#include <QColor>
#include <QWidget>

class QLabel;

namespace quentrel {

class ObserverSymbolView;

// A symbol followed by a text, both in one colour and font. The text is plain; it wraps, or stays on one line and is cut with an ellipsis.
class ObserverSymbolLabel : public QWidget {
    Q_OBJECT
public:
    static constexpr int spacing = 6;

    ObserverSymbolLabel(const QString& symbol, const QString& text, const QFont& font, const QColor& colour,
                        QWidget* parent = nullptr);

    QString text() const { return text_; }
    void setText(const QString& text);
    QString symbol() const;
    void setSymbol(const QString& symbol);
    QColor colour() const { return colour_; }
    void setColour(const QColor& colour);
    bool isSingleLine() const { return singleLine_; }
    void setSingleLine(bool singleLine);

    QLabel* textLabel() const { return label_; }
    ObserverSymbolView* symbolView() const { return symbol_; }

private:
    ObserverSymbolView* symbol_;
    QLabel* label_;
    QString text_;
    QColor colour_;
    bool singleLine_ = false;
};

}  // namespace quentrel
