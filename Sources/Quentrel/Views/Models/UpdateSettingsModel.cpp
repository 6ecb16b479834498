#include "UpdateSettingsModel.h"

namespace quentrel {

UpdateSettingsInputs UpdateSettingsInputs::of(const UpdateService& updates) {
    return {updates.isConfigured(), updates.state(), updates.automaticallyChecksForUpdates(),
            updates.canCheckForUpdates(), updates.lastCheckDate()};
}

UpdateSettingsModel makeUpdateSettingsModel(const UpdateSettingsInputs& in, const LocalizedFormats& formats) {
    UpdateSettingsModel m;
    if (!in.isConfigured) return m;
    if (in.state == UpdateService::State::failed) {
        m.content = UpdateSettingsModel::Content::failure;
        return m;
    }
    m.content = UpdateSettingsModel::Content::controls;
    m.toggleOn = in.automaticallyChecksForUpdates;
    m.toggleEnabled = in.state == UpdateService::State::ready;
    m.checkEnabled = in.canCheckForUpdates;
    if (in.lastCheckDate && formats.abbreviatedDateShortTime)
        m.lastCheck = formats.abbreviatedDateShortTime(*in.lastCheckDate);
    return m;
}

}  // namespace quentrel
