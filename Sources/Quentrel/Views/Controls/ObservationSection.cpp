#include "ObservationSection.h"

#include <QLabel>
#include <QVBoxLayout>

#include "Quentrel/Views/Theme/ObserverTheme.h"

namespace quentrel {

ObservationSection::ObservationSection(const QString& title, QWidget* content, QWidget* parent)
    : ObserverSurface(parent), title_(new QLabel(this)), content_(content) {
    title_->setTextFormat(Qt::PlainText);
    title_->setText(title);
    title_->setFont(ObserverTheme::font(ObserverTheme::TextStyle::headline));

    auto* layout = new QVBoxLayout(this);
    // The padding is measured from the card's shape, which sits inside the outline's overhang.
    const int margin = padding + static_cast<int>(outlineOverhang);
    layout->setContentsMargins(margin, margin, margin, margin);
    layout->setSpacing(spacing);
    layout->addWidget(title_, 0, Qt::AlignLeft);
    // A layout alignment holds a widget at its preferred width, so content that expands
    // horizontally goes in without one and takes the whole width.
    if (content_) {
        const bool expands = content_->sizePolicy().expandingDirections() & Qt::Horizontal;
        layout->addWidget(content_, 0, expands ? Qt::Alignment() : Qt::AlignLeft);
    }
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
}

QVBoxLayout* ObservationSection::contentColumn(QWidget* content, int rowSpacing) {
    content->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(rowSpacing);
    return column;
}

QString ObservationSection::title() const { return title_->text(); }

void ObservationSection::setTitle(const QString& title) { title_->setText(title); }

}  // namespace quentrel
