#include <gtest/gtest.h>

#include "Platform/Disks/Linux/MountInfo.h"
#include "Platform/Disks/Linux/SysfsText.h"
#include "Platform/Disks/Value.h"

using namespace platform;

TEST(SysfsText, blockStatGivesSectorsTimes512OrNothing) {
    // 17 fields as newer kernels print them, with padding.
    auto bytes = sysfs::parseBlockStat(
        "   66994    26379  3022450    15941    13932    14918   883488     6805        0    12440    23484     5130"
        "       50   199160      678     1377       59\n");
    ASSERT_TRUE(bytes);
    EXPECT_EQ(bytes->bytesRead, 3022450ull * 512);
    EXPECT_EQ(bytes->bytesWritten, 883488ull * 512);
    EXPECT_TRUE(sysfs::parseBlockStat("1 2 3 4 5 6 7"));                 // the least a kernel prints
    EXPECT_FALSE(sysfs::parseBlockStat("1 2 3 4 5 6"));                  // too few fields
    EXPECT_FALSE(sysfs::parseBlockStat(""));
    EXPECT_FALSE(sysfs::parseBlockStat("1 2 x 4 5 6 7"));
    EXPECT_FALSE(sysfs::parseBlockStat("1 2 -3 4 5 6 7"));
    EXPECT_FALSE(sysfs::parseBlockStat("1 2 99999999999999999999 4 5 6 7"));  // beyond 64 bits
    EXPECT_FALSE(sysfs::parseBlockStat("1 2 36028797018963968 4 5 6 7"));     // 2^55 sectors overflow as bytes
    EXPECT_EQ(sysfs::parseBlockStat("1 2 36028797018963967 4 5 6 0")->bytesRead, 36028797018963967ull * 512);
}

TEST(SysfsText, speedsAndNumbers) {
    EXPECT_EQ(sysfs::usbSpeedCode("1.5\n"), 2);
    EXPECT_EQ(sysfs::usbSpeedCode("12"), 1);
    EXPECT_EQ(sysfs::usbSpeedCode("480"), 3);
    EXPECT_EQ(sysfs::usbSpeedCode("5000"), 4);
    EXPECT_EQ(sysfs::usbSpeedCode("10000"), 5);
    EXPECT_EQ(sysfs::usbSpeedCode("20000"), 6);
    EXPECT_EQ(sysfs::usbSpeedCode("unknown"), std::nullopt);
    EXPECT_EQ(sysfs::usbSpeedCode("4800"), std::nullopt);
    EXPECT_EQ(sysfs::thunderboltSpeedCode("20.0 Gb/s\n"), 4);
    EXPECT_EQ(sysfs::thunderboltSpeedCode("10 Gb/s"), 8);
    EXPECT_EQ(sysfs::thunderboltSpeedCode("40.0 Gb/s"), std::nullopt);
    EXPECT_EQ(sysfs::thunderboltSpeedCode("20.0"), std::nullopt);
    EXPECT_EQ(sysfs::thunderboltSpeedCode(" Gb/s"), std::nullopt);
    EXPECT_EQ(sysfs::parseUnsigned(" 18446744073709551615\n"), UINT64_MAX);
    EXPECT_EQ(sysfs::parseUnsigned("18446744073709551616"), std::nullopt);
    EXPECT_EQ(sysfs::parseUnsigned("1 2"), std::nullopt);
}

TEST(SysfsText, udevEscapesAndVolumeIdentities) {
    EXPECT_EQ(sysfs::unescapeUdev("My\\x20Passport\\x2f2"), "My Passport/2");
    EXPECT_EQ(sysfs::unescapeUdev("odd\\x2"), "odd\\x2");
    EXPECT_EQ(sysfs::unescapeUdev("\\xzz"), "\\xzz");
    auto uuid = sysfs::volumeUUIDBytes("3f2a9c4e-1b7d-4e8a-9c2f-5d6e7f8a9b0c");
    ASSERT_TRUE(uuid);
    EXPECT_EQ(Value::uuidText(*uuid), "3F2A9C4E-1B7D-4E8A-9C2F-5D6E7F8A9B0C");
    EXPECT_EQ(Value::uuidText(*sysfs::volumeUUIDBytes("5E2C-91A0")), "00000000-0000-0000-0000-00005E2C91A0");
    EXPECT_EQ(Value::uuidText(*sysfs::volumeUUIDBytes("1A2B3C4D5E6F7081")), "00000000-0000-0000-1A2B-3C4D5E6F7081");
    EXPECT_FALSE(sysfs::volumeUUIDBytes("not-a-uuid"));
    EXPECT_FALSE(sysfs::volumeUUIDBytes(""));
    EXPECT_FALSE(sysfs::volumeUUIDBytes("3f2a9c4e-1b7d-4e8a-9c2f-5d6e7f8a9b0c00"));  // 34 digits
    auto uevent = sysfs::parseUevent("MAJOR=8\nDEVTYPE=disk\nbroken\n=x\nDEVNAME=sdb");
    EXPECT_EQ(uevent.size(), 3u);
    EXPECT_EQ(uevent["DEVNAME"], "sdb");
}

TEST(MountInfo, linesParseWithEscapesAndBadLinesAreSkipped) {
    auto entries = parseMountInfo(
        "36 35 98:0 /mnt1 /mnt2 rw,noatime master:1 - ext3 /dev/root rw,errors=continue\n"
        "92 27 8:18 / /media/user/My\\040Passport rw shared:52 propagate_from:3 - exfat /dev/sdb2 rw\n"
        "93 27 8:33 / /media/a\\011b\\012c\\134d rw - vfat /dev/sdc1 rw\n"
        "garbage line\n"
        "94 27 8:34 / /no/separator rw shared:1 vfat /dev/sdc2 rw\n"
        "95 27 x:1 / /bad/device rw - vfat /dev/sdc3 rw\n"
        "96 27 8:35 / /media/\\04 rw - vfat /dev/sdc4 rw");
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[0].major, 98u);
    EXPECT_EQ(entries[0].root, "/mnt1");
    EXPECT_EQ(entries[0].mountPoint, "/mnt2");
    EXPECT_EQ(entries[0].fileSystemType, "ext3");
    EXPECT_EQ(entries[1].mountPoint, "/media/user/My Passport");
    EXPECT_EQ(entries[1].source, "/dev/sdb2");
    EXPECT_EQ(entries[2].mountPoint, "/media/a\tb\nc\\d");
    EXPECT_EQ(entries[3].mountPoint, "/media/\\04");  // not three octal digits: kept as it is
    EXPECT_EQ(unescapeMountField("\\400"), "\\400");  // above 255

    // A bind mount of a subfolder does not hide where the file system's root is mounted.
    auto mounts = parseMountInfo(
        "91 27 8:18 /backup /srv/bind rw - exfat /dev/sdb2 rw\n"
        "92 27 8:18 / /media/x rw - exfat /dev/sdb2 rw\n"
        "93 27 8:19 /sub /only/bind rw - exfat /dev/sdb3 rw\n");
    EXPECT_EQ(mountPointOf(mounts, 8, 18), "/media/x");
    EXPECT_EQ(mountPointOf(mounts, 8, 19), "/only/bind");
    EXPECT_EQ(mountPointOf(mounts, 8, 20), std::nullopt);
}

TEST(MountInfo, anonymousDevicesTakeTheNumberOfTheirSourceNodeUnderDev) {
    auto entries = parseMountInfo(
        "1 0 0:45 / /media/b rw - btrfs /dev/sdc1 rw\n"
        "2 0 0:22 / /proc rw - proc proc rw\n"
        "3 0 0:46 / /srv rw - btrfs /srv/image rw\n"
        "4 0 0:47 / /mnt/gone rw - btrfs /dev/sdz9 rw\n"
        "5 0 8:18 / /media/x rw - exfat /dev/sdb2 rw\n");
    std::vector<std::string> asked;
    resolveAnonymousDevices(entries, [&](const std::string& path) -> std::optional<std::pair<unsigned, unsigned>> {
        asked.push_back(path);
        if (path == "/dev/sdc1") return std::pair{8u, 33u};
        return std::nullopt;
    });
    EXPECT_EQ(asked, (std::vector<std::string>{"/dev/sdc1", "/dev/sdz9"}));  // only major 0, only /dev
    std::vector<std::pair<unsigned, unsigned>> numbers;
    for (const auto& entry : entries) numbers.emplace_back(entry.major, entry.minor);
    EXPECT_EQ(numbers, (std::vector<std::pair<unsigned, unsigned>>{{8, 33}, {0, 22}, {0, 46}, {0, 47}, {8, 18}}));
}
