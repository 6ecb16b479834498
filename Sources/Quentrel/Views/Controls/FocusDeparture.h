#pragma once

#include <QObject>

class QEvent;
class QWidget;

namespace quentrel {

// Qt passes the focus on to the next control when the control that has it is disabled, so the
// next key press acts on a neighbour. A control of ours that is disabled only while busy (waiting
// for an answer) keeps it: its focusNextPrevChild first asks keepsFocusWhileDisabled, and its
// changeEvent calls regainFocusWhenEnabled (a window activated meanwhile could not focus it).
bool keepsFocusWhileDisabled(const QWidget& control);
void regainFocusWhenEnabled(QWidget& control, const QEvent& change);

// A control whose action deletes something of the user's, at once or after a confirmation. Focus
// that moves on by itself (from a control that went away) never lands on it.
void markDeletes(QWidget& control);

// Decides where the focus goes when the control that has it goes away (hidden, in a row or card
// that is hidden, or deleted): to the nearest remaining control of its card (ObserverSurface) if
// the keyboard had brought it there (FocusArrival), so the ring shows there; after a click, or
// with no such control, to the window. Qt would pass it on along the Tab order with a Tab reason,
// onto whatever control comes next, with the ring, however the focus had come.
class FocusDeparture final : public QObject {
public:
    // Follows the application's controls from now on; once per application.
    static void install();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit FocusDeparture(QObject* parent) : QObject(parent) {}
};

}  // namespace quentrel
