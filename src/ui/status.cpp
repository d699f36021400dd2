#include "ui/status.hpp"

#include <memory>
#include <mutex>
#include <utility>

namespace vaultkeep {
namespace {

std::mutex& travaTexto() {
    static std::mutex m;
    return m;
}

std::string& texto() {
    static std::string t;
    return t;
}

// The observer is kept behind its own lock and copied out before the call, so an
// observer may itself read the status text.
std::mutex& travaObservador() {
    static std::mutex m;
    return m;
}

std::shared_ptr<std::function<void(const std::string&)>>& observador() {
    static std::shared_ptr<std::function<void(const std::string&)>> o;
    return o;
}

}  // namespace

void definirMensagemStatus(std::string novo) {
    std::string copia;
    {
        std::lock_guard lock(travaTexto());
        texto() = std::move(novo);
        copia = texto();
    }
    std::shared_ptr<std::function<void(const std::string&)>> o;
    {
        std::lock_guard lock(travaObservador());
        o = observador();
    }
    if (o && *o)
        (*o)(copia);
}

std::string mensagemStatus() {
    std::lock_guard lock(travaTexto());
    return texto();
}

void observarMensagemStatus(std::function<void(const std::string&)> novo) {
    std::lock_guard lock(travaObservador());
    if (novo)
        observador() = std::make_shared<std::function<void(const std::string&)>>(std::move(novo));
    else
        observador().reset();
}

}  // namespace vaultkeep
