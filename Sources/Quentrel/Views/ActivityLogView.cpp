#include "ActivityLogView.h"

#include <QHBoxLayout>
#include <QCloseEvent>
#include <QLabel>
#include <QPainter>
#include <QScrollArea>
#include <QStackedWidget>
#include <QTabBar>
#include <QVBoxLayout>

#include "Quentrel/Services/ObserverWindowPresenter.h"
#include "Quentrel/Stores/ObserverStore.h"
#include "Quentrel/Views/Controls/ContentUnavailableView.h"
#include "Quentrel/Views/Controls/ObserverActionStyle.h"
#include "Quentrel/Views/Controls/ObserverSurface.h"
#include "Quentrel/Views/Controls/ObserverSymbolView.h"
#include "Quentrel/Views/Controls/PlainButton.h"
#include "Quentrel/Views/Controls/SymbolLabel.h"
#include "Quentrel/Views/Controls/VerticalScrollArea.h"
#include "Quentrel/Views/Sessions/WorkSessionHistoryView.h"
#include "Quentrel/Views/Symbols/ObserverSymbols.h"
#include "Quentrel/Views/Theme/ObserverTheme.h"
#include "Quentrel/Views/ViewText.h"

namespace quentrel {

// The window's own presentation state: which list the picker shows. It is created with the view
// and replaced when the window closes, so a window opened anew starts on the sessions while one
// brought forward keeps its list.
class ActivityLogPresentation {
public:
    int tab() const { return tab_; }
    void setTab(int tab) {
        if (tab == tab_) return;
        objectWillChange_.send();
        tab_ = tab;
    }
    platform::WillChangeSignal& objectWillChange() { return objectWillChange_; }

private:
    platform::WillChangeSignal objectWillChange_;
    int tab_ = ActivityLogModel::sessionsTab;
};

namespace {
using ObserverTheme::systemFont;
using TextStyle = ObserverTheme::TextStyle;

// The rule under each event.
class Divider : public QWidget {
public:
    explicit Divider(QWidget* parent) : QWidget(parent) {
        setFixedHeight(1);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), ObserverTheme::withOpacity(ObserverTheme::border, ActivityLogView::dividerOpacity));
    }
};

// The segmented look of the picker: the options side by side on one rounded track, the chosen
// one lifted. Keys, clicks and accessibility stay the tab bar's.
class SegmentedTabBar : public QTabBar {
public:
    explicit SegmentedTabBar(QWidget* parent) : QTabBar(parent) {
        setDrawBase(false);
        setExpanding(false);
        setFont(ObserverTheme::font(TextStyle::body));
    }

protected:
    QSize tabSizeHint(int index) const override {
        const QFontMetrics metrics(font());
        return {metrics.horizontalAdvance(tabText(index)) + 2 * ActivityLogView::segmentPadding,
                ActivityLogView::segmentHeight};
    }
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QRectF track;
        for (int i = 0; i < count(); ++i) track |= QRectF(tabRect(i));
        painter.fillPath(ObserverTheme::continuousRoundedRect(track, ActivityLogView::segmentCornerRadius),
                         ObserverTheme::elevated);
        for (int i = 0; i < count(); ++i) {
            const QRectF segment = QRectF(tabRect(i)).adjusted(segmentInset, segmentInset, -segmentInset, -segmentInset);
            const bool chosen = i == currentIndex();
            if (chosen)
                painter.fillPath(ObserverTheme::continuousRoundedRect(segment, ActivityLogView::segmentCornerRadius -
                                                                                   segmentInset),
                                 ObserverTheme::border);
            painter.setPen(chosen ? ObserverTheme::text : ObserverTheme::muted);
            painter.drawText(segment, Qt::AlignCenter, tabText(i));
        }
    }

private:
    static constexpr qreal segmentInset = 2;
};

// A button of the action bar: its symbol and title in the caption font and the muted colour.
PlainButton* barButton(const ActivityLogModel::SymbolText& text, QWidget* parent) {
    auto* button = new PlainButton(parent);
    auto* label = new SymbolLabel(qtext(text.title), qtext(text.symbol), ObserverTheme::font(TextStyle::caption),
                                  ObserverTheme::muted, button);
    // Inside a button a label would draw in the button-text role, which is not the one coloured.
    label->titleLabel()->setForegroundRole(QPalette::WindowText);
    auto* layout = new QHBoxLayout(button);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(label);
    button->setText(qtext(text.title));
    button->setAccessibleName(qtext(text.title));
    ObserverSymbols::tag(*button, qtext(text.symbol));
    return button;
}
}  // namespace

class ActivityLogView::EventRow : public QWidget {
public:
    explicit EventRow(QWidget* parent)
        : QWidget(parent),
          bullet(new ObserverSymbolView({}, eventBulletSize,
                                        ObserverTheme::withOpacity(ObserverTheme::accent, eventBulletOpacity), this)),
          message(makeObserverText({}, systemFont(eventMessageSize), ObserverTheme::text, this)),
          date(makeObserverText({}, systemFont(eventDateSize), ObserverTheme::muted, this)) {
        message->setWordWrap(true);
        auto* column = new QVBoxLayout(this);
        column->setContentsMargins(0, 0, 0, 0);
        column->setSpacing(0);
        auto* row = new QHBoxLayout;
        row->setContentsMargins(0, eventVerticalPadding, 0, eventVerticalPadding);
        row->setSpacing(eventSpacing);
        auto* bulletBox = new QVBoxLayout;
        bulletBox->setContentsMargins(0, eventBulletTopPadding, 0, 0);
        bulletBox->addWidget(bullet);
        bulletBox->addStretch(1);
        row->addLayout(bulletBox);
        auto* texts = new QVBoxLayout;
        texts->setSpacing(eventTextSpacing);
        texts->addWidget(message);
        texts->addWidget(date);
        row->addLayout(texts, 1);
        column->addLayout(row);
        column->addWidget(new Divider(this));
    }

    void apply(const ActivityLogModel::EventRow& event, const std::string& symbol) {
        bullet->setSymbol(qtext(symbol));
        message->setText(qtext(event.message));
        date->setText(qtext(event.date));
    }

    ObserverSymbolView* bullet;
    QLabel* message;
    QLabel* date;
};

// The events' scroll view on the card look, its content cut to the card's rounded shape.
class ActivityLogView::EventsCard : public ObserverSurface {
public:
    explicit EventsCard(QWidget* parent) : ObserverSurface(parent), scroll(makeVerticalScrollArea(this)) {
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(scroll);
    }

    QScrollArea* scroll;

protected:
    void resizeEvent(QResizeEvent* event) override {
        ObserverSurface::resizeEvent(event);
        const QPainterPath shape = ObserverTheme::continuousRoundedRect(cardShape(size()), cornerRadius);
        scroll->setMask(QRegion(shape.toFillPolygon().toPolygon()));
    }
};

ActivityLogView::ActivityLogView(std::shared_ptr<ObserverStore> store, QWidget* parent, const LocaleFormatter& locale,
                                 const MinuteDateFormatter& minuteDates)
    : QWidget(parent),
      store_(std::move(store)),
      locale_(locale),
      presentation_(std::make_unique<ActivityLogPresentation>()) {
    auto* layout = ViewText::setUpWindow(*this, qtext(ActivityLogModel::windowID), *this, padding, spacing);
    const auto initial = ActivityLogModel::make(*store_, presentation_->tab(), locale_);

    title_ = makeObserverText({}, systemFont(titleSize, QFont::Bold), ObserverTheme::text, this);
    preview_ = new ObserverActionButton({}, false, this);
    preview_->setObjectName(qtext(ActivityLogModel::previewIdentifier));
    connect(preview_, &QAbstractButton::clicked, this, [this] { store_->prepareDiagnostics(); });

    banner_ = new SymbolLabel({}, {}, ObserverTheme::font(TextStyle::caption), ObserverTheme::muted, this);
    // Wraps within the window's width, growing only in height.
    banner_->setWrapsTitle();

    manage_ = barButton(initial.manageButton, this);
    connect(manage_, &QAbstractButton::clicked, this,
            [] { ObserverWindowPresenter::requestShow(std::string(ActivityLogModel::dataManagementWindow)); });
    summary_ = barButton(initial.summaryButton, this);
    summary_->setObjectName(qtext(ActivityLogModel::summaryIdentifier));
    connect(summary_, &QAbstractButton::clicked, this,
            [] { ObserverWindowPresenter::requestShow(std::string(ActivityLogModel::connectionSummaryWindow)); });
    undo_ = barButton(initial.undoButton, this);
    connect(undo_, &QAbstractButton::clicked, this, [this] { (void)store_->undoHistoryClear(); });

    pickerLabel_ = makeObserverText(qtext(initial.pickerLabel), ObserverTheme::font(TextStyle::body),
                                    ObserverTheme::text, this);
    picker_ = new SegmentedTabBar(this);
    picker_->setObjectName(qtext(ActivityLogModel::tabsIdentifier));
    picker_->setAccessibleName(qtext(initial.pickerLabel));
    for (const auto& title : initial.tabTitles) picker_->addTab(qtext(title));
    pickerLabel_->setBuddy(picker_);
    connect(picker_, &QTabBar::currentChanged, this, [this](int index) {
        // The bar's index is the value of its option.
        if (index >= 0) presentation_->setTab(index);
    });

    lists_ = new QStackedWidget(this);
    sessions_ = new WorkSessionHistoryView(store_, lists_, locale_, minuteDates);
    events_ = new EventsCard(lists_);
    auto* eventsContent = new QWidget;
    eventsLayout_ = new QVBoxLayout(eventsContent);
    eventsLayout_->setContentsMargins(eventsHorizontalPadding, 0, eventsHorizontalPadding, 0);
    eventsLayout_->setSpacing(0);
    emptyEvents_ = new ContentUnavailableView({}, {}, eventsContent);
    eventsLayout_->addWidget(emptyEvents_);
    eventsLayout_->addStretch(1);
    events_->scroll->setWidget(eventsContent);
    // The scroll area fills its content by default; the card shows through instead.
    eventsContent->setAutoFillBackground(false);
    lists_->addWidget(sessions_);
    lists_->addWidget(events_);

    layout->addLayout(ViewText::spreadRow(title_, preview_));
    layout->addWidget(banner_);
    auto* bar = new QHBoxLayout;
    bar->addWidget(manage_);
    bar->addWidget(summary_);
    bar->addStretch(1);
    bar->addWidget(undo_);
    layout->addLayout(bar);
    auto* pickerRow = new QHBoxLayout;
    pickerRow->addWidget(pickerLabel_);
    pickerRow->addWidget(picker_);
    pickerRow->addStretch(1);
    layout->addLayout(pickerRow);
    layout->addWidget(lists_, 1);

    refresh_.watch(store_->objectWillChange());
    observePresentation();
    refresh();
}

ActivityLogView::~ActivityLogView() = default;

ObserverSurface* ActivityLogView::eventsList() const { return events_; }

int ActivityLogView::selectedTab() const { return presentation_->tab(); }

std::vector<QWidget*> ActivityLogView::visibleEventRows() const {
    std::vector<QWidget*> shown;
    for (auto* row : eventRows_)
        if (!row->isHidden()) shown.push_back(row);
    return shown;
}

void ActivityLogView::observePresentation() {
    presentationConnection_ = presentation_->objectWillChange().connect([this] { refresh_.schedule(); });
}

void ActivityLogView::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    // Closing the window ends the presentation; the next showing starts on the sessions again.
    if (!event->isAccepted()) return;
    presentation_ = std::make_unique<ActivityLogPresentation>();
    observePresentation();
    refresh_.schedule();
}

void ActivityLogView::refresh() {
    auto model = ActivityLogModel::make(*store_, presentation_->tab(), locale_);
    title_->setText(qtext(model.title));
    preview_->setText(qtext(model.previewButton.title));
    preview_->setSymbol(qtext(model.previewButton.symbol));
    banner_->setVisible(model.storageBanner.has_value());
    if (const auto& banner = model.storageBanner) {
        banner_->setTitle(qtext(banner->title));
        banner_->setSymbol(qtext(banner->symbol));
    }
    undo_->setVisible(model.showsUndo);
    {
        const QSignalBlocker blocker(picker_);
        picker_->setCurrentIndex(model.showsSessions ? ActivityLogModel::sessionsTab : ActivityLogModel::eventsTab);
    }
    lists_->setCurrentWidget(model.showsSessions ? static_cast<QWidget*>(sessions_) : events_);

    emptyEvents_->setVisible(model.emptyEvents.has_value());
    if (const auto& empty = model.emptyEvents) {
        emptyEvents_->setTitle(qtext(empty->title));
        emptyEvents_->setSymbol(qtext(empty->symbol));
    }
    // Rows are kept and reused; the list's stretch stays last.
    while (eventRows_.size() < model.events.size()) {
        auto* row = new EventRow(events_->scroll->widget());
        eventsLayout_->insertWidget(eventsLayout_->count() - 1, row);
        eventRows_.push_back(row);
    }
    for (std::size_t i = 0; i < eventRows_.size(); ++i) {
        eventRows_[i]->setVisible(i < model.events.size());
        if (i < model.events.size()) eventRows_[i]->apply(model.events[i], model.eventSymbol);
    }
    model_ = std::move(model);
}

}  // namespace quentrel
