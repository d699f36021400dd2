#include "common/codepage.hpp"

#include <array>
#include <unordered_map>

namespace vaultkeep {
namespace {

// Upper halves (bytes 0x80 to 0xFF) of the two code pages.
constexpr std::array<char16_t, 128> kWindows1252 = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160, 0x2039,
    0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178, 0x00A0, 0x00A1, 0x00A2, 0x00A3,
    0x00A4, 0x00A5, 0x00A6, 0x00A7, 0x00A8, 0x00A9, 0x00AA, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x00AF,
    0x00B0, 0x00B1, 0x00B2, 0x00B3, 0x00B4, 0x00B5, 0x00B6, 0x00B7, 0x00B8, 0x00B9, 0x00BA, 0x00BB,
    0x00BC, 0x00BD, 0x00BE, 0x00BF, 0x00C0, 0x00C1, 0x00C2, 0x00C3, 0x00C4, 0x00C5, 0x00C6, 0x00C7,
    0x00C8, 0x00C9, 0x00CA, 0x00CB, 0x00CC, 0x00CD, 0x00CE, 0x00CF, 0x00D0, 0x00D1, 0x00D2, 0x00D3,
    0x00D4, 0x00D5, 0x00D6, 0x00D7, 0x00D8, 0x00D9, 0x00DA, 0x00DB, 0x00DC, 0x00DD, 0x00DE, 0x00DF,
    0x00E0, 0x00E1, 0x00E2, 0x00E3, 0x00E4, 0x00E5, 0x00E6, 0x00E7, 0x00E8, 0x00E9, 0x00EA, 0x00EB,
    0x00EC, 0x00ED, 0x00EE, 0x00EF, 0x00F0, 0x00F1, 0x00F2, 0x00F3, 0x00F4, 0x00F5, 0x00F6, 0x00F7,
    0x00F8, 0x00F9, 0x00FA, 0x00FB, 0x00FC, 0x00FD, 0x00FE, 0x00FF,
};

constexpr std::array<char16_t, 128> kCodePage850 = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7, 0x00EA, 0x00EB, 0x00E8, 0x00EF,
    0x00EE, 0x00EC, 0x00C4, 0x00C5, 0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,
    0x00FF, 0x00D6, 0x00DC, 0x00F8, 0x00A3, 0x00D8, 0x00D7, 0x0192, 0x00E1, 0x00ED, 0x00F3, 0x00FA,
    0x00F1, 0x00D1, 0x00AA, 0x00BA, 0x00BF, 0x00AE, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x00C1, 0x00C2, 0x00C0, 0x00A9, 0x2563, 0x2551, 0x2557,
    0x255D, 0x00A2, 0x00A5, 0x2510, 0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x00E3, 0x00C3,
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x00A4, 0x00F0, 0x00D0, 0x00CA, 0x00CB,
    0x00C8, 0x0131, 0x00CD, 0x00CE, 0x00CF, 0x2518, 0x250C, 0x2588, 0x2584, 0x00A6, 0x00CC, 0x2580,
    0x00D3, 0x00DF, 0x00D4, 0x00D2, 0x00F5, 0x00D5, 0x00B5, 0x00FE, 0x00DE, 0x00DA, 0x00DB, 0x00D9,
    0x00FD, 0x00DD, 0x00AF, 0x00B4, 0x00AD, 0x00B1, 0x2017, 0x00BE, 0x00B6, 0x00A7, 0x00F7, 0x00B8,
    0x00B0, 0x00A8, 0x00B7, 0x00B9, 0x00B3, 0x00B2, 0x25A0, 0x00A0,
};

using Tabela = std::array<char16_t, 128>;

using Inversa = std::unordered_map<char32_t, unsigned char>;

Inversa construirInversa(const Tabela& t) {
    Inversa m;
    for (std::size_t i = 0; i < t.size(); ++i)
        m.emplace(t[i], static_cast<unsigned char>(0x80 + i));
    return m;
}

const Inversa& inversa(const Tabela& t) {
    static const Inversa ansi = construirInversa(kWindows1252);
    static const Inversa oem = construirInversa(kCodePage850);
    return &t == &kWindows1252 ? ansi : oem;
}

std::string paraCodigo(std::string_view utf8, const Tabela& t, bool* perda) {
    const auto& inv = inversa(t);
    std::string out;
    out.reserve(utf8.size());
    bool perdeu = false;
    for (std::size_t pos = 0; pos < utf8.size();) {
        char32_t cp = proximoCodigo(utf8, pos);
        if (cp < 0x80) {
            out.push_back(static_cast<char>(cp));
        } else if (auto it = inv.find(cp); it != inv.end()) {
            out.push_back(static_cast<char>(it->second));
        } else {
            out.push_back('?');
            perdeu = true;
        }
    }
    if (perda)
        *perda = perdeu;
    return out;
}

std::string deCodigo(std::string_view bytes, const Tabela& t) {
    std::string out;
    out.reserve(bytes.size() * 2);
    for (unsigned char b : bytes) {
        if (b < 0x80)
            out.push_back(static_cast<char>(b));
        else
            anexarUtf8(out, t[b - 0x80]);
    }
    return out;
}

}  // namespace

void anexarUtf8(std::string& d, char32_t cp) {
    if (cp < 0x80) {
        d.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        d.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        d.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        d.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        d.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        d.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        d.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        d.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        d.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        d.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

char32_t proximoCodigo(std::string_view s, std::size_t& pos) {
    auto byte = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
    unsigned char b0 = byte(pos);
    if (b0 < 0x80) {
        ++pos;
        return b0;
    }
    int extra;
    char32_t cp;
    char32_t minimo;
    if ((b0 & 0xE0) == 0xC0) {
        extra = 1, cp = b0 & 0x1F, minimo = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
        extra = 2, cp = b0 & 0x0F, minimo = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
        extra = 3, cp = b0 & 0x07, minimo = 0x10000;
    } else {
        ++pos;
        return kCodigoInvalido;
    }
    if (pos + static_cast<std::size_t>(extra) >= s.size()) {
        ++pos;
        return kCodigoInvalido;
    }
    for (int i = 1; i <= extra; ++i) {
        unsigned char b = byte(pos + i);
        if ((b & 0xC0) != 0x80) {
            ++pos;
            return kCodigoInvalido;
        }
        cp = (cp << 6) | (b & 0x3F);
    }
    if (cp < minimo || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        ++pos;
        return kCodigoInvalido;
    }
    pos += extra + 1;
    return cp;
}

bool utf8Valido(std::string_view s) {
    for (std::size_t pos = 0; pos < s.size();) {
        if (proximoCodigo(s, pos) == kCodigoInvalido)
            return false;
    }
    return true;
}

bool somenteAscii(std::string_view s) {
    for (unsigned char c : s)
        if (c >= 0x80)
            return false;
    return true;
}

std::string utf8ParaAnsi(std::string_view utf8, bool* perda) {
    return paraCodigo(utf8, kWindows1252, perda);
}
std::string ansiParaUtf8(std::string_view ansi) {
    return deCodigo(ansi, kWindows1252);
}
std::string utf8ParaOem(std::string_view utf8, bool* perda) {
    return paraCodigo(utf8, kCodePage850, perda);
}
std::string oemParaUtf8(std::string_view oem) {
    return deCodigo(oem, kCodePage850);
}

std::string ansiParaOem(std::string_view ansi) {
    return utf8ParaOem(ansiParaUtf8(ansi));
}
std::string oemParaAnsi(std::string_view oem) {
    return utf8ParaAnsi(oemParaUtf8(oem));
}

std::string utf8ParaLatin1(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t pos = 0; pos < utf8.size();) {
        char32_t cp = proximoCodigo(utf8, pos);
        out.push_back(cp <= 0xFF ? static_cast<char>(cp) : '?');
    }
    return out;
}

std::string latin1ParaUtf8(std::string_view latin1) {
    std::string out;
    out.reserve(latin1.size() * 2);
    for (unsigned char b : latin1)
        anexarUtf8(out, b);
    return out;
}

}  // namespace vaultkeep
