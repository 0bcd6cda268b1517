#include "core/IndiceProdutos.h"

#include <QFile>
#include <QSaveFile>
#include <algorithm>
#include <cstring>
#include <functional>
#include <string_view>
#include <vector>

#include "core/Cp1252.h"
#include "core/Database.h"

// The file: a mark of its format, then one record a product, in description
// order:
//   flags (1 byte: kAtivo, kSemDescricao, kSemInterno, kSemBarras)
//   code (4 bytes, little-endian)
//   description, internal code, barcode: each a length byte and its CP1252 bytes
// (the database stores them in CP1252, so a word is looked for byte by byte
// as the server's LIKE compares them).

namespace {

constexpr char kMarca[8] = {'P', 'D', 'V', 'I', 'P', 'R', '0', '1'};
enum : uint8_t { kAtivo = 1, kSemDescricao = 2, kSemInterno = 4, kSemBarras = 8 };
constexpr int kPorLeitura = 20000;

void poeTexto(QByteArray &saida, const QVariant &valor) {
  QByteArray bytes = valor.isNull() ? QByteArray() : cp1252::encode(valor.toString());
  bytes.truncate(255);
  saida.append(static_cast<char>(bytes.size()));
  saida.append(bytes);
}

}  // namespace

bool GravaIndiceProdutos(ConexaoBanco &conexao, const QString &arquivo, QString *erro,
                         const std::function<void(qint64)> &lidos) {
  QSaveFile f(arquivo);
  if (!f.open(QIODevice::WriteOnly)) {
    *erro = "não foi possível gravar " + arquivo + ": " + f.errorString();
    return false;
  }
  QByteArray bloco(kMarca, sizeof kMarca);
  qint64 total = 0;
  try {
    Recordset rs;
    rs.abrePaginado("SELECT CodPro, NomPro, CdiPro, EanPro, AtvPro FROM TB_EST_CADPRO ORDER BY NomPro", conexao,
                    kPorLeitura);
    for (;;) {
      for (const QVariantList &p : rs.tomaLinhas()) {
        uint8_t flags = 0;
        if (p[4].toInt() == 1) flags |= kAtivo;
        if (p[1].isNull()) flags |= kSemDescricao;
        if (p[2].isNull()) flags |= kSemInterno;
        if (p[3].isNull()) flags |= kSemBarras;
        bloco.append(static_cast<char>(flags));
        const quint32 codigo = static_cast<quint32>(p[0].toLongLong());
        for (int i = 0; i < 4; ++i) bloco.append(static_cast<char>((codigo >> (8 * i)) & 0xff));
        poeTexto(bloco, p[1]);
        poeTexto(bloco, p[2]);
        poeTexto(bloco, p[3]);
        if (++total % 100000 == 0 && lidos) lidos(total);
      }
      if (f.write(bloco) != bloco.size()) break;
      bloco.clear();
      if (rs.completo()) break;
      rs.leMais(kPorLeitura);
    }
  } catch (const ErroBanco &e) {
    f.cancelWriting();
    *erro = "não foi possível ler os produtos: " + e.descricao();
    return false;
  }
  if (!f.commit()) {
    *erro = "não foi possível gravar " + arquivo + ": " + f.errorString();
    return false;
  }
  if (lidos && total % 100000 != 0) lidos(total);
  return true;
}

std::optional<QList<int>> CodigosDoIndice(const QString &arquivo, const BuscaIndice &busca) {
  std::vector<QByteArray> palavras;
  for (const QString &p : busca.palavras) {
    // A wildcard inside a word matches what a plain search for it would not.
    if (p.contains('%') || p.contains('_') || !cp1252::ehArmazenavel(p)) return std::nullopt;
    palavras.push_back(cp1252::encode(p));
  }
  if (palavras.empty()) return std::nullopt;
  const bool codigosTambem = palavras.size() == 1;
  QFile f(arquivo);
  if (!f.open(QIODevice::ReadOnly)) return std::nullopt;
  if (f.read(sizeof kMarca) != QByteArray(kMarca, sizeof kMarca)) return std::nullopt;

  // Each word's searcher made once: a walk for a word late in name order (or
  // a rare one) looks inside every description of the file.
  using Buscador = std::boyer_moore_horspool_searcher<const char *>;
  std::vector<Buscador> buscadores;
  for (const QByteArray &p : palavras) buscadores.emplace_back(p.constData(), p.constData() + p.size());
  auto contem = [&](std::string_view texto, size_t palavra) {
    return std::search(texto.data(), texto.data() + texto.size(), buscadores[palavra]) != texto.data() + texto.size() ||
           palavras[palavra].isEmpty();
  };
  QList<int> codigos;
  // Read a piece at a time into one buffer (the file is not mapped: a whole
  // walk for a rare word would otherwise count the file into the process's
  // memory). A record is at most 1 + 4 + 3 * 256 bytes.
  constexpr qsizetype kPedaco = 256 * 1024, kMaiorRegistro = 1 + 4 + 3 * 256;
  std::vector<char> buffer(kPedaco);
  qsizetype pos = 0, n = 0;
  bool fim = false;
  while (codigos.size() < busca.quantos) {
    if (!fim && n - pos < kMaiorRegistro) {
      std::memmove(buffer.data(), buffer.data() + pos, n - pos);
      n -= pos;
      pos = 0;
      const qint64 lidos = f.read(buffer.data() + n, kPedaco - n);
      if (lidos < 0) return std::nullopt;
      if (lidos == 0) fim = true;
      n += lidos;
    }
    if (pos >= n) break;
    const auto *b = reinterpret_cast<const uint8_t *>(buffer.data());
    if (pos + 5 >= n) return std::nullopt;  // cut short
    const uint8_t flags = b[pos];
    const int codigo = static_cast<int>(b[pos + 1] | (b[pos + 2] << 8) | (b[pos + 3] << 16) |
                                        (static_cast<uint32_t>(b[pos + 4]) << 24));
    qsizetype q = pos + 5;
    std::string_view textos[3];
    for (std::string_view &t : textos) {
      if (q >= n || q + 1 + b[q] > n) return std::nullopt;
      t = std::string_view(buffer.data() + q + 1, b[q]);
      q += 1 + b[q];
    }
    pos = q;
    if (busca.somenteAtivos && !(flags & kAtivo)) continue;
    bool casa = !(flags & kSemDescricao);
    for (size_t p = 0; casa && p < palavras.size(); ++p) casa = contem(textos[0], p);
    if (!casa && codigosTambem)
      casa = (!(flags & kSemInterno) && contem(textos[1], 0)) || (!(flags & kSemBarras) && contem(textos[2], 0));
    if (casa) codigos.append(codigo);
  }
  return codigos;
}
