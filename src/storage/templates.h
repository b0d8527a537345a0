#pragma once

#include <QString>
#include <QStringList>

namespace lanxi {

// Folders that hold the templates PARA.mdb and data.mdb shipped with the program: the folder
// of the executable and, for an installed program, its ../share/lanxi.
QStringList ShippedTemplateFolders();

// Gives the program folder copies of the shipped templates it lacks. Answers false, with the
// names of the files that could not be provided in `missing`, when a template is not shipped
// or cannot be copied. `supplied` receives the names of the templates copied now: a new
// PARA.mdb means the catalogue the folder had is gone.
bool EnsureTemplates(QStringList* missing = nullptr, QStringList* supplied = nullptr);
// The same with the templates taken from `sources`, the first folder holding one first.
bool EnsureTemplatesFrom(const QStringList& sources, QStringList* missing = nullptr,
                         QStringList* supplied = nullptr);

}  // namespace lanxi
