#include "Platform/Desktop/Qt/QtSavePanel.h"

#include <sys/stat.h>

#include <cstdlib>

#include <QApplication>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>
#include <gtest/gtest.h>

#include "Doubles/FakeSavePanels.h"
#include "Platform/Dispatch/VirtualTime.h"
#include "Platform/Foundation/TemporaryFolder.h"

using platform::SavePanel;
using platform::SavePanelOptions;

namespace {

SavePanelOptions diagnosticsOptions() {
    return {"관측 진단 저장", "미리보기에 표시된 비식별 진단을 그대로 저장합니다.", "Kavrinet-diagnostics.json", "JSON",
            "json", true};
}

std::vector<QFileDialog*> shownDialogs() {
    std::vector<QFileDialog*> dialogs;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* dialog = qobject_cast<QFileDialog*>(widget); dialog && dialog->isVisible()) dialogs.push_back(dialog);
    return dialogs;
}

// A picture that cannot be written fails the case.
void saveScreenshot(QWidget* widget, const char* name) {
    if (const char* folder = std::getenv("KAVRINET_SCREENSHOTS")) {
        std::filesystem::create_directories(folder);
        EXPECT_TRUE(widget->grab().save(QString::fromUtf8(folder) + "/" + name)) << name;
    }
}

struct Answer {
    int count = 0;
    std::optional<std::filesystem::path> chosen;
    SavePanel::Completion completion() {
        return [this](const std::optional<std::filesystem::path>& file) {
            ++count;
            chosen = file;
        };
    }
};

mode_t permissions(const std::filesystem::path& file) {
    struct stat info {};
    ::stat(file.c_str(), &info);
    return info.st_mode & 0777;
}

}  // namespace

TEST(QtSavePanel, ShowsTheOptionsNonModalAndAnswersTheChosenFileLater) {
    TemporaryFolder folder;
    Answer answer;
    std::weak_ptr<SavePanel> weak;
    {
        std::shared_ptr<SavePanel> panel = platform::QtSavePanels().makePanel(diagnosticsOptions());
        weak = panel;
        panel->begin(answer.completion());
    }
    ASSERT_FALSE(weak.expired()) << "a begun panel keeps itself alive";
    QApplication::processEvents();
    std::vector<QFileDialog*> dialogs = shownDialogs();
    ASSERT_EQ(dialogs.size(), 1u);
    QFileDialog* dialog = dialogs.front();
    EXPECT_EQ(dialog->windowTitle().toStdString(), "관측 진단 저장");
    ASSERT_NE(dialog->findChild<QLabel*>("savePanelMessage"), nullptr);
    EXPECT_EQ(dialog->findChild<QLabel*>("savePanelMessage")->text().toStdString(),
              "미리보기에 표시된 비식별 진단을 그대로 저장합니다.");
    EXPECT_TRUE(dialog->testOption(QFileDialog::DontUseNativeDialog));
    EXPECT_FALSE(dialog->isModal());
    EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptSave);
    EXPECT_EQ(dialog->nameFilters(), QStringList{"JSON (*.json)"});
    EXPECT_EQ(dialog->defaultSuffix(), "json");
    ASSERT_NE(dialog->findChild<QLineEdit*>("fileNameEdit"), nullptr);
    EXPECT_EQ(dialog->findChild<QLineEdit*>("fileNameEdit")->text(), "Kavrinet-diagnostics.json");
    ASSERT_NE(dialog->findChild<QToolButton*>("newFolderButton"), nullptr);
    EXPECT_TRUE(dialog->findChild<QToolButton*>("newFolderButton")->isEnabled());
    EXPECT_EQ(QApplication::activeWindow(), dialog);
    saveScreenshot(dialog, "save-panel.png");

    // Bringing it to the front shows no second panel.
    weak.lock()->bringToFront();
    QApplication::processEvents();
    EXPECT_EQ(shownDialogs().size(), 1u);
    EXPECT_TRUE(weak.lock()->isOpen());

    // The suffix of the only type is added to a name without it.
    dialog->setDirectory(QString::fromStdString(folder.path().string()));
    dialog->findChild<QLineEdit*>("fileNameEdit")->setText("report");
    ASSERT_NE(dialog->findChild<QDialogButtonBox*>("buttonBox"), nullptr);
    dialog->findChild<QDialogButtonBox*>("buttonBox")->button(QDialogButtonBox::Save)->click();
    EXPECT_EQ(answer.count, 0) << "answered inside the dialog's signal";
    EXPECT_FALSE(weak.lock()->isOpen());
    QApplication::processEvents();
    EXPECT_EQ(answer.count, 1);
    EXPECT_EQ(answer.chosen, folder / "report.json");
    EXPECT_TRUE(weak.expired());
    QApplication::processEvents();
    EXPECT_TRUE(shownDialogs().empty());
}

TEST(QtSavePanel, CancelAnswersNothingLaterAndOnlyOnce) {
    SavePanelOptions options = diagnosticsOptions();
    options.canCreateDirectories = false;
    std::shared_ptr<SavePanel> panel = platform::QtSavePanels().makePanel(options);
    Answer answer;
    panel->begin(answer.completion());
    panel->begin(answer.completion());
    QApplication::processEvents();
    ASSERT_EQ(shownDialogs().size(), 1u);
    EXPECT_FALSE(shownDialogs().front()->findChild<QToolButton*>("newFolderButton")->isEnabled());

    panel->cancel();
    EXPECT_FALSE(panel->isOpen());
    EXPECT_EQ(answer.count, 0);
    panel->cancel();
    panel->bringToFront();
    QApplication::processEvents();
    EXPECT_EQ(answer.count, 1);
    EXPECT_EQ(answer.chosen, std::nullopt);
    EXPECT_TRUE(shownDialogs().empty());
}

TEST(FakeSavePanel, KeepsTheRealPanelsPromises) {
    auto time = platform::VirtualTime::make();
    FakeSavePanels panels(time->makeQueue("main"));
    Answer answer;
    panels.makePanel(diagnosticsOptions())->begin(answer.completion());
    std::shared_ptr<FakeSavePanel> panel = panels.last();
    ASSERT_TRUE(panel);
    EXPECT_EQ(panel->options, diagnosticsOptions());
    panel->cancel();
    panel->choose("/late.json");
    EXPECT_EQ(answer.count, 0);
    time->runUntilIdle();
    EXPECT_EQ(answer.count, 1);
    EXPECT_EQ(answer.chosen, std::nullopt);
    panel.reset();
    EXPECT_FALSE(panels.last());
}

TEST(WriteChosenFile, ReplacesAtomicallyWithUserOnlyPermissions) {
    TemporaryFolder folder;
    const auto file = folder / "Kavrinet-diagnostics.json";
    TemporaryFolder::writeFile(file, "old");
    ::chmod(file.c_str(), 0644);
    const std::string bytes = "{\n  \"a/b\" : \"진단\"\n}";
    EXPECT_TRUE(platform::writeChosenFile(file, std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size())));
    EXPECT_EQ(TemporaryFolder::readFile(file), bytes);
    EXPECT_EQ(permissions(file), 0600u);
    EXPECT_EQ(folder.entryCount(), 1u);

    // A folder in the way fails and leaves it alone.
    std::filesystem::create_directory(folder / "taken");
    EXPECT_FALSE(platform::writeChosenFile(folder / "taken", {}));
    EXPECT_TRUE(std::filesystem::is_directory(folder / "taken"));
    EXPECT_EQ(folder.entryCount(), 2u);
}
