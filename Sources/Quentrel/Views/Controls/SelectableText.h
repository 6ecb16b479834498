#pragma once

#include <QLabel>

namespace quentrel {

// Plain text, wrapped, that the user can select with the mouse and the keyboard and copy. The
// edit menu's copy and select-all reach it as they reach a text field, through its slots of those
// names on the focused widget; a right click offers both in a menu of its own.
class SelectableText : public QLabel {
    Q_OBJECT
public:
    static constexpr char copyTitle[] = "복사";
    static constexpr char selectAllTitle[] = "모두 선택";

    SelectableText(const QString& text, const QFont& font, const QColor& colour, QWidget* parent = nullptr);

public Q_SLOTS:
    // Puts the selected text on the clipboard, line breaks as line feeds; nothing without a selection.
    void copy();
    void selectAll();

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
};

}  // namespace quentrel
