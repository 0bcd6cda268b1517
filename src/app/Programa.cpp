#include "app/Programa.h"

#include <QFileInfo>

#include "access/SenhaPDV.h"
#include "admin/BancoAdmin.h"
#include "contingency/Contingencia.h"
#include "contingency/CopiaLocal.h"
#include "core/Database.h"
#include "sale/PForm.h"

Programa::Programa(TerminalState &estado, Operator &operador, AreaTransferencia &area)
    : estado_(estado), app_(estado, operador, area), login_(std::make_unique<SenhaPDV>(app_)) {
  estado_.usaOperador(operador);
  login_->abreTelaVenda = [this] { abreTelaVenda(); };
}

Programa::~Programa() = default;

void Programa::inicia() {
  preparaContingencia();
  app_.mostra(*login_);  // the start-up runs in its load step
  iniciaCopiaLocal();
}

void Programa::preparaContingencia() {
  const QString arquivo = ArquivoCopiaLocalDoPrograma();
  if (!QFileInfo(arquivo).isFile()) return;
  contingencia_ = std::make_unique<Contingencia>(estado_, arquivo);
  contingencia_->aoMudar = [this](bool em) { contingenciaMudou(em); };
  app_.agendaPeriodica(Contingencia::IntervaloVerificacaoMs, [this] { contingencia_->verifica(); });
}

void Programa::contingenciaMudou(bool emContingencia) {
  // Back on the server: the copy catches up with what changed meanwhile.
  if (!emContingencia && copia_) copia_->inicia(CopiaInteira::Recusada);
  if (venda_) venda_->contingenciaMudou(emContingencia);
}

void Programa::iniciaCopiaLocal() {
  if (!EhBancoEmServidor(InterpretaStringConexao(estado_.StrConexao).banco)) return;
  const QString arquivo = ArquivoCopiaLocalDoPrograma();
  copia_ = std::make_unique<CopiaDoCaixa>(arquivo, estado_.StrConexao, QFileInfo(arquivo).path() + "/copia.log");
  // In the background: the cashier logs in and sells meanwhile; a failure
  // is in the copy's log.
  copia_->inicia(CopiaInteira::Permitida);
  app_.agendaPeriodica(CopiaDoCaixa::IntervaloMs, [this] { copia_->inicia(CopiaInteira::Recusada); });
}

void Programa::abreTelaVenda() {
  venda_ = std::make_unique<PForm>(app_);
  anuncio_ = std::make_unique<platform::WindowAnnouncement>(venda_->legendaTela());
  venda_->descarregaLogin = [this] { app_.descarrega(*login_, true); };
  if (contingencia_) {
    venda_->textoContingencia = [this](int guardadas) { return contingencia_->texto(guardadas); };
    venda_->vendaFechada = [this] { contingencia_->verifica(true); };
  }
  if (aoCriarTelaVenda) aoCriarTelaVenda(*venda_);
  app_.mostra(*venda_);
}
