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
};

const QHash<QString, Regra> &regras() {
  static const QHash<QString, Regra> tabela = [] {
    QHash<QString, Regra> t;
    auto poe = [&t](std::initializer_list<const char *> codigos, Regra r) {
      for (const char *c : codigos) t.insert(QString::fromLatin1(c), r);
    };
    poe({"000", "101", "102"}, {GrupoTributacao::Tributado, Envio::Taxa});
    poe({"060", "160", "260", "201", "202", "030", "130", "230", "061", "161", "261", "070", "170", "270"},
        {GrupoTributacao::Substituicao, Envio::FFDentroTaxaFora});
    poe({"040", "140", "240", "103"}, {GrupoTributacao::IsentoNaoTrib, Envio::II});
    poe({"041", "141", "241", "050", "150", "250", "300", "400", "500", "900"},
        {GrupoTributacao::IsentoNaoTrib, Envio::NN});
    poe({"051", "151", "251"}, {GrupoTributacao::Diferido, Envio::NN});
    poe({"020", "120", "220"}, {GrupoTributacao::BaseReduzida, Envio::TaxaReduzida});
    return t;
  }();
  return tabela;
}

}  // namespace

Tributacao ClassificaTributacao(const DadosTributacao &d) {
  const bool dentroDoEstado = d.operacao.startsWith('5');
  const bool operacao6108 = d.operacao.trimmed() == QLatin1String("6108");
  // The rate as for a taxed sale: in-state, else interstate; 6108 in-state.
  const Moeda taxa = (dentroDoEstado || operacao6108) ? d.aliquotaEstado : d.aliquotaFora;
  const Regra regra = regras().value(d.tribPro.trimmed(), {GrupoTributacao::Nenhum, Envio::Taxa});
  switch (regra.envio) {
    case Envio::Taxa: return {regra.grupo, taxa.formatada(2), taxa};
    case Envio::FFDentroTaxaFora:
      return {regra.grupo, (dentroDoEstado || operacao6108) ? QStringLiteral("FF") : d.aliquotaFora.formatada(2), Moeda()};
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
      r.imposto = valorLinha.percentual(t.taxa, 2);
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
    for (const char *operacao : {"5102", "6102", "6108"}) {
      d.operacao = QString::fromLatin1(operacao);
      const Tributacao t = ClassificaTributacao(d);
      if (const auto taxa = Moeda::deTexto(t.aliquota); taxa && !taxa->ehZero())
        taxas.insert(static_cast<int>(taxa->arredondada(2).unidades() / 100));
    }
  QList<int> lista(taxas.begin(), taxas.end());
  std::sort(lista.begin(), lista.end());
  return lista;
}
