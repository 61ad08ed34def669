#include "view/RavelinView.h"

#include "control/CommandStrings.h"
#include "engine/Commands.h"
#include "engine/NumberFormat.h"
#include "engine/RavelinDoc.h"
#include "view/Resources.h"

#include <QFontMetrics>
#include <QMessageBox>
#include <QPaintEvent>
#include <QPainter>
#include <QPixmap>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QTimerEvent>
#include <algorithm>
#include <array>
#include <string>

namespace ravelin {

namespace {

// Height of one text cell in logical units; also the listing's row step.
constexpr int kCellHeight = 12;

struct DiagramBitmaps {
    QImage registerBox, coefBox, outputBox, inputBox, filterBox, panel;
};

// The six bitmaps never change, so they are decoded once.
const DiagramBitmaps& Bitmaps()
{
    static const DiagramBitmaps bitmaps = [] {
        InitResources();
        return DiagramBitmaps{
            QImage(QStringLiteral(":/res/register_box.png")),
            QImage(QStringLiteral(":/res/coef_box.png")),
            QImage(QStringLiteral(":/res/output_box.png")),
            QImage(QStringLiteral(":/res/input_box.png")),
            QImage(QStringLiteral(":/res/filter_box.png")),
            QImage(QStringLiteral(":/res/panel.png")),
        };
    }();
    return bitmaps;
}

// A string whose top-left character cell is at (x, y), drawn in opaque cells of
// the painter's background colour with its pen colour.
void TextOut(QPainter& p, int x, int y, const QString& text)
{
    const QFontMetrics fm = p.fontMetrics();
    p.fillRect(QRect(x, y, fm.horizontalAdvance(text), kCellHeight), p.background());
    // The face's em box is the 12-unit cell; its reported line height may exceed
    // that by a unit, which is split above and below so that touching rows keep
    // their glyphs in their own bands.
    const int spare = kCellHeight - (fm.ascent() + fm.descent());
    p.drawText(QPoint(x, y + fm.ascent() + spare / 2), text);
}

// Copies a bitmap whole with its top-left corner at (x, y), scaled by the
// painter's mapping. A scaled copy enlarges each pixel to a solid block, as a
// bitmap copy onto a printer does, so the frames print sharp rather than smeared
// by whatever interpolation the printer or a PDF viewer would apply.
void CopyBitmap(QPainter& p, int x, int y, const QImage& bitmap)
{
    const QTransform& t = p.worldTransform();
    const bool enlarged = t.type() == QTransform::TxScale && t.m11() > 1.0 && t.m22() > 1.0;
    if (!enlarged) {
        p.drawImage(QPoint(x, y), bitmap);
        return;
    }
    const QImage blocks =
        bitmap.scaled(qRound(bitmap.width() * t.m11()), qRound(bitmap.height() * t.m22()),
                      Qt::IgnoreAspectRatio, Qt::FastTransformation);
    p.drawImage(QRectF(x, y, bitmap.width(), bitmap.height()), blocks);
}

// A box's value, "%6.3f" whatever the user's locale.
QString Value(double v)
{
    return QString::fromLatin1(FormatFixed(v, 6, 3));
}

// What a freshly made drawing target holds: black hairline pen, black text on
// white cells, no brush. TextOut fills the cells itself, exactly 12 units high;
// Qt's own opaque mode would fill the face's taller line box instead.
void PrepareFreshContext(QPainter& p)
{
    p.setPen(QPen(Qt::black, 0));
    p.setBrush(Qt::NoBrush);
    p.setBackground(Qt::white);
    p.setBackgroundMode(Qt::TransparentMode);
}

} // namespace

CRavelinView::CRavelinView(CRavelinDoc& doc, QWidget* parent) : QWidget(parent), m_doc(doc)
{
    InitResources();
    // Every paint covers the whole client area, so Qt need not erase it first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setBackgroundRole(QPalette::Base);
    setFocusPolicy(Qt::StrongFocus);
}

CRavelinView::~CRavelinView() = default;

QSize CRavelinView::sizeHint() const
{
    // The same margin right and below as the diagram leaves left and above.
    return {kDiagramWidth + 8, kDiagramHeight + 27};
}

QFont CRavelinView::DiagramFont(const QFont& base)
{
    QFont font(base);
    // A concrete fixed-pitch face with Japanese glyphs first, so the listing's
    // columns line up on screen and in print; then other fixed-pitch CJK faces.
    font.setFamilies({QStringLiteral("IPAGothic"), QStringLiteral("IPAゴシック"),
                      QStringLiteral("Noto Sans Mono CJK JP"), QStringLiteral("VL Gothic"),
                      QStringLiteral("Takao Gothic"), QStringLiteral("Monospace")});
    font.setStyleHint(QFont::TypeWriter, QFont::PreferDefault);
    font.setFixedPitch(true);
    font.setPixelSize(kCellHeight);
    font.setKerning(false);
    return font;
}

void CRavelinView::DrawDiagram(QPainter& p, const CRavelinDoc& doc)
{
    const DiagramBitmaps& bmp = Bitmaps();

    // 1. The panel behind the register and coefficient rows.
    CopyBitmap(p, 68, 27, bmp.panel);

    // 2. Lines; the boxes drawn next cover them, so they show only between boxes.
    p.drawLine(60, 60, 670, 60);    // register line
    p.drawLine(105, 130, 715, 130); // summing line
    for (int k = 0; k < 10; ++k)
        p.drawLine(105 + 60 * k, 60, 105 + 60 * k, 130); // tap lines
    p.drawLine(400, 225, 600, 225);                      // block diagram

    // 3. Boxes.
    for (int k = 0; k < 10; ++k)
        CopyBitmap(p, 78 + 60 * k, 49, bmp.registerBox);
    for (int k = 0; k < 10; ++k)
        CopyBitmap(p, 78 + 60 * k, 84, bmp.coefBox);
    CopyBitmap(p, 688, 119, bmp.outputBox);
    CopyBitmap(p, 600, 214, bmp.outputBox);
    CopyBitmap(p, 8, 49, bmp.inputBox);
    CopyBitmap(p, 400, 214, bmp.inputBox);
    CopyBitmap(p, 475, 201, bmp.filterBox);

    // 4. The font.
    const QFont previousFont = p.font();
    p.setFont(DiagramFont(previousFont));

    // 5. Fixed labels.
    TextOut(p, 400, 300, tr("FIRディジタルフィルタアニメーション"));
    TextOut(p, 78, 35, tr("シフトレジスタ→"));
    TextOut(p, 78, 110, tr("タップ係数"));
    TextOut(p, 8, 80, tr("入力信号"));
    TextOut(p, 688, 150, tr("出力信号"));
    for (int j = 0; j < 9; ++j) {
        TextOut(p, 160 + 60 * j, 132, QStringLiteral("+"));
        TextOut(p, 158 + 60 * j, 118, QStringLiteral("+"));
    }
    TextOut(p, 400, 245, tr("入力信号"));
    TextOut(p, 600, 245, tr("出力信号"));
    TextOut(p, 495, 212, tr("FIR デジタル"));
    TextOut(p, 502, 224, tr("フィルタ"));

    // 6. Values, 10 right of and 5 below each box's corner. Indices are bounded
    // here so that a document outside its invariants cannot make the painter
    // read past its arrays.
    const int step = std::clamp(doc.m_nStep, 0, kDemoSteps);
    const double output = step >= 1 ? doc.m_out[step - 1] : 0.0;
    for (int k = 0; k < 10; ++k) {
        TextOut(p, 88 + 60 * k, 54, Value(doc.m_x[k]));
        TextOut(p, 88 + 60 * k, 89, Value(doc.m_h[k]));
    }
    TextOut(p, 18, 54, Value(doc.m_x[0]));
    TextOut(p, 410, 219, Value(doc.m_x[0]));
    TextOut(p, 698, 124, Value(output));
    TextOut(p, 610, 219, Value(output));

    // 7. The time of the current output.
    if (step >= 1) {
        std::string time;
        AppendInt(time, step - 2, 2);
        TextOut(p, 378, 153, tr("時刻：") + QString::fromLatin1(time));
    }

    // 8. The listing: one row per step done.
    TextOut(p, 125, 170, tr("時刻　入力信号　出力信号"));
    for (int i = 0; i <= step - 1 && i < kDemoSteps; ++i) {
        std::string row;
        AppendListingRow(row, i - 1, doc.m_in[i], doc.m_out[i]);
        TextOut(p, 125, 182 + kCellHeight * i, QString::fromLatin1(row));
    }

    // 9. The caller's font again.
    p.setFont(previousFont);

    // 10. Keep the animation going: the next step is due one interval after this
    // paint. Stopping is the tick's business, never the painter's.
    if (doc.m_nRunMode == kRunAnimate && doc.m_nStep < kDemoSteps)
        ArmAnimTimer(doc.m_nInterval);
}

void CRavelinView::OnDraw(QPainter& painter, bool printing)
{
    if (printing)
        painter.scale(kPrintScale, kPrintScale);
    DrawDiagram(painter, m_doc);
}

void CRavelinView::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(this);
    if (m_frameToCopy) {
        painter.drawPixmap(0, 0, *m_frameToCopy);
        return;
    }
    painter.fillRect(rect(), palette().color(QPalette::Base));
    PrepareFreshContext(painter);
    OnDraw(painter, false);
}

void CRavelinView::OnDrawDiagram()
{
    const qreal ratio = devicePixelRatioF();
    const QSize area = size().expandedTo(QSize(1, 1));
    QPixmap frame(area * ratio);
    frame.setDevicePixelRatio(ratio);
    frame.fill(palette().color(QPalette::Base));
    {
        QPainter painter(&frame);
        PrepareFreshContext(painter);
        DrawDiagram(painter, m_doc);
    }
    // One copy of the finished image: the window never shows a half-drawn diagram.
    if (isVisible()) {
        m_frameToCopy = &frame;
        repaint();
        m_frameToCopy = nullptr;
    }
}

void CRavelinView::ArmAnimTimer(int interval)
{
    // Starting an armed timer restarts its interval.
    m_animTimer.start(interval, Qt::PreciseTimer, this);
}

void CRavelinView::timerEvent(QTimerEvent* event)
{
    QWidget::timerEvent(event);
    OnTimer(event->timerId());
}

void CRavelinView::OnTimer(int timerId)
{
    if (!m_animTimer.isActive() || timerId != m_animTimer.timerId())
        return;
    m_animTimer.stop();
    // Step or rewind meanwhile means pause; a confirmed settings dialog, stop.
    if (m_doc.m_nRunMode == kRunAnimate)
        emit commandSent(ID_RUN_ANIMATE);
}

bool CRavelinView::OnCmdMsg(int id)
{
    switch (id) {
    case ID_FILE_PRINT:
        OnFilePrint();
        return true;
    case ID_FILE_PRINT_DIRECT:
        OnFilePrintDirect();
        return true;
    case ID_FILE_PRINT_PREVIEW:
        OnFilePrintPreview();
        return true;
    case ID_DRAW_DIAGRAM:
        OnDrawDiagram();
        return true;
    default:
        return false;
    }
}

void CRavelinView::OnFilePrint()
{
    if (!m_printer)
        return;
    if (!OnPreparePrinting(*m_printer))
        return;
    PrintPages(*m_printer);
}

void CRavelinView::OnFilePrintDirect()
{
    if (m_printer)
        PrintPages(*m_printer);
}

bool CRavelinView::OnPreparePrinting(QPrinter& printer)
{
    QPrintDialog dialog(&printer, window());
    dialog.setMinMax(1, 1);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
    return dialog.exec() == QDialog::Accepted;
}

void CRavelinView::OnBeginPrinting(QPrinter& /*printer*/) {}

void CRavelinView::OnEndPrinting(QPrinter& /*printer*/) {}

bool CRavelinView::PrintPages(QPrinter& printer)
{
    // A printer chosen in the dialog may bring its own resolution; the page keeps
    // the program's device unit.
    if (printer.resolution() != kPrintResolution)
        printer.setResolution(kPrintResolution);
    QPainter painter;
    if (!painter.begin(&printer)) {
        QString text = tr("印刷を開始できませんでした。");
        if (!printer.outputFileName().isEmpty())
            text += tr("\n%1 に書き込めません。").arg(printer.outputFileName());
        QMessageBox::critical(window(), QString::fromUtf8(kAppTitle), text);
        return false;
    }
    OnBeginPrinting(printer);
    PrepareFreshContext(painter);
    // The frames' flat colours stay exact in a PDF (no lossy image compression).
    painter.setRenderHint(QPainter::LosslessImageRendering);
    OnDraw(painter, true);
    const bool written = painter.end();
    OnEndPrinting(printer);
    if (!written) {
        QMessageBox::critical(window(), QString::fromUtf8(kAppTitle),
                              tr("印刷を完了できませんでした。"));
        return false;
    }
    return true;
}

void CRavelinView::OnFilePrintPreview()
{
    if (!m_printer)
        return;
    QPrintPreviewDialog preview(m_printer, window());
    connect(&preview, &QPrintPreviewDialog::paintRequested, this,
            [this](QPrinter* printer) { PrintPages(*printer); });
    if (const QWidget* frame = window())
        preview.resize(frame->size().expandedTo(QSize(800, 600)));
    preview.exec();
}

} // namespace ravelin
