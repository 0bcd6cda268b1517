#include "closing/MarcadorPosse.h"

qlonglong MarcadorPosse(const QTime &hora, int16_t usuario) {
  return -(hora.toString("hhss").toLongLong() + usuario);
}
