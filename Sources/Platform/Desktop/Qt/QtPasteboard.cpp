#include "QtPasteboard.h"

#include <QByteArray>
#include <QClipboard>
#include <QGuiApplication>

namespace platform {

namespace {
QClipboard* generalClipboard() {
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr) return nullptr;
    return QGuiApplication::clipboard();
}
}  // namespace

void QtPasteboard::clearContents() {
    if (QClipboard* clipboard = generalClipboard()) clipboard->clear(QClipboard::Clipboard);
}

bool QtPasteboard::setString(std::string_view text) {
    QClipboard* clipboard = generalClipboard();
    if (clipboard == nullptr) return false;
    const QByteArray bytes(text.data(), static_cast<qsizetype>(text.size()));
    clipboard->setText(QString::fromUtf8(bytes), QClipboard::Clipboard);
    // setText reports nothing. Reading back catches a clipboard that dropped the text and, as
    // bytes, text that was not valid UTF-8 (it would have been put there altered).
    return clipboard->text(QClipboard::Clipboard).toUtf8() == bytes;
}

}  // namespace platform
