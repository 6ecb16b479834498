// The diagnostic preview window: empty state, preview, error line and the text update rule.
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextCursor>
#include <gtest/gtest.h>

#include "Quentrel/Views/Controls/ObserverActionStyle.h"
#include "Quentrel/Views/DiagnosticPreviewView.h"
#include "Quentrel/Views/DiagnosticTextView.h"
#include "Quentrel/Views/Theme/ObserverSystemColors.h"
#include "SecondaryWindowsWidgets.h"

using namespace quentrel;
using namespace secondarywindows;

namespace {

quentrel::DiagnosticPreview preview(const std::string& text, double created = kNow) {
    return {platform::Data(text.begin(), text.end()), platform::Date{created}};
}

// A report long enough to scroll, with a no-break space and a paragraph separator that the editor
// rewrites when it is read back.
std::string longReport(const char* marker) {
    std::string text = "{\n  \"marker\" : \"" + std::string(marker) + "\u00A0\u2029\",\n";
    for (int i = 0; i < 80; ++i)
        text += "  \"field" + std::to_string(i) + "\" : \"" + std::string(120, 'a' + i % 26) + "\",\n";
    return text + "  \"end\" : true\n}";
}

class DiagnosticPreviewWindow : public ::testing::Test {
protected:
    void SetUp() override {
        quentrel::testing::applyTheme();
        h.push();
        view = std::make_unique<DiagnosticPreviewView>(h.store);
        view->resize(660, 660);
        present(*view);
    }
    void push() {
        h.push();
        settle();
    }
    QPlainTextEdit* editor() { return named<QPlainTextEdit>(*view, "diagnosticPreviewText"); }
    // The empty state and the button row each have one; only one shows at a time.
    ObserverActionButton* visibleRebuild() {
        for (auto* b : view->findChildren<ObserverActionButton*>())
            if (b->text() == "새로 만들기" && shows(b)) return b;
        return nullptr;
    }

    MirrorHarness h;
    std::unique_ptr<DiagnosticPreviewView> view;
};

}  // namespace

TEST_F(DiagnosticPreviewWindow, withoutAPreviewOnlyTheEmptyStateAndItsRebuildButton) {
    EXPECT_EQ(view->objectName(), "diagnostic-preview");
    EXPECT_TRUE(shows(labelWithText(*view, "진단 미리보기")));
    EXPECT_TRUE(shows(labelWithText(*view, "진단을 새로 만들어주세요")));
    EXPECT_TRUE(shows(labelWithText(*view, "최근 이벤트가 바뀌어 이전 미리보기를 비웠습니다.")));
    EXPECT_FALSE(shows(editor()));
    EXPECT_FALSE(shows(named<QWidget>(*view, "copyDiagnosticPreview")));
    EXPECT_FALSE(shows(named<QWidget>(*view, "saveDiagnosticPreview")));
    ObserverActionButton* rebuild = visibleRebuild();
    ASSERT_NE(rebuild, nullptr);
    EXPECT_EQ(rebuild->text(), "새로 만들기");
    EXPECT_EQ(rebuild->symbol(), "arrow.clockwise");
    click(rebuild);
    EXPECT_EQ(h.take(), std::vector{command(Case::prepareDiagnostics)});
    quentrel::testing::writeScreenshot(*view, QStringLiteral("diagnostic-preview-empty"));
}

TEST_F(DiagnosticPreviewWindow, aPreviewShowsItsTextAndSizeAndEachButtonSendsItsCommand) {
    h.state.diagnosticPreview = preview(longReport("first"));
    push();
    ASSERT_TRUE(shows(editor()));
    EXPECT_EQ(view->textView()->text(), longReport("first"));
    EXPECT_TRUE(editor()->isReadOnly());
    EXPECT_TRUE(editor()->textInteractionFlags() & Qt::TextSelectableByKeyboard);
    EXPECT_EQ(editor()->accessibleName(), "비식별 진단 JSON");
    EXPECT_EQ(editor()->lineWrapMode(), QPlainTextEdit::WidgetWidth);
    EXPECT_EQ(editor()->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    EXPECT_GE(view->textView()->height(), DiagnosticTextView::minimumHeight);
    ASSERT_TRUE(view->model().preview);
    EXPECT_TRUE(shows(labelWithText(*view, view->model().preview->snapshotLine)));
    EXPECT_NE(view->model().preview->snapshotLine.find("에 만든 스냅샷 · "), std::string::npos);

    auto* copy = named<ObserverActionButton>(*view, "copyDiagnosticPreview");
    auto* save = named<ObserverActionButton>(*view, "saveDiagnosticPreview");
    ASSERT_TRUE(copy && save);
    EXPECT_EQ(copy->text(), "복사");
    EXPECT_EQ(copy->symbol(), "doc.on.doc");
    EXPECT_FALSE(copy->isProminent());
    EXPECT_EQ(save->text(), "저장…");
    EXPECT_EQ(save->symbol(), "square.and.arrow.down");
    EXPECT_TRUE(save->isProminent());
    click(copy);
    click(save);
    click(visibleRebuild());
    EXPECT_EQ(h.take(), (std::vector{command(Case::copyDiagnostics), command(Case::saveDiagnostics),
                                     command(Case::prepareDiagnostics)}));
    // Nothing here is ever disabled.
    for (auto* b : view->findChildren<ObserverActionButton*>()) EXPECT_TRUE(b->isEnabled());
    quentrel::testing::writeScreenshot(*view, QStringLiteral("diagnostic-preview-shown"));
}

TEST_F(DiagnosticPreviewWindow, theSameTextKeepsSelectionAndScrollAnotherStartsAtTheTop) {
    h.state.diagnosticPreview = preview(longReport("first"));
    push();
    QPlainTextEdit* text = editor();
    QTextCursor selection = text->textCursor();
    selection.setPosition(20);
    selection.setPosition(60, QTextCursor::KeepAnchor);
    text->setTextCursor(selection);
    QScrollBar* bar = text->verticalScrollBar();
    ASSERT_GT(bar->maximum(), 0);
    bar->setValue(bar->maximum() / 2);
    const int scrolled = bar->value();

    // A rebuilt preview with the same bytes (a later date), then any other state.
    h.state.diagnosticPreview = preview(longReport("first"), kNow + 30);
    push();
    h.state.errorMessage = "진단을 복사하지 못했습니다. 다시 시도해주세요.";
    push();
    EXPECT_EQ(text->textCursor().selectionStart(), 20);
    EXPECT_EQ(text->textCursor().selectionEnd(), 60);
    EXPECT_EQ(bar->value(), scrolled);

    h.state.diagnosticPreview = preview(longReport("second"));
    push();
    EXPECT_EQ(view->textView()->text(), longReport("second"));
    EXPECT_FALSE(text->textCursor().hasSelection());
    EXPECT_EQ(text->textCursor().position(), 0);
    EXPECT_EQ(bar->value(), bar->minimum());
}

TEST_F(DiagnosticPreviewWindow, aFailedRebuildShowsTheEmptyStateAndTheOrangeErrorLine) {
    h.state.diagnosticPreview = preview("");
    push();
    EXPECT_TRUE(editor()->toPlainText().isEmpty());
    EXPECT_NE(view->model().preview->snapshotLine.find(" · 0바이트"), std::string::npos);

    h.state.diagnosticPreview.reset();
    h.state.errorMessage = "진단을 만들지 못했습니다. 잠시 후 다시 시도해주세요.";
    push();
    EXPECT_FALSE(shows(editor()));
    EXPECT_TRUE(shows(labelWithText(*view, "진단을 새로 만들어주세요")));
    QLabel* error = labelWithText(*view, "진단을 만들지 못했습니다. 잠시 후 다시 시도해주세요.");
    ASSERT_TRUE(shows(error));
    EXPECT_EQ(error->palette().color(QPalette::WindowText), ObserverSystemColors::orange);
    quentrel::testing::writeScreenshot(*view, QStringLiteral("diagnostic-preview-failed"));

    // The text view came back as a new one: the same text as before is put in again.
    h.state.diagnosticPreview = preview("{}");
    h.state.errorMessage.reset();
    push();
    EXPECT_EQ(editor()->toPlainText(), "{}");
    EXPECT_FALSE(shows(error));
}

TEST(DiagnosticTextView, comparesWithTheTextItWasGivenNotWithWhatTheEditorReportsBack) {
    DiagnosticTextView view;
    const std::string text = "a\u00A0b   c d";
    view.setText(text);
    ASSERT_NE(view.textView()->toPlainText().toStdString(), text);  // the editor rewrote it
    QTextCursor cursor = view.textView()->textCursor();
    cursor.setPosition(3);
    view.textView()->setTextCursor(cursor);
    view.setText(text);
    EXPECT_EQ(view.textView()->textCursor().position(), 3);
}
