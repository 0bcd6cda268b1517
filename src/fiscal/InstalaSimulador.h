#pragma once
// Installing the simulated fiscal printer into a drive (used by pdv-admin).
#include <QList>
#include <QString>

// Copies the three simulator libraries into DRIVE/kw-velt and creates a fresh
// simulated printer with the given serial number in its memory folder.
// Returns false with a message in *erro when something could not be done.
// `aliquotas` (hundredths of a percent) are the rates the printer is
// programmed with; empty keeps the factory ones.
bool InstalaSimuladorNoDrive(const QString &raizDrive, const QString &numeroSerie, QString *erro,
                             const QList<int> &aliquotas = {});

// The serial number a drive made by pdv-admin gets by default.
inline constexpr const char *SerieSimuladorPadrao = "SIM0000000000000001";
