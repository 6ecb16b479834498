#pragma once

#include <QAbstractButton>
#include <QColor>
#include <QFont>

#include "ObserverFocusRing.h"

class QPainter;

namespace quentrel {

// The look of text buttons: accent-filled when prominent, else the elevated fill.
struct ObserverActionStyle {
    static constexpr qreal fontSize = 13;
    static constexpr int horizontalPadding = 16;
    static constexpr int height = 40;
    static constexpr qreal cornerRadius = 12;
    // Between a label's symbol and its title.
    static constexpr int symbolSpacing = 6;
    // How every control of ours dims while pressed or disabled.
    static constexpr qreal pressedOpacity = 0.7;
    static constexpr qreal disabledOpacity = 0.4;

    bool prominent = false;

    // Disabled wins over pressed.
    static qreal opacity(bool enabled, bool pressed);
    QColor fill() const;
    QColor foreground() const;
    static QFont font();
};

// A text button with an optional symbol before its title, in the ObserverActionStyle look. Its
// width is that of the padded label; its height is fixed. Disabled while busy, it keeps the focus.
class ObserverActionButton : public QAbstractButton, public FocusRingShape {
    Q_OBJECT
    Q_PROPERTY(bool prominent READ isProminent WRITE setProminent)
public:
    explicit ObserverActionButton(const QString& title, bool prominent = false, QWidget* parent = nullptr);

    bool isProminent() const { return style_.prominent; }
    void setProminent(bool prominent);
    // An empty name shows the title alone.
    QString symbol() const { return symbol_; }
    void setSymbol(const QString& name);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }
    QRectF focusRingRect() const override;
    qreal focusRingRadius() const override { return ObserverActionStyle::cornerRadius; }

protected:
    void paintEvent(QPaintEvent* event) override;
    bool focusNextPrevChild(bool next) override;
    void changeEvent(QEvent* event) override;

private:
    qreal symbolSide() const;
    ObserverActionStyle style_;
    QString symbol_;
};

}  // namespace quentrel
