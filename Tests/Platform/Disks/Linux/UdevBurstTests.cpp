// A real burst of udev messages, sent in a private network namespace so that nothing outside
// the test hears it. It needs the right to make namespaces (root); elsewhere it is skipped, and
// the monitor's and the session's tests cover the same rules through their seams.

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <linux/netlink.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "Doubles/CapturingLogSink.h"
#include "Platform/Disks/Linux/UdevDiskArbitration.h"
#include "Platform/Dispatch/ThreadSerialQueue.h"

using namespace platform;

namespace {

constexpr int skipped = 77;
constexpr int burstSize = 200'000;
constexpr std::uint32_t udevGroup = 2;  // the multicast group of messages udev has processed

// The child's verdicts.
enum Outcome { passed = 0, noSession = 2, deaf = 3, noOverflow = 4 };

// udev hashes the subsystem into each message, and its socket filter compares the hash.
std::uint32_t murmurHash2(std::string_view text) {
    constexpr std::uint32_t m = 0x5bd1e995;
    std::uint32_t h = static_cast<std::uint32_t>(text.size());
    const auto* data = reinterpret_cast<const unsigned char*>(text.data());
    std::size_t length = text.size();
    for (; length >= 4; data += 4, length -= 4) {
        std::uint32_t k;
        std::memcpy(&k, data, 4);
        k *= m;
        k ^= k >> 24;
        k *= m;
        h = h * m ^ k;
    }
    switch (length) {
        case 3: h ^= static_cast<std::uint32_t>(data[2]) << 16; [[fallthrough]];
        case 2: h ^= static_cast<std::uint32_t>(data[1]) << 8; [[fallthrough]];
        case 1: h = (h ^ data[0]) * m;
    }
    h ^= h >> 13;
    h *= m;
    return h ^ (h >> 15);
}

// One message as udev sends it: a header, then NUL-terminated KEY=VALUE properties.
std::string udevMessage(const std::string& action, const std::string& name, std::uint64_t sequence) {
    struct Header {
        char prefix[8] = "libudev";
        std::uint32_t magic = htonl(0xfeedcafe);
        std::uint32_t headerSize = sizeof(Header);
        std::uint32_t propertiesOffset = sizeof(Header);
        std::uint32_t propertiesLength = 0;
        std::uint32_t subsystemHash = htonl(murmurHash2("block"));
        std::uint32_t devtypeHash = htonl(murmurHash2("disk"));
        std::uint32_t tagBloomHigh = 0;
        std::uint32_t tagBloomLow = 0;
    } header;
    std::string properties;
    for (const std::string& property : std::vector<std::string>{"ACTION=" + action, "DEVPATH=/devices/virtual/block/" + name, "SUBSYSTEM=block", "DEVTYPE=disk",
                                                                "DEVNAME=/dev/" + name,
                                                                "SEQNUM=" + std::to_string(sequence)})
        properties += property + '\0';
    header.propertiesLength = static_cast<std::uint32_t>(properties.size());
    return std::string(reinterpret_cast<const char*>(&header), sizeof header) + properties;
}

struct Deliveries {
    std::mutex mutex;
    std::condition_variable changed;
    std::string wanted;
    bool seen = false;
    static void descriptionChanged(const Disk& disk, const std::vector<DescriptionKey>&, void* context) {
        auto self = static_cast<Deliveries*>(context);
        std::lock_guard lock(self->mutex);
        if (disk.bsdName() == self->wanted) self->seen = true;
        self->changed.notify_all();
    }
};

// A private network namespace, and a private /run whose udev control file makes libudev's
// monitor listen as on a system with a udev daemon.
bool isolate() {
    if (::unshare(CLONE_NEWNET | CLONE_NEWNS) != 0) return false;
    if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) return false;
    if (::mount("tmpfs", "/run", "tmpfs", 0, "mode=0755") != 0) return false;
    if (::mkdir("/run/udev", 0755) != 0) return false;
    int control = ::open("/run/udev/control", O_CREAT | O_WRONLY | O_CLOEXEC, 0600);
    if (control < 0) return false;
    ::close(control);
    return true;
}

int burstInChild() {
    ::alarm(120);  // a child that hangs ends itself
    if (!isolate()) return skipped;
    int sender = ::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_KOBJECT_UEVENT);
    sockaddr_nl own{};
    own.nl_family = AF_NETLINK;
    if (sender < 0 || ::bind(sender, reinterpret_cast<sockaddr*>(&own), sizeof own) != 0) return skipped;

    auto environment = LinuxDiskEnvironment::system();
    auto sink = std::make_shared<CapturingLogSink>();
    environment.logSink = sink;
    auto arbitration = UdevDiskArbitration::make(environment);
    auto session = arbitration->openSession();
    if (!session) return noSession;

    Deliveries deliveries;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/sys/class/block", error))
        if (session->diskFromBSDName(entry.path().filename().string())) {
            deliveries.wanted = entry.path().filename().string();
            break;
        }
    if (deliveries.wanted.empty()) return skipped;  // no block device to report on
    auto queue = ThreadSerialQueue::make("burst");
    session->registerDiskDescriptionChanged(&Deliveries::descriptionChanged, &deliveries);
    session->setDispatchQueue(queue);

    sockaddr_nl group{};
    group.nl_family = AF_NETLINK;
    group.nl_groups = udevGroup;
    auto send = [&](const std::string& message) {
        return ::sendto(sender, message.data(), message.size(), 0, reinterpret_cast<sockaddr*>(&group), sizeof group);
    };
    // Devices that do not exist: they cost the session little, so the burst is the socket's alone.
    std::uint64_t sequence = 1;
    for (int i = 0; i < burstSize; ++i) send(udevMessage("add", "burst" + std::to_string(i % 64), sequence++));

    // Then a change of a real disk, again until it is heard: the monitor may still be reading
    // what the burst left in its buffer.
    bool heard = false;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!heard && std::chrono::steady_clock::now() < deadline) {
        send(udevMessage("change", deliveries.wanted, sequence++));
        std::unique_lock lock(deliveries.mutex);
        heard = deliveries.changed.wait_for(lock, std::chrono::milliseconds(50), [&] { return deliveries.seen; });
    }
    session->setDispatchQueue(nullptr);
    session.reset();
    if (!heard) return deaf;
    for (const auto& message : sink->messages())
        if (message.find("dropped") != std::string::npos) return passed;
    return noOverflow;
}

}  // namespace

TEST(UdevBurst, theSessionStillHearsPlugsAfterItsBufferOverflowed) {
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) ::_exit(burstInChild());
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "the child ended by signal " << WTERMSIG(status);
    int outcome = WEXITSTATUS(status);
    if (outcome == skipped) GTEST_SKIP() << "no private network namespace can be made here";
    EXPECT_NE(outcome, noSession) << "no disk session";
    EXPECT_NE(outcome, deaf) << "no event reached the session after the burst";
    EXPECT_NE(outcome, noOverflow) << "the burst did not overflow the receive buffer";
    EXPECT_EQ(outcome, passed);
}
