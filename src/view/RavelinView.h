#pragma once

#include <QBasicTimer>
#include <QWidget>

class QPainter;
class QPrinter;

namespace ravelin {

class CRavelinDoc;

// The single view: paints the filter diagram with the document's live values,
// redraws it off-screen after each demonstration step, prints and previews it,
// and turns each tick of the animation timer into the next animation command.
class CRavelinView : public QWidget {
    Q_OBJECT

  public:
    // Logical units from the diagram's origin to the right edge of the output box
    // and to the bottom of the listing's twentieth row.
    static constexpr int kDiagramWidth = 742;
    static constexpr int kDiagramHeight = 422;
    // Device units per logical unit on a printed or previewed page.
    static constexpr int kPrintScale = 5;
    // Device units per inch of every print job. With it the diagram prints about
    // 16 cm wide, whatever the printer, and fits a landscape A4 or Letter page.
    static constexpr int kPrintResolution = 600;

    explicit CRavelinView(CRavelinDoc& doc, QWidget* parent = nullptr);
    ~CRavelinView() override;

    // The application's printer settings, used by print and preview. Not owned.
    void SetPrinter(QPrinter* printer) { m_printer = printer; }

    // Draws the whole diagram for doc onto painter in logical units
    // (origin top-left), with the target's current pen, background and font
    // attributes. Its last act re-arms the animation timer with doc.m_nInterval
    // while doc is animating and fewer than 20 steps are done; it never stops it.
    void DrawDiagram(QPainter& painter, const CRavelinDoc& doc);

    // The font the diagram uses: base with a fixed-pitch face that has Japanese
    // glyphs, 12 units high. Every other attribute is taken over from base.
    static QFont DiagramFont(const QFont& base);

    // Sets the mapping (five device units per unit when printing) and paints.
    void OnDraw(QPainter& painter, bool printing);

    // ID_DRAW_DIAGRAM: paints the diagram into an off-screen image of the client
    // area's size over the window colour, then copies it to the window at once.
    // Runs the painter (and so the timer rule) even while the window is hidden.
    void OnDrawDiagram();

    // The commands the view handles: print, direct print, print preview and the
    // redraw. Returns false for any other identifier.
    bool OnCmdMsg(int id);

    // Printing: the print dialog, then one page. With no printer set, nothing happens.
    void OnFilePrint();
    // The same page without the dialog, with the current printer settings.
    void OnFilePrintDirect();
    // Print preview of the same page, in a window of its own.
    void OnFilePrintPreview();
    // The print dialog; true lets the job continue.
    bool OnPreparePrinting(QPrinter& printer);
    void OnBeginPrinting(QPrinter& printer);
    void OnEndPrinting(QPrinter& printer);
    // The printing loop for the single page: begin, draw scaled, end. Returns false
    // (after telling the user) when the printer could not be started or the output
    // not be completed.
    bool PrintPages(QPrinter& printer);

    // The animation timer, for whoever needs to know whether a step is due.
    bool IsAnimTimerArmed() const { return m_animTimer.isActive(); }

    QSize sizeHint() const override;

  signals:
    // A command for the main frame, to be handled before emit returns (the
    // connection must be direct): the timer's ID_RUN_ANIMATE.
    void commandSent(int id);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

  private:
    void ArmAnimTimer(int interval);
    void OnTimer(int timerId);

    CRavelinDoc& m_doc;
    QPrinter* m_printer = nullptr;
    QBasicTimer m_animTimer;
    // Set only while OnDrawDiagram copies its finished image to the window.
    const QPixmap* m_frameToCopy = nullptr;
};

} // namespace ravelin
