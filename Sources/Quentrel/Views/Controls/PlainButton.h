#pragma once

#include <QAbstractButton>
#include <QColor>
#include <QMenu>
#include <QPointer>

namespace quentrel {

class ObserverSymbolView;

// A button without a bezel of its own: its label is whatever widgets its layout holds, drawn as
// they are, and a click anywhere in it counts. While pressed it dims the label. With a menu, a
// click opens the menu under the button instead of emitting only clicked.
class PlainButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit PlainButton(QWidget* parent = nullptr);

    // A button whose label is one symbol at `fontSize` in `tint`, centred in a frame of `frame`
    // (an empty size: the symbol's own). The symbol's name is also the button's "symbol" property.
    static PlainButton* withSymbol(const QString& symbol, qreal fontSize, const QColor& tint, QSize frame,
                                   QWidget* parent = nullptr);
    // The symbol of a button made by withSymbol (null otherwise).
    ObserverSymbolView* symbolView() const { return symbolView_; }
    void setSymbol(const QString& symbol);

    // The menu stays owned by its parent (give it this button as parent).
    void setMenu(QMenu* menu);
    QMenu* menu() const { return menu_; }
    void showMenu();

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPointer<QMenu> menu_;
    ObserverSymbolView* symbolView_ = nullptr;
};

}  // namespace quentrel
