#include "fiscalday/MenuFiscal.h"

#include "core/Operator.h"
#include "core/Tela.h"
#include "core/TerminalState.h"
#include "fiscal/AnalisaRetorno.h"
#include "fiscal/Ecf.h"
#include "fiscalday/AbreDia.h"
#include "fiscalday/Leitura_X.h"
#include "fiscalday/MemoriaFiscal.h"
#include "fiscalday/MovimentoCaixa.h"
#include "fiscalday/Reducao_Z.h"

MenuFiscal::MenuFiscal(Tela &janela) : janela_(janela) { criaEntradas(); }

template <class TelaDoMenu>
void MenuFiscal::mostra() {
  TelaDoMenu tela(janela_.app());
  mostraComImpressoraOcupada(tela);
}

template <class Movimento>
void MenuFiscal::mostraMovimento() {
  TerminalState &e = janela_.estado();
  Movimento tela(janela_.app());
  // What is told afterwards is this movement's outcome, never an earlier one.
  e.Mensagem.clear();
  mostraComImpressoraOcupada(tela);
  if (!e.Mensagem.isEmpty()) janela_.app().operador().avisa(e.Mensagem);
}

void MenuFiscal::criaEntradas() {
  auto menu = [this](const char *nome, const QString &legenda, Campo *pai) -> Campo & {
    Campo &m = janela_.adiciona(nome, TipoCampo::Menu);
    m.setTexto(legenda);
    m.painel = pai;
    return m;
  };
  auto entrada = [&](const char *nome, const QString &legenda, Campo &pai, std::function<void()> acao) {
    menu(nome, legenda, &pai).aoClicar = std::move(acao);
  };
  Campo &impressora = menu("P01", QStringLiteral("&1 - Impressora Fiscal"), nullptr);
  menu_ = &impressora;
  entrada("P0101", QStringLiteral("&1 - Inícia dia Fiscal"), impressora, [this] { mostra<AbreDia>(); });
  Campo &leituraX = menu("P0102", QStringLiteral("&2 - Leitura X"), &impressora);
  entrada("P010201", QStringLiteral("&1 - Na tela"), leituraX, [this] { leituraXNaTela(); });
  entrada("P010202", QStringLiteral("&2 - Impressão"), leituraX, [this] { leituraXImpressa(); });
  entrada("P0103", QStringLiteral("&3 - Redução Z"), impressora, [this] { mostra<Reducao_Z>(); });
  Campo &contas = menu("P0104", QStringLiteral("&4 - Recebimentos/Pagamentos"), &impressora);
  entrada("P010401", QStringLiteral("&1 - Recebimento de Conta"), contas, [this] { mostra<RecValores>(); });
  entrada("P010402", QStringLiteral("&1 - Pagamento de Conta"), contas, [this] { mostra<PgtValores>(); });
  Campo &memoria = menu("P0105", QStringLiteral("&5 - Leitura Mémoria"), &impressora);
  entrada("P010501", QStringLiteral("&1 - Por Data"), memoria, [this] { mostra<MemoriaFiscData>(); });
  entrada("P010502", QStringLiteral("&2 - Por Faixa de Redução"), memoria, [this] { mostra<MemoriaFiscReduc>(); });
  Campo &caixa = menu("P0106", QStringLiteral("&6 - Sangria/Suprimento de Caixa"), &impressora);
  entrada("P010601", QStringLiteral("&1 - Sangria"), caixa, [this] { mostraMovimento<SangriaF>(); });
  entrada("P010602", QStringLiteral("&2 - Suprimento"), caixa, [this] { mostraMovimento<SuprimentoF>(); });
}

void MenuFiscal::habilita(bool sim) { menu_->setEnabled(sim); }

bool MenuFiscal::habilitado() const { return menu_->enabled(); }

void MenuFiscal::comImpressoraOcupada(const std::function<void()> &passo) {
  const ImpressoraOcupada ocupada(janela_.estado());
  passo();
}

void MenuFiscal::mostraComImpressoraOcupada(Tela &tela) {
  comImpressoraOcupada([&] { janela_.app().mostra(tela, true); });
}

void MenuFiscal::leituraXImpressa() {
  Aplicacao &app = janela_.app();
  int16_t r = 0;
  comImpressoraOcupada([&] {
    const Ampulheta ampulheta(app);
    r = EcfLeituraX(janela_.estado());
  });
  if (r <= 0) app.operador().avisa(ErroComunicacao(r));
  else app.mostraMensagem(QStringLiteral("Leitura X impressa."));
}

void MenuFiscal::leituraXNaTela() {
  Aplicacao &app = janela_.app();
  comImpressoraOcupada([&] {
    int16_t r = 0;
    {
      const Ampulheta ampulheta(app);
      r = EcfLeituraXSerial(janela_.estado());
    }
    // Without a fresh reading the file holds an earlier one (or none): it is
    // not shown as today's.
    if (r < 1) {
      app.operador().avisa(ErroComunicacao(r));
      return;
    }
    Leitura_X leitura(app);
    leitura.setLegenda(QStringLiteral("Leitura X pela Serial"));
    app.mostra(leitura, true);
  });
}
