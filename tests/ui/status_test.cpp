#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "ui/status.hpp"

namespace vaultkeep {
namespace {

TEST(StatusChannel, ReadersOnlyEverSeeWholeTexts) {
    const std::string a(4096, 'a'), b(8192, 'b');
    std::atomic<bool> fim{false};
    std::thread escritor([&] {
        for (int i = 0; i < 20000; ++i)
            definirMensagemStatus(i % 2 ? a : b);
        fim = true;
    });
    int leituras = 0;
    while (!fim) {
        const std::string t = mensagemStatus();
        ASSERT_TRUE(t.empty() || t == a || t == b) << t.size();
        ++leituras;
    }
    escritor.join();
    EXPECT_GT(leituras, 0);
}

TEST(StatusChannel, ObserverSeesEveryReplacementInOrder) {
    std::vector<std::string> vistos;
    observarMensagemStatus([&](const std::string& t) {
        vistos.push_back(t);
        EXPECT_EQ(mensagemStatus(), t);  // the observer may read the channel
    });
    definirMensagemStatus("Iniciando...");
    definirMensagemStatus("Compactando arquivo...");
    observarMensagemStatus({});
    definirMensagemStatus("depois");
    EXPECT_EQ(vistos, (std::vector<std::string>{"Iniciando...", "Compactando arquivo..."}));
    EXPECT_EQ(mensagemStatus(), "depois");
}

}  // namespace
}  // namespace vaultkeep
