#pragma once

#include "Platform/Foundation/PropertyValue.h"

namespace testsupport {

// Bundle information that passes the update configuration's check: the stable channel, and a
// public key of the bytes 0 to 31.
inline platform::PropertyDictionary validUpdateInfo() {
    return {
        {"KavrinetUpdatesConfigured", true},
        {"SUEnableAutomaticChecks", false},
        {"SUAutomaticallyUpdate", false},
        {"SUAllowsAutomaticUpdates", false},
        {"SUEnableSystemProfiling", false},
        {"SUVerifyUpdateBeforeExtraction", true},
        {"SURequireSignedFeed", true},
        {"SUSignedFeedFailureExpirationInterval", 0},
        {"KavrinetUpdateChannel", "stable"},
        {"SUFeedURL", "https://updates.example.com/appcast.xml"},
        {"SUPublicEDKey", "AAECAwQFBgcICQoLDA0ODxAREhMUFRYXGBkaGxwdHh8="},
    };
}

}  // namespace testsupport
