#include "common/clock.hpp"

namespace vaultkeep {

std::tm horaLocal(Relogio::time_point instante) {
    const std::time_t t = Relogio::to_time_t(instante);
    std::tm local{};
    localtime_r(&t, &local);
    return local;
}

std::string formatarHora(const std::tm& t, const char* formato) {
    char buf[256];
    const std::size_t n = std::strftime(buf, sizeof buf, formato, &t);
    return std::string(buf, n);
}

std::string dataCurta(const std::tm& t) {
    return formatarHora(t, "%d/%m/%Y");
}
std::string horaLonga(const std::tm& t) {
    return formatarHora(t, "%H:%M:%S");
}

}  // namespace vaultkeep
