#pragma once

#include <QChar>
#include <QList>
#include <QString>
#include <QStringList>

// How a script's text is cut into statements. The scripts of this program end a statement
// with a line holding "/" alone, or with a semicolon.
struct ScriptSyntax {
    QChar term = u'/';          // a line holding only this character ends a statement
    bool semicolonTerm = true;  // a semicolon inside a line ends a statement as well
};

struct ScriptStatement {
    QString text;  // its lines, trimmed, joined with "\n"
    int line = 0;  // 1-based number of the line that ended it (errors quote it)
};

// Cuts a script into its statements:
//  - the text is taken line by line (a line ends at "\r\n", "\n" or "\r"), each line trimmed
//    of leading and trailing blanks; empty lines are dropped;
//  - a line holding only the terminator ends the current statement;
//  - in a line with a semicolon, the part before the first semicolon (if any) ends the
//    current statement, and the rest of the line, trimmed, starts the next one; that rest is
//    taken whole, even when it holds a further semicolon (semicolons at its start are
//    skipped: they would only end empty statements);
//  - any other line is added to the current statement; the end of the text ends it as well;
//  - a statement without lines (two terminators in a row) is skipped.
// Only semicolons and terminator lines that the server would see as code count: not those
// inside 'strings', "quoted" or [bracketed] names, -- line comments or /* block comments */.
// A "--" comment stays in its statement and, the lines being joined with line breaks, comments
// out only the rest of its own line.
QList<ScriptStatement> splitScriptStatements(const QString& script,
                                             const ScriptSyntax& syntax = {});

// The statements' texts alone.
QStringList splitScript(const QString& script);
