#pragma once

#include "app/RecentFileList.h"
#include "control/CommandUi.h"
#include "engine/RavelinDoc.h"
#include "words/Language.h"

#include <QMainWindow>
#include <array>
#include <memory>

class QAction;
class QLabel;
class QPrinter;
class QStatusBar;
class QToolBar;

namespace ravelin {

class FilterDock;
class LockIndicators;
class CRavelinView;

// The main window: menu bar, toolbar, status bar and the single view of the
// single document. Every menu item, toolbar button and key sends a command
// identifier to OnCommand, which routes it through the view to the document and
// then to the frame's own handlers, and refreshes every item's enabled and
// checked state afterwards.
class CMainFrame : public QMainWindow, public IDocListener {
    Q_OBJECT

  public:
    explicit CMainFrame(QWidget* parent = nullptr);
    ~CMainFrame() override;

    CRavelinDoc& Document() { return m_doc; }
    CRavelinView* View() const { return m_view; }
    QToolBar* ToolBar() const { return m_wndToolBar; }
    // The application's printer settings: landscape until the user changes them.
    QPrinter& Printer() const { return *m_printer; }
    const RecentFileList& RecentFiles() const { return m_recentFiles; }

    // Routes command id: the view's commands, then the document's, then the
    // frame's. A command whose rule says disabled is not carried out, whoever
    // sends it. Returns whether the command was carried out.
    bool OnCommand(int id);

    // Applies the document's enable and check rules and the bars' visibility to
    // every menu item and toolbar button.
    void UpdateCommandUI();

    // The document file: its name for the title ("無題" while there is none) and
    // its path (empty while there is none).
    QString DocumentTitle() const;
    QString DocumentPath() const { return m_pathName; }

    // Opens path as the document file: the title and the recent-file list change,
    // the document's state does not. When path cannot be read, tells the user and
    // returns false with nothing changed.
    bool OpenDocumentFile(const QString& path);

    // Why path cannot be opened as a document file, or an empty string when it can.
    static QString CheckDocumentFile(const QString& path);

    // The frame's commands that open a dialog: settings, About, the file run and
    // the text export.
    void OnSettings();
    void OnAppAbout();
    void OnRunFile();
    void OnFileSave();
    // The demonstration on the samples of a file from `sample` on, animated at once.
    void AnimateFromFile(const QString& inputPath, std::int64_t sample);

    // IDocListener
    void UpdateAllViews() override;
    void PostDrawDiagram() override;

    // The dock with the filter's responses and the last run's waveforms.
    FilterDock* FilterPanel() const { return m_filterDock; }

  signals:
    // A file run command began: its first dialog is about to show.
    void fileRunStarted();
    // A file run wrote outputPath from inputPath (after its completion box).
    void fileRunFinished(const QString& inputPath, const QString& outputPath);

  protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool event(QEvent* event) override;

  private:
    QAction* MakeAction(int id, const char* objectName, const QString& text);
    void CreateActions();
    void CreateMenus();
    QMenu* CreateLanguageMenu();
    void CreateToolBar();
    void CreateStatusBar();
    void CreateFilterDock();
    void ShowFilterDock(bool show);
    void InitPrinter();

    void SetDocumentPath(const QString& path);
    void UpdateRecentFileMenu();

    void OnFileNew();
    void OnFileOpen();
    void OnFilePrintSetup();
    void OnOpenRecentFile(int index);
    void OnChooseLanguage(Language language);
    // The designer's "use for the file run".
    void UseForFileRun(const std::vector<double>& taps, const QString& name);

    CRavelinDoc m_doc;
    CommandUi m_commandUi;
    RecentFileList m_recentFiles;
    std::unique_ptr<QPrinter> m_printer;
    QString m_pathName;
    QString m_customName; // of the designed or loaded filter in use, for the dock

    CRavelinView* m_view = nullptr;
    QToolBar* m_wndToolBar = nullptr;
    QStatusBar* m_wndStatusBar = nullptr;
    QLabel* m_messagePane = nullptr;
    LockIndicators* m_lockIndicators = nullptr;

    // The actions that the menus and the toolbar share, made by CreateActions.
    struct Actions {
        QAction* save = nullptr;
        QAction* print = nullptr;
        QAction* preview = nullptr;
        QAction* printSetup = nullptr;
        QAction* exit = nullptr;
        QAction* settings = nullptr;
        QAction* runStep = nullptr;
        QAction* runAnimate = nullptr;
        QAction* runFile = nullptr;
        QAction* about = nullptr;
        QAction* tbStep = nullptr;
        QAction* tbAnimate = nullptr;
        QAction* tbRewind = nullptr;
        QAction* tbFast = nullptr;
    };
    Actions m_actions;
    QAction* m_actionViewToolBar = nullptr;
    QAction* m_actionViewStatusBar = nullptr;
    QAction* m_actionViewFilterPanel = nullptr;
    FilterDock* m_filterDock = nullptr;
    // What the last finished run recorded for the waveform views.
    std::shared_ptr<const class RunSummaries> m_lastRun;
    std::array<QAction*, RecentFileList::kMaxFiles> m_mruActions{};
};

} // namespace ravelin
