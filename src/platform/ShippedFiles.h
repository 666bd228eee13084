#pragma once

#include <QString>

// A relative programming-file name is taken against the current folder; the
// factory files ship beside the program, so a name not found in the current
// folder is taken from there. Absolute names and names found come back as
// they are.
QString ResolveShippedFile(const QString& fileName);
