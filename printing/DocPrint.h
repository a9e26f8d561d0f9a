#pragma once
// Printing a document from a working screen: the one document print dialog of the run, created
// at its first use and reused, set to the document and its form code and shown modally.
#include <QString>

void ShowDocPrintForm(const QString& docNo, int docYear, const QString& printCode);
