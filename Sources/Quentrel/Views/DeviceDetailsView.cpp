#include "DeviceDetailsView.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "Quentrel/Stores/ObserverStore.h"
#include "Quentrel/Views/Controls/ObservationSection.h"
#include "Quentrel/Views/Controls/ObserverSymbolView.h"
#include "Quentrel/Views/Controls/VerticalScrollArea.h"
#include "Quentrel/Views/SystemLocaleTexts.h"
#include "Quentrel/Views/Theme/ObserverTheme.h"
#include "Quentrel/Views/ViewText.h"
#include "Quentrel/Views/WindowVisibilityProbe.h"

namespace quentrel {

namespace {
using M = DeviceDetailsModel;
using V = DeviceDetailsView;

QLabel* caption(const std::string& value) {
    auto* label = makeObserverText(QString::fromStdString(value), ObserverTheme::font(ObserverTheme::TextStyle::caption),
                       ObserverTheme::muted);
    label->setWordWrap(true);
    return label;
}

QVBoxLayout* column(QWidget* owner, int spacing) {
    auto* layout = new QVBoxLayout(owner);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(spacing);
    return layout;
}

// detail(_:_:): the muted label, then the value at the trailing edge, wrapping there.
QWidget* detail(const M::Row& row) {
    auto* widget = new QWidget;
    auto* layout = new QHBoxLayout(widget);
    layout->setContentsMargins(0, V::rowPadding, 0, V::rowPadding);
    layout->setSpacing(V::rowSpacing);
    const QFont font = ObserverTheme::systemFont(V::rowFontSize);
    layout->addWidget(makeObserverText(QString::fromStdString(row.label), font, ObserverTheme::muted), 0, Qt::AlignTop);
    auto* value = makeObserverText(QString::fromStdString(row.value), font);
    value->setAlignment(Qt::AlignRight | Qt::AlignTop);
    value->setWordWrap(true);
    // The value takes the whole width the label leaves, its text at the trailing edge: a stretch
    // beside it would take half of that, and the value wrap where it still had room.
    layout->addWidget(value, 1, Qt::AlignTop);
    return widget;
}

QWidget* volumeRow(const M::Volume& volume) {
    auto* widget = new QWidget;
    auto* layout = new QHBoxLayout(widget);
    layout->setContentsMargins(0, V::volumePadding, 0, V::volumePadding);
    layout->setSpacing(V::volumeSpacing);
    auto* symbol = new ObserverSymbolView(QString::fromStdString(volume.symbol), V::volumeSymbolFontSize,
                                          volume.isMounted ? ObserverTheme::accent : ObserverTheme::muted);
    symbol->setToolTip(QString::fromStdString(volume.help));
    layout->addWidget(symbol, 0, Qt::AlignTop);
    auto* lines = new QWidget;
    auto* linesLayout = column(lines, V::volumeLineSpacing);
    linesLayout->addWidget(makeObserverText(QString::fromStdString(volume.name), ObserverTheme::systemFont(V::volumeNameFontSize, QFont::DemiBold)));
    // The caption line stays even when empty.
    auto* parts = caption(volume.caption);
    parts->setMinimumHeight(parts->fontMetrics().height());
    linesLayout->addWidget(parts);
    if (volume.mountPath) linesLayout->addWidget(caption(*volume.mountPath));
    // The text column takes the rest of the row, so its lines wrap only at the card's edge.
    layout->addWidget(lines, 1, Qt::AlignTop);
    return widget;
}

ObservationSection* section(const std::string& title, const std::function<void(QVBoxLayout&)>& fill) {
    auto* content = new QWidget;
    auto* layout = ObservationSection::contentColumn(content, 0);
    fill(*layout);
    return new ObservationSection(QString::fromStdString(title), content);
}
}  // namespace

DeviceDetailsView::DeviceDetailsView(std::shared_ptr<ObserverStore> store, std::shared_ptr<const LocaleTexts> texts,
                                     QWidget* parent)
    : QScrollArea(parent), store_(std::move(store)), texts_(texts ? std::move(texts) : SystemLocaleTexts::shared()) {
    auto* layout = setUpScrollingRootColumn(*this, padding, spacing);
    layout->addWidget(makeObserverText(qtext(M::title), ObserverTheme::systemFont(titleFontSize, QFont::Bold)));
    layout->addStretch(1);

    // The probe holds the store weakly: it may report while this view is being destroyed.
    probe_ = WindowVisibilityProbe::reportingTo(store_, this);

    refresh_.watch(store_->objectWillChange());
    refresh();
}

void DeviceDetailsView::refresh() {
    auto model = DeviceDetailsModel::make(*store_, *texts_);
    if (built_ && model == model_) return;
    model_ = std::move(model);
    built_ = true;
    auto* layout = static_cast<QVBoxLayout*>(widget()->layout());
    // Refreshes run from the event loop, never inside an event of the old body: it can go now.
    delete body_;
    body_ = buildBody();
    layout->insertWidget(1, body_);
    // A layout shows a widget added to a visible parent only a turn later; show it with this change.
    body_->show();
}

QWidget* DeviceDetailsView::buildBody() const {
    auto* body = new QWidget;
    auto* layout = column(body, spacing);
    if (!model_.device) {
        // The unavailable-content placeholder: symbol above title, centred.
        auto* placeholder = new QWidget;
        auto* stack = column(placeholder, placeholderSpacing);
        stack->addSpacing(padding);
        stack->addWidget(new ObserverSymbolView(qtext(M::placeholderSymbol), placeholderSymbolFontSize, ObserverTheme::muted),
                         0, Qt::AlignHCenter);
        stack->addWidget(makeObserverText(qtext(M::placeholderTitle), ObserverTheme::systemFont(placeholderTitleFontSize, QFont::Bold)),
                         0, Qt::AlignHCenter);
        layout->addWidget(placeholder);
        return body;
    }
    const auto& device = *model_.device;
    layout->addWidget(section(device.title, [&](QVBoxLayout& rows) {
        for (const auto& row : device.rows) {
            rows.addWidget(detail(row));
            if (row.label == M::linkLabel && device.linkCaption) rows.addWidget(caption(*device.linkCaption));
        }
    }));
    layout->addWidget(section(std::string(M::volumesTitle), [&](QVBoxLayout& rows) {
        for (const auto& volume : device.volumes) rows.addWidget(volumeRow(volume));
    }));
    layout->addWidget(section(std::string(M::statisticsTitle), [&](QVBoxLayout& rows) {
        for (const auto& row : device.peakRows) rows.addWidget(detail(row));
        if (!device.peakRows.empty()) rows.addWidget(caption(std::string(M::peakCaption)));
        rows.addWidget(detail(device.access));
        for (const auto& row : device.counterRows) rows.addWidget(detail(row));
        rows.addWidget(caption(device.measuredAt));
        if (device.reason) rows.addWidget(caption(*device.reason));
    }));
    return body;
}

}  // namespace quentrel
