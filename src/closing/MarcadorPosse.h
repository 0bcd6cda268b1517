#pragma once
// The claim marker: what a desk writes into an empenho's StaEpn while it
// holds it (a sale being recorded, a pre-sale being printed, a coupon being
// cancelled) and hands to the suite's release and cancellation programs.
#include <QTime>
#include <cstdint>

// -(hhss of the time + operator).
qlonglong MarcadorPosse(const QTime &hora, int16_t usuario);
