#include "ActivityHistoryView.h"

#include <QAccessible>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QVBoxLayout>

#include "Quentrel/Views/ActivityPlotView.h"
#include "Quentrel/Views/Controls/ObserverAccessibility.h"
#include "Quentrel/Views/Controls/ObserverSymbolView.h"
#include "Quentrel/Views/SystemLocaleTexts.h"
#include "Quentrel/Views/Theme/ObserverTheme.h"
#include "Quentrel/Views/ViewText.h"

namespace quentrel {

namespace {
using L = ActivityHistoryLayout;
using M = ActivityHistoryModel;

QFont smallFont() { return ObserverTheme::systemFont(L::smallFontSize); }

// The stroke sample of one legend item: a line across the middle of its 16 × 2 box.
class LegendLine : public QWidget {
public:
    LegendLine(bool dashed, const QColor& colour, QWidget* parent) : QWidget(parent), dashed_(dashed), colour_(colour) {
        setFixedSize(L::legendLineWidth, L::legendLineHeight);
    }
    bool isDashed() const { return dashed_; }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QPen pen(colour_, L::legendStrokeWidth, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
        pen.setMiterLimit(L::legendMiterLimit);
        if (dashed_) pen.setDashPattern({L::legendDashOn / L::legendStrokeWidth, L::legendDashOff / L::legendStrokeWidth});
        painter.setPen(pen);
        const qreal y = height() / 2.0;
        painter.drawLine(QLineF(0, y, width(), y));
    }

private:
    bool dashed_;
    QColor colour_;
};

// legend(_:dashed:color:): the stroke sample and its title.
QWidget* legendItem(std::string_view title, bool dashed, const QColor& colour, QWidget* parent) {
    auto* item = new QWidget(parent);
    auto* row = new QHBoxLayout(item);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(L::legendItemSpacing);
    row->addWidget(new LegendLine(dashed, colour, item), 0, Qt::AlignVCenter);
    auto* text = makeObserverText({}, smallFont(), ObserverTheme::muted, item);
    text->setText(qtext(title));
    row->addWidget(text);
    return item;
}
}  // namespace

// The graph area: grid at the back, then the plot or the empty state. It takes the pointer and
// the arrow keys for the card and is the one accessibility element of the graph.
class ActivityGraphArea : public QWidget, public ObserverAccessible {
public:
    explicit ActivityGraphArea(ActivityHistoryView& card) : QWidget(&card), card_(card) {
        setFocusPolicy(Qt::StrongFocus);
        setMouseTracking(true);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        setAccessibilityTexts(*this, {qtext(M::graphIdentifier), qtext(M::accessibilityLabel), {}, qtext(M::accessibilityHint)});
    }

    bool hidesAccessibilityChildren() const override { return true; }
    QString accessibilityValue() const override { return QString::fromStdString(card_.model().accessibilityValue); }
    bool isAccessibilityAdjustable() const override { return true; }
    void accessibilityIncrement() override { card_.step(+1); }
    void accessibilityDecrement() override { card_.step(-1); }
    std::optional<QAccessible::Role> accessibilityRole() const override { return QAccessible::Chart; }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        const QColor rule = ObserverTheme::withOpacity(ObserverTheme::border, L::gridOpacity);
        // Three rules, each at the top of one third of the height.
        for (int i = 0; i < L::gridRuleCount; ++i)
            painter.fillRect(QRect(0, height() * i / L::gridRuleCount, width(), 1), rule);
    }

    void mouseMoveEvent(QMouseEvent* event) override {
        card_.select(event->position());
        QWidget::mouseMoveEvent(event);
    }

    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton) card_.select(event->position());
        QWidget::mousePressEvent(event);
    }

    void keyPressEvent(QKeyEvent* event) override {
        // Both arrows count as handled, also when nothing changed.
        if (event->key() == Qt::Key_Left || event->key() == Qt::Key_Right) {
            card_.step(event->key() == Qt::Key_Left ? -1 : +1);
            event->accept();
            return;
        }
        QWidget::keyPressEvent(event);
    }

private:
    ActivityHistoryView& card_;
};

ActivityHistoryView::ActivityHistoryView(bool compact, std::shared_ptr<const LocaleTexts> texts, QWidget* parent)
    : ObserverSurface(parent), compact_(compact), texts_(texts ? std::move(texts) : SystemLocaleTexts::shared()) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    layout_ = new QVBoxLayout(this);

    // 1. Header.
    auto* title =
        makeObserverText({}, ObserverTheme::systemFont(L::titleFontSize, QFont::DemiBold), ObserverTheme::text, this);
    title->setText(qtext(M::title));
    peak_ = makeObserverText({}, smallFont(), ObserverTheme::muted, this);
    auto* header = ViewText::spreadRow(title, peak_);
    header->setSpacing(0);
    layout_->addLayout(header);

    // 2. Graph: grid, then the plot or the empty state.
    graph_ = new ActivityGraphArea(*this);
    auto* layers = new QVBoxLayout(graph_);
    layers->setContentsMargins(0, 0, 0, 0);
    plot_ = new ActivityPlotView(graph_);
    layers->addWidget(plot_);
    emptyState_ = new QWidget(graph_);
    emptyState_->setAttribute(Qt::WA_TransparentForMouseEvents);
    auto* empty = new QVBoxLayout(emptyState_);
    empty->setContentsMargins(0, 0, 0, 0);
    empty->setSpacing(L::emptyStateSpacing);
    empty->addStretch(1);
    empty->addWidget(new ObserverSymbolView(qtext(M::emptySymbol), L::emptySymbolFontSize, ObserverTheme::muted, emptyState_),
                     0, Qt::AlignHCenter);
    emptyText_ =
        makeObserverText({}, ObserverTheme::systemFont(L::emptyCaptionFontSize), ObserverTheme::muted, emptyState_);
    empty->addWidget(emptyText_, 0, Qt::AlignHCenter);
    empty->addStretch(1);
    layers->addWidget(emptyState_);
    layout_->addWidget(graph_);

    // 3. Time labels.
    auto* times = new QHBoxLayout;
    startTime_ = makeObserverText({}, smallFont(), ObserverTheme::muted, this);
    endTime_ = makeObserverText({}, smallFont(), ObserverTheme::muted, this);
    times->addWidget(startTime_);
    times->addStretch(1);
    times->addWidget(endTime_);
    layout_->addLayout(times);

    // 4. Legend.
    auto* legend = new QHBoxLayout;
    legend->setSpacing(L::legendSpacing);
    legend->addWidget(legendItem(M::readLegend, false, ObserverTheme::accent, this));
    legend->addWidget(legendItem(M::writeLegend, true, ObserverTheme::text, this));
    legend->addSpacing(L::legendMinimumGap - L::legendSpacing);
    legend->addStretch(1);
    sampling_ = makeObserverText({}, smallFont(), ObserverTheme::muted, this);
    legend->addWidget(sampling_);
    layout_->addLayout(legend);

    // 5. Coverage caption.
    coverage_ = makeObserverText({}, smallFont(), ObserverTheme::muted, this);
    layout_->addWidget(coverage_);

    // 6. Inspection line.
    inspectionLine_ = makeObserverText({}, smallFont(), ObserverTheme::muted, this);
    inspectionLine_->setObjectName(qtext(M::inspectionIdentifier));
    inspectionLine_->setWordWrap(true);
    inspectionLine_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    inspectionLine_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Minimum);
    layout_->addWidget(inspectionLine_);

    applyLayout();
    rebuild();
}

QWidget* ActivityHistoryView::graph() const { return graph_; }

void ActivityHistoryView::setCompact(bool compact) {
    if (compact_ == compact) return;
    compact_ = compact;
    applyLayout();
}

void ActivityHistoryView::applyLayout() {
    const auto metrics = L::forCompact(compact_);
    // The padding is measured from the card's shape, inside the outline's overhang.
    const int margin = metrics.padding + static_cast<int>(outlineOverhang);
    layout_->setContentsMargins(margin, margin, margin, margin);
    layout_->setSpacing(metrics.spacing);
    graph_->setFixedHeight(metrics.graphHeight);
    inspectionLine_->setMinimumHeight(metrics.inspectionMinimumHeight);
}

void ActivityHistoryView::setInput(ActivityHistoryInput input) {
    // The embedding view passes its inputs again with every refresh: the same ones change nothing.
    if (input == input_) return;
    // Another device is another card: its inspection starts empty.
    if (input.identity != input_.identity) inspection_ = GraphInspection{};
    input_ = std::move(input);
    rebuild();
}

void ActivityHistoryView::endIdentity() {
    inspection_ = GraphInspection{};
    rebuild();
}

void ActivityHistoryView::select(QPointF location) {
    if (model_.isEmpty) return;
    inspection_.select(location.x(), location.y(), plot_->width(), plot_->height(), input_.referenceDate);
    rebuild();
}

void ActivityHistoryView::step(int offset) {
    inspection_.step(offset, input_.intervals, input_.referenceDate);
    rebuild();
}

void ActivityHistoryView::rebuild() {
    const QString previousValue = QString::fromStdString(model_.accessibilityValue);
    model_ = ActivityHistoryModel::make(input_, inspection_, *texts_);
    peak_->setText(QString::fromStdString(model_.header));
    emptyText_->setText(QString::fromStdString(model_.emptyStateText));
    plot_->setVisible(!model_.isEmpty);
    emptyState_->setVisible(model_.isEmpty);
    if (!model_.isEmpty) plot_->setInputs(input_.intervals, input_.referenceDate, model_.selectedDate);
    startTime_->setText(QString::fromStdString(model_.startTimeText));
    endTime_->setText(QString::fromStdString(model_.endTimeText));
    sampling_->setText(QString::fromStdString(model_.samplingText));
    coverage_->setText(QString::fromStdString(model_.coverageCaption));
    inspectionLine_->setText(QString::fromStdString(model_.inspectionText));
    setTextColour(*inspectionLine_, model_.hasSelection ? ObserverTheme::text : ObserverTheme::muted);

    const QString value = QString::fromStdString(model_.accessibilityValue);
    if (value != previousValue && QAccessible::isActive()) {
        QAccessibleEvent event(graph_, QAccessible::ValueChanged);
        QAccessible::updateAccessibility(&event);
    }
}

}  // namespace quentrel
