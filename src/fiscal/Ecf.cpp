#include "fiscal/Ecf.h"

#include <QByteArray>
#include <initializer_list>

#include "core/Cp1252.h"
#include "fiscal/FuncoesEcf.h"

namespace {

ObservadorEcf &observadorAtual() {
  static ObservadorEcf o;
  return o;
}

void notifica(const char *funcao, QStringList argumentos, int16_t status, QStringList saidas = {}) {
  if (observadorAtual())
    observadorAtual()({QString::fromLatin1(funcao), std::move(argumentos), status, std::move(saidas)});
}

// A text argument: 8-bit, zero-terminated, writable by the library.
class Texto {
 public:
  explicit Texto(const QString &texto) : bytes_(cp1252::encode(texto)) {}
  char *c() { return bytes_.data(); }

 private:
  QByteArray bytes_;
};

// An output buffer: blank-filled to its fixed length before the call.
class Saida {
 public:
  explicit Saida(int tamanho) : bytes_(tamanho, ' ') {}
  char *c() { return bytes_.data(); }
  QString texto() const { return cp1252::decode(QByteArray(bytes_.constData())); }

 private:
  QByteArray bytes_;
};

bool temBibliotecaComum(MarcaImpressora marca) {
  return marca == MarcaImpressora::Bematech || marca == MarcaImpressora::Sweda;
}

template <class Tipo>
Tipo *funcao(MarcaImpressora marca, const char *nome) {
  const QByteArray completo = (PrefixoFuncoesEcf(marca) + QLatin1String(nome)).toLatin1();
  return reinterpret_cast<Tipo *>(FuncaoBibliotecaEcf(marca, completo.constData()));
}

// A library or function that cannot be had still shows in the observer's
// record of calls, with the error, before the caller handles it.
template <class Tipo>
Tipo *funcaoOuAviso(MarcaImpressora marca, const char *nome, const QString &wrapper) {
  try {
    return funcao<Tipo>(marca, nome);
  } catch (const ErroBibliotecaEcf &erro) {
    notifica(wrapper.toLatin1().constData(), {}, 0, {"error: " + QString::fromUtf8(erro.what())});
    throw;
  }
}

// Bematech and Sweda take the same suffix and arguments; anything else gives 0.
template <class Tipo, class... Argumentos>
int16_t chamaComum(const TerminalState &e, const char *sufixo, Argumentos... argumentos) {
  const MarcaImpressora marca = MarcaDe(e.MarcaEcf);
  if (!temBibliotecaComum(marca)) return 0;
  return static_cast<int16_t>(funcaoOuAviso<Tipo>(marca, sufixo, "Ecf" + QLatin1String(sufixo))(argumentos...));
}

template <class Tipo, class... Argumentos>
int16_t chamaEpson(const char *nome, Argumentos... argumentos) {
  return static_cast<int16_t>(funcaoOuAviso<Tipo>(MarcaImpressora::Epson, nome, QLatin1String(nome))(argumentos...));
}

#define CHAMA(e, nome, ...) chamaComum<ecf::Tipo##nome>(e, #nome __VA_OPT__(, ) __VA_ARGS__)

// The wrappers whose only argument is none and whose only result is a status.
template <class Tipo>
int16_t semArgumentos(TerminalState &e, const char *sufixo, const char *wrapper) {
  const int16_t status = chamaComum<Tipo>(e, sufixo);
  notifica(wrapper, {}, status);
  return status;
}

}  // namespace

ObservadorEcf InstalaObservadorEcf(ObservadorEcf observador) {
  ObservadorEcf anterior = std::move(observadorAtual());
  observadorAtual() = std::move(observador);
  return anterior;
}

int16_t EcfAbrePortaSerial(TerminalState &e) {
  int16_t status = 0;
  if (MarcaDe(e.MarcaEcf) == MarcaImpressora::Epson)
    status = chamaEpson<ecf::TipoEPSON_Serial_Abrir_PortaEx>("EPSON_Serial_Abrir_PortaEx");
  else
    status = CHAMA(e, AbrePortaSerial);
  e.PortaEcfAberta = status > 0;
  notifica("EcfAbrePortaSerial", {}, status);
  return status;
}

int16_t EcfFechaPortaSerial(TerminalState &e) {
  int16_t status = 0;
  if (MarcaDe(e.MarcaEcf) == MarcaImpressora::Epson)
    status = chamaEpson<ecf::TipoEPSON_Serial_Fechar_Porta>("EPSON_Serial_Fechar_Porta");
  else
    status = CHAMA(e, FechaPortaSerial);
  e.PortaEcfAberta = false;
  notifica("EcfFechaPortaSerial", {}, status);
  return status;
}

int16_t EcfNumeroSerie(TerminalState &e) {
  int16_t status = 0;
  if (MarcaDe(e.MarcaEcf) == MarcaImpressora::Epson) {
    Saida dados(ecf::TamDadosEpson);
    e.NumSerieEcf = QString(ecf::TamNumSerie, ' ');
    chamaEpson<ecf::TipoEPSON_Obter_Dados_Impressora>("EPSON_Obter_Dados_Impressora", dados.c());
    e.NumSerieEcf = dados.texto().left(ecf::TamNumSerie);
    status = 1;  // the identification is whatever the block holds
  } else {
    Saida serie(ecf::TamNumSerie);
    e.NumSerieEcf = serie.texto();
    status = CHAMA(e, NumeroSerie, serie.c());
    e.NumSerieEcf = serie.texto();
  }
  notifica("EcfNumeroSerie", {}, status, {e.NumSerieEcf});
  return status;
}

int16_t EcfAbreCupom(TerminalState &e, const QString &cpfCnpj) {
  Texto cpf(cpfCnpj);
  const int16_t status = CHAMA(e, AbreCupom, cpf.c());
  notifica("EcfAbreCupom", {cpfCnpj}, status);
  return status;
}

int16_t EcfVendeItem(TerminalState &e, const QString &codigo, const QString &descricao,
                     const QString &aliquota, const QString &tipoQuantidade, const QString &quantidade,
                     int16_t casasDecimais, const QString &valorUnitario, const QString &tipoDesconto,
                     const QString &desconto) {
  Texto cod(codigo), desc(descricao), aliq(aliquota), tipoQtd(tipoQuantidade), qtd(quantidade),
      valor(valorUnitario), tipoDesc(tipoDesconto), dsc(desconto);
  const int16_t status = CHAMA(e, VendeItem, cod.c(), desc.c(), aliq.c(), tipoQtd.c(), qtd.c(),
                               static_cast<short>(casasDecimais), valor.c(), tipoDesc.c(), dsc.c());
  notifica("EcfVendeItem",
           {codigo, descricao, aliquota, tipoQuantidade, quantidade, QString::number(casasDecimais),
            valorUnitario, tipoDesconto, desconto},
           status);
  return status;
}

int16_t EcfCancelaItemGenerico(TerminalState &e, const QString &item) {
  Texto numero(item);
  const int16_t status = CHAMA(e, CancelaItemGenerico, numero.c());
  notifica("EcfCancelaItemGenerico", {item}, status);
  return status;
}

int16_t EcfCancelaCupom(TerminalState &e) {
  return semArgumentos<ecf::TipoCancelaCupom>(e, "CancelaCupom", "EcfCancelaCupom");
}

int16_t EcfIniciaFechamentoCupom(TerminalState &e, const QString &acrescimoDesconto, const QString &tipo,
                                 const QString &valor) {
  Texto ad(acrescimoDesconto), t(tipo), v(valor);
  const int16_t status = CHAMA(e, IniciaFechamentoCupom, ad.c(), t.c(), v.c());
  notifica("EcfIniciaFechamentoCupom", {acrescimoDesconto, tipo, valor}, status);
  return status;
}

int16_t EcfEfetuaFormaPagamentoDescricaoForma(TerminalState &e, const QString &forma, const QString &valor,
                                              const QString &descricao) {
  Texto f(forma), v(valor), d(descricao);
  const int16_t status = CHAMA(e, EfetuaFormaPagamentoDescricaoForma, f.c(), v.c(), d.c());
  notifica("EcfEfetuaFormaPagamentoDescricaoForma", {forma, valor, descricao}, status);
  return status;
}

int16_t EcfTerminaFechamentoCupom(TerminalState &e, const QString &mensagem) {
  Texto m(mensagem);
  const int16_t status = CHAMA(e, TerminaFechamentoCupom, m.c());
  notifica("EcfTerminaFechamentoCupom", {mensagem}, status);
  return status;
}

int16_t EcfFechaCupomResumido(TerminalState &e, const QString &forma, const QString &mensagem) {
  Texto f(forma), m(mensagem);
  const int16_t status = CHAMA(e, FechaCupomResumido, f.c(), m.c());
  notifica("EcfFechaCupomResumido", {forma, mensagem}, status);
  return status;
}

int16_t EcfNumeroCupom(TerminalState &e) {
  Saida numero(ecf::TamNumCupom);
  e.NumCupom = numero.texto();
  const int16_t status = CHAMA(e, NumeroCupom, numero.c());
  e.NumCupom = numero.texto();
  notifica("EcfNumeroCupom", {}, status, {e.NumCupom});
  return status;
}

int16_t EcfDataMovimento(TerminalState &e) {
  Saida data(ecf::TamDataMovimento);
  e.DataMovimento = data.texto();
  const int16_t status = CHAMA(e, DataMovimento, data.c());
  e.DataMovimento = data.texto();
  notifica("EcfDataMovimento", {}, status, {e.DataMovimento});
  return status;
}

int16_t EcfDataHoraImpressora(TerminalState &e) {
  Saida data(ecf::TamDataImpressora), hora(ecf::TamHoraImpressora);
  e.DataImpressora = data.texto();
  e.HoraImpressora = hora.texto();
  const int16_t status = CHAMA(e, DataHoraImpressora, data.c(), hora.c());
  e.DataImpressora = data.texto();
  e.HoraImpressora = hora.texto();
  notifica("EcfDataHoraImpressora", {}, status, {e.DataImpressora, e.HoraImpressora});
  return status;
}

int16_t EcfFlagsFiscais(TerminalState &e) {
  short flags = 0;
  e.FlagsFiscais = 0;
  const int16_t status = CHAMA(e, FlagsFiscais, &flags);
  e.FlagsFiscais = flags;
  notifica("EcfFlagsFiscais", {}, status, {QString::number(e.FlagsFiscais)});
  return status;
}

SituacaoCupom PerguntaSituacaoCupom(TerminalState &e) {
  int16_t r = 0;
  try {
    r = EcfFlagsFiscais(e);
  } catch (const std::exception &) {
    return SituacaoCupom::SemResposta;
  }
  if (r < 1 && r != -27) return SituacaoCupom::SemResposta;
  return (e.FlagsFiscais & FlagFiscal::CupomAberto) ? SituacaoCupom::Aberto : SituacaoCupom::Fechado;
}

int16_t EcfVerificaFormasPagamento(TerminalState &e) {
  Saida formas(ecf::TamFormasPagamento);
  e.FormasPgtoEcf = formas.texto();
  const int16_t status = CHAMA(e, VerificaFormasPagamento, formas.c());
  e.FormasPgtoEcf = formas.texto();
  notifica("EcfVerificaFormasPagamento", {}, status, {e.FormasPgtoEcf});
  return status;
}

int16_t EcfVerificaTotalizadoresParciais(TerminalState &e) {
  Saida totais(ecf::TamTotalizadoresParciais);
  e.FormasPgtoEcf = totais.texto();
  const int16_t status = CHAMA(e, VerificaTotalizadoresParciais, totais.c());
  e.FormasPgtoEcf = totais.texto();
  notifica("EcfVerificaTotalizadoresParciais", {}, status, {e.FormasPgtoEcf});
  return status;
}

int16_t EcfProgramaFormaPagamentoMFD(TerminalState &e, const QString &forma, const QString &tef) {
  Texto f(forma), t(tef);
  const int16_t status = CHAMA(e, ProgramaFormaPagamentoMFD, f.c(), t.c());
  notifica("EcfProgramaFormaPagamentoMFD", {forma, tef}, status);
  return status;
}

int16_t EcfNomeiaTotalizadorNaoSujeitoIcms(TerminalState &e, int16_t indice, const QString &nome) {
  Texto n(nome);
  const int16_t status = CHAMA(e, NomeiaTotalizadorNaoSujeitoIcms, static_cast<short>(indice), n.c());
  notifica("EcfNomeiaTotalizadorNaoSujeitoIcms", {QString::number(indice), nome}, status);
  return status;
}

int16_t EcfAberturaDoDia(TerminalState &e, const QString &valor, const QString &forma) {
  Texto v(valor), f(forma);
  const int16_t status = CHAMA(e, AberturaDoDia, v.c(), f.c());
  notifica("EcfAberturaDoDia", {valor, forma}, status);
  return status;
}

int16_t EcfLeituraX(TerminalState &e) { return semArgumentos<ecf::TipoLeituraX>(e, "LeituraX", "EcfLeituraX"); }

int16_t EcfLeituraXSerial(TerminalState &e) {
  return semArgumentos<ecf::TipoLeituraXSerial>(e, "LeituraXSerial", "EcfLeituraXSerial");
}

int16_t EcfReducaoZ(TerminalState &e, const QString &data, const QString &hora) {
  Texto d(data), h(hora);
  const int16_t status = CHAMA(e, ReducaoZ, d.c(), h.c());
  notifica("EcfReducaoZ", {data, hora}, status);
  return status;
}

int16_t EcfLeituraMemoriaFiscalData(TerminalState &e, const QString &dataInicial, const QString &dataFinal) {
  Texto i(dataInicial), f(dataFinal);
  const int16_t status = CHAMA(e, LeituraMemoriaFiscalData, i.c(), f.c());
  notifica("EcfLeituraMemoriaFiscalData", {dataInicial, dataFinal}, status);
  return status;
}

int16_t EcfLeituraMemoriaFiscalReducao(TerminalState &e, const QString &reducaoInicial,
                                       const QString &reducaoFinal) {
  Texto i(reducaoInicial), f(reducaoFinal);
  const int16_t status = CHAMA(e, LeituraMemoriaFiscalReducao, i.c(), f.c());
  notifica("EcfLeituraMemoriaFiscalReducao", {reducaoInicial, reducaoFinal}, status);
  return status;
}

int16_t EcfRelatorioGerencial(TerminalState &e, const QString &texto) {
  Texto t(texto);
  const int16_t status = CHAMA(e, RelatorioGerencial, t.c());
  notifica("EcfRelatorioGerencial", {texto}, status);
  return status;
}

int16_t EcfFechaRelatorioGerencial(TerminalState &e) {
  return semArgumentos<ecf::TipoFechaRelatorioGerencial>(e, "FechaRelatorioGerencial",
                                                        "EcfFechaRelatorioGerencial");
}

int16_t EcfRecebimentoNaoFiscal(TerminalState &e, const QString &indice, const QString &valor,
                                const QString &forma) {
  Texto i(indice), v(valor), f(forma);
  const int16_t status = CHAMA(e, RecebimentoNaoFiscal, i.c(), v.c(), f.c());
  notifica("EcfRecebimentoNaoFiscal", {indice, valor, forma}, status);
  return status;
}

int16_t EcfSangria(TerminalState &e, const QString &valor) {
  Texto v(valor);
  const int16_t status = CHAMA(e, Sangria, v.c());
  notifica("EcfSangria", {valor}, status);
  return status;
}

int16_t EcfSuprimento(TerminalState &e, const QString &valor, const QString &forma) {
  Texto v(valor), f(forma);
  const int16_t status = CHAMA(e, Suprimento, v.c(), f.c());
  notifica("EcfSuprimento", {valor, forma}, status);
  return status;
}

int16_t EcfVerificaEstadoGaveta(TerminalState &e, int16_t &estado) {
  short s = estado;
  const int16_t status = CHAMA(e, VerificaEstadoGaveta, &s);
  estado = s;
  notifica("EcfVerificaEstadoGaveta", {}, status, {QString::number(estado)});
  return status;
}

int16_t EcfAcionaGaveta(TerminalState &e) {
  return semArgumentos<ecf::TipoAcionaGaveta>(e, "AcionaGaveta", "EcfAcionaGaveta");
}

int16_t EcfAutenticacao(TerminalState &e) {
  return semArgumentos<ecf::TipoAutenticacao>(e, "Autenticacao", "EcfAutenticacao");
}

int16_t EcfRetornoImpressora(TerminalState &e, int16_t &ack, int16_t &st1, int16_t &st2) {
  short a = ack, s1 = st1, s2 = st2;
  const int16_t status = CHAMA(e, RetornoImpressora, &a, &s1, &s2);
  ack = a;
  st1 = s1;
  st2 = s2;
  notifica("EcfRetornoImpressora", {}, status,
           {QString::number(ack), QString::number(st1), QString::number(st2)});
  return status;
}

int16_t EcfDownloadMFD(TerminalState &e, const QString &arquivo, const QString &tipo, const QString &inicial,
                       const QString &final) {
  Texto a(arquivo), t(tipo), i(inicial), f(final), u(QStringLiteral("1"));
  const int16_t status = CHAMA(e, DownloadMFD, a.c(), t.c(), i.c(), f.c(), u.c());
  notifica("EcfDownloadMFD", {arquivo, tipo, inicial, final}, status);
  return status;
}
