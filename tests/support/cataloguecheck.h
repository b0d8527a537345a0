#pragma once

#include <QString>
#include <QStringList>

namespace lanxi::test {

// What the catalogue promises about its files, checked from the outside: every DBInfo row of
// the folder's PARA.mdb names exactly one existing file that no other row names. Answers one
// line per broken promise; empty when all hold.
QStringList CatalogueProblems(const QString& folder);

// Files that catalogue operations leave only while they run: marks ("….creating",
// "….deleting"), half-copied files ("….partial") and files moved aside ("….deleted").
QStringList CatalogueLeftovers(const QString& folder);

}  // namespace lanxi::test
