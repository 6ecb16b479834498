#include "Quentrel/Views/DiagnosticTextView.h"

#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextCursor>
#include <QVBoxLayout>

#include "Quentrel/Views/Models/DiagnosticPreviewModel.h"
#include "Quentrel/Views/Theme/ObserverTheme.h"
#include "Quentrel/Views/ViewText.h"

namespace quentrel {

DiagnosticTextView::DiagnosticTextView(QWidget* parent) : QWidget(parent), textView_(new QPlainTextEdit(this)) {
    textView_->setReadOnly(true);
    textView_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    textView_->setFrameShape(QFrame::NoFrame);
    textView_->setUndoRedoEnabled(false);
    // Long lines wrap at the view's width, inside words too, so nothing scrolls sideways.
    textView_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    textView_->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    textView_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    textView_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    textView_->document()->setDocumentMargin(inset);

    QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    mono.setPixelSize(static_cast<int>(fontSize));
    mono.setWeight(QFont::Normal);
    textView_->setFont(mono);

    // No background of its own: the card shows through.
    QPalette palette = textView_->palette();
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        palette.setColor(group, QPalette::Base, Qt::transparent);
        palette.setColor(group, QPalette::Window, Qt::transparent);
        palette.setColor(group, QPalette::Text, ObserverTheme::text);
    }
    textView_->setPalette(palette);
    textView_->setBackgroundVisible(false);
    textView_->viewport()->setAutoFillBackground(false);
    textView_->setAutoFillBackground(false);

    textView_->setObjectName(qtext(DiagnosticPreviewTexts::textIdentifier));
    textView_->setAccessibleName(qtext(DiagnosticPreviewTexts::textLabel));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(textView_);
    setMinimumHeight(minimumHeight);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

QSize DiagnosticTextView::sizeHint() const { return {QWidget::sizeHint().width(), idealHeight}; }

void DiagnosticTextView::setText(const std::string& text) {
    if (hasText_ && text == text_) return;
    text_ = text;
    hasText_ = true;
    textView_->setPlainText(QString::fromStdString(text_));
    QTextCursor cursor = textView_->textCursor();
    cursor.setPosition(0);
    textView_->setTextCursor(cursor);
    textView_->verticalScrollBar()->setValue(textView_->verticalScrollBar()->minimum());
}

}  // namespace quentrel

namespace quentrel {

void DiagnosticTextView::clear() {
    text_.clear();
    hasText_ = false;
    textView_->clear();
}

}  // namespace quentrel
