#include "Quentrel/Views/Models/DiagnosticPreviewModel.h"

#include <gtest/gtest.h>

#include "Quentrel/Views/SecondaryWindowsHarness.h"

using namespace quentrel;

namespace {
LocalizedFormats formats() {
    LocalizedFormats f;
    f.time = [](platform::Date d) { return "T" + std::to_string(static_cast<long long>(d.sinceReferenceDate)); };
    f.groupedInteger = [](std::uint64_t n) { return "<" + std::to_string(n) + ">"; };
    return f;
}
DiagnosticPreview preview(std::string bytes, double created = secondarywindows::kNow) {
    return {platform::Data(bytes.begin(), bytes.end()), platform::Date{created}};
}
}  // namespace

TEST(DiagnosticPreviewModel, theSnapshotLineJoinsTimeAndGroupedByteCount) {
    EXPECT_EQ(snapshotLine(preview("{\"a\":1}", 42), formats()), "T42에 만든 스냅샷 · <7>바이트");
    EXPECT_EQ(snapshotLine(preview("", 0), formats()), "T0에 만든 스냅샷 · <0>바이트");
}

TEST(DiagnosticPreviewModel, emptyStatePreviewAndErrorLineFollowTheStore) {
    secondarywindows::MirrorHarness h;
    h.push();
    EXPECT_EQ(makeDiagnosticPreviewModel(*h.store, formats()), DiagnosticPreviewModel{});

    // Invalid UTF-8 is shown replaced; the count is of the bytes.
    h.state.diagnosticPreview = preview("{\"x\":\"\xFF\"}");
    h.push();
    auto m = makeDiagnosticPreviewModel(*h.store, formats());
    ASSERT_TRUE(m.preview);
    EXPECT_EQ(m.preview->text, "{\"x\":\"\xEF\xBF\xBD\"}");
    EXPECT_EQ(m.preview->snapshotLine, "T700000000에 만든 스냅샷 · <9>바이트");
    EXPECT_FALSE(m.errorLine);

    // A failed rebuild: the preview goes, the error stays.
    h.state.diagnosticPreview.reset();
    h.state.errorMessage = "진단을 만들지 못했습니다. 잠시 후 다시 시도해주세요.";
    h.push();
    m = makeDiagnosticPreviewModel(*h.store, formats());
    EXPECT_FALSE(m.preview);
    EXPECT_EQ(m.errorLine, "진단을 만들지 못했습니다. 잠시 후 다시 시도해주세요.");
}
