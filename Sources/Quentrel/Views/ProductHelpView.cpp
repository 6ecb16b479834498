#include "Quentrel/Views/ProductHelpView.h"

#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QScrollArea>
#include <QVBoxLayout>

#include "Quentrel/Views/Controls/ObserverAccessibility.h"
#include "Quentrel/Views/Controls/ObserverActionStyle.h"
#include "Quentrel/Views/Controls/ObserverFocusRing.h"
#include "Quentrel/Views/Controls/ObserverSymbolView.h"
#include "Quentrel/Views/Controls/SelectableText.h"
#include "Quentrel/Views/Controls/VerticalScrollArea.h"
#include "Quentrel/Views/Symbols/ObserverSymbols.h"
#include "Platform/Foundation/BundleInfo.h"
#include "Quentrel/Services/ObserverWindowPresenter.h"
#include "Quentrel/Views/Theme/ObserverTheme.h"
#include "Quentrel/Views/ViewText.h"

namespace quentrel {

namespace {
using Texts = ProductHelpTexts;

// The application's icon, or our drive symbol when the program has none; decoration only, so
// assistive technologies skip it.
class HelpIcon : public QWidget, public ObserverAccessible {
public:
    explicit HelpIcon(QWidget* parent) : QWidget(parent) { setFixedSize(ProductHelpView::iconSide, ProductHelpView::iconSide); }
    bool isAccessibilityHidden() const override { return true; }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        const QIcon icon = QApplication::windowIcon();
        if (!icon.isNull()) {
            icon.paint(&painter, rect());
            return;
        }
        ObserverSymbols::paint(painter, QRectF(rect()).adjusted(4, 4, -4, -4), QStringLiteral("externaldrive.fill"),
                               ObserverTheme::accent);
    }
};

// One segment of the picker: its title on the elevated fill when chosen. The keyboard reaches the
// picker at the chosen segment only, and the arrow keys choose the segment beside it.
class Segment : public QAbstractButton, public FocusRingShape {
public:
    static constexpr int height = 26;
    static constexpr int horizontalPadding = 14;
    static constexpr qreal cornerRadius = 7;

    Segment(const QString& title, QWidget* parent) : QAbstractButton(parent) {
        setText(title);
        setAccessibleName(title);
        setCheckable(true);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    }
    QSize sizeHint() const override {
        return {static_cast<int>(QFontMetricsF(font()).horizontalAdvance(text())) + 2 * horizontalPadding, height};
    }
    QRectF focusRingRect() const override { return QRectF(rect()).adjusted(1, 1, -1, -1); }
    qreal focusRingRadius() const override { return cornerRadius; }

protected:
    void keyPressEvent(QKeyEvent* event) override {
        const int step = event->key() == Qt::Key_Left || event->key() == Qt::Key_Up      ? -1
                         : event->key() == Qt::Key_Right || event->key() == Qt::Key_Down ? 1
                                                                                         : 0;
        if (step == 0 || !group()) return QAbstractButton::keyPressEvent(event);
        const QList<QAbstractButton*> segments = group()->buttons();
        if (QAbstractButton* next = segments.value(segments.indexOf(this) + step)) {
            next->click();
            next->setFocus(step < 0 ? Qt::BacktabFocusReason : Qt::TabFocusReason);
        }
    }
    // (Without the button's own handling, which hands Tab to whichever segment has the focus.)
    void focusInEvent(QFocusEvent* event) override { QWidget::focusInEvent(event); }

    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        if (isChecked())
            painter.fillPath(ObserverTheme::continuousRoundedRect(focusRingRect(), cornerRadius),
                             ObserverTheme::elevated);
        painter.setOpacity(isDown() ? ObserverActionStyle::pressedOpacity : 1.0);
        painter.setPen(isChecked() ? ObserverTheme::text : ObserverTheme::muted);
        painter.drawText(rect(), Qt::AlignCenter, text());
    }
};

// The segmented control's track.
class SegmentTrack : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QPainterPath shape = ObserverTheme::continuousRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 8);
        painter.fillPath(shape, ObserverTheme::surface);
        painter.setPen(QPen(ObserverTheme::border, 1));
        painter.drawPath(shape);
    }
};

QWidget* makeTopic(const HelpTopic& topic, QWidget* parent) {
    auto* view = new QWidget(parent);
    auto* column = new QVBoxLayout(view);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(ProductHelpView::topicSpacing);
    column->addWidget(makeObserverText(QString::fromStdString(topic.title),
                                       ObserverTheme::font(ObserverTheme::TextStyle::headline), ObserverTheme::text,
                                       view, TextWrap::words));
    // The texts can be selected and copied; the titles cannot.
    column->addWidget(new SelectableText(QString::fromStdString(topic.text),
                                         ObserverTheme::font(ObserverTheme::TextStyle::callout), ObserverTheme::muted,
                                         view));
    return view;
}
}  // namespace

ProductHelpView::ProductHelpView(HelpSection initialSection, QWidget* parent)
    : QWidget(parent), section_(initialSection) {
    auto* layout = ViewText::setUpWindow(
        *this, initialSection == HelpSection::about ? QStringLiteral("about") : QStringLiteral("help"), *this, padding,
        spacing);

    auto* header = new QHBoxLayout;
    header->setSpacing(headerSpacing);
    header->addWidget(new HelpIcon(this), 0, Qt::AlignVCenter);
    auto* headerText = new QVBoxLayout;
    headerText->setSpacing(headerTextSpacing);
    headerText->addWidget(ViewText::makeTitle(qtext(Texts::title), titleSize, this));
    headerText->addWidget(makeObserverText(qtext(Texts::subtitle),
                                           ObserverTheme::font(ObserverTheme::TextStyle::caption), ObserverTheme::muted,
                                           this, TextWrap::words));
    header->addLayout(headerText, 1);
    layout->addLayout(header);

    auto* track = new SegmentTrack(this);
    setAccessibilityTexts(*track, {qtext(Texts::pickerIdentifier), qtext(Texts::pickerLabel), {}, {}});
    auto* segments = new QHBoxLayout(track);
    segments->setContentsMargins(2, 2, 2, 2);
    segments->setSpacing(2);
    picker_ = new QButtonGroup(this);
    picker_->setExclusive(true);
    for (HelpSection section : allHelpSections) {
        auto* segment = new Segment(qtext(rawValue(section)), track);
        segments->addWidget(segment);
        picker_->addButton(segment, static_cast<int>(section));
    }
    layout->addWidget(track);

    topics_ = new QWidget;
    topicsLayout_ = new QVBoxLayout(topics_);
    topicsLayout_->setContentsMargins(0, 0, trailingPadding, 0);
    topicsLayout_->setSpacing(spacing);
    auto* scroll = makeVerticalScrollArea(this);
    scroll->setWidget(topics_);
    layout->addWidget(scroll, 1);

    connect(picker_, &QButtonGroup::idClicked, this, [this](int id) { showSection(static_cast<HelpSection>(id)); });
    showSection(initialSection);
}

void ProductHelpView::showSection(HelpSection section) {
    section_ = section;
    if (auto* segment = picker_->button(static_cast<int>(section))) segment->setChecked(true);
    for (QAbstractButton* segment : picker_->buttons())
        segment->setFocusPolicy(segment->isChecked() ? Qt::StrongFocus : Qt::ClickFocus);

    // Asked again at every showing: the privacy section's last topic follows the bundle as it is now.
    const auto bundle = platform::mainBundle();
    model_ = makeProductHelpModel(section, ProductIdentity::running(),
                                  bundle ? bundle->infoDictionary : platform::PropertyDictionary{});

    while (QLayoutItem* item = topicsLayout_->takeAt(0)) {
        // Nothing in the old topics is running: the picker that asked for this sits outside them.
        delete item->widget();
        delete item;
    }
    for (const HelpTopic& topic : model_.topics) topicsLayout_->addWidget(makeTopic(topic, topics_));
    if (model_.showsWelcomeButton) {
        auto* welcome = new ObserverActionButton(qtext(Texts::welcomeButton), false, topics_);
        welcome->setSymbol(qtext(Texts::welcomeSymbol));
        // Opens (or brings forward) the welcome window; this window stays and nothing changes.
        connect(welcome, &QAbstractButton::clicked, this,
                [] { ObserverWindowPresenter::requestShow(std::string(Texts::welcomeWindow)); });
        topicsLayout_->addWidget(welcome, 0, Qt::AlignLeft);
    }
    topicsLayout_->addStretch(1);
}

}  // namespace quentrel
