#pragma once
// Secret values (a salesperson's password on the web service) travel in request queries and
// answers, and a query can end up in a text the program writes: the address in an HTTP client's
// error, an answer's content in a reader's error. Every log line, incident line and debug line
// goes through MasquerSecrets, which writes "***" in place of the value of each declared key:
//     "...&CmlUserPassword=abc%2B1&..."       -> "...&CmlUserPassword=***&..."
//     "<CmlUserPassword>abc+1</CmlUserPassword>" -> "<CmlUserPassword>***</CmlUserPassword>"
// Keys are compared without regard to case. The families declare their keys when they are built.
#include <QString>
#include <QStringList>

void DeclarerCleSecrete(const QString& cle);
QStringList ClesSecretes();
QString MasquerSecrets(const QString& texte);
