#include "SelectableText.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QMenu>

#include "Quentrel/Views/ViewText.h"

namespace quentrel {

SelectableText::SelectableText(const QString& text, const QFont& font, const QColor& colour, QWidget* parent)
    : QLabel(parent) {
    setTextFormat(Qt::PlainText);
    setText(text);
    setFont(font);
    setTextColour(*this, colour);
    setWordWrap(true);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
}

void SelectableText::copy() {
    // The selection marks each line break as a paragraph separator; the text has line feeds.
    if (hasSelectedText())
        QGuiApplication::clipboard()->setText(selectedText().replace(QChar::ParagraphSeparator, u'\n'));
}

void SelectableText::selectAll() { setSelection(0, static_cast<int>(text().size())); }

void SelectableText::contextMenuEvent(QContextMenuEvent* event) {
    // (A label offers a menu of its own only for links.)
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    QAction* copyItem = menu->addAction(qtext(copyTitle), this, &SelectableText::copy);
    copyItem->setShortcut(QKeySequence::Copy);
    copyItem->setShortcutContext(Qt::WidgetShortcut);  // shown only: the edit menu answers the key
    copyItem->setEnabled(hasSelectedText());
    QAction* selectAllItem = menu->addAction(qtext(selectAllTitle), this, &SelectableText::selectAll);
    selectAllItem->setShortcut(QKeySequence::SelectAll);
    selectAllItem->setShortcutContext(Qt::WidgetShortcut);
    menu->popup(event->globalPos());
    event->accept();
}

}  // namespace quentrel
