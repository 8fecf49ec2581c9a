// Where the survivor of a move or copy lands: in the victim's folder, under the survivor's own
// file name, made free of existing files by putting "x" in front of the extension.
#pragma once

#include <QString>

namespace vexaris::review {

// The folder part of a full path, ending with the path delimiter ("" when there is none).
QString folderPart(const QString &path);

// The text after the last path delimiter.
QString fileNamePart(const QString &path);

// photo.jpg gives photox.jpg; a name without an extension gets the "x" at its end.
QString withXBeforeExtension(const QString &fileName);

// Whether anything, a dangling symbolic link included, already bears that name.
bool pathIsTaken(const QString &path);

// Whether two paths name one and the same file (device and inode), also through links (a folder can be in a
// collection twice, so one file can stand on both sides of a pair).
bool sameFile(const QString &first, const QString &second);

// The first free name in the victim's folder for the survivor, the victim's own path counting as
// free: it is chosen before the victim goes to the Trash, so that the journal can name it first.
QString freeTargetPath(const QString &victimPath, const QString &survivorPath);

} // namespace vexaris::review
