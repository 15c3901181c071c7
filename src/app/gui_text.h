#pragma once

#include <QFont>
#include <QString>
#include <QTableView>
#include <string>
#include <string_view>

namespace morvanex {

// Windows-1252 bytes of the core as text for the widgets; every byte keeps its own character.
QString fromCp1252(std::string_view bytes);
// Widget text as Windows-1252 bytes; a character the code page lacks becomes "?".
std::string toCp1252(const QString& text);

// A font given like the platform's by height and average character width in pixels: the face is
// resolved through fontconfig and stretched horizontally until its average width comes to width.
QFont logicalFont(const QString& face, int height, int width, int weight = QFont::Normal);

// Rows of a report list as tight as its font allows (the style's minimum would be taller).
void fitRowsToFont(QTableView& list);

inline const QString courierNew = QStringLiteral("Courier New");

} // namespace morvanex
