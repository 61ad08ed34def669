#include "view/PlotExport.h"

#include "control/QtUserPrompts.h"
#include "files/AtomicFile.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QImage>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QSvgGenerator>
#include <QWidget>

namespace ravelin {

namespace {

// The folder the last export went to, so that the next one starts there.
QString& ExportDirectory()
{
    static QString dir;
    return dir;
}

QString AskPath(QWidget* parent, const QString& title, const QString& name,
                const QStringList& filters)
{
    QFileDialog dialog(parent, title);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(filters);
    dialog.setDefaultSuffix(QFileInfo(name).suffix());
    if (!ExportDirectory().isEmpty())
        dialog.setDirectory(ExportDirectory());
    dialog.selectFile(name);
    QtUserPrompts::WordFileDialog(dialog, true);
    // The picture's type follows the filter chosen, unless the name says otherwise.
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString& f) {
        dialog.setDefaultSuffix(f.contains(QStringLiteral("*.svg"))   ? QStringLiteral("svg")
                                : f.contains(QStringLiteral("*.csv")) ? QStringLiteral("csv")
                                                                      : QStringLiteral("png"));
    });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    ExportDirectory() = dialog.directory().absolutePath();
    return dialog.selectedFiles().constFirst();
}

void Failed(QWidget* parent, const QString& path)
{
    QMessageBox::critical(
        parent, QCoreApplication::translate("ravelin::PlotExport", "保存できません"),
        QCoreApplication::translate("ravelin::PlotExport", "ファイル %1 に書き込めませんでした。")
            .arg(path));
}

} // namespace

bool SaveBytes(const QString& path, const QByteArray& bytes)
{
    AtomicFile file;
    if (!file.Open(path.toStdString()))
        return false;
    if (!file.Write(bytes.constData(), std::size_t(bytes.size()))) {
        file.Discard();
        return false;
    }
    return file.Commit();
}

bool SavePlotPicture(QWidget* plot, const QString& path)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    plot->setProperty(kExportingProperty, true);
    bool painted = true;
    if (path.endsWith(QStringLiteral(".svg"), Qt::CaseInsensitive)) {
        QSvgGenerator svg;
        svg.setOutputDevice(&buffer);
        // At the screen's resolution, so that the text keeps its size beside the lines.
        svg.setResolution(plot->logicalDpiX());
        svg.setSize(plot->size());
        svg.setViewBox(QRect(QPoint(0, 0), plot->size()));
        svg.setTitle(plot->accessibleName());
        svg.setDescription(plot->accessibleDescription());
        QPainter painter(&svg);
        plot->render(&painter, QPoint(), QRegion(), QWidget::DrawChildren);
        painted = painter.end();
    } else {
        const qreal ratio = plot->devicePixelRatioF();
        QImage image(plot->size() * ratio, QImage::Format_RGB32);
        image.setDevicePixelRatio(ratio);
        plot->render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
        painted = image.save(&buffer, "PNG");
    }
    plot->setProperty(kExportingProperty, false);
    return painted && !bytes.isEmpty() && SaveBytes(path, bytes);
}

void AddExportActions(QMenu* menu, QWidget* plot, const QString& baseName,
                      const std::vector<PlotData>& data)
{
    QAction* picture =
        menu->addAction(QCoreApplication::translate("ravelin::PlotExport", "画像として保存..."));
    QObject::connect(picture, &QAction::triggered, plot, [plot, baseName] {
        const QString path =
            AskPath(plot, QCoreApplication::translate("ravelin::PlotExport", "画像として保存"),
                    baseName + QStringLiteral(".png"),
                    {QCoreApplication::translate("ravelin::PlotExport", "PNG 画像 (*.png)"),
                     QCoreApplication::translate("ravelin::PlotExport", "SVG 画像 (*.svg)")});
        if (!path.isEmpty() && !SavePlotPicture(plot, path))
            Failed(plot, path);
    });
    for (const PlotData& d : data) {
        QAction* action = menu->addAction(d.label);
        QObject::connect(action, &QAction::triggered, plot, [plot, d] {
            const QString path = AskPath(
                plot, QCoreApplication::translate("ravelin::PlotExport", "データを CSV で保存"),
                d.fileName,
                {QCoreApplication::translate("ravelin::PlotExport", "CSV ファイル (*.csv)"),
                 QCoreApplication::translate("ravelin::PlotExport", "すべてのファイル (*)")});
            if (path.isEmpty())
                return;
            const std::string text = d.csv();
            if (!SaveBytes(path, QByteArray(text.data(), qsizetype(text.size()))))
                Failed(plot, path);
        });
    }
}

} // namespace ravelin
