#pragma once

#include <QProxyStyle>

class QMessageBox;

namespace quentrel {

// The buttons of an alert in the look of the theme's text buttons (ObserverActionStyle): the
// default one, which Return presses wherever the focus is, prominent as every window shows its
// main action, the others in the elevated fill. Fusion would outline the default button in the
// accent instead, which reads as a focus ring on it when the alert opens. No focus frame of the
// style's: the application's focus ring marks the keyboard focus, once Tab has moved it, as in
// every other window.
class ObserverAlertStyle final : public QProxyStyle {
    Q_OBJECT
public:
    // Gives every button of `box` this look; call it once the buttons are added.
    static void apply(QMessageBox& box);

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget = nullptr) const override;
    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& contents,
                           const QWidget* widget = nullptr) const override;

private:
    ObserverAlertStyle();
};

}  // namespace quentrel
