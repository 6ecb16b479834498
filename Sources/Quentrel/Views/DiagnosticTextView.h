#pragma once

#include <string>

#include <QWidget>

class QPlainTextEdit;

namespace quentrel {

// The diagnostic JSON as a read-only, selectable text that wraps long lines and scrolls only
// vertically, in the monospaced font on the card beneath it.
class DiagnosticTextView : public QWidget {
    Q_OBJECT
public:
    static constexpr qreal fontSize = 11;
    static constexpr int inset = 14;
    static constexpr int minimumHeight = 180;
    static constexpr int idealHeight = 360;

    explicit DiagnosticTextView(QWidget* parent = nullptr);

    // Shows `text`. The same text as last time changes nothing, so the user's selection and scroll
    // position survive a state that brings the same preview; another text replaces the whole
    // content, puts the cursor at the start and scrolls to the top. The comparison is with the
    // text last given, not with what the editor reports back (it rewrites U+00A0 and paragraph
    // separators, so the two would never match).
    void setText(const std::string& text);
    const std::string& text() const { return text_; }
    // Forgets the text, as a newly made view would: the next text is put in whatever it is.
    void clear();

    QPlainTextEdit* textView() const { return textView_; }
    QSize sizeHint() const override;

private:
    QPlainTextEdit* textView_;
    std::string text_;
    bool hasText_ = false;
};

}  // namespace quentrel
