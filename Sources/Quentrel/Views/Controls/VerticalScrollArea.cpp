#include "VerticalScrollArea.h"

#include <algorithm>
#include <functional>

#include <QApplication>
#include <QEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>
#include <QtMath>

#include "ObserverFocusRing.h"
#include "Quentrel/Views/Theme/ObserverTheme.h"

namespace quentrel {

namespace {

// Hands what the person does anywhere in the application (presses, the wheel, keys and focus) to
// its note: watched at the application, as the controls take presses and keys before any parent
// of theirs could see them.
class InputWatch final : public QObject {
public:
    using Note = std::function<void(QWidget& receiver, QEvent& event)>;
    InputWatch(QObject* parent, Note note) : QObject(parent), note_(std::move(note)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        // (Every event of the application passes here: the type is looked at first.)
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::Wheel:
        case QEvent::KeyPress:
        case QEvent::FocusIn:
            if (watched->isWidgetType()) note_(*static_cast<QWidget*>(watched), *event);
            break;
        default: break;
        }
        return false;
    }

private:
    Note note_;
};

// What a press on `widget` uses: the widget or its nearest parent inside `content` that takes the
// focus (a button, a switch, the graph); none on the content's own background.
QWidget* controlAt(QWidget* widget, const QWidget& content) {
    for (; widget && widget != &content; widget = widget->parentWidget())
        if (widget->focusPolicy() != Qt::NoFocus) return widget;
    return nullptr;
}

// The layout in `layout` (itself or one nested in it) that holds `widget`.
QLayout* layoutHolding(QLayout* layout, const QWidget& widget) {
    if (!layout) return nullptr;
    for (int i = 0; i < layout->count(); ++i) {
        QLayoutItem* item = layout->itemAt(i);
        if (item->widget() == &widget) return layout;
        if (QLayout* nested = layoutHolding(item->layout(), widget)) return nested;
    }
    return nullptr;
}

// The rectangle of `control` and its row in `content`'s coordinates: the row of controls it is
// laid out in (a horizontal layout, such as a footer of buttons), else the control alone.
QRect rowOf(const QWidget& control, const QWidget& content) {
    const QWidget* parent = control.parentWidget();
    QRect rect = control.geometry();
    if (auto* row = qobject_cast<QBoxLayout*>(layoutHolding(parent->layout(), control));
        row && (row->direction() == QBoxLayout::LeftToRight || row->direction() == QBoxLayout::RightToLeft))
        rect |= row->geometry();
    return {parent->mapTo(&content, rect.topLeft()), rect.size()};
}

}  // namespace

void setUpVerticalScrolling(QScrollArea& area) {
    area.setFrameShape(QFrame::NoFrame);
    area.setWidgetResizable(true);
    area.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    area.setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    // No stop of its own for Tab, which goes through the controls inside and scrolls each into
    // view; the wheel, the scroll bar and the page keys of a control inside still scroll it.
    area.setFocusPolicy(Qt::NoFocus);
}

QVBoxLayout* setUpScrollingRootColumn(QScrollArea& area, int padding, int spacing) {
    setUpVerticalScrolling(area);
    ObserverTheme::applyToRoot(area);
    ObserverTheme::applyToRoot(*area.viewport());
    auto* content = new QWidget;
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(padding, padding, padding, padding);
    layout->setSpacing(spacing);
    area.setWidget(content);
    return layout;
}

QScrollArea* makeVerticalScrollArea(QWidget* parent) {
    auto* scroll = new QScrollArea(parent);
    setUpVerticalScrolling(*scroll);
    scroll->viewport()->setAutoFillBackground(false);
    return scroll;
}

FittingScrollArea::FittingScrollArea(QWidget* content, QWidget* parent) : QScrollArea(parent) {
    setUpVerticalScrolling(*this);
    viewport()->setAutoFillBackground(false);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setWidget(content);
    // A content that lays itself out anew may have a new fitting size: the layouts around this
    // area ask for it again. (setWidget has installed this area as the content's event filter.)
    qApp->installEventFilter(
        new InputWatch(this, [this](QWidget& receiver, QEvent& event) { noteInput(receiver, event); }));
}

void FittingScrollArea::setHeightLimit(int height) {
    height = std::max(height, 0);
    if (height == heightLimit_) return;
    heightLimit_ = height;
    updateGeometry();
}

void FittingScrollArea::layOutContent() {
    QWidget* content = widget();
    if (!content) return;
    content->resize(contentSize());
    if (content->layout()) content->layout()->activate();
}

QSize FittingScrollArea::contentSize() const {
    const QWidget* content = widget();
    if (!content) return {};
    // As a layout measures a widget it holds: the size hint within the widget's own bounds, and
    // the height that its width needs when it wraps.
    QSize size = content->sizeHint()
                     .expandedTo(content->minimumSizeHint())
                     .boundedTo(content->maximumSize())
                     .expandedTo(content->minimumSize());
    if (content->hasHeightForWidth())
        size.setHeight(std::clamp(content->heightForWidth(size.width()), content->minimumHeight(),
                                  content->maximumHeight()));
    return size;
}

QSize FittingScrollArea::sizeHint() const {
    QSize size = contentSize();
    if (size.height() > heightLimit_) {
        size.setHeight(heightLimit_);
        size.rwidth() += verticalScrollBar()->sizeHint().width();
    }
    return size;
}

QSize FittingScrollArea::minimumSizeHint() const { return sizeHint(); }

bool FittingScrollArea::eventFilter(QObject* watched, QEvent* event) {
    if (watched == widget() && event->type() == QEvent::LayoutRequest) {
        if (const QSize size = contentSize(); size != laidOut_) {
            laidOut_ = size;
            updateGeometry();
            // Once the new size is laid out, up to the window (the layouts above ask on later turns).
            if (used_ && !keepPending_) {
                keepPending_ = true;
                QTimer::singleShot(0, this, [this] { keepUsedControlInView(); });
            }
        }
    }
    return QScrollArea::eventFilter(watched, event);
}

void FittingScrollArea::noteInput(QWidget& receiver, QEvent& event) {
    if (receiver.window() != window()) return;
    QWidget* content = widget();
    const bool inContent = content && content->isAncestorOf(&receiver);
    switch (event.type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        const quint64 time = static_cast<QInputEvent&>(event).timestamp();
        if (&event == lastPress_ && time == lastPressTime_) return;  // handed on to a parent
        lastPress_ = &event;
        lastPressTime_ = time;
        used_ = inContent ? controlAt(&receiver, *content) : nullptr;
        break;
    }
    case QEvent::FocusIn:
        // Focus the person moved (with the keyboard or the mouse); not the focus a window restores.
        switch (static_cast<QFocusEvent&>(event).reason()) {
        case Qt::TabFocusReason:
        case Qt::BacktabFocusReason:
        case Qt::ShortcutFocusReason:
        case Qt::MouseFocusReason:
            if (inContent && &receiver == QApplication::focusWidget()) used_ = &receiver;
            break;
        default: break;
        }
        break;
    case QEvent::Wheel:
        if (inContent || &receiver == this || isAncestorOf(&receiver)) used_ = nullptr;
        break;
    case QEvent::KeyPress:
        if (const int key = static_cast<QKeyEvent&>(event).key(); key == Qt::Key_PageUp || key == Qt::Key_PageDown)
            used_ = nullptr;
        break;
    default: break;
    }
}

void FittingScrollArea::keepUsedControlInView() {
    keepPending_ = false;
    const QWidget* content = widget();
    if (!used_ || !content || !content->isAncestorOf(used_) || !used_->isVisibleTo(content)) return;
    const QRect row = rowOf(*used_, *content);
    // With room for the focus ring around the control.
    const int ring = qCeil(ObserverFocusRing::lineWidth + ObserverFocusRing::gap);
    ensureVisible(row.center().x(), row.center().y(), row.width() / 2 + ring, row.height() / 2 + ring);
}

}  // namespace quentrel
