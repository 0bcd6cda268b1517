#include "core/AjudaTeclas.h"

#include <QHash>

#include "core/Teclas.h"

namespace {

const QList<TeclaAjuda> &TeclasComuns() {
  static const QList<TeclaAjuda> comuns = {
      {"Enter / Seta abaixo", "Próximo campo"},
      {"Seta acima", "Campo anterior"},
      {"Tab / Shift+Tab", "Próximo / anterior controle"},
      {"Esc", "Fecha a tela sem fazer nada"},
      {"F1", "Esta lista de teclas"},
  };
  return comuns;
}

const QHash<QString, QList<TeclaAjuda>> &Tabelas() {
  // The two closing dialogs share their keys.
  static const QList<TeclaAjuda> fechamento = {
      {"F1", "Esta lista de teclas"}, {"Enter", "Próximo campo"}, {"F7", "Fecha o cupom"}, {"Esc", "Volta à venda"}};
  static const QHash<QString, QList<TeclaAjuda>> tabelas = {
      {"PForm",
       {{"F1", "Esta lista de teclas"},
        {"F2", "Abre o cupom (no campo do produto: pesquisa de produtos)"},
        {"F3", "Abre a gaveta"},
        {"F4", "Formas de pagamento do cupom"},
        {"F5", "Altera o cliente"},
        {"F6", "Cancela um item"},
        {"F7", "Finaliza o cupom"},
        {"F8", "Cancela o cupom"},
        {"F9", "Autenticação"},
        {"F10", "Quantidade do próximo item (na condição de pagamento: pesquisa)"},
        {"F11", "Valor do próximo item"},
        {"F12", "Calculadora"},
        {"Pause", "Nome e CPF/CNPJ do consumidor"},
        {"Seta acima / abaixo", "Rola os itens do cupom (no campo do produto)"},
        {"Enter", "Vende o produto digitado"},
        {"Esc", "Fecha o quadro do consumidor"},
        {"Alt Dir. + 1", "Contabilidade"},
        {"Alt Dir. + 2", "Contas a receber"},
        {"Alt Dir. + 3", "Contas a pagar"},
        {"Alt Dir. + 4", "Estoque"},
        {"Alt Dir. + 5", "Vendas"},
        {"Alt Dir. + 6", "Compras"},
        {"Alt + 1", "Menu Impressora Fiscal (dia, leituras, redução Z, sangria...)"},
        {"Alt + 2", "Menu Gerência (pré-venda, pesquisas, vendas, caixa, vendedor)"},
        {"Alt + 3", "Menu Sistema (sair)"}}},
      {"CondPgto",
       {{"F1", "Esta lista de teclas"},
        {"Enter", "Na grade: nova forma na linha vazia; nos campos: próximo campo"},
        {"Insert", "Nova linha de pagamento"},
        {"Delete", "Apaga a linha de pagamento"},
        {"F2", "Pesquisa a condição de pagamento"},
        {"F6", "Copia o cheque da linha"},
        {"F8", "Digita os prazos"},
        {"F12", "Calculadora"},
        {"F4 / Esc", "Volta à venda (Esc no quadro: abandona a linha)"}}},
      {"Imprime_Cupom_PreVenda",
       {{"F1", "Esta lista de teclas"},
        {"F2", "Pesquisa a pré-venda (no número)"},
        {"Enter", "Carrega a pré-venda digitada"},
        {"F4", "Altera a forma de pagamento"},
        {"F5", "Imprime o cupom da pré-venda"},
        {"F7", "Libera a pré-venda"},
        {"Pause", "Nome e CPF/CNPJ do consumidor"},
        {"Esc", "Fecha o quadro do consumidor / a tela"}}},
      {"Visualiza_Venda",
       {{"F1", "Esta lista de teclas"},
        {"Enter", "Carrega a venda digitada"},
        {"F4", "Altera a forma de pagamento"},
        {"F5", "Envia ao programa de liberação"},
        {"Esc", "Fecha a tela"}}},
      {"Fecha_Cupom_Completo", fechamento},
      {"Fecha_Cupom_Resumo", fechamento},
      {"FormPesq",
       {{"F1", "Esta lista de teclas"},
        {"Enter", "Pesquisa o texto digitado / escolhe a linha"},
        {"Setas, PageUp, PageDown", "Percorrem a grade"},
        {"F9", "Liga/desliga o filtro"},
        {"Esc", "Interrompe a pesquisa / fecha sem escolher"}}},
      {"VendasDia",
       {{"F1", "Esta lista de teclas"}, {"F5", "Imprime o relatório"}, {"Esc", "Fecha a tela"}}},
      {"Vendedor",
       {{"F1", "Esta lista de teclas"}, {"F2", "Pesquisa o vendedor"}, {"Esc", "Fecha a tela"}}},
      {"SenhaPDV",
       {{"F1", "Esta lista de teclas"},
        {"Enter", "Confere o código / a senha"},
        {"Esc (no código)", "Encerra o programa"},
        {"Esc (na senha)", "Volta ao código"}}},
      {"AbreDia",
       {{"F1", "Esta lista de teclas"},
        {"Enter", "Próximo campo / abre o dia (no OK)"},
        {"Esc", "Não abre o dia (sem abertura não há vendas)"}}},
      {"ProgramaFormas", {{"F1", "Esta lista de teclas"}, {"Enter", "Fecha a lista (no OK)"}}},
      {"Leitura_X",
       {{"F1", "Esta lista de teclas"},
        {"Seta acima / abaixo", "Uma linha"},
        {"PageUp / PageDown", "Uma página"},
        {"Home / End", "Início / fim da leitura"},
        {"Enter / Esc", "Fecha a leitura"}}},
  };
  return tabelas;
}

}  // namespace

QList<TeclaAjuda> TeclasDaTela(const QString &nomeTela) { return Tabelas().value(nomeTela, TeclasComuns()); }

AjudaTeclas::AjudaTeclas(Aplicacao &app, const Tela &de)
    : Tela(app, "AjudaTeclas", QStringLiteral("Teclas - ") + de.legendaTela()) {
  adiciona("Titulo", TipoCampo::Rotulo).setTexto(QStringLiteral("TECLAS DESTA TELA (Esc fecha)"));
  Campo &lista = adiciona("Teclas", TipoCampo::Lista);
  for (const TeclaAjuda &t : de.teclasAjuda()) lista.adicionaItem(t.tecla.leftJustified(24) + t.acao);
  Campo &ok = adiciona("OK", TipoCampo::Botao);
  ok.setTexto("OK");
  ok.aoClicar = [this] { this->app().descarrega(*this, true); };
  keyPreview = true;
  aoTeclarForm = [this](int &tecla, int) {
    if (tecla != tecla::Esc) return;
    tecla = 0;
    this->app().descarrega(*this, true);
  };
}
