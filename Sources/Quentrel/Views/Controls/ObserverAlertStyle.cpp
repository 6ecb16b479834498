#include "ObserverAlertStyle.h"

#include <QApplication>
#include <QMessageBox>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QStyleFactory>
#include <QStyleOptionButton>

#include "FocusArrival.h"
#include "ObserverActionStyle.h"
#include "Quentrel/Views/Theme/ObserverTheme.h"

namespace quentrel {

namespace {
ObserverActionStyle lookOf(const QStyleOption& option) {
    const auto* button = qstyleoption_cast<const QStyleOptionButton*>(&option);
    return {button && (button->features & QStyleOptionButton::DefaultButton)};
}
}  // namespace

ObserverAlertStyle::ObserverAlertStyle() : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion"))) {}

void ObserverAlertStyle::apply(QMessageBox& box) {
    // One for the application, which owns it.
    static QPointer<ObserverAlertStyle> shared;
    if (!shared) {
        shared = new ObserverAlertStyle;
        shared->setParent(qApp);
    }
    for (QAbstractButton* button : box.buttons()) {
        auto* push = qobject_cast<QPushButton*>(button);
        if (!push) continue;
        // Return presses the default button wherever the focus is, and Space the focused one:
        // the prominent button stays the one that Return presses. (Qt would make each button
        // that takes the focus the default while it has it.)
        push->setAutoDefault(false);
        button->setStyle(shared);
        button->setFont(ObserverActionStyle::font());
        wearRingInDialog(*button, ObserverActionStyle::cornerRadius);
    }
}

void ObserverAlertStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                                       const QWidget* widget) const {
    switch (element) {
    case PE_PanelButtonCommand: {
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        const QRectF frame(option->rect);
        painter->fillPath(ObserverTheme::continuousRoundedRect(frame, ObserverActionStyle::cornerRadius),
                          lookOf(*option).fill());
        painter->restore();
        return;
    }
    case PE_FrameFocusRect:
    case PE_FrameDefaultButton: return;  // the focus ring, the prominent fill
    default: QProxyStyle::drawPrimitive(element, option, painter, widget);
    }
}

void ObserverAlertStyle::drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                                     const QWidget* widget) const {
    switch (element) {
    case CE_PushButton: {
        // Dimmed as a whole while pressed or disabled, like the text buttons.
        painter->save();
        painter->setOpacity(ObserverActionStyle::opacity(option->state & State_Enabled,
                                                         option->state & (State_Sunken | State_On)));
        QProxyStyle::drawControl(element, option, painter, widget);
        painter->restore();
        return;
    }
    case CE_PushButtonLabel:
        if (const auto* button = qstyleoption_cast<const QStyleOptionButton*>(option)) {
            QStyleOptionButton label = *button;
            label.palette.setColor(QPalette::ButtonText, lookOf(*option).foreground());
            QProxyStyle::drawControl(element, &label, painter, widget);
            return;
        }
        break;
    default: break;
    }
    QProxyStyle::drawControl(element, option, painter, widget);
}

QSize ObserverAlertStyle::sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& contents,
                                           const QWidget* widget) const {
    if (type != CT_PushButton) return QProxyStyle::sizeFromContents(type, option, contents, widget);
    return {contents.width() + 2 * ObserverActionStyle::horizontalPadding, ObserverActionStyle::height};
}

}  // namespace quentrel
