#include "fiscal/InstalaSimulador.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "fiscal/BibliotecaEcf.h"
#include "fiscal/sim/EcfSim.h"

namespace {

const MarcaImpressora kMarcas[] = {MarcaImpressora::Bematech, MarcaImpressora::Sweda, MarcaImpressora::Epson};

bool temAsTres(const QString &pasta) {
  for (MarcaImpressora m : kMarcas)
    if (!QFileInfo::exists(pasta + '/' + ArquivoBibliotecaEcf(m))) return false;
  return true;
}

// The folders where the built simulator may be: PDV_ECF_SIM_LIBS, beside the
// running program (its ecf-sim folder, or the program's own folder), where an
// installation puts it relative to the program (/usr/bin/pdv-admin finds
// /usr/lib/pdv-velt/ecf-sim), and last the build folder this code was
// compiled in.
QStringList pastasCandidatas() {
  QStringList pastas;
  const QString definida = qEnvironmentVariable("PDV_ECF_SIM_LIBS");
  if (!definida.isEmpty()) pastas << definida;
  if (QCoreApplication::instance()) {
    const QString programa = QCoreApplication::applicationDirPath();
    pastas << programa + "/ecf-sim" << programa
           << QDir::cleanPath(programa + '/' + QStringLiteral(PDV_ECF_SIM_INSTALL_DIR_FROM_BIN));
  }
  pastas << QStringLiteral(PDV_ECF_SIM_BUILD_DIR);
  return pastas;
}

// Copies next to the target and renames over it, so a program that has the
// old library loaded keeps its copy intact.
bool copia(const QString &origem, const QString &destino, QString *erro) {
  const QString temporario = destino + ".novo";
  QFile::remove(temporario);
  if (!QFile::copy(origem, temporario)) {
    if (erro) *erro = QStringLiteral("não foi possível copiar %1 para %2").arg(origem, temporario);
    return false;
  }
  QFile::remove(destino);
  if (!QFile::rename(temporario, destino)) {
    if (erro) *erro = QStringLiteral("não foi possível gravar %1").arg(destino);
    return false;
  }
  return true;
}

}  // namespace

bool InstalaSimuladorNoDrive(const QString &raizDrive, const QString &numeroSerie, QString *erro,
                             const QList<int> &aliquotas) {
  if (numeroSerie.trimmed().isEmpty() || numeroSerie.size() > 20) {
    if (erro) *erro = QStringLiteral("número de série inválido para o simulador: \"%1\"").arg(numeroSerie);
    return false;
  }
  QString origem;
  const QStringList pastas = pastasCandidatas();
  for (const QString &p : pastas)
    if (temAsTres(p)) {
      origem = p;
      break;
    }
  if (origem.isEmpty()) {
    if (erro) *erro = QStringLiteral("bibliotecas do simulador não encontradas em: %1").arg(pastas.join(", "));
    return false;
  }
  const QString destino = QDir::cleanPath(raizDrive) + "/kw-velt";
  if (!QDir().mkpath(destino)) {
    if (erro) *erro = QStringLiteral("não foi possível criar a pasta %1").arg(destino);
    return false;
  }
  for (MarcaImpressora m : kMarcas) {
    const QString arquivo = ArquivoBibliotecaEcf(m);
    if (!copia(origem + '/' + arquivo, destino + '/' + arquivo, erro)) return false;
  }
  return ecfsim::CriaMemoriaSimulador(destino + "/ecf-sim", numeroSerie.trimmed(), erro, aliquotas);
}
