#pragma once

#include <QString>
#include <functional>
#include <string>
#include <vector>

class QMenu;
class QWidget;

namespace ravelin {

// A widget painting itself for a saved picture has this property set to true, so that
// it can leave out what belongs to the screen only (focus frame, pointer, read-out).
inline constexpr const char* kExportingProperty = "ravelinExporting";

// One set of data behind a plot: the menu item's text, the name the save dialog
// proposes, and the CSV text (UTF-8) made when the user has chosen a file.
struct PlotData {
    QString label;
    QString fileName;
    std::function<std::string()> csv;
};

// Adds to menu "画像として保存..." (PNG or SVG, by the file's type) and one item per
// data set; each asks for a file and writes it whole or not at all.
void AddExportActions(QMenu* menu, QWidget* plot, const QString& baseName,
                      const std::vector<PlotData>& data);

// The widget as it paints itself, without its on-screen extras: SVG for a path ending
// in ".svg" (any case), PNG otherwise. False when the file could not be written.
bool SavePlotPicture(QWidget* plot, const QString& path);
// The bytes of text at path, replacing any file there only when all were written.
bool SaveBytes(const QString& path, const QByteArray& bytes);

} // namespace ravelin
