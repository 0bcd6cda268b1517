#pragma once
// Registers the window of every screen that has one (its .ui file).
void registraTelasQt();
