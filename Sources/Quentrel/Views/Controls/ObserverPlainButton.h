#pragma once

#include <QAbstractButton>
#include <QColor>

namespace quentrel {

// A plain button: its label alone (an optional symbol before the title),
// without bezel or fill, in one foreground colour. Dimmed while pressed and while disabled, like
// the text buttons.
class ObserverPlainButton : public QAbstractButton {
    Q_OBJECT
public:
    static constexpr int symbolSpacing = 4;

    ObserverPlainButton(const QString& title, const QColor& foreground, QWidget* parent = nullptr);

    QColor foreground() const { return foreground_; }
    void setForeground(const QColor& foreground);
    // An empty name shows the title alone.
    QString symbol() const { return symbol_; }
    void setSymbol(const QString& name);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    qreal symbolSide() const;
    QColor foreground_;
    QString symbol_;
};

}  // namespace quentrel
