#pragma once

#include <memory>

#include "Doubles/SysfsFixture.h"

// A sysfs fixture tree of `drives` external drives, sdb, sdc, ...: each a USB 3 SSD on one host
// controller with four mounted exFAT partitions, described by udev as the real ones are.
std::unique_ptr<SysfsFixture> fixtureDrives(int drives);

// The block device name of drive `index` (0: sdb).
std::string fixtureDriveName(int index);
