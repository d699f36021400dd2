#include "settings/cipher.hpp"

#include <algorithm>
#include <optional>
#include <utility>
#include <vector>

#include "common/base64.hpp"
#include "common/codepage.hpp"

namespace vaultkeep {
namespace {

using u32 = std::uint32_t;
using Bytes = std::vector<std::uint8_t>;

constexpr std::string_view kFrase = "lomix***t@482pqqtvbRobUrezwukJJtw";

// The first 256 bytes of the hexadecimal digits of pi's fractional part; its
// first 72 bytes are also Blowfish's initial P-array.
constexpr std::array<std::uint8_t, 256> kDigitosPi = {
    0x24, 0x3F, 0x6A, 0x88, 0x85, 0xA3, 0x08, 0xD3, 0x13, 0x19, 0x8A, 0x2E, 0x03, 0x70, 0x73, 0x44,
    0xA4, 0x09, 0x38, 0x22, 0x29, 0x9F, 0x31, 0xD0, 0x08, 0x2E, 0xFA, 0x98, 0xEC, 0x4E, 0x6C, 0x89,
    0x45, 0x28, 0x21, 0xE6, 0x38, 0xD0, 0x13, 0x77, 0xBE, 0x54, 0x66, 0xCF, 0x34, 0xE9, 0x0C, 0x6C,
    0xC0, 0xAC, 0x29, 0xB7, 0xC9, 0x7C, 0x50, 0xDD, 0x3F, 0x84, 0xD5, 0xB5, 0xB5, 0x47, 0x09, 0x17,
    0x92, 0x16, 0xD5, 0xD9, 0x89, 0x79, 0xFB, 0x1B, 0xD1, 0x31, 0x0B, 0xA6, 0x98, 0xDF, 0xB5, 0xAC,
    0x2F, 0xFD, 0x72, 0xDB, 0xD0, 0x1A, 0xDF, 0xB7, 0xB8, 0xE1, 0xAF, 0xED, 0x6A, 0x26, 0x7E, 0x96,
    0xBA, 0x7C, 0x90, 0x45, 0xF1, 0x2C, 0x7F, 0x99, 0x24, 0xA1, 0x99, 0x47, 0xB3, 0x91, 0x6C, 0xF7,
    0x08, 0x01, 0xF2, 0xE2, 0x85, 0x8E, 0xFC, 0x16, 0x63, 0x69, 0x20, 0xD8, 0x71, 0x57, 0x4E, 0x69,
    0xA4, 0x58, 0xFE, 0xA3, 0xF4, 0x93, 0x3D, 0x7E, 0x0D, 0x95, 0x74, 0x8F, 0x72, 0x8E, 0xB6, 0x58,
    0x71, 0x8B, 0xCD, 0x58, 0x82, 0x15, 0x4A, 0xEE, 0x7B, 0x54, 0xA4, 0x1D, 0xC2, 0x5A, 0x59, 0xB5,
    0x9C, 0x30, 0xD5, 0x39, 0x2A, 0xF2, 0x60, 0x13, 0xC5, 0xD1, 0xB0, 0x23, 0x28, 0x60, 0x85, 0xF0,
    0xCA, 0x41, 0x79, 0x18, 0xB8, 0xDB, 0x38, 0xEF, 0x8E, 0x79, 0xDC, 0xB0, 0x60, 0x3A, 0x18, 0x0E,
    0x6C, 0x9E, 0x0E, 0x8B, 0xB0, 0x1E, 0x8A, 0x3E, 0xD7, 0x15, 0x77, 0xC1, 0xBD, 0x31, 0x4B, 0x27,
    0x78, 0xAF, 0x2F, 0xDA, 0x55, 0x60, 0x5C, 0x60, 0xE6, 0x55, 0x25, 0xF3, 0xAA, 0x55, 0xAB, 0x94,
    0x57, 0x48, 0x98, 0x62, 0x63, 0xE8, 0x14, 0x40, 0x55, 0xCA, 0x39, 0x6A, 0x2A, 0xAB, 0x10, 0xB6,
    0xB4, 0xCC, 0x5C, 0x34, 0x11, 0x41, 0xE8, 0xCE, 0xA1, 0x54, 0x86, 0xAF, 0x7C, 0x72, 0xE9, 0x93,
};

constexpr std::array<u32, 4> kSais = {0x55555555, 0xAAAAAAAA, 0x33333333, 0xCCCCCCCC};
constexpr std::array<std::uint8_t, 8> kPreenchimento = {1, 0, 0, 0, 0, 0, 0, 0};
constexpr std::string_view kAlfabeto =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

u32 lerLe(const std::uint8_t* p) {
    return u32(p[0]) | u32(p[1]) << 8 | u32(p[2]) << 16 | u32(p[3]) << 24;
}

void gravarLe(std::uint8_t* p, u32 v) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

void misturar(u32& aa, u32& bb, u32& cc, u32& dd) {
    aa += dd, dd += aa, aa ^= aa >> 7;
    bb += aa, aa += bb, bb ^= bb << 13;
    cc += bb, bb += cc, cc ^= cc >> 17;
    dd += cc, cc += dd, dd ^= dd << 9;
    aa += dd, dd += aa, aa ^= aa >> 3;
    bb += aa, aa += bb, bb ^= bb << 7;
    cc += bb, bb += cc, cc ^= dd >> 15;  // shifts DD, not CC
    dd += cc, cc += dd, dd ^= dd << 11;
}

// The finishing cipher of the key digest: 16-byte blocks, 8 rounds.
class CifraFinal {
  public:
    explicit CifraFinal(const std::uint8_t* chave) {
        const u32 k[4] = {lerLe(chave), lerLe(chave + 4), lerLe(chave + 8), lerLe(chave + 12)};
        for (int i = 0; i < 4; ++i) {
            const u32 s = kSais[i];
            u32 a = k[0], b = s, c = k[1], d = s, e = k[2], f = s, g = k[3], h = s;
            for (int j = 0; j < 8; ++j) {
                a ^= b << 11, d += a, b += c;
                b ^= c >> 2, e += b, c += d;
                c ^= d << 8, f += c, d += e;
                d ^= e >> 16, g += d, e += f;
                e ^= f << 10, h += e, f += g;
                f ^= g >> 4, a += f, g += h;
                g ^= h << 8, b += g, h += a;
                h ^= a >> 9, c += h, a += b;
            }
            const u32 palavras[8] = {a, b, c, d, e, f, g, h};
            for (int j = 0; j < 8; ++j)
                subchaves_[8 * i + j] = palavras[j];
        }
    }

    void cifrar(std::uint8_t* bloco) const {
        u32 x0 = lerLe(bloco), x1 = lerLe(bloco + 4), y0 = lerLe(bloco + 8), y1 = lerLe(bloco + 12);
        for (int r = 0; r < kRodadas; ++r) {
            u32 aa = x0, bb = subchaves_[2 * r], cc = x1, dd = subchaves_[2 * r + 1];
            misturar(aa, bb, cc, dd);
            std::swap(aa, cc);
            std::swap(bb, dd);
            misturar(aa, bb, cc, dd);
            const u32 t0 = aa ^ bb ^ y0, t1 = cc ^ dd ^ y1;
            y0 = x0, y1 = x1, x0 = t0, x1 = t1;
        }
        gravarLe(bloco, y0), gravarLe(bloco + 4, y1), gravarLe(bloco + 8, x0),
            gravarLe(bloco + 12, x1);
    }

  private:
    static constexpr int kRodadas = 8;
    std::array<u32, 32> subchaves_{};
};

// The 64-bit block transform. Its rounds use F(L) and F(R) of the words as they
// are on entry, eight times each, so both cancel: the transform reduces to xoring
// L with the even and R with the odd entries of the P-array. The S-boxes, which
// only feed F, therefore never affect a result and are not kept.
class TransformacaoBloco {
  public:
    explicit TransformacaoBloco(const std::array<std::uint8_t, 16>& chave) {
        for (int i = 0; i < 18; ++i)
            p_[i] = lerBe(kDigitosPi.data() + 4 * i);
        for (int i = 0; i < 18; ++i) {
            u32 w = 0;
            for (int j = 0; j < 4; ++j)
                w = (w << 8) | chave[(4 * i + j) % 16];
            p_[i] ^= w;
        }
        u32 l = 0, r = 0;
        for (int i = 0; i < 18; i += 2) {
            transformar(l, r);
            p_[i] = l, p_[i + 1] = r;
        }
    }

    // Encryption and decryption are the same operation.
    void transformar(std::uint8_t* bloco) const {
        u32 l = lerLe(bloco), r = lerLe(bloco + 4);
        transformar(l, r);
        gravarLe(bloco, l), gravarLe(bloco + 4, r);
    }

  private:
    static u32 lerBe(const std::uint8_t* p) {
        return u32(p[0]) << 24 | u32(p[1]) << 16 | u32(p[2]) << 8 | u32(p[3]);
    }

    void transformar(u32& l, u32& r) const {
        for (int i = 0; i < 18; i += 2)
            l ^= p_[i], r ^= p_[i + 1];
    }

    std::array<u32, 18> p_{};
};

Bytes paraBytes(std::string_view texto) {
    const std::string ansi = utf8ParaAnsi(texto);
    return Bytes(ansi.begin(), ansi.end());
}

// Decodes group by group. Characters outside "+" to "z" fail; characters in that
// range that are not in the alphabet ("=" among them) count as 127, which is why
// "-" and "_" decode without failing.
std::optional<Bytes> deBase64(const Bytes& texto) {
    auto valor = [](std::uint8_t c) -> u32 {
        const auto pos = kAlfabeto.find(static_cast<char>(c));
        return pos == std::string_view::npos ? 127u : static_cast<u32>(pos);
    };
    Bytes out;
    for (std::size_t i = 0; i < texto.size(); i += 4) {
        if (i + 4 > texto.size())
            return std::nullopt;
        u32 g[4];
        for (int j = 0; j < 4; ++j) {
            const std::uint8_t c = texto[i + j];
            if (c < 43 || c > 122)
                return std::nullopt;
            g[j] = valor(c);
        }
        out.push_back(static_cast<std::uint8_t>((g[0] << 2) | (g[1] >> 4)));
        if (texto[i + 2] == '=')
            continue;
        out.push_back(static_cast<std::uint8_t>((g[1] << 4) | (g[2] >> 2)));
        if (texto[i + 3] == '=')
            continue;
        out.push_back(static_cast<std::uint8_t>((g[2] << 6) | g[3]));
    }
    return out;
}

TransformacaoBloco transformacaoEmbutida() {
    return TransformacaoBloco(digestoChave(kFrase));
}

}  // namespace

std::array<std::uint8_t, 16> digestoChave(std::string_view entrada) {
    std::array<std::uint8_t, 256> d = kDigitosPi;
    std::array<std::uint8_t, 16> k{};
    for (int i = 0; i < 4; ++i)
        gravarLe(k.data() + 4 * i, 0x55555555);
    std::size_t id = 0, ik = 0;
    auto absorver = [&](std::uint8_t x) {
        d[id] ^= x;
        id = (id + 1) & 255;
        k[ik++] ^= x;
        if (ik == 8) {
            u32 aa = lerLe(k.data() + 12), bb = lerLe(k.data() + 8), cc = lerLe(k.data() + 4),
                dd = lerLe(k.data());
            for (int i = 0; i < 4; ++i)
                misturar(aa, bb, cc, dd);
            gravarLe(k.data(), aa), gravarLe(k.data() + 4, bb), gravarLe(k.data() + 8, cc),
                gravarLe(k.data() + 12, dd);
            ik = 0;
        }
    };
    for (char c : entrada)
        absorver(static_cast<std::uint8_t>(c));
    const std::size_t falta = 8 - ik;
    for (std::size_t i = 0; i < falta; ++i)
        absorver(kPreenchimento[i]);

    const CifraFinal cifra(k.data());
    for (std::size_t i = 0; i < d.size(); i += 16)
        cifra.cifrar(d.data() + i);
    std::array<std::uint8_t, 16> out;
    std::copy_n(d.begin(), 16, out.begin());
    return out;
}

std::string encriptarstr(std::string_view s) {
    try {
        const TransformacaoBloco t = transformacaoEmbutida();
        Bytes dados = paraBytes(s);
        const std::size_t n = dados.size(), resto = n % 8;
        dados.resize(n - resto + 8, 0);
        dados.back() = static_cast<std::uint8_t>(resto);
        for (std::size_t i = 0; i < dados.size(); i += 8)
            t.transformar(dados.data() + i);
        return codificarBase64(
            std::string_view(reinterpret_cast<const char*>(dados.data()), dados.size()));
    } catch (...) {
        return {};
    }
}

std::string desencriptarstr(std::string_view s) {
    try {
        const TransformacaoBloco t = transformacaoEmbutida();
        const auto dados = deBase64(paraBytes(s));
        if (!dados || dados->size() < 8)
            return {};
        Bytes b = *dados;
        const std::size_t blocos = b.size() / 8;
        for (std::size_t i = 0; i < blocos; ++i)
            t.transformar(b.data() + 8 * i);
        const std::size_t conta = b[8 * blocos - 1];
        if (conta > 7)
            return {};
        b.resize(8 * (blocos - 1) + conta);
        return ansiParaUtf8(std::string(b.begin(), b.end()));
    } catch (...) {
        return {};
    }
}

}  // namespace vaultkeep
