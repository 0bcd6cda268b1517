#pragma once
// Splitting a database script into statements.
#include <QString>
#include <QStringList>

// Splits at the terminator (";" unless "SET TERM x ;" changed it), outside
// quoted texts, quoted names and comments. Comments are dropped, empty
// statements skipped, SET TERM lines consumed. A trailing statement without a
// terminator is kept.
QStringList DivideScriptSql(const QString &script);
