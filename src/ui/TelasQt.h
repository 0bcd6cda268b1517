#pragma once
class QApplication;
// Registers the window of every screen that has one (its .ui file).
void registraTelasQt();
// The program's look on every window: text sizes, the focus frame and the
// read-only look.
void AplicaAparencia(QApplication &qt);
