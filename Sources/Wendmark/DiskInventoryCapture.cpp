#include "DiskInventory.h"

#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include <climits>
#include <cmath>
#include <unordered_map>
#include <vector>

#include "Platform/Foundation/ICUIteration.h"
#include "RegistryLinkBandwidth.h"

// The capture of devices: what the disk service and the device tree say about one disk, its
// topology up to its storage driver, its byte counters, and the check of a mounted volume.

namespace wendmark {

using platform::DescriptionKey;
using platform::Registry;
using platform::RegistryObject;
using platform::Value;

namespace {

constexpr double twoToThe64 = 18446744073709551616.0;
constexpr std::size_t maximumTopologyNodes = 128;
constexpr std::size_t maximumWaitingEntries = 256;
constexpr std::size_t maximumParents = 128;
constexpr int maximumTopologyDepth = 32;
constexpr int maximumCharacteristicsEntries = 24;
constexpr const char* efiPartitionType = "C12A7328-F81F-11D2-BA4B-00A0C93EC93B";

// Without white space and line breaks (the Unicode White_Space characters) at either end.
std::string trimmed(std::string_view text) {
    if (text.size() > INT32_MAX) return std::string(text);
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
    const auto length = static_cast<std::int32_t>(text.size());
    std::int32_t start = 0;
    while (start < length) {
        std::int32_t next = start;
        UChar32 c;
        U8_NEXT(bytes, next, length, c);
        if (c < 0 || !u_isUWhiteSpace(c)) break;
        start = next;
    }
    std::int32_t end = length;
    while (end > start) {
        std::int32_t previous = end;
        const UChar32 c = platform::previousUTF8CodePoint(bytes, start, previous);
        if (c < 0 || !u_isUWhiteSpace(c)) break;
        end = previous;
    }
    return std::string(text.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(end - start)));
}

std::string asciiUppercased(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return text;
}

std::optional<std::string> string(const Value* value) {
    if (!value || !value->stringValue()) return std::nullopt;
    return *value->stringValue();
}

// A number's Boolean value; false when missing or not a number.
bool flag(const Value* value) { return value && value->isNumberLike() && value->boolValue() == true; }

// A byte count: a finite whole number in [0, 2^64), else nothing.
std::optional<std::uint64_t> wholeCount(const Value* value) {
    if (!value || !value->isNumberLike()) return std::nullopt;
    if (value->kind() == Value::Kind::real) {
        double d = *value->doubleValue();
        if (!std::isfinite(d) || d < 0 || d >= twoToThe64 || d != std::trunc(d)) return std::nullopt;
    }
    return value->uint64Value();  // integers exactly; negative ones give nothing
}

}  // namespace

// Capture

std::optional<MediaRecord> DiskInventory::capture(Registry& registry, const platform::Disk& disk,
                                                  const std::string& bsd) {
    std::optional<platform::DiskDescription> description = disk.copyDescription();
    if (!description) return std::nullopt;

    // External only when the device says so: a number whose Boolean value is false.
    const Value* internal = description->value(DescriptionKey::deviceInternal);
    if (!internal || !internal->isNumberLike() || internal->boolValue() != false) return std::nullopt;

    std::optional<RegistryObject> media = disk.copyIOMedia();
    if (!media) return std::nullopt;
    std::optional<std::uint64_t> registryID = registry.entryID(*media);
    if (!registryID) return std::nullopt;

    const StorageTopology topology = resolveTopology(registry, *media, *registryID);
    const bool verified = topology.status == StorageTopology::Status::verified;
    const bool isWhole = flag(description->value(DescriptionKey::mediaWhole));
    const Characteristics characteristics = findCharacteristics(registry, *media);

    std::optional<std::string> model = string(description->value(DescriptionKey::deviceModel));
    if (model) model = trimmed(*model);
    std::optional<std::string> transport = string(description->value(DescriptionKey::deviceProtocol));
    std::optional<std::uint64_t> size = wholeCount(description->value(DescriptionKey::mediaSize));
    std::optional<std::string> volumeName = string(description->value(DescriptionKey::volumeName));
    std::optional<std::string> volumeKind = string(description->value(DescriptionKey::volumeKind));
    std::optional<std::string> mountPath;
    if (const Value* path = description->value(DescriptionKey::volumePath); path && path->urlPath())
        mountPath = *path->urlPath();
    std::optional<std::string> volumeUUID;
    if (const Value* uuid = description->value(DescriptionKey::volumeUUID)) volumeUUID = uuid->uuidString();
    std::optional<std::string> content = string(description->value(DescriptionKey::mediaContent));

    const bool efi = content && (*content == "EFI" || asciiUppercased(*content) == efiPartitionType);

    std::optional<VolumeSnapshot> volume;
    if (volumeName && volumeKind && !efi) {
        const bool mounted = mountPath.has_value();
        volume = VolumeSnapshot{bsd, *volumeName, *volumeKind, mounted, mountPath, volumeUUID, size};
    }

    std::string recordModel;
    if (model && !model->empty())
        recordModel = *model;
    else if (characteristics.model)
        recordModel = *characteristics.model;  // as it is, also when empty
    else
        recordModel = fallbackModel;

    std::optional<std::uint64_t> driverID = verified ? topology.driverID : std::nullopt;
    std::optional<LinkBandwidth> link;
    if (driverID) link = RegistryLinkBandwidth::read(registry, *driverID);

    return MediaRecord{bsd,
                       *registryID,
                       driverID,
                       verified ? topology.physicalMediaID : std::nullopt,
                       isWhole,
                       std::move(recordModel),
                       std::move(transport),
                       characteristics.solidState,
                       size,
                       std::move(volume),
                       link};
}

DiskInventory::Characteristics DiskInventory::findCharacteristics(Registry& registry, const RegistryObject& entry) {
    std::optional<RegistryObject> current = entry;
    for (int examined = 1; current; ++examined) {
        std::optional<Value> value = registry.property(*current, "Device Characteristics");
        if (const platform::Dictionary* dictionary = value ? value->dictionaryValue() : nullptr) {
            Characteristics found;
            if (auto name = dictionary->find("Product Name");
                name != dictionary->end() && name->second.stringValue())
                found.model = trimmed(*name->second.stringValue());
            if (auto medium = dictionary->find("Medium Type");
                medium != dictionary->end() && medium->second.stringValue()) {
                const std::string& type = *medium->second.stringValue();
                if (type == "Solid State")
                    found.solidState = true;
                else if (type == "Rotational")
                    found.solidState = false;
            }
            return found;
        }
        if (examined == maximumCharacteristicsEntries) break;
        current = registry.parentEntry(*current, platform::servicePlane);
    }
    return {};
}

StorageTopology DiskInventory::resolveTopology(Registry& registry, const RegistryObject& media, std::uint64_t id) {
    struct Waiting {
        RegistryObject entry;
        int depth;
    };
    std::unordered_map<std::uint64_t, StorageTopology::Node> nodes;
    std::vector<Waiting> work;
    work.push_back({media, 0});

    while (!work.empty()) {
        // Depth first; the handle is released when `item` goes out of scope.
        Waiting item = std::move(work.back());
        work.pop_back();
        std::optional<std::uint64_t> itemID = registry.entryID(item.entry);
        if (!itemID || nodes.contains(*itemID) || nodes.size() >= maximumTopologyNodes ||
            item.depth >= maximumTopologyDepth)
            continue;

        StorageTopology::Node node;
        node.id = *itemID;
        node.isStorageDriver = registry.conformsTo(item.entry, "IOBlockStorageDriver");
        const bool isMedia = registry.conformsTo(item.entry, "IOMedia");
        std::optional<Value> whole = isMedia ? registry.property(item.entry, "Whole") : std::nullopt;
        const bool isWholeMedia = whole && flag(&*whole);
        const std::string className = registry.className(item.entry).value_or("");
        node.isComposite = className.find("RAID") != std::string::npos || className.starts_with("CoreStorage");

        if (node.isStorageDriver) {
            // The walk never goes above a driver.
            node.parentsComplete = true;
        } else {
            node.isWholeMedia = isWholeMedia;
            std::optional<platform::ParentIterator> parents =
                registry.parentIterator(item.entry, platform::servicePlane);
            if (!parents) {
                node.parentsComplete = false;
            } else {
                bool incomplete = false;
                while (std::optional<RegistryObject> parent = parents->next()) {
                    std::optional<std::uint64_t> parentID = registry.entryID(*parent);
                    if (parentID && work.size() < maximumWaitingEntries) {
                        node.parents.push_back(*parentID);
                        work.push_back({std::move(*parent), item.depth + 1});
                    } else {
                        incomplete = true;
                    }
                    if (node.parents.size() > maximumParents) {
                        incomplete = true;
                        break;
                    }
                }
                node.parentsComplete = !incomplete && parents->isValid();
            }
        }
        nodes.emplace(node.id, std::move(node));
    }

    return StorageTopology::resolve(id, [&nodes](std::uint64_t wanted) -> std::optional<StorageTopology::Node> {
        auto it = nodes.find(wanted);
        if (it == nodes.end()) return std::nullopt;
        return it->second;
    });
}

// Counters

std::pair<std::optional<IOCounters>, StatisticsAccess> DiskInventory::readCounters(
    Registry& registry, std::optional<std::uint64_t> driverID, platform::Date at) {
    auto outcome = [at](StatisticsOutcome kind, std::string detail) {
        return std::pair<std::optional<IOCounters>, StatisticsAccess>{std::nullopt,
                                                                      StatisticsAccess{kind, std::move(detail), at}};
    };
    if (!driverID)
        return outcome(StatisticsOutcome::notExposed,
                       "대응하는 블록 드라이버를 찾지 못했습니다. 하드웨어 미지원 판정은 아닙니다.");

    constexpr const char* missing = "현재 연결의 드라이버 객체가 없습니다.";
    std::optional<RegistryObject> service = registry.matchingEntryID(*driverID);
    if (!service) return outcome(StatisticsOutcome::deviceMissing, missing);

    const platform::PropertiesResult result = registry.allProperties(*service);
    // The driver went away between the lookup and the read (a disk being unplugged): it is
    // missing, not a registry fault.
    if (result.code == platform::ReturnCode::noDevice) return outcome(StatisticsOutcome::deviceMissing, missing);
    if (result.code == platform::ReturnCode::notPrivileged || result.code == platform::ReturnCode::notPermitted)
        return outcome(StatisticsOutcome::accessDenied, "IORegistry 접근이 거부되었습니다.");
    if (result.code != platform::ReturnCode::success)
        return outcome(StatisticsOutcome::failed, "IORegistry 조회 오류: " + std::to_string(result.code));

    const Value* statistics = nullptr;
    if (result.properties) {
        auto it = result.properties->find("Statistics");
        if (it != result.properties->end() && it->second.dictionaryValue()) statistics = &it->second;
    }
    const Value* read = statistics ? statistics->find("Bytes (Read)") : nullptr;
    const Value* written = statistics ? statistics->find("Bytes (Write)") : nullptr;
    if (!read || !written || !read->isNumberLike() || !written->isNumberLike())
        return outcome(StatisticsOutcome::notExposed, "현재 드라이버에 읽기·쓰기 바이트 통계가 노출되지 않습니다.");

    constexpr const char* unusable = "음수 통계가 반환되어 표본을 사용하지 않습니다.";
    if (!(*read->doubleValue() >= 0) || !(*written->doubleValue() >= 0))
        return outcome(StatisticsOutcome::failed, unusable);
    // Infinite or beyond 2^64 cannot be a counter either; such a value is refused like NaN.
    std::optional<std::uint64_t> bytesRead = read->uint64Value();
    std::optional<std::uint64_t> bytesWritten = written->uint64Value();
    if (!bytesRead || !bytesWritten) return outcome(StatisticsOutcome::failed, unusable);

    return {IOCounters{*bytesRead, *bytesWritten},
            StatisticsAccess{StatisticsOutcome::available, "현재 연결의 드라이버 누적 통계를 읽었습니다.", at}};
}

// Volume check

bool DiskInventory::matchesMountedVolume(const VolumeSnapshot& volume, const std::string& deviceID) {
    std::shared_ptr<platform::DiskArbitration> arbitration = platform::DiskArbitration::shared();
    return arbitration && matchesMountedVolume(volume, deviceID, *arbitration);
}

bool DiskInventory::matchesMountedVolume(const VolumeSnapshot& volume, const std::string& deviceID,
                                         platform::DiskArbitration& arbitration) {
    if (!volume.mountPath || !volume.volumeUUID) return false;
    // A session of its own, with no callbacks and no queue.
    platform::DiskSessionPtr session = arbitration.createSession();
    if (!session) return false;
    const std::unique_ptr<platform::ReadBatch> batch = arbitration.beginReadBatch();
    platform::DiskPtr disk = session->diskFromVolumePath(*volume.mountPath);
    if (!disk || disk->bsdName() != volume.bsdName) return false;
    std::shared_ptr<Registry> registry = arbitration.registry();
    if (!registry) return false;
    std::optional<MediaRecord> record = capture(*registry, *disk, volume.bsdName);
    if (!record || record->groupID() != deviceID || !record->volume) return false;
    return record->volume->volumeUUID == volume.volumeUUID && record->volume->mountPath == volume.mountPath;
}

}  // namespace wendmark
