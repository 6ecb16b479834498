#include "QtSavePanel.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QPointer>
#include <QStandardPaths>
#include <QWindow>

#include "Platform/Desktop/X11/X11Windows.h"

namespace platform {

namespace {

// Qt's platform names of Wayland begin so ("wayland", "wayland-egl").
constexpr char kWaylandPlatform[] = "wayland";

QString text(const std::string& utf8) { return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())); }

QString startFolder() {
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!documents.isEmpty() && QDir(documents).exists()) return documents;
    return QDir::homePath();
}

class QtSavePanel final : public SavePanel, public std::enable_shared_from_this<QtSavePanel> {
public:
    explicit QtSavePanel(const SavePanelOptions& options) : options_(options) {}

    ~QtSavePanel() override {
        // Only a panel that never ran its completion still has its dialog here.
        delete dialog_.data();
    }

    void begin(Completion completion) override {
        if (begun_) return;
        begun_ = true;
        completion_ = std::move(completion);
        keepAlive_ = shared_from_this();
        dialog_ = makeDialog();
        keepAboveRequester(*dialog_);
        std::weak_ptr<QtSavePanel> weak = weak_from_this();
        QObject::connect(dialog_, &QDialog::finished, dialog_, [weak](int result) {
            if (auto self = weak.lock()) self->finish(result);
        });
        dialog_->show();
        activate();
    }

    void bringToFront() override {
        if (!isOpen()) return;
        // Wayland raises a window only for a token from the program in front, and the click that
        // asked was the UI app's: a window the compositor maps gets the focus (GNOME's does), so
        // the dialog is shown anew, as it is. Elsewhere the window manager is asked.
        if (QGuiApplication::platformName().startsWith(QLatin1String(kWaylandPlatform))) {
            dialog_->hide();
            dialog_->showNormal();
            return;
        }
        dialog_->showNormal();
        activate();
    }

    void cancel() override {
        if (isOpen()) dialog_->reject();
    }

    bool isOpen() const override { return begun_ && !answered_ && dialog_; }

private:
    QFileDialog* makeDialog() const {
        auto* dialog = new QFileDialog(nullptr, text(options_.title));
        dialog->setObjectName(QStringLiteral("savePanel"));
        dialog->setOption(QFileDialog::DontUseNativeDialog, true);
        dialog->setModal(false);
        dialog->setWindowModality(Qt::NonModal);
        dialog->setAcceptMode(QFileDialog::AcceptSave);
        dialog->setFileMode(QFileDialog::AnyFile);
        dialog->setOption(QFileDialog::ReadOnly, !options_.canCreateDirectories);
        const QString extension = text(options_.fileExtension);
        dialog->setNameFilter(text(options_.contentTypeName) + QStringLiteral(" (*.") + extension + QStringLiteral(")"));
        dialog->setDefaultSuffix(extension);
        dialog->setDirectory(startFolder());
        dialog->selectFile(text(options_.suggestedFileName));

        auto* message = new QLabel(text(options_.message), dialog);
        message->setObjectName(QStringLiteral("savePanelMessage"));
        message->setWordWrap(true);
        if (auto* grid = qobject_cast<QGridLayout*>(dialog->layout()))
            grid->addWidget(message, grid->rowCount(), 0, 1, grid->columnCount());
        return dialog;
    }

    // Raised and given the focus, as the answer to the user's click in another program.
    void activate() {
        if (x11::activate(*dialog_)) return;
        dialog_->raise();
        dialog_->activateWindow();
    }

    // Another program's window asked for the panel. The window manager keeps a dialog above its own
    // program's windows only, so the first click on that window would cover it: it is made
    // transient for that window. Without the window (or on Wayland) it stays a window of its own.
    void keepAboveRequester(QFileDialog& dialog) {
        if (!options_.requester) return;
        if (const auto owner = x11::windowOfProcess(options_.requester->process, options_.requester->windowTitle))
            requesterWindow_ = x11::makeTransientFor(dialog, *owner);
    }

    void finish(int result) {
        if (answered_) return;
        answered_ = true;
        std::optional<std::filesystem::path> chosen;
        if (result == QDialog::Accepted) {
            const QStringList files = dialog_->selectedFiles();
            if (!files.isEmpty() && !files.first().isEmpty())
                chosen = std::filesystem::path(QFile::encodeName(files.first()).toStdString());
        }
        dialog_->hide();
        dialog_->deleteLater();
        dialog_.clear();
        requesterWindow_.reset();
        // Later on the main queue, also when cancel() closed the panel; the panel lives until then.
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [completion = std::move(completion_), chosen, keep = std::move(keepAlive_)] {
                if (completion) completion(chosen);
            },
            Qt::QueuedConnection);
    }

    SavePanelOptions options_;
    QPointer<QFileDialog> dialog_;
    std::unique_ptr<QWindow> requesterWindow_;  // the requester's window while the panel is above it
    Completion completion_;
    std::shared_ptr<QtSavePanel> keepAlive_;
    bool begun_ = false;
    bool answered_ = false;
};

}  // namespace

std::shared_ptr<SavePanel> QtSavePanels::makePanel(const SavePanelOptions& options) {
    return std::make_shared<QtSavePanel>(options);
}

}  // namespace platform
