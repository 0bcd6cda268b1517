#pragma once
#include <QString>

// The coupon's footer: change (its commas as "-"), customer name (from the
// "code-name|document" caption, 30 characters at most), fiscal operation and
// desk, thanks; lines joined with LF. A pre-sale's coupon (`empenho` not
// empty) names the customer "CLIEN  : " and adds "EPN    : " + its number.
QString RodapeCupom(const QString &troco, const QString &cliente, const QString &operacao, const QString &caixa,
                    const QString &empenho = {});
