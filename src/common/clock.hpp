#pragma once
// Local date and time in the fixed formats the system writes: the short date
// "dd/MM/yyyy" and the long time "HH:mm:ss" of a Brazilian Portuguese Windows.

#include <chrono>
#include <ctime>
#include <string>

namespace vaultkeep {

using Relogio = std::chrono::system_clock;

// Broken-down local time of a moment.
std::tm horaLocal(Relogio::time_point instante = Relogio::now());

// "dd/MM/yyyy".
std::string dataCurta(const std::tm& t);
// "HH:mm:ss".
std::string horaLonga(const std::tm& t);

// strftime with a format of our own; the result is at most 255 bytes.
std::string formatarHora(const std::tm& t, const char* formato);

}  // namespace vaultkeep
