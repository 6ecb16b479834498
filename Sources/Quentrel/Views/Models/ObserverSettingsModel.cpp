#include "ObserverSettingsModel.h"

#include "Quentrel/Services/LoginItemService.h"
#include "Quentrel/Stores/ObserverStore.h"
#include "Wendmark/ObservationTarget.h"

namespace quentrel {

std::string versionCaption(const ProductIdentity& product) {
    return product.displayName + " · " + product.version + " (" + product.build + ")";
}

ObserverSettingsModel makeObserverSettingsModel(const ObserverStore& store, const LoginItemService& loginItem,
                                                const ProductIdentity& product) {
    ObserverSettingsModel m;
    m.launchOn = store.showStatusOnLaunch();
    m.loginOn = loginItem.enabled();
    m.loginToggleEnabled = !loginItem.isBusy();
    m.loginStatus = loginItem.statusText();
    m.showsApprovalButton = loginItem.requiresApproval();
    m.loginError = loginItem.error();
    m.backgroundOn = store.backgroundPolling();
    if (const auto& target = store.rememberedTarget()) m.rememberedTargetName = target->displayName();
    m.versionCaption = versionCaption(product);
    return m;
}

}  // namespace quentrel
