#include "WorkSessionHistoryView.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QScrollArea>
#include <QVBoxLayout>

#include "Quentrel/Stores/ObserverStore.h"
#include "Quentrel/Views/Controls/ContentUnavailableView.h"
#include "Quentrel/Views/Controls/ObserverActionStyle.h"
#include "Quentrel/Views/Controls/ObserverSurface.h"
#include "Quentrel/Views/Controls/SymbolLabel.h"
#include "Quentrel/Views/Controls/VerticalScrollArea.h"
#include "Quentrel/Views/Theme/ObserverTheme.h"
#include "Quentrel/Views/ViewText.h"

namespace quentrel {

namespace {
using ObserverTheme::systemFont;
using TextStyle = ObserverTheme::TextStyle;
}  // namespace

class WorkSessionHistoryView::Row : public ObserverSurface {
public:
    explicit Row(QWidget* parent) : ObserverSurface(parent) {
        const QFont caption = ObserverTheme::font(TextStyle::caption);
        const QFont bytes = systemFont(rowBytesSize, QFont::Medium);
        reason = new SymbolLabel({}, {}, systemFont(rowTitleSize, QFont::DemiBold), ObserverTheme::text, this);
        startedAt = makeObserverText({}, caption, ObserverTheme::muted, this);
        read = new SymbolLabel({}, {}, bytes, ObserverTheme::text, this);
        written = new SymbolLabel({}, {}, bytes, ObserverTheme::text, this);
        duration = makeObserverText({}, caption, ObserverTheme::muted, this);
        coverage = makeObserverText({}, caption, ObserverTheme::muted, this);

        auto* layout = new QVBoxLayout(this);
        const int margin = rowPadding + static_cast<int>(outlineOverhang);
        layout->setContentsMargins(margin, margin, margin, margin);
        layout->setSpacing(rowSpacing);
        auto* first = new QHBoxLayout;
        first->addWidget(reason);
        first->addStretch(1);
        first->addWidget(startedAt);
        layout->addLayout(first);
        auto* second = new QHBoxLayout;
        second->setSpacing(rowBytesSpacing);
        second->addWidget(read);
        second->addWidget(written);
        second->addStretch(1);
        layout->addLayout(second);
        layout->addWidget(duration);
        layout->addWidget(coverage);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    }

    void apply(const WorkSessionHistoryModel::Row& row) {
        reason->setTitle(qtext(row.reason.title));
        reason->setSymbol(qtext(row.reason.symbol));
        startedAt->setText(qtext(row.startedAt));
        read->setTitle(qtext(row.read.title));
        read->setSymbol(qtext(row.read.symbol));
        written->setTitle(qtext(row.written.title));
        written->setSymbol(qtext(row.written.symbol));
        duration->setText(qtext(row.durationLine));
        coverage->setText(qtext(row.coverageLine));
    }

    SymbolLabel* reason;
    QLabel* startedAt;
    SymbolLabel* read;
    SymbolLabel* written;
    QLabel* duration;
    QLabel* coverage;
};

WorkSessionHistoryView::WorkSessionHistoryView(std::shared_ptr<ObserverStore> store, QWidget* parent,
                                               const LocaleFormatter& locale, const MinuteDateFormatter& minuteDates)
    : QWidget(parent), store_(std::move(store)), locale_(locale), minuteDates_(minuteDates) {
    const QFont caption = ObserverTheme::font(TextStyle::caption);

    explanation_ = makeObserverText({}, caption, ObserverTheme::muted, this);
    explanation_->setWordWrap(true);
    newSession_ = new ObserverActionButton({}, false, this);
    newSession_->setObjectName(qtext(WorkSessionHistoryModel::newSessionIdentifier));
    connect(newSession_, &QAbstractButton::clicked, this, [this] { store_->startNewSession(); });

    banner_ = new SymbolLabel({}, {}, caption, bannerColour, this);
    banner_->setWrapsTitle();

    scroll_ = makeVerticalScrollArea(this);
    auto* content = new QWidget;
    listLayout_ = new QVBoxLayout(content);
    listLayout_->setContentsMargins(0, 0, 0, 0);
    listLayout_->setSpacing(listSpacing);
    empty_ = new ContentUnavailableView({}, {}, content);
    listLayout_->addWidget(empty_);
    listLayout_->addStretch(1);
    scroll_->setWidget(content);
    content->setAutoFillBackground(false);

    limits_ = makeObserverText({}, caption, ObserverTheme::muted, this);
    limits_->setWordWrap(true);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(spacing);
    auto* header = new QHBoxLayout;
    header->addWidget(explanation_, 1);
    header->addWidget(newSession_, 0, Qt::AlignVCenter);
    layout->addLayout(header);
    layout->addWidget(banner_);
    layout->addWidget(scroll_, 1);
    layout->addWidget(limits_);

    refresh_.watch(store_->objectWillChange());
    refresh();
}

WorkSessionHistoryView::~WorkSessionHistoryView() = default;

std::vector<QWidget*> WorkSessionHistoryView::visibleRows() const {
    std::vector<QWidget*> shown;
    for (auto* row : rows_)
        if (!row->isHidden()) shown.push_back(row);
    return shown;
}

void WorkSessionHistoryView::refresh() {
    auto model = WorkSessionHistoryModel::make(*store_, locale_, minuteDates_);
    explanation_->setText(qtext(model.explanation));
    newSession_->setText(qtext(model.newSessionButton.title));
    newSession_->setSymbol(qtext(model.newSessionButton.symbol));
    newSession_->setEnabled(model.newSessionEnabled);
    banner_->setVisible(model.storageBanner.has_value());
    if (const auto& banner = model.storageBanner) {
        banner_->setTitle(qtext(banner->title));
        banner_->setSymbol(qtext(banner->symbol));
    }
    empty_->setVisible(model.emptyState.has_value());
    if (const auto& empty = model.emptyState) {
        empty_->setTitle(qtext(empty->title));
        empty_->setSymbol(qtext(empty->symbol));
    }
    // Cards are kept and reused; the list's stretch stays last.
    while (rows_.size() < model.rows.size()) {
        auto* row = new Row(scroll_->widget());
        listLayout_->insertWidget(listLayout_->count() - 1, row);
        rows_.push_back(row);
    }
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        rows_[i]->setVisible(i < model.rows.size());
        if (i < model.rows.size()) rows_[i]->apply(model.rows[i]);
    }
    limits_->setText(qtext(model.limitsNote));
    model_ = std::move(model);
}

}  // namespace quentrel
