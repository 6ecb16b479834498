#include "XdgAutostartLoginItem.h"

#include <unistd.h>

#include <cerrno>
#include <system_error>

#include "DesktopEntry.h"
#include "Platform/Desktop/DesktopLogging.h"
#include "DetachedProcess.h"
#include "Platform/Foundation/AtomicFile.h"
#include "Platform/Foundation/BoundedRead.h"
#include "Platform/Foundation/BundleInfo.h"
#include "Platform/Foundation/FileManager.h"
#include "Platform/Foundation/LaunchEvent.h"
#include "Platform/Foundation/SystemErrorText.h"

namespace platform {

namespace {

constexpr const char* kAutostartFolder = "autostart";
constexpr const char* kEntryExtension = ".desktop";
constexpr const char* kEntryName = "Kavrinet";
// The launch-event marker of a launch as a login item: event "aevt"/"oapp", launched as "lgit".
constexpr const char* kLoginLaunchEvent = "aevt/oapp/lgit";
constexpr const char* kOpener = "xdg-open";

constexpr const char* kHiddenKey = "Hidden";
constexpr const char* kGnomeEnabledKey = "X-GNOME-Autostart-enabled";

// The descriptions of failures, which the settings and welcome windows show: our words for what
// failed, then the C library's message for why, both in the user's language.
constexpr const char* kNoConfigFolder = "설정 폴더를 찾지 못했습니다: XDG_CONFIG_HOME과 HOME이 절대 경로가 아닙니다";
constexpr const char* kBadIdentifier = "앱 식별자를 파일 이름으로 쓸 수 없습니다";
constexpr const char* kNoExecutable = "이 프로그램의 경로를 확인하지 못했습니다";
constexpr const char* kNotRegistered = "로그인 항목을 등록하지 못했습니다: ";
constexpr const char* kNotRemoved = "로그인 항목을 해제하지 못했습니다: ";
// The log's English.
constexpr const char* kNoConfigFolderLog = "No configuration folder: neither XDG_CONFIG_HOME nor HOME is an absolute path";

std::string systemText(int error) {
    return std::error_code(error, std::generic_category()).message();
}

// An identifier that names exactly one file in the autostart folder.
bool isPlainFileName(const std::string& name) {
    return !name.empty() && name.front() != '.' && name.find('/') == std::string::npos &&
           name.find('\0') == std::string::npos;
}

bool disabledByDesktop(const DesktopEntry& entry) {
    return entry.boolean(kHiddenKey) == true || entry.boolean(kGnomeEnabledKey) == false;
}

}  // namespace

XdgAutostartLoginItem::Seams XdgAutostartLoginItem::Seams::system() {
    return Seams{&currentExecutablePath, processEnvironment(),
                 [](const std::vector<std::string>& arguments) { return startDetachedProcess(arguments); }};
}

XdgAutostartLoginItem::XdgAutostartLoginItem(std::string bundleIdentifier, Seams seams, Logger logger)
    : bundleIdentifier_(std::move(bundleIdentifier)), seams_(std::move(seams)), logger_(std::move(logger)) {}

std::shared_ptr<XdgAutostartLoginItem> XdgAutostartLoginItem::forMainBundle() {
    return std::make_shared<XdgAutostartLoginItem>(mainBundle()->bundleIdentifier.value_or(""), Seams::system(),
                                                   desktopLogger("LoginItem"));
}

std::optional<std::filesystem::path> XdgAutostartLoginItem::autostartFolder() const {
    std::optional<std::filesystem::path> config = FileLocations(seams_.environment).configDirectory();
    if (!config) return std::nullopt;
    return *config / kAutostartFolder;
}

std::optional<std::filesystem::path> XdgAutostartLoginItem::entryPath() const {
    if (!isPlainFileName(bundleIdentifier_)) return std::nullopt;
    std::optional<std::filesystem::path> folder = autostartFolder();
    if (!folder) return std::nullopt;
    return *folder / (bundleIdentifier_ + kEntryExtension);
}

std::optional<std::filesystem::path> XdgAutostartLoginItem::resolvedExecutable() const {
    // A program replaced while it runs is the one now installed at its path (currentExecutablePath):
    // the entry names that path, and the next login starts what is installed there.
    std::optional<std::filesystem::path> path = seams_.executablePath ? seams_.executablePath() : std::nullopt;
    std::error_code error;
    if (!path || !path->is_absolute() || !std::filesystem::is_regular_file(*path, error)) return std::nullopt;
    return path;
}

// TryExec names the program, so that a desktop skips the entry once the program is removed.
std::string XdgAutostartLoginItem::entryContents(const std::filesystem::path& executable) {
    const std::string exec = std::string("env ") + launchEventVariable + "=" + kLoginLaunchEvent + " " +
                             quoteExecArgument(executable.string());
    return std::string("[Desktop Entry]\n") +
           "Type=Application\n"
           "Name=" +
           kEntryName +
           "\n"
           "TryExec=" +
           escapeDesktopString(executable.string()) +
           "\n"
           "Exec=" +
           escapeDesktopString(exec) +
           "\n"
           "Terminal=false\n"
           "NoDisplay=true\n";
}

std::int64_t XdgAutostartLoginItem::status() {
    std::optional<std::filesystem::path> path = entryPath();
    if (!path) return unknownStatus;
    BoundedRead read = readBounded(*path, maximumEntrySize);
    // A file where the autostart folder should be leaves no room for an entry either.
    if (read.status == BoundedReadStatus::missing ||
        (read.status == BoundedReadStatus::ioError && read.error == ENOTDIR))
        return notRegistered;
    if (read.status != BoundedReadStatus::read) return unknownStatus;

    std::optional<DesktopEntry> entry =
        parseDesktopEntry(std::string_view(reinterpret_cast<const char*>(read.bytes.data()), read.bytes.size()));
    if (!entry) return unknownStatus;
    // The desktop's own switch comes first: turning the item on again rewrites the whole entry.
    if (disabledByDesktop(*entry)) return requiresApproval;

    std::optional<std::filesystem::path> self = resolvedExecutable();
    if (!self) return notFound;
    std::optional<ExecCommand> command = execCommandOf(*entry);
    if (!command) return unknownStatus;
    const std::filesystem::path program(command->program);
    if (!program.is_absolute()) return unknownStatus;

    std::error_code error;
    const std::filesystem::file_status found = std::filesystem::status(program, error);
    if (found.type() == std::filesystem::file_type::not_found) return notFound;
    if (error) return unknownStatus;
    if (!std::filesystem::equivalent(program, *self, error) || error) return unknownStatus;
    return enabled;
}

std::optional<std::string> XdgAutostartLoginItem::registerMainApp() {
    if (!isPlainFileName(bundleIdentifier_)) return std::string(kBadIdentifier);
    std::optional<std::filesystem::path> path = entryPath();
    if (!path) return std::string(kNoConfigFolder);
    std::optional<std::filesystem::path> self = resolvedExecutable();
    if (!self) return std::string(kNoExecutable);
    try {
        AtomicFile::write(*path, entryContents(*self));
    } catch (const AtomicFileError& error) {
        logger_.error(std::string("Login item not written: ") + error.what());
        return kNotRegistered + localizedSystemMessage(error.code().value(), seams_.environment);
    }
    return std::nullopt;
}

std::optional<std::string> XdgAutostartLoginItem::unregisterMainApp() {
    if (!isPlainFileName(bundleIdentifier_)) return std::string(kBadIdentifier);
    std::optional<std::filesystem::path> path = entryPath();
    if (!path) return std::nullopt;  // without a configuration folder there is no entry either
    if (::unlink(path->c_str()) == 0) return std::nullopt;
    const int error = errno;
    if (error == ENOENT || error == ENOTDIR) return std::nullopt;
    logger_.error("Login item not removed: " + systemText(error));
    return kNotRemoved + localizedSystemMessage(error, seams_.environment);
}

void XdgAutostartLoginItem::openLoginItemsSettings() {
    std::optional<std::filesystem::path> folder = autostartFolder();
    if (!folder) {
        logger_.error(kNoConfigFolderLog);
        return;
    }
    if (std::error_code error = FileManager::createDirectories(*folder)) {
        logger_.error("Autostart folder not created: " + error.message());
        return;
    }
    std::optional<std::string> failure =
        seams_.startProcess ? seams_.startProcess({kOpener, folder->string()}) : std::nullopt;
    if (failure) logger_.error(std::string(kOpener) + " not started: " + *failure);
}

}  // namespace platform
