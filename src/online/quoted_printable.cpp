#include "online/quoted_printable.hpp"

#include <vector>

namespace vaultkeep {
namespace {

constexpr char kHex[] = "0123456789ABCDEF";

// The lines of the value: LF or CR LF end a line; a line end at the very end adds
// no empty line after it.
std::vector<std::string_view> linhasDoValor(std::string_view bytes) {
    std::vector<std::string_view> linhas;
    std::size_t inicio = 0;
    while (inicio < bytes.size()) {
        std::size_t fim = bytes.find('\n', inicio);
        if (fim == std::string_view::npos) {
            linhas.push_back(bytes.substr(inicio));
            break;
        }
        std::size_t corte = fim;
        if (corte > inicio && bytes[corte - 1] == '\r')
            --corte;
        linhas.push_back(bytes.substr(inicio, corte - inicio));
        inicio = fim + 1;
    }
    if (linhas.empty())
        linhas.emplace_back();
    return linhas;
}

int valorHex(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

}  // namespace

std::string codificarQuotedPrintable(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 4 + 8);
    const auto linhas = linhasDoValor(bytes);
    for (std::size_t n = 0; n < linhas.size(); ++n) {
        if (n > 0)
            out += "\r\n";
        const std::string_view linha = linhas[n];
        std::size_t comprimento = 0;  // characters on the current output line
        for (std::size_t i = 0; i < linha.size(); ++i) {
            const auto b = static_cast<unsigned char>(linha[i]);
            const bool ultimo = i + 1 == linha.size();
            const bool literal =
                (b >= '!' && b <= '~' && b != '=' && !(b == '.' && comprimento == 0)) ||
                ((b == ' ' || b == '\t') && !ultimo);
            if (literal) {
                out.push_back(static_cast<char>(b));
                comprimento += 1;
            } else {
                out.push_back('=');
                out.push_back(kHex[b >> 4]);
                out.push_back(kHex[b & 15]);
                comprimento += 3;
            }
            if (comprimento >= 70) {
                out += "=\r\n";
                comprimento = 0;
            }
        }
    }
    return out;
}

std::string decodificarQuotedPrintable(std::string_view texto) {
    if (texto.size() >= 2 && texto.substr(texto.size() - 2) == "\r\n")
        texto.remove_suffix(2);
    std::string out;
    out.reserve(texto.size());
    for (std::size_t i = 0; i < texto.size(); ++i) {
        const char c = texto[i];
        if (c != '=') {
            out.push_back(c);
            continue;
        }
        // Soft break: "=" CR LF, or "=" LF.
        if (texto.substr(i + 1, 2) == "\r\n") {
            i += 2;
            continue;
        }
        if (texto.substr(i + 1, 1) == "\n") {
            i += 1;
            continue;
        }
        if (i + 2 < texto.size()) {
            const int alto = valorHex(texto[i + 1]);
            const int baixo = valorHex(texto[i + 2]);
            if (alto >= 0 && baixo >= 0) {
                out.push_back(static_cast<char>(alto * 16 + baixo));
                i += 2;
                continue;
            }
        }
        out.push_back(c);
    }
    return out;
}

}  // namespace vaultkeep
