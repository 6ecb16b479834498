#include "Quentrel/Views/Models/ObserverSettingsModel.h"

#include <gtest/gtest.h>

#include "Platform/Foundation/BundleInfo.h"
#include "Quentrel/Support/ProductBrand.h"
#include "Quentrel/Views/SecondaryWindowsHarness.h"

using namespace quentrel;

TEST(ObserverSettingsModel, versionCaptionJoinsNameVersionAndBuildVerbatim) {
    EXPECT_EQ(versionCaption({"Kavrinet", "1.2.0", "45"}), "Kavrinet · 1.2.0 (45)");
    EXPECT_EQ(versionCaption({"Kavrinet Preview", "development", "unpackaged"}),
              "Kavrinet Preview · development (unpackaged)");
    EXPECT_EQ(versionCaption({"", " 1 ", ""}), " ·  1  ()");
}

TEST(ObserverSettingsModel, theRunningProgramsVersionAndBuildWithTheirFallbacks) {
    {
        platform::BundleInfo bundle;
        bundle.infoDictionary = {{"CFBundleShortVersionString", "3.1"}, {"CFBundleVersion", "9"}};
        platform::ScopedMainBundle scoped(bundle);
        const auto product = ProductIdentity::running();
        EXPECT_EQ(product.version, "3.1");
        EXPECT_EQ(product.build, "9");
        EXPECT_EQ(product.displayName, ProductBrand::displayName());
    }
    platform::BundleInfo numbers;
    numbers.infoDictionary = {{"CFBundleShortVersionString", 3}, {"CFBundleVersion", 9}};
    platform::ScopedMainBundle scoped(numbers);
    EXPECT_EQ(ProductIdentity::running().version, "development");
    EXPECT_EQ(ProductIdentity::running().build, "unpackaged");
}

TEST(ObserverSettingsModel, readsTheMirroredSwitchesLoginItemAndTarget) {
    secondarywindows::MirrorHarness h;
    const ProductIdentity product{"Kavrinet", "1.0", "7"};

    auto m = makeObserverSettingsModel(*h.store, *h.store->loginItem(), product);
    EXPECT_FALSE(m.launchOn);
    EXPECT_FALSE(m.loginOn);
    EXPECT_EQ(m.loginStatus, "확인 중");  // before the first state
    EXPECT_FALSE(m.rememberedTargetName);
    EXPECT_FALSE(m.loginError);  // absent, not empty
    EXPECT_EQ(m.versionCaption, "Kavrinet · 1.0 (7)");

    h.state.showStatusOnLaunch = true;
    h.state.backgroundPolling = true;
    h.state.rememberedTarget = secondarywindows::target("사진 백업");
    h.state.loginEnabled = true;
    h.state.loginBusy = true;
    h.state.loginRequiresApproval = true;
    h.state.loginStatus = "시스템 설정에서 승인 필요";
    h.state.loginError = "등록하지 못했습니다.";
    h.push();
    m = makeObserverSettingsModel(*h.store, *h.store->loginItem(), product);
    EXPECT_TRUE(m.launchOn);
    EXPECT_TRUE(m.backgroundOn);
    EXPECT_TRUE(m.loginOn);  // busy disables the switch but it still shows the value
    EXPECT_FALSE(m.loginToggleEnabled);
    EXPECT_TRUE(m.showsApprovalButton);
    EXPECT_EQ(m.loginStatus, "시스템 설정에서 승인 필요");
    EXPECT_EQ(m.loginError, "등록하지 못했습니다.");
    EXPECT_EQ(m.rememberedTargetName, "사진 백업");
}
