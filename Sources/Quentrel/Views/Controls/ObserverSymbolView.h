#pragma once

#include <QColor>
#include <QWidget>

namespace quentrel {

// One symbol as an image, sized for text of a given point size, in one colour. An unknown name
// shows nothing. The name is also in the "symbol" property.
class ObserverSymbolView : public QWidget {
    Q_OBJECT
public:
    ObserverSymbolView(const QString& symbol, qreal fontSize, const QColor& tint, QWidget* parent = nullptr);

    QString symbol() const { return symbol_; }
    void setSymbol(const QString& symbol);
    QColor tint() const { return tint_; }
    void setTint(const QColor& tint);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString symbol_;
    qreal fontSize_;
    QColor tint_;
};

}  // namespace quentrel
