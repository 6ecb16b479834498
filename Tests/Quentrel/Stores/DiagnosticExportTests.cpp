#include <gtest/gtest.h>

#include <memory>

#include "Doubles/FakeSavePanels.h"
#include "Platform/Dispatch/VirtualTime.h"
#include "Quentrel/Stores/DiagnosticExport.h"

using quentrel::DiagnosticExport;

namespace {

std::shared_ptr<FakeSavePanel> shownPanel(const platform::SerialQueuePtr& main) {
    auto panel = std::make_shared<FakeSavePanel>(platform::SavePanelOptions{}, main);
    panel->begin({});
    return panel;
}

}  // namespace

// The panel's completion forgets it only while it is still the one held; a new preview or a
// discard forgets and cancels it.
TEST(DiagnosticExport, theSavePanelIsForgottenByItsOwnAnswerOrByANewPreview) {
    auto time = platform::VirtualTime::make();
    auto main = time->makeQueue("main");
    DiagnosticExport diagnostics;
    auto first = shownPanel(main);
    diagnostics.holdSavePanel(first);
    EXPECT_TRUE(diagnostics.raiseSavePanel());
    EXPECT_EQ(first->bringToFrontCount, 1);

    std::weak_ptr<platform::SavePanel> older = first;
    first->dismiss();
    time->runUntilIdle();
    first.reset();  // answered and gone
    auto second = shownPanel(main);
    diagnostics.holdSavePanel(second);
    diagnostics.releaseSavePanel(older);
    EXPECT_TRUE(diagnostics.holdsSavePanel());
    diagnostics.releaseSavePanel(second);
    EXPECT_FALSE(diagnostics.holdsSavePanel());
    EXPECT_FALSE(diagnostics.raiseSavePanel());

    diagnostics.holdSavePanel(second);
    diagnostics.forgetSavePanel();
    EXPECT_FALSE(diagnostics.holdsSavePanel());
    EXPECT_EQ(second->cancelCount, 1);
}
