#include "access/Execucao.h"

#include "core/Teclas.h"
#include "fiscal/Ecf.h"

Execucao::Execucao(const QString &raiz) : drive(raiz.isEmpty() ? testsupport::demoDrive() : raiz) {
  if (raiz.isEmpty()) testsupport::abreDiaNoDemo();
  estado.usaRelogio(relogio);
  programa = std::make_unique<Programa>(estado, operador, area);
  anterior = InstalaTratadorEncerramento([](int, const QString &motivo) { throw ProgramaEncerrado(motivo); });
  InstalaObservadorEcf([this](const ChamadaEcf &c) { chamadasEcf << c.funcao; });
}

Execucao::~Execucao() {
  // A run that did not end leaves the printer port open: close it for the next.
  if (fim.isEmpty()) {
    try { EcfFechaPortaSerial(estado); } catch (...) {}
  }
  InstalaObservadorEcf({});
  programa.reset();
  InstalaTratadorEncerramento(anterior);
  if (falhasAntes) qputenv("PDV_ECF_SIM_FALHAS", *falhasAntes);
}

void Execucao::paraRelogio(const QDateTime &quando) {
  parado.set(quando);
  estado.usaRelogio(parado);
  if (!falhasAntes) falhasAntes = qgetenv("PDV_ECF_SIM_FALHAS");
  QByteArray falhas = *falhasAntes;
  if (!falhas.isEmpty()) falhas += ';';
  qputenv("PDV_ECF_SIM_FALHAS", falhas + "relogio " + quando.toString(Qt::ISODate).toLatin1());
}

bool Execucao::preenche(const QString &texto) {
  return passo([&] {
    Tela &t = frente();
    // The operator types over what the field holds (a refused entry stays).
    if (t.focado()) t.focado()->selecionaTudo();
    t.digita(texto);
    t.teclaBaixo(tecla::Enter);
  });
}
