#pragma once
// The fiscal-printer operations of the program. Each wrapper picks the vendor
// library by the configured brand (TerminalState::MarcaEcf, compared exactly:
// "BEMATECH", then "SWEDA", then "EPSON" in the three wrappers that have an
// Epson branch), converts the arguments, calls the library and returns its
// status as a 16-bit value. An unknown brand, or Epson outside the port and
// identification, touches no library and returns 0. Outputs land in the
// state's members. A library that cannot be loaded throws ErroBibliotecaEcf.
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>

#include "core/TerminalState.h"
#include "fiscal/BibliotecaEcf.h"
#include "fiscal/FlagsFiscais.h"

int16_t EcfAbrePortaSerial(TerminalState &e);
int16_t EcfFechaPortaSerial(TerminalState &e);
// NumSerieEcf (20). Epson: the first 20 characters of its data block, and 1.
int16_t EcfNumeroSerie(TerminalState &e);
int16_t EcfAbreCupom(TerminalState &e, const QString &cpfCnpj);
int16_t EcfVendeItem(TerminalState &e, const QString &codigo, const QString &descricao,
                     const QString &aliquota, const QString &tipoQuantidade, const QString &quantidade,
                     int16_t casasDecimais, const QString &valorUnitario, const QString &tipoDesconto,
                     const QString &desconto);
int16_t EcfCancelaItemGenerico(TerminalState &e, const QString &item);
int16_t EcfCancelaCupom(TerminalState &e);
int16_t EcfIniciaFechamentoCupom(TerminalState &e, const QString &acrescimoDesconto, const QString &tipo,
                                 const QString &valor);
int16_t EcfEfetuaFormaPagamentoDescricaoForma(TerminalState &e, const QString &forma, const QString &valor,
                                              const QString &descricao);
int16_t EcfTerminaFechamentoCupom(TerminalState &e, const QString &mensagem);
int16_t EcfFechaCupomResumido(TerminalState &e, const QString &forma, const QString &mensagem);
int16_t EcfNumeroCupom(TerminalState &e);           // NumCupom (6)
int16_t EcfDataMovimento(TerminalState &e);         // DataMovimento (6), "000000" with no movement
int16_t EcfDataHoraImpressora(TerminalState &e);    // DataImpressora, HoraImpressora (6 each)
int16_t EcfFlagsFiscais(TerminalState &e);          // FlagsFiscais
int16_t EcfVerificaFormasPagamento(TerminalState &e);        // FormasPgtoEcf (3016)
int16_t EcfVerificaTotalizadoresParciais(TerminalState &e);  // FormasPgtoEcf (445)
int16_t EcfProgramaFormaPagamentoMFD(TerminalState &e, const QString &forma, const QString &tef);
int16_t EcfNomeiaTotalizadorNaoSujeitoIcms(TerminalState &e, int16_t indice, const QString &nome);
int16_t EcfAberturaDoDia(TerminalState &e, const QString &valor, const QString &forma);
int16_t EcfLeituraX(TerminalState &e);
int16_t EcfLeituraXSerial(TerminalState &e);
int16_t EcfReducaoZ(TerminalState &e, const QString &data, const QString &hora);
int16_t EcfLeituraMemoriaFiscalData(TerminalState &e, const QString &dataInicial, const QString &dataFinal);
int16_t EcfLeituraMemoriaFiscalReducao(TerminalState &e, const QString &reducaoInicial,
                                       const QString &reducaoFinal);
int16_t EcfRelatorioGerencial(TerminalState &e, const QString &texto);
int16_t EcfFechaRelatorioGerencial(TerminalState &e);
int16_t EcfRecebimentoNaoFiscal(TerminalState &e, const QString &indice, const QString &valor,
                                const QString &forma);
int16_t EcfSangria(TerminalState &e, const QString &valor);
int16_t EcfSuprimento(TerminalState &e, const QString &valor, const QString &forma);
int16_t EcfVerificaEstadoGaveta(TerminalState &e, int16_t &estado);
int16_t EcfAcionaGaveta(TerminalState &e);
int16_t EcfAutenticacao(TerminalState &e);
int16_t EcfRetornoImpressora(TerminalState &e, int16_t &ack, int16_t &st1, int16_t &st2);
// The detail tape (MFD) of the documents numbered inicial..final (tipo "2":
// by document number, COO) written as text into the file (a path of the
// installation, "c:\\..."), as the printer keeps it.
int16_t EcfDownloadMFD(TerminalState &e, const QString &arquivo, const QString &tipo, const QString &inicial,
                       const QString &final);


// Whether the printer holds a coupon open, as the printer itself tells it
// (its fiscal flags). Only this says whether a closing took: an empty
// message, or a dialog that went away, says nothing. A status of -27 is an
// answer (the printer executed the query and reports a status such as low
// paper); any other failure is no answer.
enum class SituacaoCupom { Fechado, Aberto, SemResposta };
SituacaoCupom PerguntaSituacaoCupom(TerminalState &e);

// One wrapper call as an observer sees it: the wrapper's name, its arguments
// as texts, the status returned and the outputs it read (in the order of the
// table: e.g. NumCupom; the three status bytes; the drawer state).
struct ChamadaEcf {
  QString funcao;
  QStringList argumentos;
  int16_t status = 0;
  QStringList saidas;
};
using ObservadorEcf = std::function<void(const ChamadaEcf &)>;

// Installs the observer told of every wrapper call (the replay transcript);
// returns the previous one. An empty function removes it.
ObservadorEcf InstalaObservadorEcf(ObservadorEcf observador);
