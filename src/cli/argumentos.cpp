#include "cli/argumentos.hpp"

#include <map>
#include <set>

namespace vaultkeep::cli {
namespace {

struct DefinicaoOpcao {
    std::string nome;  // with its leading "--"
    bool temValor;
};

struct OpcoesLidas {
    std::map<std::string, std::string> valores;
    std::set<std::string> marcadas;
    std::vector<std::string> posicionais;

    bool marcada(const std::string& nome) const { return marcadas.count(nome) != 0; }
    std::optional<std::string> valor(const std::string& nome) const {
        const auto it = valores.find(nome);
        if (it == valores.end())
            return std::nullopt;
        return it->second;
    }
};

bool pareceOpcao(const std::string& s) {
    return s.size() > 1 && s[0] == '-';
}

OpcoesLidas lerOpcoes(const std::vector<std::string>& a, std::size_t inicio,
                      const std::vector<DefinicaoOpcao>& definicoes, std::size_t maxPosicionais,
                      const std::string& comando) {
    OpcoesLidas lidas;
    bool soPosicionais = false;
    for (std::size_t i = inicio; i < a.size(); ++i) {
        const std::string& s = a[i];
        if (!soPosicionais && s == "--") {
            soPosicionais = true;
            continue;
        }
        if (soPosicionais || !pareceOpcao(s)) {
            if (lidas.posicionais.size() == maxPosicionais)
                throw ErroDeUso("argumento a mais para " + comando + ": " + s);
            lidas.posicionais.push_back(s);
            continue;
        }
        const auto igual = s.find('=');
        const std::string nome = s.substr(0, igual);
        const DefinicaoOpcao* def = nullptr;
        for (const auto& d : definicoes)
            if (d.nome == nome)
                def = &d;
        if (!def)
            throw ErroDeUso("opção desconhecida para " + comando + ": " + nome);
        if (lidas.marcada(nome))
            throw ErroDeUso("opção repetida: " + nome);
        lidas.marcadas.insert(nome);
        if (!def->temValor) {
            if (igual != std::string::npos)
                throw ErroDeUso("a opção " + nome + " não leva valor");
            continue;
        }
        if (igual != std::string::npos) {
            lidas.valores[nome] = s.substr(igual + 1);
        } else if (i + 1 < a.size() && !pareceOpcao(a[i + 1])) {
            lidas.valores[nome] = a[++i];
        } else {
            throw ErroDeUso("falta o valor de " + nome);
        }
    }
    return lidas;
}

std::string exigir(const OpcoesLidas& lidas, const std::string& nome, const std::string& comando) {
    if (auto v = lidas.valor(nome))
        return *v;
    throw ErroDeUso("falta a opção " + nome + " em " + comando);
}

}  // namespace

Comando lerArgumentos(const std::vector<std::string>& a) {
    for (const auto& s : a) {
        if (s == "--")
            break;
        if (s == "-h" || s == "--help") {
            Comando ajuda;
            ajuda.acao = Acao::Ajuda;
            return ajuda;
        }
    }
    if (a.empty())
        throw ErroDeUso("nenhum comando informado");

    Comando c;
    const std::string& nome = a[0];
    if (nome == "--version") {
        if (a.size() > 1)
            throw ErroDeUso("argumento a mais para --version: " + a[1]);
        c.acao = Acao::Versao;
    } else if (nome == "config") {
        if (a.size() < 2)
            throw ErroDeUso("falta o subcomando de config: mostrar ou salvar");
        if (a[1] == "mostrar") {
            lerOpcoes(a, 2, {}, 0, "config mostrar");
            c.acao = Acao::ConfigMostrar;
        } else if (a[1] == "salvar") {
            const std::string cmd = "config salvar";
            const auto lidas = lerOpcoes(
                a, 2,
                {{"--estabelecimento", true}, {"--url", true}, {"--base", true}, {"--pasta", true}},
                0, cmd);
            c.acao = Acao::ConfigSalvar;
            c.estabelecimento = exigir(lidas, "--estabelecimento", cmd);
            c.url = exigir(lidas, "--url", cmd);
            c.base = exigir(lidas, "--base", cmd);
            c.pasta = exigir(lidas, "--pasta", cmd);
        } else {
            throw ErroDeUso("subcomando desconhecido de config: " + a[1] +
                            " (use mostrar ou salvar)");
        }
    } else if (nome == "backup") {
        const auto lidas =
            lerOpcoes(a, 1, {{"--destino", true}, {"--online", false}, {"--sim", false}}, 0, nome);
        c.acao = Acao::Backup;
        c.destino = lidas.valor("--destino");
        c.online = lidas.marcada("--online");
        c.sim = lidas.marcada("--sim");
    } else if (nome == "restaurar") {
        const auto lidas = lerOpcoes(a, 1, {{"--online", false}, {"--sim", false}}, 1, nome);
        c.acao = Acao::Restaurar;
        c.online = lidas.marcada("--online");
        c.sim = lidas.marcada("--sim");
        if (!lidas.posicionais.empty())
            c.arquivo = lidas.posicionais[0];
        if (c.online && c.arquivo)
            throw ErroDeUso("restaurar aceita um arquivo ou --online, não os dois");
        if (!c.online && !c.arquivo)
            throw ErroDeUso("restaurar precisa de um arquivo de backup ou de --online");
    } else if (nome == "verificar") {
        const auto lidas = lerOpcoes(a, 1, {}, 1, nome);
        c.acao = Acao::Verificar;
        if (!lidas.posicionais.empty())
            c.arquivo = lidas.posicionais[0];
    } else if (pareceOpcao(nome)) {
        throw ErroDeUso("opção desconhecida: " + nome);
    } else {
        throw ErroDeUso("comando desconhecido: " + nome);
    }
    return c;
}

std::string textoAjuda() {
    return R"(vaultkeep-cli: backup, restauração e teste da base Firebird sem a janela,
com as mesmas configurações do Vaultkeep.

Uso:
  vaultkeep-cli config mostrar
  vaultkeep-cli config salvar --estabelecimento NOME --url URL --base ARQUIVO --pasta PASTA
  vaultkeep-cli backup [--destino PASTA] [--online] [--sim]
  vaultkeep-cli restaurar ARQUIVO.zip [--sim]
  vaultkeep-cli restaurar --online [--sim]
  vaultkeep-cli verificar [ARQUIVO.FDB]
  vaultkeep-cli --help | -h
  vaultkeep-cli --version

Comandos:
  config mostrar   mostra as cinco configurações salvas, uma NOME=valor por linha
  config salvar    confere e salva as configurações, como o botão "Salvar" da janela
                   (nada é gravado quando um campo está errado)
  backup           testa a base configurada e grava o backup na pasta de destino
                   (padrão: a pasta salva); --online envia também uma cópia ao
                   servidor; depois apaga da pasta salva os backups de ontem ou antes
  restaurar        restaura a base configurada a partir de um arquivo de backup ou,
                   com --online, do backup mais recente guardado no servidor
  verificar        testa a integridade da base indicada (padrão: a base configurada)

Perguntas (aviso, confirmação, falha e senha do arquivo compactado) são feitas no
terminal. Com --sim, avisos e confirmações são respondidos OK/Sim e as perguntas
do arquivo compactado Abortar/Cancelar, sem esperar. Sem terminal e sem --sim,
toda pergunta é respondida Não/Abortar/Cancelar.

Cada texto de status é impresso numa linha da saída padrão assim que muda.
Código de saída: 0 quando a operação deu certo, 1 quando falhou, 2 para erro de uso.
Um valor que comece com "-" vai na forma --opção=valor; "--" encerra as opções.
)";
}

}  // namespace vaultkeep::cli
