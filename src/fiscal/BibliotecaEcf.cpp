#include "fiscal/BibliotecaEcf.h"

#include <QFileInfo>
#include <QLibrary>
#include <map>
#include <memory>

#include "platform/Paths.h"

MarcaImpressora MarcaDe(const QString &marcaEcf) {
  if (marcaEcf == QLatin1String("BEMATECH")) return MarcaImpressora::Bematech;
  if (marcaEcf == QLatin1String("SWEDA")) return MarcaImpressora::Sweda;
  if (marcaEcf == QLatin1String("EPSON")) return MarcaImpressora::Epson;
  return MarcaImpressora::Desconhecida;
}

QString ArquivoBibliotecaEcf(MarcaImpressora marca) {
#ifdef Q_OS_WIN
  switch (marca) {
    case MarcaImpressora::Bematech: return QStringLiteral("bemafi32.dll");
    case MarcaImpressora::Sweda: return QStringLiteral("CONVECF.dll");
    case MarcaImpressora::Epson: return QStringLiteral("InterfaceEpson.dll");
    case MarcaImpressora::Desconhecida: break;
  }
#else
  switch (marca) {
    case MarcaImpressora::Bematech: return QStringLiteral("libbemafi32.so");
    case MarcaImpressora::Sweda: return QStringLiteral("libconvecf.so");
    case MarcaImpressora::Epson: return QStringLiteral("libinterfaceepson.so");
    case MarcaImpressora::Desconhecida: break;
  }
#endif
  return {};
}

QString PrefixoFuncoesEcf(MarcaImpressora marca) {
  switch (marca) {
    case MarcaImpressora::Bematech: return QStringLiteral("Bematech_FI_");
    case MarcaImpressora::Sweda: return QStringLiteral("ECF_");
    case MarcaImpressora::Epson:
    case MarcaImpressora::Desconhecida: break;
  }
  return {};
}

QStringList LocalizaBibliotecaNoDrive(const QString &arquivo) {
  return {platform::hostPath(QStringLiteral("c:\\kw-velt\\")) + "/" + arquivo, arquivo};
}

namespace {

struct Carregador {
  LocalizadorBibliotecaEcf localizador;
  std::map<MarcaImpressora, std::unique_ptr<QLibrary>> carregadas;

  void descarrega() {
    for (auto &[marca, biblioteca] : carregadas) biblioteca->unload();
    carregadas.clear();
  }

  QLibrary &biblioteca(MarcaImpressora marca) {
    auto achada = carregadas.find(marca);
    if (achada != carregadas.end()) return *achada->second;
    const QString arquivo = ArquivoBibliotecaEcf(marca);
    if (arquivo.isEmpty()) throw ErroBibliotecaEcf(QStringLiteral("Marca de impressora fiscal desconhecida."));
    const QStringList candidatos = localizador ? localizador(arquivo) : LocalizaBibliotecaNoDrive(arquivo);
    QStringList erros;
    for (const QString &caminho : candidatos) {
      // A path that names a missing file is skipped; a bare name goes to the loader.
      if (caminho.contains('/') && !QFileInfo::exists(caminho)) {
        erros << caminho + QStringLiteral(": arquivo não encontrado");
        continue;
      }
      auto lib = std::make_unique<QLibrary>(caminho);
      if (lib->load()) return *carregadas.emplace(marca, std::move(lib)).first->second;
      erros << lib->errorString();
    }
    throw ErroBibliotecaEcf(QStringLiteral("Não foi possível carregar a biblioteca da impressora fiscal %1 (%2).")
                                .arg(arquivo, erros.join(QStringLiteral("; "))));
  }
};

Carregador &carregador() {
  static Carregador c;
  return c;
}

}  // namespace

LocalizadorBibliotecaEcf DefineLocalizadorBibliotecaEcf(LocalizadorBibliotecaEcf localizador) {
  Carregador &c = carregador();
  c.descarrega();
  LocalizadorBibliotecaEcf anterior = std::move(c.localizador);
  c.localizador = std::move(localizador);
  return anterior;
}

void *FuncaoBibliotecaEcf(MarcaImpressora marca, const char *nome) {
  QLibrary &lib = carregador().biblioteca(marca);
  QFunctionPointer f = lib.resolve(nome);
  if (!f)
    throw ErroBibliotecaEcf(QStringLiteral("A biblioteca da impressora fiscal %1 não tem a função %2.")
                                .arg(QFileInfo(lib.fileName()).fileName(), QString::fromLatin1(nome)));
  return reinterpret_cast<void *>(f);
}

void DescarregaBibliotecasEcf() { carregador().descarrega(); }
