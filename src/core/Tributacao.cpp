#include "core/Tributacao.h"

#include <QHash>
#include <QSet>
#include <algorithm>

namespace {

// What a tax code sends as its aliquota.
enum class Envio { Taxa, FFDentroTaxaFora, II, NN, TaxaReduzida };

struct Regra {
  GrupoTributacao grupo;
  Envio envio;
  bool estadoEm6108 = true;  // operation 6108 takes the in-state side
};

// A table: its listed codes and the rule of every other code.
struct Tabela {
  QHash<QString, Regra> codigos;
  Regra outro;
};

void poe(Tabela &t, std::initializer_list<const char *> codigos, Regra r) {
  for (const char *c : codigos) t.codigos.insert(QString::fromLatin1(c), r);
}

// Each table row by row, as the codes are listed.
Tabela tabelaItem() {
  Tabela t;
  poe(t, {"000", "101", "102"}, {GrupoTributacao::Tributado, Envio::Taxa});
  poe(t, {"060", "160", "260", "201", "202", "030", "130", "230", "061", "161", "261", "070", "170", "270"},
      {GrupoTributacao::Substituicao, Envio::FFDentroTaxaFora});
  poe(t, {"040", "140", "240", "103"}, {GrupoTributacao::IsentoNaoTrib, Envio::II});
  poe(t, {"041", "141", "241", "050", "150", "250", "300", "400", "500", "900"},
      {GrupoTributacao::IsentoNaoTrib, Envio::NN});
  poe(t, {"051", "151", "251"}, {GrupoTributacao::Diferido, Envio::NN});
  poe(t, {"020", "120", "220"}, {GrupoTributacao::BaseReduzida, Envio::TaxaReduzida});
  t.outro = {GrupoTributacao::Nenhum, Envio::Taxa};
  return t;
}

// The pre-sale's: "101", "102", "201" and "202" are exempt, "103" is not
// listed, and only "000" and substitution keep the in-state side in 6108.
Tabela tabelaEmpenho() {
  Tabela t;
  poe(t, {"000"}, {GrupoTributacao::Tributado, Envio::Taxa});
  poe(t, {"060", "160", "260", "030", "130", "230", "061", "161", "261", "070", "170", "270"},
      {GrupoTributacao::Substituicao, Envio::FFDentroTaxaFora});
  poe(t, {"040", "140", "240"}, {GrupoTributacao::IsentoNaoTrib, Envio::II});
  poe(t, {"041", "141", "241", "050", "150", "250", "101", "102", "201", "202", "300", "400", "500", "900"},
      {GrupoTributacao::IsentoNaoTrib, Envio::NN});
  poe(t, {"051", "151", "251"}, {GrupoTributacao::Diferido, Envio::NN});
  poe(t, {"020", "120", "220"}, {GrupoTributacao::BaseReduzida, Envio::TaxaReduzida, false});
  t.outro = {GrupoTributacao::Nenhum, Envio::Taxa, false};
  return t;
}

const Tabela &tabela(TabelaTributacao qual) {
  static const Tabela item = tabelaItem();
  static const Tabela empenho = tabelaEmpenho();
  return qual == TabelaTributacao::Empenho ? empenho : item;
}

}  // namespace

Tributacao ClassificaTributacao(const DadosTributacao &d, TabelaTributacao qual) {
  const Tabela &t = tabela(qual);
  const Regra regra = t.codigos.value(d.tribPro.trimmed(), t.outro);
  // The in-state side (in-state rate, "FF" for substitution): in-state sales,
  // and operation 6108 where the rule says so.
  const bool ladoEstado = d.operacao.startsWith('5') ||
                          (regra.estadoEm6108 && d.operacao.trimmed() == QLatin1String("6108"));
  const Moeda taxa = ladoEstado ? d.aliquotaEstado : d.aliquotaFora;
  switch (regra.envio) {
    case Envio::Taxa: return {regra.grupo, taxa.formatada(2), taxa};
    case Envio::FFDentroTaxaFora:
      return {regra.grupo, ladoEstado ? QStringLiteral("FF") : d.aliquotaFora.formatada(2), Moeda()};
    case Envio::II: return {regra.grupo, QStringLiteral("II"), Moeda()};
    case Envio::NN: return {regra.grupo, QStringLiteral("NN"), Moeda()};
    case Envio::TaxaReduzida: {
      const Moeda reduzida = taxa.menosPercentual(d.reducao, 2);
      return {regra.grupo, reduzida.formatada(2), reduzida};
    }
  }
  return {};
}

TotaisLinha TotaisDaLinha(const Tributacao &t, Moeda valorLinha) {
  TotaisLinha r;
  r.valor = valorLinha;
  switch (t.grupo) {
    case GrupoTributacao::Tributado:
      r.total = BaseTributada;
      r.totalImposto = ValorIcms;
      // Kept at four decimals: the coupon's tax total is the sum of its
      // lines' taxes, rounded once, when it is recorded.
      r.imposto = valorLinha.percentual(t.taxa, 4);
      break;
    case GrupoTributacao::Substituicao: r.total = BaseSubstituicao; break;
    case GrupoTributacao::IsentoNaoTrib: r.total = IsentoNaoTributado; break;
    case GrupoTributacao::Diferido: r.total = Diferido; break;
    case GrupoTributacao::BaseReduzida: r.total = BaseReduzida; break;
    case GrupoTributacao::Nenhum: break;
  }
  return r;
}

QList<int> AliquotasDoCatalogo(const QList<DadosTributacao> &produtos) {
  QSet<int> taxas;
  for (DadosTributacao d : produtos)
    for (const TabelaTributacao qual : {TabelaTributacao::Item, TabelaTributacao::Empenho})
      for (const char *operacao : {"5102", "6102", "6108"}) {
        d.operacao = QString::fromLatin1(operacao);
        const Tributacao t = ClassificaTributacao(d, qual);
        if (const auto taxa = Moeda::deTexto(t.aliquota); taxa && !taxa->ehZero())
          taxas.insert(static_cast<int>(taxa->arredondada(2).unidades() / 100));
      }
  QList<int> lista(taxas.begin(), taxas.end());
  std::sort(lista.begin(), lista.end());
  return lista;
}

void AcumulaLinha(TotaisCupom &totais, const Tributacao &t, Moeda valorLinha, int sinal) {
  const TotaisLinha l = TotaisDaLinha(t, valorLinha);
  if (l.total >= 0) totais[static_cast<size_t>(l.total)] += sinal < 0 ? -l.valor : l.valor;
  if (l.totalImposto >= 0) totais[static_cast<size_t>(l.totalImposto)] += sinal < 0 ? -l.imposto : l.imposto;
}
