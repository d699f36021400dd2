#include "zip_test_util.hpp"

#include <zlib.h>

#include <random>
#include <stdexcept>

namespace vaultkeep::teste {

std::string deflateSerial(std::string_view dados) {
    z_stream z{};
    if (deflateInit2(&z, 6, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        throw std::runtime_error("deflateInit2");
    std::string saida;
    std::vector<unsigned char> buf(1 << 16);
    const std::size_t pedaco = 1 << 20;
    std::size_t pos = 0;
    do {
        const std::size_t n = std::min(pedaco, dados.size() - pos);
        const bool ultimo = pos + n == dados.size();
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(dados.data() + pos));
        z.avail_in = static_cast<uInt>(n);
        int r;
        do {
            z.next_out = buf.data();
            z.avail_out = static_cast<uInt>(buf.size());
            r = deflate(&z, ultimo ? Z_FINISH : Z_SYNC_FLUSH);
            saida.append(reinterpret_cast<char*>(buf.data()), buf.size() - z.avail_out);
        } while (z.avail_out == 0 || (ultimo && r != Z_STREAM_END));
        pos += n;
    } while (pos < dados.size());
    deflateEnd(&z);
    return saida;
}

std::string inflateRaw(std::string_view comprimido) {
    z_stream z{};
    inflateInit2(&z, -15);
    std::string saida;
    std::vector<unsigned char> buf(1 << 16);
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(comprimido.data()));
    z.avail_in = static_cast<uInt>(comprimido.size());
    int r;
    do {
        z.next_out = buf.data();
        z.avail_out = static_cast<uInt>(buf.size());
        r = inflate(&z, Z_NO_FLUSH);
        saida.append(reinterpret_cast<char*>(buf.data()), buf.size() - z.avail_out);
    } while (r == Z_OK);
    inflateEnd(&z);
    if (r != Z_STREAM_END)
        throw std::runtime_error("inflate");
    return saida;
}

std::uint32_t crc32De(std::string_view dados) {
    return static_cast<std::uint32_t>(
        crc32_z(0, reinterpret_cast<const Bytef*>(dados.data()), dados.size()));
}

std::string dadosCompressiveis(std::size_t tamanho, std::uint32_t semente) {
    static const char* const palavras[] = {"CLIENTE ",    "PRODUTO ",  "ARROZ 5KG ", "FEIJAO ",
                                           "PIX ",        "CARTAO ",   "Maria ",     "Souza ",
                                           "2024-05-01 ", "CANCELADO "};
    std::mt19937 r(semente);
    std::string s;
    s.reserve(tamanho + 64 * 1024);
    while (s.size() < tamanho) {
        const unsigned tipo = r() % 10;
        if (tipo < 5) {
            for (int i = 0; i < 20; ++i) {
                s += palavras[r() % 10];
                s += std::to_string(r() % 100000);
            }
        } else if (tipo < 6) {
            s.append(100 + r() % 3000, '\0');
        } else if (tipo < 7) {
            for (int i = 0; i < 200; ++i)
                s.push_back(static_cast<char>(r()));
        } else if (s.size() > 40000) {
            // A repeat from up to ~30 KiB back: near each 1 MiB boundary these
            // matches reach into the previous piece.
            const std::size_t distancia = 1000 + r() % 29000;
            const std::size_t n = 50 + r() % 400;
            const std::size_t de = s.size() - distancia;
            for (std::size_t i = 0; i < n; ++i)
                s.push_back(s[de + i]);
        }
    }
    s.resize(tamanho);
    return s;
}

CifraReferencia::CifraReferencia(std::string_view senha) {
    for (unsigned char c : senha)
        atualizar(c);
}

std::uint8_t CifraReferencia::byteChave() const {
    const std::uint16_t temp = static_cast<std::uint16_t>(k_[2] | 2);
    return static_cast<std::uint8_t>((temp * (temp ^ 1)) >> 8);
}

void CifraReferencia::atualizar(std::uint8_t c) {
    auto crc = [](std::uint32_t v, std::uint8_t b) {
        v ^= b;
        for (int i = 0; i < 8; ++i)
            v = (v >> 1) ^ (0xEDB88320u & (0u - (v & 1)));
        return v;
    };
    k_[0] = crc(k_[0], c);
    k_[1] = (k_[1] + (k_[0] & 0xFF)) * 134775813u + 1;
    k_[2] = crc(k_[2], static_cast<std::uint8_t>(k_[1] >> 24));
}

std::string CifraReferencia::cifrar(std::string_view claro) {
    std::string r(claro);
    for (char& ch : r) {
        const auto c = static_cast<std::uint8_t>(ch);
        ch = static_cast<char>(c ^ byteChave());
        atualizar(c);
    }
    return r;
}

std::string CifraReferencia::decifrar(std::string_view cifrado) {
    std::string r(cifrado);
    for (char& ch : r) {
        const auto c = static_cast<std::uint8_t>(static_cast<std::uint8_t>(ch) ^ byteChave());
        ch = static_cast<char>(c);
        atualizar(c);
    }
    return r;
}

namespace {

void p16(std::string& d, std::uint32_t v) {
    d.push_back(static_cast<char>(v & 0xFF));
    d.push_back(static_cast<char>((v >> 8) & 0xFF));
}
void p32(std::string& d, std::uint32_t v) {
    p16(d, v & 0xFFFF);
    p16(d, v >> 16);
}
void p64(std::string& d, std::uint64_t v) {
    p32(d, static_cast<std::uint32_t>(v));
    p32(d, static_cast<std::uint32_t>(v >> 32));
}

}  // namespace

EntradaTeste entradaTeste(std::string nome, std::string dados, std::uint16_t metodo,
                          std::string senha) {
    EntradaTeste e;
    e.nome = std::move(nome);
    e.dados = std::move(dados);
    e.metodo = metodo;
    e.senha = std::move(senha);
    return e;
}

OpcoesZip semDiretorio() {
    OpcoesZip o;
    o.diretorio = false;
    return o;
}

OpcoesZip comFim64() {
    OpcoesZip o;
    o.fim64 = true;
    return o;
}

OpcoesZip comPrefixo(std::string prefixo) {
    OpcoesZip o;
    o.prefixo = std::move(prefixo);
    return o;
}

std::string montarZip(const std::vector<EntradaTeste>& entradas, const OpcoesZip& o) {
    std::string z = o.prefixo;
    std::string diretorio;
    for (const auto& e : entradas) {
        const std::uint64_t offset = z.size() - o.prefixo.size();
        std::string armazenado;
        if (e.dadosArmazenados)
            armazenado = *e.dadosArmazenados;
        else if (e.metodo == 8)
            armazenado = deflateSerial(e.dados);
        else
            armazenado = e.dados;
        const std::uint32_t crc = e.crcInformado.value_or(crc32De(e.dados));
        std::uint16_t flags = e.flagsExtras;
        if (!e.senha.empty()) {
            flags |= 1;
            std::string cab = "0123456789";
            cab.push_back(static_cast<char>(e.descritor ? e.hora & 0xFF : (crc >> 16) & 0xFF));
            cab.push_back(static_cast<char>(e.descritor ? e.hora >> 8 : crc >> 24));
            CifraReferencia c(e.senha);
            armazenado = c.cifrar(cab + armazenado);
        }
        if (e.descritor)
            flags |= 8;
        const std::uint64_t comp = armazenado.size(), orig = e.dados.size();

        auto cabecalho = [&](bool central) {
            std::string h;
            p32(h, central ? 0x02014B50 : 0x04034B50);
            if (central)
                p16(h, 20);
            p16(h, e.zip64 ? 45 : 20);
            p16(h, flags);
            p16(h, e.metodo);
            p16(h, e.hora);
            p16(h, e.data);
            const bool semTamanhos = e.descritor && !central;
            p32(h, semTamanhos ? 0 : crc);
            p32(h, e.zip64 ? 0xFFFFFFFF : semTamanhos ? 0 : static_cast<std::uint32_t>(comp));
            p32(h, e.zip64 ? 0xFFFFFFFF : semTamanhos ? 0 : static_cast<std::uint32_t>(orig));
            p16(h, static_cast<std::uint32_t>(e.nome.size()));
            std::string extra = e.extra;
            if (e.zip64) {
                std::string z64;
                p64(z64, orig);
                p64(z64, comp);
                if (central)
                    p64(z64, offset);
                p16(extra, 0x0001);
                p16(extra, static_cast<std::uint32_t>(z64.size()));
                extra += z64;
            }
            p16(h, static_cast<std::uint32_t>(extra.size()));
            if (central) {
                p16(h, 0);
                p16(h, 0);
                p16(h, 0);
                p32(h, e.atributos);
                p32(h, e.zip64 ? 0xFFFFFFFF : static_cast<std::uint32_t>(offset));
            }
            return h + e.nome + extra;
        };
        z += cabecalho(false);
        z += armazenado;
        if (e.descritor) {
            p32(z, 0x08074B50);
            p32(z, crc);
            if (e.zip64) {
                p64(z, comp);
                p64(z, orig);
            } else {
                p32(z, static_cast<std::uint32_t>(comp));
                p32(z, static_cast<std::uint32_t>(orig));
            }
        }
        diretorio += cabecalho(true);
    }
    if (!o.diretorio)
        return z;
    const std::uint64_t inicioDir = z.size() - o.prefixo.size();
    z += diretorio;
    if (o.fim64) {
        const std::uint64_t pos64 = z.size() - o.prefixo.size();
        p32(z, 0x06064B50);
        p64(z, 44);
        p16(z, 45);
        p16(z, 45);
        p32(z, 0);
        p32(z, 0);
        p64(z, entradas.size());
        p64(z, entradas.size());
        p64(z, diretorio.size());
        p64(z, inicioDir);
        p32(z, 0x07064B50);
        p32(z, 0);
        p64(z, pos64);
        p32(z, 1);
    }
    p32(z, 0x06054B50);
    p16(z, 0);
    p16(z, 0);
    p16(z, o.fim64 ? 0xFFFF : static_cast<std::uint32_t>(entradas.size()));
    p16(z, o.fim64 ? 0xFFFF : static_cast<std::uint32_t>(entradas.size()));
    p32(z, o.fim64 ? 0xFFFFFFFF : static_cast<std::uint32_t>(diretorio.size()));
    p32(z, o.fim64 ? 0xFFFFFFFF : static_cast<std::uint32_t>(inicioDir));
    p16(z, 0);
    return z;
}

std::uint16_t l16(std::string_view s, std::size_t pos) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(s.at(pos)) |
                                      (static_cast<unsigned char>(s.at(pos + 1)) << 8));
}

std::uint32_t l32(std::string_view s, std::size_t pos) {
    return l16(s, pos) | (static_cast<std::uint32_t>(l16(s, pos + 2)) << 16);
}

std::set<std::string> arvore(const fs::path& raiz) {
    std::set<std::string> r;
    for (auto it = fs::recursive_directory_iterator(raiz); it != fs::recursive_directory_iterator();
         ++it) {
        std::string rel = fs::relative(it->path(), raiz).string();
        if (it->is_directory() && !it->is_symlink())
            rel += "/";
        r.insert(rel);
    }
    return r;
}

}  // namespace vaultkeep::teste
