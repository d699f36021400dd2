#pragma once
// MS-DOS date and time of the ZIP format, in local time: two-second steps, years
// 1980 to 2107.

#include <cstdint>
#include <ctime>
#include <optional>

namespace vaultkeep {

struct HoraDos {
    std::uint16_t hora = 0;  // hours << 11 | minutes << 5 | seconds / 2
    std::uint16_t data = 0;  // (year - 1980) << 9 | month << 5 | day
};

// The local time of `instante` in MS-DOS form. Odd seconds round down; an
// instant before 1980 gives 1980-01-01 00:00:00 and one after 2107 gives the
// last representable moment.
HoraDos paraHoraDos(std::time_t instante);

// The instant of an MS-DOS date and time read as local time, or nothing when the
// fields do not name a real moment (month 0, day 32, 25 o'clock...).
std::optional<std::time_t> deHoraDos(HoraDos h);

}  // namespace vaultkeep
