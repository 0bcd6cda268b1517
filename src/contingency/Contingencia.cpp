#include "contingency/Contingencia.h"

#include "contingency/CopiaLocal.h"
#include "core/Database.h"
#include "core/TerminalState.h"
#include "platform/Host.h"

Contingencia::Contingencia(TerminalState &estado, QString arquivoCopia)
    : estado_(estado), arquivoCopia_(std::move(arquivoCopia)) {
  PreparaLeituraContingencia(arquivoCopia_);
  estado_.conexao().defineReserva(StringConexaoContingencia(arquivoCopia_), [this](bool em) { mudou(em); });
}

Contingencia::~Contingencia() {
  estado_.conexao().defineReserva(QString());
  if (sonda_.joinable()) sonda_.join();
}

bool Contingencia::ativa() const { return estado_.conexao().emReserva(); }

void Contingencia::mudou(bool emContingencia) {
  if (emContingencia) {
    desde_ = estado_.relogio().now();
    const std::optional<SituacaoCopia> s = LeSituacaoCopia(arquivoCopia_);
    copiaDe_ = s ? s->atualizada : QDateTime();
    // The server was just found away: the first try waits its interval.
    ultimaSonda_ = std::chrono::steady_clock::now();
  }
  if (aoMudar) aoMudar(emContingencia);
}

QString Contingencia::texto(int vendasGuardadas) const {
  if (!ativa()) return {};
  const QString copia = copiaDe_.isValid() ? copiaDe_.toString("dd/MM hh:mm") : QStringLiteral("sem data");
  return QStringLiteral("CONTINGÊNCIA desde %1: sem servidor, vendendo pela cópia local de %2 | "
                        "Vendas guardadas: %3")
      .arg(desde_.toString("hh:mm"), copia)
      .arg(vendasGuardadas);
}

void Contingencia::verifica(bool agora) {
  if (!ativa()) return;
  if (respondeu_.exchange(false)) {
    // The try attached a moment ago; the shared connection attaches now
    // (bounded as well: the server may have gone again meanwhile).
    if (estado_.conexao().voltaAoServidor()) return;
  }
  if (!sondando_) {
    if (!agora && std::chrono::steady_clock::now() - ultimaSonda_ < std::chrono::milliseconds(IntervaloSondaMs))
      return;
    iniciaSonda();
  }
  // After a sale a server that is back answers at once: the desk returns
  // before the next coupon; one that does not answer costs this wait only.
  if (!agora) return;
  esperaSonda(std::chrono::milliseconds(EsperaNaVendaMs));
  if (respondeu_.exchange(false)) estado_.conexao().voltaAoServidor();
}

void Contingencia::iniciaSonda() {
  if (sonda_.joinable()) sonda_.join();
  ultimaSonda_ = std::chrono::steady_clock::now();
  sondando_ = true;
  sonda_ = std::thread([this, servidor = estado_.StrConexao] {
    try {
      ConexaoBanco c;
      const auto limite = std::chrono::milliseconds(ConexaoBanco::kLimiteReservaMs);
      c.defineLimites(limite, limite);
      c.abre(servidor);
      Recordset rs;
      rs.abre("SELECT 1 FROM RDB$DATABASE", c);
      respondeu_ = true;
    } catch (const std::exception &) {
      // Still away: the next try says.
    }
    sondando_ = false;
  });
}

void Contingencia::esperaSonda(std::chrono::milliseconds limite) {
  const auto fim = std::chrono::steady_clock::now() + limite;
  while (sondando_ && std::chrono::steady_clock::now() < fim) std::this_thread::sleep_for(std::chrono::milliseconds(5));
}
