#include "Quentrel/Services/UpdateService.h"

#include <gtest/gtest.h>

#include "Support/UpdateInfo.h"

using namespace quentrel;

TEST(UpdateService, StaysUnconfiguredWhateverItIsGiven) {
    ASSERT_TRUE(UpdateConfiguration::validated(testsupport::validUpdateInfo()));
    for (const auto& info : {platform::PropertyDictionary{}, testsupport::validUpdateInfo()}) {
        int factoryCalls = 0;
        UpdateService service(info, [&](const UpdateConfiguration&) {
            ++factoryCalls;
            return UpdateService::makeStoreManagedBackend();
        });
        int changes = 0;
        auto connection = service.objectWillChange().connect([&] { ++changes; });
        for (int i = 0; i < 3; ++i) {
            service.startIfConfigured();
            service.setAutomaticChecks(true);
        }
        EXPECT_EQ(factoryCalls, 0);
        EXPECT_EQ(changes, 0);
        EXPECT_EQ(service.state(), UpdateService::State::unconfigured);
        EXPECT_FALSE(service.isConfigured());
        EXPECT_FALSE(service.canCheckForUpdates());
        EXPECT_FALSE(service.automaticallyChecksForUpdates());
        EXPECT_FALSE(service.lastCheckDate());
    }
}

TEST(UpdateService, StoreManagedBackendOffersNothingAndRefusesToStart) {
    auto backend = UpdateService::makeStoreManagedBackend();
    EXPECT_FALSE(backend->canCheckForUpdates());
    EXPECT_FALSE(backend->automaticallyChecksForUpdates());
    EXPECT_FALSE(backend->lastCheckDate());
    EXPECT_THROW(backend->start(), std::exception);
    EXPECT_THROW(backend->start(), std::exception);
}

TEST(UpdateService, StateIsEncodedByItsCaseName) {
    EXPECT_EQ(platform::json::encode(UpdateService::State::unconfigured), "\"unconfigured\"");
    EXPECT_EQ(platform::json::decode<UpdateService::State>("\"failed\""), UpdateService::State::failed);
    EXPECT_THROW(platform::json::decode<UpdateService::State>("\"Ready\""), platform::json::DecodingError);
}
