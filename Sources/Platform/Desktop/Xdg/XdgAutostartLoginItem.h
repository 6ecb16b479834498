#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Platform/Desktop/LoginItemRegistry.h"
#include "Platform/Foundation/FileLocations.h"
#include "Platform/Log/Logger.h"

namespace platform {

// The login item as an XDG autostart entry, `$XDG_CONFIG_HOME/autostart/<bundle id>.desktop`, whose
// Exec line starts this executable with the launch-event marker of a login-item launch, so the
// program can tell a login start from a manual one, and whose TryExec names the executable, so
// the desktop skips the entry once the program is gone. Only the Exec line is read back: entries
// written without TryExec count the same.
//
// Status: no entry → notRegistered; an entry disabled by the desktop (Hidden=true or
// X-GNOME-Autostart-enabled=false) → requiresApproval; this executable's path unresolvable, or the
// entry naming a program that no longer exists → notFound; an enabled entry naming this executable
// → enabled; anything else (an entry that cannot be read, or that starts another program) →
// unknownStatus.
class XdgAutostartLoginItem final : public LoginItemRegistry {
public:
    static constexpr std::int64_t unknownStatus = -1;
    // Larger files are not entries of ours.
    static constexpr std::size_t maximumEntrySize = 64 * 1024;

    struct Seams {
        // This program's executable; absent when it cannot be resolved.
        std::function<std::optional<std::filesystem::path>()> executablePath;
        // Where XDG_CONFIG_HOME and HOME are read.
        EnvironmentLookup environment;
        // Starts a program from an argument list without waiting (startDetachedProcess); absent on
        // success, else why it failed.
        std::function<std::optional<std::string>(const std::vector<std::string>& arguments)> startProcess;

        // /proc/self/exe, the process environment and posix_spawn.
        static Seams system();
    };

    XdgAutostartLoginItem(std::string bundleIdentifier, Seams seams, Logger logger);

    // The registry of the running program: its bundle identifier and the system seams.
    static std::shared_ptr<XdgAutostartLoginItem> forMainBundle();

    std::int64_t status() override;
    std::optional<std::string> registerMainApp() override;
    std::optional<std::string> unregisterMainApp() override;
    // Opens the autostart folder (created when missing) with xdg-open.
    void openLoginItemsSettings() override;

    // Where the entry lives; absent without a configuration folder or with an identifier that is
    // not a plain file name.
    std::optional<std::filesystem::path> entryPath() const;
    // The bytes written for an executable at `executable`.
    static std::string entryContents(const std::filesystem::path& executable);

private:
    std::optional<std::filesystem::path> autostartFolder() const;
    std::optional<std::filesystem::path> resolvedExecutable() const;

    std::string bundleIdentifier_;
    Seams seams_;
    Logger logger_;
};

}  // namespace platform
