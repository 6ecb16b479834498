#pragma once

#include <optional>

#include <QFont>
#include <QString>
#include <QWidget>

namespace quentrel {

// One line of plain text that shrinks its font, down to `minimumScale` of its size, rather than
// wrap when the width offered is too small, and is cut off with "…" below that. A scale of 1
// never shrinks (a one-line text that is truncated). Drawn in the foreground role's colour.
class FittingLabel : public QWidget {
    Q_OBJECT
public:
    FittingLabel(const QFont& font, qreal minimumScale, QWidget* parent = nullptr);

    QString text() const { return text_; }
    void setText(const QString& text);
    void setTextFont(const QFont& font);
    QFont textFont() const { return font_; }
    void setAlignment(Qt::Alignment alignment);

    // The scale the text is drawn at in the current width.
    qreal currentScale() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QFont scaledFont(qreal scale) const;
    // The text's width at full size, measured once per text and font: every layout pass asks.
    qreal naturalWidth() const;

    QString text_;
    QFont font_;
    mutable std::optional<qreal> naturalWidth_;
    mutable std::optional<QSize> minimumSize_;  // also holds the line height
    qreal minimumScale_;
    Qt::Alignment alignment_ = Qt::AlignLeft | Qt::AlignVCenter;
};

}  // namespace quentrel
