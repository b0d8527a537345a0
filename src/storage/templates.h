#pragma once

#include <QString>
#include <QStringList>

namespace lanxi {

// Folders that hold the templates PARA.mdb and data.mdb shipped with the program: the folder
// of the executable and, for an installed program, its ../share/lanxi.
QStringList ShippedTemplateFolders();

// Gives the program folder copies of the shipped templates it lacks. Answers false, with the
// names of the files that could not be provided in `missing`, when a template is not shipped
// or cannot be copied.
bool EnsureTemplates(QStringList* missing = nullptr);

}  // namespace lanxi
