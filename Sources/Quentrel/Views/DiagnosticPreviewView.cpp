#include "Quentrel/Views/DiagnosticPreviewView.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "Quentrel/Views/Controls/ObserverActionStyle.h"
#include "Quentrel/Views/Controls/ObserverSurface.h"
#include "Quentrel/Views/Controls/ObserverSymbolView.h"
#include "Quentrel/Views/DiagnosticTextView.h"
#include "Quentrel/Stores/ObserverStore.h"
#include "Quentrel/Views/SystemLocalizedFormats.h"
#include "Quentrel/Views/Theme/ObserverSystemColors.h"
#include "Quentrel/Views/Theme/ObserverTheme.h"
#include "Quentrel/Views/ViewText.h"

namespace quentrel {

namespace {
using Texts = DiagnosticPreviewTexts;

ObserverActionButton* makeButton(std::string_view title, std::string_view symbol, bool prominent, QWidget* parent) {
    auto* button = new ObserverActionButton(qtext(title), prominent, parent);
    button->setSymbol(qtext(symbol));
    return button;
}

// The look of an empty state: a large symbol, a title and a description, centred
// in the space it is given.
QWidget* makeUnavailableContent(QWidget* parent) {
    auto* view = new QWidget(parent);
    view->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    auto* column = new QVBoxLayout(view);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(8);
    column->addStretch(1);
    auto* symbol = new ObserverSymbolView(qtext(Texts::emptySymbol), DiagnosticPreviewView::emptySymbolSize,
                                          ObserverTheme::muted, view);
    column->addWidget(symbol, 0, Qt::AlignHCenter);
    auto* title = makeObserverText(qtext(Texts::emptyTitle),
                                   ObserverTheme::systemFont(DiagnosticPreviewView::emptyTitleSize, QFont::Bold),
                                   ObserverTheme::text, view, TextWrap::words);
    title->setAlignment(Qt::AlignHCenter);
    column->addWidget(title);
    auto* description = makeObserverText(qtext(Texts::emptyDescription),
                                         ObserverTheme::font(ObserverTheme::TextStyle::body), ObserverTheme::muted,
                                         view, TextWrap::words);
    description->setAlignment(Qt::AlignHCenter);
    column->addWidget(description);
    column->addStretch(1);
    return view;
}
}  // namespace

DiagnosticPreviewView::DiagnosticPreviewView(std::shared_ptr<ObserverStore> store, QWidget* parent)
    : QWidget(parent),
      store_(std::move(store)),
      formats_(systemLocalizedFormats()),
      refresh_(this, [this] { refresh(); }) {
    auto* layout = ViewText::setUpWindow(*this, qtext(Texts::windowID), *this, padding, spacing);
    const QFont caption = ObserverTheme::font(ObserverTheme::TextStyle::caption);

    layout->addWidget(ViewText::makeTitle(qtext(Texts::title), titleSize, this));
    layout->addWidget(makeObserverText(qtext(Texts::privacyNote), ObserverTheme::systemFont(noteSize),
                                       ObserverTheme::muted, this, TextWrap::words));

    // Without a preview.
    emptyState_ = new QWidget(this);
    auto* empty = new QVBoxLayout(emptyState_);
    empty->setContentsMargins(0, 0, 0, 0);
    empty->setSpacing(spacing);
    empty->addWidget(makeUnavailableContent(emptyState_), 1);
    auto* emptyRebuild = makeButton(Texts::rebuildButton, Texts::rebuildSymbol, false, emptyState_);
    empty->addWidget(emptyRebuild, 0, Qt::AlignLeft);
    layout->addWidget(emptyState_, 1);

    // With one.
    preview_ = new QWidget(this);
    auto* previewColumn = new QVBoxLayout(preview_);
    previewColumn->setContentsMargins(0, 0, 0, 0);
    previewColumn->setSpacing(spacing);
    snapshotLine_ = makeObserverText({}, caption, ObserverTheme::muted, preview_, TextWrap::words);
    previewColumn->addWidget(snapshotLine_);
    auto* card = new ObserverSurface(preview_);
    auto* cardLayout = new QVBoxLayout(card);
    // The text sits inside the card's outline.
    const int overhang = static_cast<int>(ObserverSurface::outlineOverhang);
    cardLayout->setContentsMargins(overhang, overhang, overhang, overhang);
    text_ = new DiagnosticTextView(card);
    cardLayout->addWidget(text_);
    card->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    previewColumn->addWidget(card, 1);
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(buttonSpacing);
    auto* rebuild = makeButton(Texts::rebuildButton, Texts::rebuildSymbol, false, preview_);
    buttons->addWidget(rebuild, 0, Qt::AlignVCenter);
    buttons->addStretch(1);
    auto* copy = makeButton(Texts::copyButton, Texts::copySymbol, false, preview_);
    copy->setObjectName(qtext(Texts::copyIdentifier));
    buttons->addWidget(copy, 0, Qt::AlignVCenter);
    auto* save = makeButton(Texts::saveButton, Texts::saveSymbol, true, preview_);
    save->setObjectName(qtext(Texts::saveIdentifier));
    buttons->addWidget(save, 0, Qt::AlignVCenter);
    previewColumn->addLayout(buttons);
    layout->addWidget(preview_, 1);

    errorLine_ = makeObserverText({}, caption, ObserverSystemColors::orange, this, TextWrap::words);
    layout->addWidget(errorLine_);

    connect(emptyRebuild, &QAbstractButton::clicked, this, [this] { store_->prepareDiagnostics(); });
    connect(rebuild, &QAbstractButton::clicked, this, [this] { store_->prepareDiagnostics(); });
    connect(copy, &QAbstractButton::clicked, this, [this] { store_->copyDiagnostics(); });
    connect(save, &QAbstractButton::clicked, this, [this] { store_->saveDiagnostics(); });

    refresh_.watch(store_->objectWillChange());
    refresh();
}

void DiagnosticPreviewView::refresh() {
    model_ = makeDiagnosticPreviewModel(*store_, formats_);
    emptyState_->setVisible(!model_.preview);
    preview_->setVisible(model_.preview.has_value());
    if (model_.preview) {
        snapshotLine_->setText(QString::fromStdString(model_.preview->snapshotLine));
        text_->setText(model_.preview->text);
    } else {
        // The text view goes with the preview; the next one starts afresh.
        text_->clear();
    }
    errorLine_->setVisible(model_.errorLine.has_value());
    errorLine_->setText(model_.errorLine ? QString::fromStdString(*model_.errorLine) : QString());
}

}  // namespace quentrel
