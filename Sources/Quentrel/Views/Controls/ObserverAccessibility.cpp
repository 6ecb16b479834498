#include "ObserverAccessibility.h"

#include <QAccessibleWidget>
#include <QWidget>

namespace quentrel {

namespace {
// The interface of an ObserverAccessible widget. It looks the mixin up on every call instead of
// keeping a pointer: while the widget's own destructor runs, the cast fails and the interface
// falls back to the plain widget's answers.
class ObserverAccessibleWidget : public QAccessibleWidget {
public:
    explicit ObserverAccessibleWidget(QWidget* widget) : QAccessibleWidget(widget) {}

    QAccessible::Role role() const override {
        if (auto* o = ours(); o && o->accessibilityRole()) return *o->accessibilityRole();
        return QAccessibleWidget::role();
    }

    QAccessible::State state() const override {
        auto state = QAccessibleWidget::state();
        if (auto* o = ours(); o && o->isAccessibilityHidden()) state.invisible = true;
        return state;
    }

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value)
            if (auto* o = ours()) return o->accessibilityValue();
        return QAccessibleWidget::text(t);
    }

    int childCount() const override { return leaf() ? 0 : QAccessibleWidget::childCount(); }
    QAccessibleInterface* child(int index) const override {
        return leaf() ? nullptr : QAccessibleWidget::child(index);
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        return leaf() ? -1 : QAccessibleWidget::indexOfChild(child);
    }

    QStringList actionNames() const override {
        auto names = QAccessibleWidget::actionNames();
        if (auto* o = ours(); o && o->isAccessibilityAdjustable())
            names << QAccessibleActionInterface::increaseAction() << QAccessibleActionInterface::decreaseAction();
        return names;
    }

    void doAction(const QString& name) override {
        auto* o = ours();
        if (o && o->isAccessibilityAdjustable() && name == QAccessibleActionInterface::increaseAction())
            o->accessibilityIncrement();
        else if (o && o->isAccessibilityAdjustable() && name == QAccessibleActionInterface::decreaseAction())
            o->accessibilityDecrement();
        else
            QAccessibleWidget::doAction(name);
    }

private:
    ObserverAccessible* ours() const { return dynamic_cast<ObserverAccessible*>(widget()); }
    bool leaf() const {
        auto* o = ours();
        return o && o->hidesAccessibilityChildren();
    }
};

QAccessibleInterface* observerAccessibleFactory(const QString&, QObject* object) {
    if (!object || !object->isWidgetType()) return nullptr;
    auto* widget = static_cast<QWidget*>(object);
    if (!dynamic_cast<ObserverAccessible*>(widget)) return nullptr;
    return new ObserverAccessibleWidget(widget);
}
}  // namespace

void setAccessibilityTexts(QWidget& widget, const AccessibilityTexts& texts) {
    if (!texts.identifier.isEmpty()) widget.setObjectName(texts.identifier);
    if (!texts.label.isEmpty()) widget.setAccessibleName(texts.label);
    if (!texts.help.isEmpty()) widget.setToolTip(texts.help);
    if (!texts.hint.isEmpty()) widget.setAccessibleDescription(texts.hint);
}

void setAccessibleNameIfChanged(QWidget& widget, const QString& name) {
    if (widget.accessibleName() != name) widget.setAccessibleName(name);
}

void setToolTipIfChanged(QWidget& widget, const QString& text) {
    if (widget.toolTip() != text) widget.setToolTip(text);
}

void installObserverAccessibility() {
    static bool installed = false;
    if (installed) return;
    installed = true;
    QAccessible::installFactory(observerAccessibleFactory);
}

}  // namespace quentrel
