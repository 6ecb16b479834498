#pragma once

#include <optional>

#include <QAccessible>
#include <QString>

class QWidget;

namespace quentrel {

// What a widget of ours tells assistive technologies beyond Qt's defaults. A widget class that
// needs a value text, an adjustable value, a role of its own or hiding inherits this next to
// QWidget; the factory that installObserverAccessibility() installs then describes it.
class ObserverAccessible {
public:
    virtual ~ObserverAccessible() = default;

    // Left out of what assistive technologies present (reported invisible).
    virtual bool isAccessibilityHidden() const { return false; }
    // Presented as one element: its child widgets are not listed.
    virtual bool hidesAccessibilityChildren() const { return false; }
    // The element's value text; empty for none.
    virtual QString accessibilityValue() const { return {}; }
    // An adjustable element offers the increase and decrease actions.
    virtual bool isAccessibilityAdjustable() const { return false; }
    virtual void accessibilityIncrement() {}
    virtual void accessibilityDecrement() {}
    // A role other than the widget's default.
    virtual std::optional<QAccessible::Role> accessibilityRole() const { return std::nullopt; }
};

// The four accessibility texts of a control; an empty text leaves that property as it is.
struct AccessibilityTexts {
    QString identifier;  // objectName: how tests and assistive tools find the control
    QString label;       // accessible name
    QString help;        // tool tip
    QString hint;        // accessible description
};
void setAccessibilityTexts(QWidget& widget, const AccessibilityTexts& texts);

// The accessible name and the tool tip, set only when they differ from the widget's: Qt announces
// the same name set again as a change to assistive technologies, and sends the tool-tip event.
void setAccessibleNameIfChanged(QWidget& widget, const QString& name);
void setToolTipIfChanged(QWidget& widget, const QString& text);

// Installs the factory for ObserverAccessible widgets; once is enough, more calls do nothing.
void installObserverAccessibility();

}  // namespace quentrel
