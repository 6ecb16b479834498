#include "ConnectionNotificationSettingsModel.h"

#include "Quentrel/Services/ConnectionNotificationService.h"
#include "Quentrel/Stores/ObserverStore.h"
#include "Wendmark/ObservationTarget.h"

namespace quentrel {

ConnectionNotificationSettingsModel makeConnectionNotificationSettingsModel(
    const ConnectionNotificationSettingsInputs& in) {
    using Texts = ConnectionNotificationSettingsTexts;
    ConnectionNotificationSettingsModel m;
    m.toggleOn = in.enabled;
    m.toggleEnabled = !in.busy && (in.enabled || in.hasRememberedTarget);
    m.caption = std::string(in.hasRememberedTarget ? Texts::rules : Texts::rememberFirst);
    m.showsDeniedHint = in.permission == NoticePermission::denied;
    m.showsStatusRow = in.enabled;
    if (m.showsStatusRow) m.deliveryStatus = in.deliveryStatus;
    m.testEnabled = in.permission == NoticePermission::allowed;
    return m;
}

ConnectionNotificationSettingsModel makeConnectionNotificationSettingsModel(
    const ObserverStore& store, const ConnectionNotificationService& notifications) {
    return makeConnectionNotificationSettingsModel({store.rememberedTarget().has_value(), notifications.enabled(),
                                                    notifications.busy(), notifications.permission(),
                                                    notifications.deliveryStatus()});
}

}  // namespace quentrel
