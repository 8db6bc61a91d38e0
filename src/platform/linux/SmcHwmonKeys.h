#pragma once

#include "platform/Clock.h"
#include "platform/Roots.h"
#include "platform/linux/SmcKeyTable.h"

#include <vector>

namespace morvanex::platform {

// The keys of a stand-in controller for machines without one, built from the chips of
// /sys/class/hwmon and the RAPL counters of /sys/class/powercap. Each channel becomes a key whose
// first two characters give its honest name and group under the sensor monitor's naming table:
//
//   chip                                   key            named
//   coretemp "Package id N"                TCD0, TCD1…    CPU Die
//   coretemp "Core N", performance core    Tp00, Tp01…    CPU Performance Core
//   coretemp "Core N", efficiency core     Te00, Te01…    CPU Efficiency Core
//   k10temp, zenpower, cpu_thermal         TCD0…          CPU Die
//   amdgpu, radeon, nouveau, i915, xe      Tg00…          GPU
//   jc42, spd5118 (memory modules)         Tm00…          Memory
//   nvme (its composite), drivetemp        TH00…          SSD
//   iwlwifi, ath…_hwmon, mt7…, rtw…        TW00…          Wi-Fi
//   a power supply of type Battery         TB00…          Battery
//   pch_…                                  TP00…          Platform Controller Hub
//   applesmc                               its own labels (real controller keys)
//   any other chip (acpitz, thinkpad, …)   TZ00…          "Sensor TZ00"
//
// The two characters after a prefix count up in the order 0-9, A-Z, a-z, so key order is
// channel order; chips are taken by name and device path, so keys stay the same across boots.
// Temperatures, fan speeds and watts are served as "flt ". Fans are F0Ac/F0Mn/F0Mx … (minimum and
// maximum only where the chip has them), counted by "FNum" ("ui8 "); the first GPU power channel
// is PG0R; RAPL package, core and platform energy become PCPC, PC0C and PSTR. "#KEY" ("ui32")
// counts the keys and comes first, then "FNum", the fans, the temperatures and the power keys.
// Every read reads the channel's file again, and a channel that fails to read fails the read.
// No channels at all give an empty list.
std::vector<SmcTableKey> hwmonKeyTable(const Roots& roots, const Clock& clock = Clock::system());

} // namespace morvanex::platform
