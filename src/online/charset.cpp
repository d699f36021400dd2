#include "online/charset.hpp"

#include <iconv.h>

#include <cerrno>

#include "common/codepage.hpp"
#include "common/text.hpp"

namespace vaultkeep {
namespace {

class Conversor {
  public:
    explicit Conversor(const std::string& de) : cd_(::iconv_open("UTF-8", de.c_str())) {}
    ~Conversor() {
        if (valido())
            ::iconv_close(cd_);
    }
    Conversor(const Conversor&) = delete;
    Conversor& operator=(const Conversor&) = delete;

    bool valido() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    std::string converter(std::string_view entrada) {
        std::string out;
        out.reserve(entrada.size() + 16);
        char* in = const_cast<char*>(entrada.data());
        std::size_t restante = entrada.size();
        char buf[4096];
        while (restante > 0) {
            char* o = buf;
            std::size_t livre = sizeof buf;
            const std::size_t r = ::iconv(cd_, &in, &restante, &o, &livre);
            out.append(buf, static_cast<std::size_t>(o - buf));
            if (r == static_cast<std::size_t>(-1)) {
                if (errno == E2BIG)
                    continue;
                // An invalid or cut sequence: mark it and go on with the next byte.
                anexarUtf8(out, 0xFFFD);
                ++in;
                --restante;
                ::iconv(cd_, nullptr, nullptr, nullptr, nullptr);
            }
        }
        char* o = buf;
        std::size_t livre = sizeof buf;
        ::iconv(cd_, nullptr, nullptr, &o, &livre);
        out.append(buf, static_cast<std::size_t>(o - buf));
        return out;
    }

  private:
    iconv_t cd_;
};

}  // namespace

std::string charsetDoTipo(std::string_view tipo) {
    std::size_t pos = tipo.find(';');
    while (pos != std::string_view::npos) {
        const std::size_t fim = tipo.find(';', pos + 1);
        const std::string_view param = tipo.substr(
            pos + 1, fim == std::string_view::npos ? std::string_view::npos : fim - pos - 1);
        pos = fim;
        const std::size_t igual = param.find('=');
        if (igual == std::string_view::npos)
            continue;
        if (!iguaisSemCaixaAscii(aparar(param.substr(0, igual)), "charset"))
            continue;
        std::string valor = aparar(param.substr(igual + 1));
        if (valor.size() >= 2 && valor.front() == '"' && valor.back() == '"')
            valor = valor.substr(1, valor.size() - 2);
        return valor;
    }
    return {};
}

std::string decodificarCorpo(std::string_view corpo, std::string_view tipoConteudo) {
    const std::string charset = charsetDoTipo(tipoConteudo);
    if (!charset.empty()) {
        Conversor c(charset);
        if (c.valido())
            return c.converter(corpo);
    }
    return latin1ParaUtf8(corpo);
}

}  // namespace vaultkeep
