#pragma once
// The closing of a coupon, the same for a sale of the sale screen and a
// printed pre-sale: the sale goes to the desk's journal before the printer
// is told to close its coupon; only the printer says whether it did; a
// closed sale is then recorded in the database in one transaction, or kept
// on the desk when the database does not take it and recorded later (after
// the next sale recorded, on a timer, at start-up); a recorded pre-sale's
// claim is handed to the suite's release program.
//
// Each step returns what happened as a value; the screens say it in their
// own words.
#include <QString>
#include <functional>
#include <memory>

#include "closing/DiarioVendas.h"

struct TerminalState;
class Operator;
struct VendaFechada;

class ServicoFechamento {
 public:
  ServicoFechamento(TerminalState &estado, Operator &operador);
  ~ServicoFechamento();

  // What happened to a coupon being closed.
  enum class Desfecho {
    NaoFechado,  // nothing closed: nothing sent, or the printer keeps it open
    Incerto,     // the printer did not answer after the closing was sent
    Fechado,     // the printer closed it (not recorded yet)
    Gravado,     // closed and recorded in the database
    Guardado,    // closed and kept on the desk: the database did not take it
  };
  struct Resultado {
    Desfecho desfecho = Desfecho::NaoFechado;
    // NaoFechado, Incerto: what went wrong while sending (empty when nothing
    // was said); Fechado: what the printer said while closing it anyway;
    // Guardado: why the database did not take it.
    QString porque;
    bool enviado = false;    // the closing reached the printer
    qlonglong empenho = 0;   // Gravado: the empenho recorded
  };

  // Writes the sale to the journal as being closed; false (and why) when
  // the drive did not take it: then nothing may be sent to the printer.
  using Guarda = std::function<bool(QString &erro)>;
  // Sends the closing to the printer, calling `guarda` before its first
  // command; false when nothing was sent (the operator gave up, the journal
  // refused). `falha`: what went wrong on the way.
  using Envio = std::function<bool(const Guarda &guarda, QString &falha)>;

  // The journal, the closing sent, the printer asked: NaoFechado (the
  // journal entry dropped), Incerto (the entry stays "closing" for the
  // start-up check) or Fechado (the entry marked closed).
  Resultado fecha(const VendaFechada &venda, const Envio &envia);
  // Records a sale the printer closed: Gravado or Guardado. `mostra` is
  // told the outcome before the sales kept earlier are tried (Gravado) or
  // before the cashier is told the sale is kept (Guardado).
  Resultado registra(const VendaFechada &venda, const std::function<void(const Resultado &)> &mostra = {});

  // The closed sales of this desk kept on its drive.
  DiarioVendas &diario();
  // Records one closed sale or printed pre-sale (its journal marks, the
  // release program); false with the reason, in the cashier's words, when
  // the database did not take it (the sale stays kept). `arquivo`: the
  // journal file it was read from (default: the sale's own);
  // `recusadaPeloConteudo`: set when the database will never take it as it is.
  bool registraVenda(const VendaFechada &venda, qlonglong &codigo, QString &porque, const QString &arquivo = {},
                     bool *recusadaPeloConteudo = nullptr);
  // Records the sales this desk kept while the database was away; returns
  // how many are still kept. `avisa`: tell the operator what happened.
  int GravaVendasGuardadas(bool avisa);
  // Starts the release program of recorded sales whose start was never
  // confirmed (journal entries in gravadas still holding their marker).
  void LiberaPendentes();
  // Release starts that failed during this run (tried again on the timer).
  int liberacoesFalhas() const { return liberacoesFalhas_; }
  // Start-up: kept sales whose coupon the printer closed are to be recorded,
  // the one whose coupon was just cancelled (cancelado) is dropped.
  void resolveDiario(qlonglong cancelado, bool impressoraRespondeu);
  // Tells the cashier, once until it writes again, that the journal on the
  // drive did not take a write.
  void avisaDiarioNaoGravou(const QString &erro);
  // Shows how many sales the desk keeps and how many it set aside.
  void mostraGuardadas();
  // Where that is shown (the sale screen's status bar).
  std::function<void(const QString &)> mostraSituacao;
  // While the desk works from its local copy (the server away), what says
  // so, given the count of kept sales ("" otherwise): shown in the status
  // bar in place of the count, and given to `mostraContingencia` (the
  // message line), empty when the desk is back on the server.
  std::function<QString(int guardadas)> textoContingencia;
  std::function<void(const QString &)> mostraContingencia;

  // How often kept sales are tried again while the program runs.
  static constexpr int IntervaloGuardadasMs = 30000;
  static inline const QString MensagemVendaGuardada = QStringLiteral(
      "O banco de dados não gravou esta venda (%1).\n\nO cupom foi impresso e a venda está GUARDADA NESTE CAIXA: "
      "ela será gravada sozinha assim que o banco de dados voltar. Pode continuar vendendo.");
  static inline const QString MensagemCupomNaoFechado =
      QStringLiteral("A impressora não confirmou o fechamento do cupom.");

 private:
  void mostraGuardadas(int quantas);

  TerminalState &estado_;
  Operator &operador_;
  std::unique_ptr<DiarioVendas> diario_;
  int liberacoesFalhas_ = 0;   // release starts that failed during this run
  bool diarioFalhou_ = false;  // the journal refused a write (told once)
};
