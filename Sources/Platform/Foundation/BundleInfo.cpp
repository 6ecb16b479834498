#include "BundleInfo.h"

#include <mutex>
#include <string_view>
#include <utility>

#include "BoundedRead.h"
#include "PropertyList.h"

namespace platform {

const PropertyValue* BundleInfo::object(std::string_view key) const {
    auto found = infoDictionary.find(key);
    return found != infoDictionary.end() ? &found->second : nullptr;
}

BundleInfo BundleInfo::load(const std::filesystem::path& bundlePath) {
    BundleInfo bundle;
    bundle.bundlePath = bundlePath;
    BoundedRead contents = readBounded(bundlePath / "Contents" / "Info.plist", maximumInfoSize);
    if (contents.status != BoundedReadStatus::read) return bundle;
    std::optional<PropertyValue> root = PropertyList::parse(contents.bytes);
    if (!root || !root->is<PropertyDictionary>()) return bundle;
    bundle.infoDictionary = std::move(*root->get<PropertyDictionary>());
    if (const PropertyValue* identifier = bundle.object("CFBundleIdentifier")) {
        if (const auto* text = identifier->get<std::string>(); text != nullptr && !text->empty()) {
            bundle.bundleIdentifier = *text;
        }
    }
    return bundle;
}

std::optional<std::filesystem::path> BundleInfo::bundlePathForExecutable(const std::filesystem::path& executable) {
    std::filesystem::path macOS = executable.parent_path();
    std::filesystem::path contents = macOS.parent_path();
    std::filesystem::path bundle = contents.parent_path();
    if (!executable.has_filename() || macOS.filename() != "MacOS" || contents.filename() != "Contents" ||
        bundle.extension() != ".app" || bundle.stem().empty()) {
        return std::nullopt;
    }
    return bundle;
}

BundleInfo BundleInfo::forExecutable(const std::filesystem::path& executable) {
    if (std::optional<std::filesystem::path> bundle = bundlePathForExecutable(executable)) return load(*bundle);
    return BundleInfo{};
}

std::optional<std::filesystem::path> programAtExecutableLink(const std::filesystem::path& link) {
    constexpr std::string_view deletedMark = " (deleted)";
    const std::string& text = link.native();
    std::error_code error;
    if (!text.ends_with(deletedMark) || std::filesystem::symlink_status(link, error).type() !=
                                            std::filesystem::file_type::not_found)
        return link;
    const std::filesystem::path installed(text.substr(0, text.size() - deletedMark.size()));
    if (!std::filesystem::is_regular_file(installed, error)) return std::nullopt;
    return installed;
}

std::optional<std::filesystem::path> currentExecutablePath() {
    std::error_code error;
    std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error || executable.empty()) return std::nullopt;
    return programAtExecutableLink(executable);
}

namespace {

std::mutex providerMutex;
BundleInfoProvider installedProvider;

std::shared_ptr<const BundleInfo> programBundle() {
    static const std::shared_ptr<const BundleInfo> bundle = [] {
        std::optional<std::filesystem::path> executable = currentExecutablePath();
        return std::make_shared<const BundleInfo>(executable ? BundleInfo::forExecutable(*executable) : BundleInfo{});
    }();
    return bundle;
}

}  // namespace

std::shared_ptr<const BundleInfo> mainBundle() {
    BundleInfoProvider provider;
    {
        std::lock_guard lock(providerMutex);
        provider = installedProvider;
    }
    if (provider) {
        if (std::shared_ptr<const BundleInfo> bundle = provider()) return bundle;
        return std::make_shared<const BundleInfo>();
    }
    return programBundle();
}

void setMainBundleProvider(BundleInfoProvider provider) {
    std::lock_guard lock(providerMutex);
    installedProvider = std::move(provider);
}

ScopedMainBundle::ScopedMainBundle(BundleInfo bundle) {
    auto shared = std::make_shared<const BundleInfo>(std::move(bundle));
    setMainBundleProvider([shared] { return shared; });
}

ScopedMainBundle::~ScopedMainBundle() { setMainBundleProvider(nullptr); }

}  // namespace platform
