#include "closing/FechaCupom.h"
#include "closing/RodapeCupom.h"

#include "core/Database.h"
#include "core/Logs.h"
#include "core/Operator.h"
#include "core/Teclas.h"
#include "core/Utilidades.h"
#include "fiscal/AnalisaRetorno.h"
#include "fiscal/Ecf.h"

namespace {

const QString Zero = QStringLiteral("0,00");

// A complete closing the printer did not finish: what it took of it. The
// same payment rows sent again while the printer still holds that closing
// go on from where it stopped, so no payment is registered twice.
struct FechamentoInterrompido {
  QList<LinhaPagamento> pagamentos;
  QList<bool> aceitas;  // per payment row
};

FechamentoInterrompido &interrompido() {
  static FechamentoInterrompido f;
  return f;
}

// The payment-form name of a row; a row copied from a cheque may lack it,
// and then the row of the same condition that has it tells.
QString NomeDaForma(const QList<LinhaPagamento> &pagamentos, int linha) {
  const LinhaPagamento &p = pagamentos[linha];
  if (!p.forma.trimmed().isEmpty()) return p.forma;
  for (const LinhaPagamento &outra : pagamentos)
    if (outra.condicao == p.condicao && !outra.forma.trimmed().isEmpty()) return outra.forma;
  return p.forma;
}

}  // namespace

FechaCupom::FechaCupom(Aplicacao &app, Tipo tipo, DadosFechamento dados)
    : Tela(app, tipo == Tipo::Completo ? "Fecha_Cupom_Completo" : "Fecha_Cupom_Resumo",
           QStringLiteral("Fechamento do Cupom")),
      tipo_(tipo), dados_(std::move(dados)) {
  adiciona("Label1", TipoCampo::Rotulo)
      .setTexto(tipo == Tipo::Completo ? QStringLiteral("FECHAMENTO COMPLETO") : QStringLiteral("FECHAMENTO RESUMIDO"));
  adiciona("LabTotDin", TipoCampo::Rotulo).setTexto(QStringLiteral("Total em Dinheiro"));
  adiciona("TotDin", TipoCampo::Rotulo).setTexto(Zero);
  adiciona("LabTxtValor", TipoCampo::Rotulo).setTexto(QStringLiteral("Valor Pago"));
  Campo &valor = adiciona("TxtValor", TipoCampo::Moeda);
  valor.tag = "N";
  valor.toolTip = QStringLiteral("Valor entregue pelo cliente; F7 fecha o cupom, Esc desiste.");
  valor.aoGanharFoco = [this] { campo("Troco").setTexto(Zero); };
  valor.aoValidar = [this] { return confereValor(); };
  adiciona("LabTroco", TipoCampo::Rotulo).setTexto(QStringLiteral("Troco"));
  adiciona("Troco", TipoCampo::Rotulo).setTexto(Zero);
  Campo &ok = adiciona("cmdOK", TipoCampo::Botao);
  ok.setTexto(QStringLiteral("[F7] - Processa"));
  ok.aoClicar = [this] { processa(); };
  keyPreview = true;
  aoTeclarForm = [this](int &t, int) {
    if (t == tecla::F7) {
      t = 0;
      processa();
    } else if (t == tecla::Esc) {
      t = 0;
      desiste();
    }
  };
}

void FechaCupom::carrega() {
  falha_.reset();
  const QString devido = dados_.totalDinheiro.formatada();
  campo("TotDin").setTexto(devido);
  campo("TxtValor").setTexto(devido);
  dinheiro_ = devido;
}

void FechaCupom::ativa() {
  if (!focado()) focaCampo("TxtValor", false);
}

Moeda FechaCupom::valorPago() { return ParaMoeda(campo("TxtValor").texto()); }

bool FechaCupom::confereValor() {
  const QString recusa = RecusaValorPago(dados_.totalDinheiro, valorPago(),
                                         tipo_ == Tipo::Completo ? QStringLiteral("Valor Pago menor que o valor em dinheiro !")
                                                                 : QStringLiteral("Valor Pago menor que a Venda !"));
  if (!recusa.isEmpty()) {
    app().operador().avisa(recusa);
    return false;
  }
  campo("Troco").setTexto(FormataValor(valorPago() - dados_.totalDinheiro));
  return true;
}

void FechaCupom::desiste() {
  falha_ = MensagemDesistencia;
  dinheiro_ = Zero;
  app().descarrega(*this, true);
}

QString FechaCupom::DescricaoVencimento(const QDate &vencimento) {
  return vencimento.isValid() ? QStringLiteral("Vencimento em ") + vencimento.toString(QStringLiteral("dd/MM/yyyy"))
                              : QString();
}

void FechaCupom::processa() {
  if (enviado_) return;
  TerminalState &e = estado();
  // F7 straight from the field is checked as leaving it would be: a change
  // below zero is never printed.
  if (!confereValor()) {
    focaCampo("TxtValor", false);
    campoRecusado(campo("TxtValor"));
    return;
  }
  // As the field shows it once left ("50" is "50,00").
  pago_ = FormataValor(valorPago());
  campo("TxtValor").setTexto(pago_);
  troco_ = FormataValor(valorPago() - dados_.totalDinheiro);
  campo("Troco").setTexto(troco_);
  if (tipo_ == Tipo::Resumo) {
    formaUm_ = dados_.formaUmConhecida;
    try {
      formaUm_ = NomeFormaUm(e);
    } catch (const ErroBanco &) {
      // The database is away: the name known from before serves.
    }
  }
  QString erro;
  if (dados_.antesDeEnviar && !dados_.antesDeEnviar(erro)) {
    falha_ = erro;
    app().descarrega(*this, true);
    return;
  }
  enviado_ = true;
  const QString rodape = RodapeCupom(troco_, dados_.cliente, dados_.operacao, dados_.caixa);
  {
    const Ampulheta ampulheta(app());
    if (tipo_ == Tipo::Completo) fechaCompleto(rodape);
    else fechaResumo(rodape);
  }
  app().descarrega(*this, true);
}

void FechaCupom::fechaCompleto(const QString &rodape) {
  falha_ = EnviaFechamentoCompleto(estado(), {"%", "0000"}, dados_.pagamentos, rodape);
}

std::optional<QString> EnviaFechamentoCompleto(TerminalState &e, const DescontoCupom &desconto,
                                               const QList<LinhaPagamento> &pagamentos, const QString &rodape) {
  // Every call is made even after a failure; the last failure is told.
  std::optional<QString> falha;
  auto aceita = [&falha](int16_t status) {
    if (status < 1) falha = ErroComunicacao(status);
    return status >= 1;
  };
  FechamentoInterrompido &anterior = interrompido();
  bool retoma = false;
  if (!anterior.pagamentos.isEmpty() && anterior.pagamentos == pagamentos) {
    const int16_t r = EcfFlagsFiscais(e);
    retoma = r >= 1 && (e.FlagsFiscais & FlagFiscal::FechamentoIniciado);
  }
  if (!retoma) {
    anterior.pagamentos = pagamentos;
    anterior.aceitas = QList<bool>(pagamentos.size(), false);
    aceita(EcfIniciaFechamentoCupom(e, "D", desconto.tipo, desconto.valor));
  }
  for (int i = 0; i < pagamentos.size(); ++i) {
    if (anterior.aceitas[i]) continue;
    const LinhaPagamento &p = pagamentos[i];
    anterior.aceitas[i] = aceita(EcfEfetuaFormaPagamentoDescricaoForma(
        e, NomeDaForma(pagamentos, i).left(15), p.valor.textoVirgula(2), FechaCupom::DescricaoVencimento(p.vencimento)));
  }
  if (aceita(EcfTerminaFechamentoCupom(e, rodape))) anterior = {};
  return falha;
}

void FechaCupom::fechaResumo(const QString &rodape) {
  TerminalState &e = estado();
  const int16_t status = EcfFechaCupomResumido(e, formaUm_, rodape);
  if (const AnaliseRetorno r = AnalisaRetornoEcf(e, status); !r.texto.isEmpty())
    app().operador().mensagem({r.texto, r.icone, Botoes::Ok, Resposta::Ok, QStringLiteral("Emissão de Cupom Fiscal")});
  if (status < 1) falha_ = ErroComunicacao(status);
}

QString RecusaValorPago(const Moeda &devido, const Moeda &pago, const QString &mensagemMenor) {
  if (devido > pago) return mensagemMenor;
  if (pago - devido > TrocoMaximo)
    return QStringLiteral("Valor Pago alto demais: o troco seria de %1, mais que %2. Confira o valor digitado !")
        .arg(FormataValor(pago - devido), FormataValor(TrocoMaximo));
  return {};
}

QString NomeFormaUm(TerminalState &e) {
  Recordset rs;
  rs.abre("Select * From Tb_Vda_FormPgt Where CodFpg=1", e.conexao());
  return rs.EOF_() ? QString() : SemNulo(rs["NomFpg"]).toString().trimmed();
}
