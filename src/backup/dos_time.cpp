#include "backup/dos_time.hpp"

namespace vaultkeep {

HoraDos paraHoraDos(std::time_t instante) {
    std::tm t{};
    if (!localtime_r(&instante, &t))
        return {0, (0 << 9) | (1 << 5) | 1};
    const int ano = t.tm_year + 1900;
    if (ano < 1980)
        return {0, (0 << 9) | (1 << 5) | 1};
    if (ano > 2107)
        return {(23 << 11) | (59 << 5) | 29, (127 << 9) | (12 << 5) | 31};
    HoraDos h;
    h.hora = static_cast<std::uint16_t>((t.tm_hour << 11) | (t.tm_min << 5) | (t.tm_sec / 2));
    h.data = static_cast<std::uint16_t>(((ano - 1980) << 9) | ((t.tm_mon + 1) << 5) | t.tm_mday);
    return h;
}

std::optional<std::time_t> deHoraDos(HoraDos h) {
    const int dia = h.data & 0x1F;
    const int mes = (h.data >> 5) & 0x0F;
    const int ano = 1980 + (h.data >> 9);
    const int segundo = (h.hora & 0x1F) * 2;
    const int minuto = (h.hora >> 5) & 0x3F;
    const int horas = h.hora >> 11;
    if (dia < 1 || mes < 1 || mes > 12 || horas > 23 || minuto > 59 || segundo > 59)
        return std::nullopt;
    std::tm t{};
    t.tm_year = ano - 1900;
    t.tm_mon = mes - 1;
    t.tm_mday = dia;
    t.tm_hour = horas;
    t.tm_min = minuto;
    t.tm_sec = segundo;
    t.tm_isdst = -1;
    const std::time_t r = std::mktime(&t);
    // mktime normalises impossible dates (31 February); those are not real moments.
    if (r == static_cast<std::time_t>(-1) || t.tm_mday != dia || t.tm_mon != mes - 1)
        return std::nullopt;
    return r;
}

}  // namespace vaultkeep
