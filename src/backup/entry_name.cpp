#include "backup/entry_name.hpp"

#include "common/codepage.hpp"

namespace vaultkeep {

std::optional<NomeArmazenado> armazenarNome(std::string_view nomeArquivo) {
    const std::string nome =
        utf8Valido(nomeArquivo) ? std::string(nomeArquivo) : ansiParaUtf8(nomeArquivo);
    const std::string ansi = utf8ParaAnsi(nome);
    if (ansiParaUtf8(ansi) == nome) {
        std::string oem = ansiParaOem(ansi);
        if (oemParaAnsi(oem) == ansi)
            return NomeArmazenado{std::move(oem), false};
    }
    if (nome.size() > 254)
        return std::nullopt;
    return NomeArmazenado{nome, true};
}

std::string lerNomeArmazenado(std::string_view bytes, bool utf8, bool codigoOem) {
    if (utf8)
        return utf8Valido(bytes) ? std::string(bytes) : ansiParaUtf8(bytes);
    const std::string ansi = codigoOem ? oemParaAnsi(bytes) : std::string(bytes);
    if (!somenteAscii(ansi) && utf8Valido(ansi))
        return ansi;
    return ansiParaUtf8(ansi);
}

bool hostComCodigoOem(std::uint16_t versaoFeita) {
    switch (versaoFeita >> 8) {
        case 0:
        case 6:
        case 10:
        case 11:
        case 14:
            return true;
        default:
            return false;
    }
}

std::string_view ultimoComponente(std::string_view nome) {
    const auto barra = nome.find_last_of("/\\");
    return barra == std::string_view::npos ? nome : nome.substr(barra + 1);
}

std::optional<std::string> componenteExtraivel(std::string_view nome) {
    const std::string_view c = ultimoComponente(nome);
    if (c.empty() || c == "." || c == ".." || c.find('\0') != std::string_view::npos)
        return std::nullopt;
    return std::string(c);
}

}  // namespace vaultkeep
