// The end of a sale: F7 closes the coupon on the printer and records it.
// A closed sale is written to the desk's journal before the printer closes
// its coupon; the database recording then runs in one transaction. When the
// database does not take it, the sale stays kept on the desk and is recorded
// later (after the next sale recorded, on a timer, at start-up).
#include <QFile>
#include <QRegularExpression>
#include <QTime>
#include <algorithm>
#include <optional>

#include "closing/FechaCupom.h"
#include "closing/ServicoFechamento.h"
#include "closing/VendaFechada.h"
#include "core/Database.h"
#include "core/Logs.h"
#include "core/Operator.h"
#include "core/PontoFalha.h"
#include "core/Utilidades.h"
#include "fiscal/AnalisaRetorno.h"
#include "fiscal/Ecf.h"
#include "payment/CondPgto.h"
#include "payment/LinhaPagamento.h"
#include "platform/Host.h"
#include "platform/Paths.h"
#include "sale/PForm.h"

namespace {

const QString MensagemCupomSegueAberto =
    QStringLiteral("\n\nO cupom continua aberto e a venda não foi gravada: feche-o de novo (F7) ou cancele-o (F8).");
const QString MensagemImpressoraMuda = QStringLiteral(
    "\n\nA impressora não responde: a venda não foi gravada. Feche o cupom de novo (F7) quando ela responder; "
    "ao iniciar o caixa o cupom é conferido.");

}  // namespace

ServicoFechamento &PForm::fechamento() {
  if (!fechamento_) {
    fechamento_ = std::make_unique<ServicoFechamento>(estado(), app().operador());
    fechamento_->mostraSituacao = [this](const QString &texto) { campo("StBar1").setTexto(texto); };
    fechamento_->textoContingencia = [this](int guardadas) {
      return textoContingencia ? textoContingencia(guardadas) : QString();
    };
    fechamento_->mostraContingencia = [this](const QString &texto) {
      Campo &mensagem = campo("TxtMens");
      if (!texto.isEmpty()) mensagem.setTexto(texto);
      else if (mensagem.texto().startsWith(QStringLiteral("CONTINGÊNCIA"))) mensagem.setTexto(QString());
    };
  }
  return *fechamento_;
}

void PForm::mostraEmpenho(qlonglong codigo) { campo("CodEpn").setTexto(QString::number(codigo)); }

void PForm::mostraVendaConcluida(const QString &cliente, qlonglong empenho, qlonglong cupom) {
  campo("TxtMens").setTexto("Cliente: " + cliente + " | Empenho: " + QString::number(empenho) +
                            " | Cupom: " + QString::number(cupom));
}

void PForm::mostraCupomDeOutraTela(const QString &cliente, qlonglong empenho, qlonglong cupom) {
  // The window shows no coupon of its own: not the previous sale's.
  LimpaCupomMostrado();
  mostraVendaConcluida(cliente, empenho, cupom);
  voltaAoConsumidor();
}

void PForm::voltaAoConsumidor() {
  defineCliente(QStringLiteral("0-CONSUMIDOR"));
  defineOperacao(operacaoConsumidor_);
}

void PForm::defineCliente(const QString &cliente) {
  venda_.cliente = cliente;
  campo("Cliente").setTexto(cliente);
}

void PForm::defineOperacao(const QString &operacao) {
  venda_.operacao = operacao;
  campo("FisEpn").setTexto(operacao);
}

void PForm::defineVendedor(const QString &vendedor) {
  venda_.vendedor = vendedor;
  campo("VenEpn").setTexto(vendedor);
}

void PForm::defineCupom(qlonglong cupom) {
  venda_.cupom = cupom;
  campo("NoCupom").setTexto(QString::number(cupom));
}

VendaFechada PForm::montaVenda() const {
  TerminalState &e = estado();
  VendaFechada v;
  v.caixa = e.NumCaixa;
  v.cupom = venda_.cupom;
  v.data = e.DataSistema;
  v.usuario = e.CodUsuario;
  v.cliente = venda_.cliente;
  v.vendedor = venda_.vendedor.trimmed().toLongLong();
  v.operacao = venda_.operacao.trimmed().toInt();
  v.total = venda_.total();
  v.local = e.LocCxaMat;
  v.fechadaEm = e.relogio().now();
  v.faturamento = VendaFechada::TextoFaturamento(e.CodUsuario, e.NomeMaquina, v.fechadaEm.time());
  v.itens = venda_.vendidos();
  for (ItemVendido &i : v.itens)
    if (const ItemEstoque *estoque = estoqueCupom_.item(i.item)) i.estoqueDevido = estoque->devido;
  for (const ItemEstoque &d : estoqueCupom_.devolucoesDevidas)
    v.estoqueADevolver << EstoqueADevolver{d.produto.toLongLong(), d.quantidade};
  if (condPgto_) v.pagamentos = condPgto_->pagamentos();
  v.totais = venda_.totais();
  return v;
}

void PForm::cancelaCupomZerado() {
  const Resposta r = app().operador().mensagem({QStringLiteral("O Total de Vendas é ZERO! Cancela o Cupom ?"),
                                                Icone::Critico, Botoes::SimNao, Resposta::Nao, QString()});
  if (r != Resposta::Sim) return;
  const DadosTributacao marcador{QStringLiteral("040"), Moeda(), Moeda(), Moeda(), venda_.operacao};
  if (!EnviaItem(QStringLiteral("0"), QStringLiteral("Produto"), marcador, true, Quantidade::deInteiro(1),
                 Moeda::deCentavos(1))) {
    // The placeholder was not sold: there is nothing to cancel.
    app().operador().avisa(QStringLiteral("Envia Item"));
    return;
  }
  if (const CancelamentoCupom c = CancelaCupom(); c.concluido) {
    voltaAoConsumidor();
    LimpaVenda();
  } else {
    app().operador().avisa(c.porque);
  }
}

void PForm::CmdFinal() {
  TerminalState &e = estado();
  desmarcaCampo();
  const Moeda total = venda_.total();
  if (total.ehZero()) {
    cancelaCupomZerado();
    return;
  }
  const bool completo = pagamentosAtribuidos();
  if (completo && valorAtribuido() != total) {
    app().operador().avisa(QStringLiteral("Total das formas diferente do total das vendas !"));
    formasPagamento();
    return;
  }

  const VendaFechada venda = montaVenda();
  DadosFechamento dados;
  dados.totalDinheiro = completo && condPgto_ ? condPgto_->totalDinheiro() : total;
  if (completo) dados.pagamentos = venda.pagamentos;
  dados.cliente = venda.cliente;
  dados.operacao = venda_.operacao;
  dados.caixa = campo("Caixa").texto();
  dados.formaUmConhecida = formaUm_;
  std::optional<FechaCupom> dialogo;
  const ServicoFechamento::Resultado r =
      fechamento().fecha(venda, [&](const ServicoFechamento::Guarda &guarda, QString &falha) {
        dados.antesDeEnviar = [&guarda](QString &erro) {
          if (guarda(erro)) return true;
          erro = QStringLiteral("A venda não pôde ser guardada no disco deste caixa; o cupom não foi fechado.\n") +
                 erro;
          return false;
        };
        dialogo.emplace(app(), completo ? FechaCupom::Tipo::Completo : FechaCupom::Tipo::Resumo, dados);
        if (!completo) campo("Dinheiro").setTexto(total.formatada());
        app().mostra(*dialogo, true);
        if (!dialogo->formaUm().isEmpty()) formaUm_ = dialogo->formaUm();
        falha = dialogo->falha().value_or(QString());
        return dialogo->enviado();
      });

  // A dialog that sent nothing (Esc, its close box, a journal that could
  // not be written) closed nothing.
  if (!r.enviado) {
    campo("Dinheiro").setTexto(QStringLiteral("0,00"));
    app().operador().avisa(r.porque.isEmpty() ? FechaCupom::MensagemDesistencia : r.porque);
    return;
  }
  campo("Dinheiro").setTexto(dialogo->dinheiro());
  switch (r.desfecho) {
    case ServicoFechamento::Desfecho::NaoFechado:
      app().operador().avisa(r.porque.isEmpty() ? ServicoFechamento::MensagemCupomNaoFechado + MensagemCupomSegueAberto
                                                : r.porque);
      return;
    case ServicoFechamento::Desfecho::Incerto:
      // F7 again resends the closing; the start-up check decides otherwise.
      app().operador().avisa(r.porque.isEmpty() ? ServicoFechamento::MensagemCupomNaoFechado + MensagemImpressoraMuda
                                                : r.porque);
      return;
    default:
      // The printer said no somewhere in the sequence, yet closed it.
      if (!r.porque.isEmpty()) app().operador().avisa(r.porque);
      break;
  }
  campo("Pago").setTexto(dialogo->pago());
  campo("Troco").setTexto(dialogo->troco());
  if (const QString aviso = AcionaGavetaDoCaixa(e); !aviso.isEmpty()) app().operador().avisa(aviso);

  fechamento().registra(venda, [this, &venda](const ServicoFechamento::Resultado &g) {
    voltaAoConsumidor();
    LimpaVenda();
    if (g.desfecho != ServicoFechamento::Desfecho::Gravado) return;
    mostraEmpenho(g.empenho);
    mostraVendaConcluida(venda.cliente, g.empenho, venda.cupom);
  });
  if (vendaFechada) vendaFechada();
}

void PForm::contingenciaMudou(bool emContingencia) {
  ServicoFechamento &f = fechamento();
  if (!emContingencia && !estado().EcfOcupada && app().telaFrente() == this) {
    f.GravaVendasGuardadas(false);
    EnviaRegistrosGuardados(estado());
  }
  f.mostraGuardadas();
}

