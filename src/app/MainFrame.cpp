#include "app/MainFrame.h"

#include "app/AboutDlg.h"
#include "app/DesignPanel.h"
#include "app/FilterDock.h"
#include "app/LanguageChoice.h"
#include "app/LockKeys.h"
#include "control/CommandStrings.h"
#include "control/QtUserPrompts.h"
#include "control/SettingsDlg.h"
#include "engine/Commands.h"
#include "engine/RunCommands.h"
#include "files/RunSummaries.h"
#include "files/WavSamples.h"
#include "view/FilterPlot.h"
#include "view/RavelinView.h"
#include "view/Resources.h"
#include "words/FileCommands.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QPageSetupDialog>
#include <QPrinter>
#include <QResizeEvent>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <algorithm>
#include <cmath>

namespace ravelin {

namespace {

// Position of each command's image in the toolbar strip.
enum ToolbarImage {
    IMG_SAVE,
    IMG_PRINT,
    IMG_SETTINGS,
    IMG_STEP,
    IMG_ANIMATE,
    IMG_REWIND,
    IMG_FAST,
    IMG_RUN_FILE,
    IMG_ABOUT,
    IMG_COUNT
};

QIcon ToolbarIcon(int index)
{
    static const QPixmap strip(QStringLiteral(":/res/toolbar.png"));
    return QIcon(strip.copy(16 * index, 0, 16, 15));
}

// The file commands' prompts of the main window: before each dialog the menus and the
// toolbar catch up with the document, so that a command's run mode shows while its
// dialogs are open.
class FramePrompts : public QtUserPrompts {
  public:
    explicit FramePrompts(CMainFrame& frame) : QtUserPrompts(&frame), m_frame(frame) {}

    std::optional<std::string> AskOpenPath(const std::string& title,
                                           const std::string& filter) override
    {
        m_frame.UpdateCommandUI();
        return QtUserPrompts::AskOpenPath(title, filter);
    }
    std::optional<std::string> AskSavePath(const std::string& title,
                                           const std::string& filter) override
    {
        m_frame.UpdateCommandUI();
        return QtUserPrompts::AskSavePath(title, filter);
    }
    void ShowMessage(const std::string& text, const std::string& caption, MessageIcon icon) override
    {
        m_frame.UpdateCommandUI();
        QtUserPrompts::ShowMessage(text, caption, icon);
    }

  private:
    CMainFrame& m_frame;
};

} // namespace

CMainFrame::CMainFrame(QWidget* parent) : QMainWindow(parent)
{
    InitResources();
    setObjectName(QStringLiteral("mainFrame"));
    setWindowIcon(AppIcon());

    InitPrinter();

    m_view = new CRavelinView(m_doc, this);
    m_view->setObjectName(QStringLiteral("view"));
    m_view->SetPrinter(m_printer.get());
    setCentralWidget(m_view);
    // The tick's command is handled before the tick returns.
    connect(m_view, &CRavelinView::commandSent, this, &CMainFrame::OnCommand, Qt::DirectConnection);

    CreateActions();
    CreateMenus();
    CreateToolBar();
    CreateStatusBar();
    CreateFilterDock();

    m_recentFiles.Load();
    SetDocumentPath(QString());
    m_doc.SetListener(this);
    UpdateCommandUI();
}

CMainFrame::~CMainFrame()
{
    m_doc.SetListener(nullptr);
    // The children outlive this body (Qt deletes them in the base destructor);
    // none of their last signals may reach the half-destroyed frame.
    for (QObject* child : findChildren<QObject*>())
        child->disconnect(this);
}

void CMainFrame::InitPrinter()
{
    m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    m_printer->setResolution(CRavelinView::kPrintResolution);
    // Landscape by default. Without any printer Qt prints to PDF, which takes the
    // same default; nothing here needs a printer to exist.
    m_printer->setPageOrientation(QPageLayout::Landscape);
}

QAction* CMainFrame::MakeAction(int id, const char* objectName, const QString& text)
{
    auto* action = new QAction(text, this);
    action->setObjectName(QString::fromLatin1(objectName));
    action->setStatusTip(CommandPrompt(id));
    const QString tip = CommandTooltip(id);
    if (!tip.isEmpty())
        action->setToolTip(tip);
    // Menus show captions only; the images belong to the toolbar.
    action->setIconVisibleInMenu(false);
    connect(action, &QAction::triggered, this, [this, id] { OnCommand(id); });
    switch (id) {
    case ID_RUN_STEP:
    case ID_RUN_ANIMATE:
    case ID_RUN_FILE:
    case ID_TB_STEP:
    case ID_TB_ANIMATE:
    case ID_TB_FAST:
    case ID_TB_REWIND:
    case ID_FILE_SAVE:
    case ID_SETTINGS:
        m_commandUi.Add(id, action);
        break;
    default:
        break;
    }
    return action;
}

void CMainFrame::CreateActions()
{
    Actions& a = m_actions;
    // The File menu.
    a.save = MakeAction(ID_FILE_SAVE, "actionFileSave", tr("ファイルへ保存(&S)..."));
    a.save->setIcon(ToolbarIcon(IMG_SAVE));
    a.print = MakeAction(ID_FILE_PRINT, "actionFilePrint", tr("印刷(&P)..."));
    a.print->setIcon(ToolbarIcon(IMG_PRINT));
    a.print->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    a.preview = MakeAction(ID_FILE_PRINT_PREVIEW, "actionFilePrintPreview", tr("印刷ﾌﾟﾚﾋﾞｭｰ(&V)"));
    a.printSetup =
        MakeAction(ID_FILE_PRINT_SETUP, "actionFilePrintSetup", tr("ﾌﾟﾘﾝﾀの設定(&R)..."));
    for (int i = 0; i < RecentFileList::kMaxFiles; ++i) {
        const QByteArray name = "actionFileMru" + QByteArray::number(i + 1);
        m_mruActions[i] = MakeAction(ID_FILE_MRU_FILE1 + i, name.constData(), QString());
    }
    a.exit = MakeAction(ID_APP_EXIT, "actionAppExit", tr("ｱﾌﾟﾘｹｰｼｮﾝの終了(&X)"));

    // Settings and Run.
    a.settings = MakeAction(ID_SETTINGS, "actionSettings", tr("動作の設定"));
    a.settings->setIcon(ToolbarIcon(IMG_SETTINGS));
    a.runStep = MakeAction(ID_RUN_STEP, "actionRunStep", tr("こま送り"));
    a.runStep->setCheckable(true);
    a.runAnimate = MakeAction(ID_RUN_ANIMATE, "actionRunAnimate", tr("アニメーション"));
    a.runAnimate->setCheckable(true);
    a.runFile = MakeAction(ID_RUN_FILE, "actionRunFile", tr("ファイル-ファイル実行 *"));
    a.runFile->setCheckable(true);
    a.runFile->setIcon(ToolbarIcon(IMG_RUN_FILE));

    // View and Help.
    m_actionViewToolBar = MakeAction(ID_VIEW_TOOLBAR, "actionViewToolBar", tr("ﾂｰﾙ ﾊﾞｰ(&T)"));
    m_actionViewToolBar->setCheckable(true);
    m_actionViewStatusBar =
        MakeAction(ID_VIEW_STATUS_BAR, "actionViewStatusBar", tr("ｽﾃｰﾀｽ ﾊﾞｰ(&S)"));
    m_actionViewStatusBar->setCheckable(true);
    a.about = MakeAction(ID_APP_ABOUT, "actionAppAbout", tr("Ravelinについて (&A)..."));
    a.about->setIcon(ToolbarIcon(IMG_ABOUT));

    // Toolbar-only commands.
    a.tbStep = MakeAction(ID_TB_STEP, "actionTbStep", CommandTooltip(ID_TB_STEP));
    a.tbStep->setIcon(ToolbarIcon(IMG_STEP));
    a.tbAnimate = MakeAction(ID_TB_ANIMATE, "actionTbAnimate", CommandTooltip(ID_TB_ANIMATE));
    a.tbAnimate->setIcon(ToolbarIcon(IMG_ANIMATE));
    a.tbRewind = MakeAction(ID_TB_REWIND, "actionTbRewind", CommandTooltip(ID_TB_REWIND));
    a.tbRewind->setIcon(ToolbarIcon(IMG_REWIND));
    a.tbFast = MakeAction(ID_TB_FAST, "actionTbFast", CommandTooltip(ID_TB_FAST));
    a.tbFast->setIcon(ToolbarIcon(IMG_FAST));

    // Keys without a menu item: new, open, and save (whose menu item shows no key).
    QAction* fileNew = MakeAction(ID_FILE_NEW, "actionFileNew", tr("新規作成"));
    fileNew->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    QAction* fileOpen = MakeAction(ID_FILE_OPEN, "actionFileOpen", tr("開く"));
    fileOpen->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    QAction* saveKey = MakeAction(ID_FILE_SAVE, "actionFileSaveKey", tr("ファイルへ保存"));
    saveKey->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    addActions({fileNew, fileOpen, saveKey});

    // Not a command of the document: the dock's own toggle.
    m_actionViewFilterPanel = new QAction(tr("ﾌｨﾙﾀ特性(&F)"), this);
    m_actionViewFilterPanel->setObjectName(QStringLiteral("actionViewFilterPanel"));
    m_actionViewFilterPanel->setStatusTip(tr("ﾌｨﾙﾀ特性と波形の表示/非表示を切り替えます"));
    m_actionViewFilterPanel->setCheckable(true);
    m_actionViewFilterPanel->setIconVisibleInMenu(false);
}

void CMainFrame::CreateMenus()
{
    const Actions& a = m_actions;
    // Menus, in order.
    QMenuBar* bar = menuBar();
    QMenu* fileMenu = bar->addMenu(tr("ﾌｧｲﾙ(&F)"));
    fileMenu->setObjectName(QStringLiteral("menuFile"));
    fileMenu->addAction(a.save);
    fileMenu->addSeparator();
    fileMenu->addAction(a.print);
    fileMenu->addAction(a.preview);
    fileMenu->addAction(a.printSetup);
    fileMenu->addSeparator();
    for (QAction* mru : m_mruActions)
        fileMenu->addAction(mru);
    fileMenu->addSeparator();
    fileMenu->addAction(a.exit);

    QMenu* settingsMenu = bar->addMenu(tr("設定"));
    settingsMenu->setObjectName(QStringLiteral("menuSettings"));
    settingsMenu->addAction(a.settings);

    QMenu* runMenu = bar->addMenu(tr("実行"));
    runMenu->setObjectName(QStringLiteral("menuRun"));
    runMenu->addAction(a.runStep);
    runMenu->addAction(a.runAnimate);
    runMenu->addSeparator();
    runMenu->addAction(a.runFile);

    QMenu* viewMenu = bar->addMenu(tr("表示(&V)"));
    viewMenu->setObjectName(QStringLiteral("menuView"));
    viewMenu->addAction(m_actionViewToolBar);
    viewMenu->addAction(m_actionViewStatusBar);
    viewMenu->addAction(m_actionViewFilterPanel);
    viewMenu->addMenu(CreateLanguageMenu());

    QMenu* helpMenu = bar->addMenu(tr("ﾍﾙﾌﾟ(&H)"));
    helpMenu->setObjectName(QStringLiteral("menuHelp"));
    helpMenu->addAction(a.about);

    // A menu about to open shows the state of this moment.
    for (QMenu* menu : {fileMenu, settingsMenu, runMenu, viewMenu, helpMenu})
        connect(menu, &QMenu::aboutToShow, this, &CMainFrame::UpdateCommandUI);
}

// The language of the program's words, chosen here and kept for the next start: the
// words are set up before the first window opens.
QMenu* CMainFrame::CreateLanguageMenu()
{
    auto* menu = new QMenu(tr("言語(&L)"), this);
    menu->setObjectName(QStringLiteral("menuLanguage"));
    auto* group = new QActionGroup(menu);
    const auto add = [&](Language language, const QString& text, const char* objectName) {
        QAction* action = menu->addAction(text);
        action->setObjectName(QString::fromLatin1(objectName));
        action->setCheckable(true);
        action->setChecked(CurrentLanguage() == language);
        group->addAction(action);
        connect(action, &QAction::triggered, this,
                [this, language] { OnChooseLanguage(language); });
    };
    add(Language::Japanese, tr("日本語"), "actionLanguageJapanese");
    add(Language::English, tr("English"), "actionLanguageEnglish");
    return menu;
}

void CMainFrame::OnChooseLanguage(Language language)
{
    RememberLanguage(language);
    if (language == CurrentLanguage())
        return;
    QMessageBox::information(this, QString::fromUtf8(kAppTitle),
                             language == Language::English
                                 ? tr("次回の起動から表示が英語になります。")
                                 : tr("次回の起動から表示が日本語になります。"));
}

void CMainFrame::CreateToolBar()
{
    const Actions& a = m_actions;
    // The toolbar: nine buttons in four groups.
    m_wndToolBar = new QToolBar(tr("ﾂｰﾙ ﾊﾞｰ"), this);
    m_wndToolBar->setObjectName(QStringLiteral("toolBar"));
    m_wndToolBar->setIconSize(QSize(16, 15));
    m_wndToolBar->setMovable(true);
    m_wndToolBar->setFloatable(true);
    m_wndToolBar->setAllowedAreas(Qt::AllToolBarAreas);
    m_wndToolBar->addAction(a.save);
    m_wndToolBar->addSeparator();
    m_wndToolBar->addAction(a.print);
    m_wndToolBar->addSeparator();
    m_wndToolBar->addAction(a.settings);
    m_wndToolBar->addSeparator();
    m_wndToolBar->addAction(a.tbStep);
    m_wndToolBar->addAction(a.tbAnimate);
    m_wndToolBar->addAction(a.tbRewind);
    m_wndToolBar->addAction(a.tbFast);
    m_wndToolBar->addAction(a.runFile);
    m_wndToolBar->addSeparator();
    m_wndToolBar->addAction(a.about);
    addToolBar(Qt::TopToolBarArea, m_wndToolBar);
    // Hidden or shown by any means (the View menu, the bars' context menu).
    connect(m_wndToolBar, &QToolBar::visibilityChanged, this, &CMainFrame::UpdateCommandUI);
}

void CMainFrame::CreateFilterDock()
{
    m_filterDock = new FilterDock(this);
    addDockWidget(Qt::BottomDockWidgetArea, m_filterDock);
    m_filterDock->SetSettings(m_doc.Settings());
    // Hidden until the user asks for it; then as it was when the program last ended,
    // the window tall enough for the diagram and the dock together (within the screen).
    const bool shown = FilterDock::LoadShown();
    m_filterDock->setVisible(shown);
    if (shown && screen()) {
        resize(sizeHint().boundedTo(screen()->availableGeometry().size() - QSize(0, 40)));
        m_filterDock->CameUpShown();
    }
    connect(m_actionViewFilterPanel, &QAction::triggered, this,
            [this] { ShowFilterDock(m_filterDock->isHidden()); });
    // Shown or hidden by any means (the menu, its close button, a finished run). Only
    // while the window is up: closing the window hides the dock too.
    connect(m_filterDock, &QDockWidget::visibilityChanged, this, [this] {
        if (isVisible()) {
            FilterDock::SaveShown(!m_filterDock->isHidden());
            // Gone by the menu or its close button: the window gives back what it grew.
            if (m_filterDock->isHidden())
                m_filterDock->GiveBackGrowth(*this);
        }
        UpdateCommandUI();
    });
    connect(this, &CMainFrame::fileRunStarted, m_filterDock, &FilterDock::StopPlayback);
    connect(m_filterDock->Designer(), &DesignPanel::useForFileRun, this,
            &CMainFrame::UseForFileRun);
    connect(this, &CMainFrame::fileRunFinished, this,
            [this](const QString& inputPath, const QString& outputPath) {
                m_filterDock->ShowRun(inputPath, outputPath, m_lastRun);
                ShowFilterDock(true);
            });
    connect(m_filterDock, &FilterDock::animateFromFile, this, &CMainFrame::AnimateFromFile);
}

void CMainFrame::AnimateFromFile(const QString& inputPath, std::int64_t sample)
{
    std::vector<double> values;
    if (sample < 0 || !IsDemoFilter(m_doc.m_nFilterPreset) ||
        ReadScaledSamples(inputPath.toStdString(), std::uint64_t(sample), kDemoSteps, values) !=
            WavReadResult::Ok) {
        QMessageBox::warning(this, QString::fromUtf8(kAppTitle),
                             tr("%1 のサンプルを読めませんでした。").arg(inputPath));
        return;
    }
    // The diagram takes the samples as its input and animates them from the start.
    m_doc.SetFileDemoInput(values);
    OnCommand(ID_TB_ANIMATE);
}

void CMainFrame::ShowFilterDock(bool show)
{
    if (m_filterDock->ShowIn(*this, show))
        UpdateCommandUI();
}

void CMainFrame::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    if (m_filterDock)
        m_filterDock->FitBeside(*this, *m_view);
}

bool CMainFrame::event(QEvent* event)
{
    const bool handled = QMainWindow::event(event);
    if (event->type() == QEvent::LayoutRequest && m_filterDock)
        m_filterDock->LaidOut(*this, *m_view);
    return handled;
}

void CMainFrame::CreateStatusBar()
{
    m_wndStatusBar = statusBar();
    QStatusBar* bar = m_wndStatusBar;
    bar->setObjectName(QStringLiteral("statusBar"));
    // Prompts show as the bar's temporary message, which covers this pane; when
    // the pointer leaves an item the pane shows again.
    m_messagePane = new QLabel(CommandWord(kReadyText), bar);
    m_messagePane->setObjectName(QStringLiteral("paneMessage"));
    bar->addWidget(m_messagePane, 1);

    m_lockIndicators = new LockIndicators(bar);
}

bool CMainFrame::OnCommand(int id)
{
    if (!QueryCommandState(m_doc, id).enabled)
        return false;

    bool handled = true;
    // The view's commands first, then the document's, then the frame's own.
    if (!m_view->OnCmdMsg(id) && !ExecuteRunCommand(m_doc, id)) {
        switch (id) {
        case ID_SETTINGS:
            OnSettings();
            break;
        case ID_RUN_FILE:
            OnRunFile();
            break;
        case ID_FILE_SAVE:
            OnFileSave();
            break;
        case ID_APP_ABOUT:
            OnAppAbout();
            break;
        case ID_FILE_NEW:
            OnFileNew();
            break;
        case ID_FILE_OPEN:
            OnFileOpen();
            break;
        case ID_FILE_PRINT_SETUP:
            OnFilePrintSetup();
            break;
        case ID_APP_EXIT:
            close();
            break;
        case ID_VIEW_TOOLBAR:
            m_wndToolBar->setVisible(m_wndToolBar->isHidden());
            break;
        case ID_VIEW_STATUS_BAR:
            m_wndStatusBar->setVisible(m_wndStatusBar->isHidden());
            break;
        default:
            if (id >= ID_FILE_MRU_FILE1 && id < ID_FILE_MRU_FILE1 + RecentFileList::kMaxFiles)
                OnOpenRecentFile(id - ID_FILE_MRU_FILE1);
            else
                handled = false;
            break;
        }
    }
    UpdateCommandUI();
    return handled;
}

void CMainFrame::UpdateCommandUI()
{
    m_commandUi.Refresh(m_doc);
    m_actionViewToolBar->setChecked(!m_wndToolBar->isHidden());
    m_actionViewStatusBar->setChecked(!m_wndStatusBar->isHidden());
    if (m_filterDock)
        m_actionViewFilterPanel->setChecked(!m_filterDock->isHidden());
    UpdateRecentFileMenu();
}

void CMainFrame::UpdateRecentFileMenu()
{
    if (m_recentFiles.IsEmpty()) {
        // The greyed placeholder stands where the list will be.
        m_mruActions[0]->setText(tr("最新のﾌｧｲﾙ"));
        m_mruActions[0]->setEnabled(false);
        m_mruActions[0]->setVisible(true);
        for (std::size_t i = 1; i < m_mruActions.size(); ++i)
            m_mruActions[i]->setVisible(false);
        return;
    }
    for (int i = 0; i < RecentFileList::kMaxFiles; ++i) {
        QAction* action = m_mruActions[i];
        const bool used = i < m_recentFiles.Size();
        action->setVisible(used);
        action->setEnabled(used);
        if (used) {
            action->setText(m_recentFiles.MenuText(i));
            action->setStatusTip(CommandPrompt(ID_FILE_MRU_FILE1 + i) + QStringLiteral(": ") +
                                 m_recentFiles.File(i));
        }
    }
}

void CMainFrame::UpdateAllViews()
{
    m_view->update();
    if (m_filterDock && m_doc.HasCustomFilter())
        m_filterDock->SetCustomFilter(m_customName, m_doc.CustomTaps());
    else if (m_filterDock)
        m_filterDock->SetSettings(m_doc.Settings());
    UpdateCommandUI();
}

void CMainFrame::UseForFileRun(const std::vector<double>& taps, const QString& name)
{
    if (taps.empty() || m_doc.m_nRunMode == kRunFile)
        return;
    // As choosing a file-only filter in the settings dialog does: the input becomes the
    // file's data and the demonstration starts over. The filter stays until the dialog
    // is confirmed again.
    SettingsValues values = m_doc.Settings();
    values.input = kInputFile;
    m_customName = name;
    double absSum = 0.0;
    for (const double h : taps)
        absSum += std::fabs(h);
    QString note = tr("フィルタ: ") + name;
    if (absSum > 1.0)
        note += tr("\n（Σ|h| = %1: 最大 %2 dB クリップするおそれがあります）")
                    .arg(QString::number(absSum, 'f', 4))
                    .arg(QString::number(20.0 * std::log10(absSum), 'f', 1));
    m_doc.ApplySettings(values); // repaints, with the preset for a moment
    m_doc.UseCustomFilter(taps, note.toStdString());
    UpdateAllViews();
}

void CMainFrame::PostDrawDiagram()
{
    // Queued, never called: the step finishes first, the redraw comes from the
    // event queue (and with it the next arming of the animation timer).
    QMetaObject::invokeMethod(
        this, [this] { OnCommand(ID_DRAW_DIAGRAM); }, Qt::QueuedConnection);
}

QString CMainFrame::DocumentTitle() const
{
    return m_pathName.isEmpty() ? CommandWord(kUntitled) : QFileInfo(m_pathName).fileName();
}

void CMainFrame::SetDocumentPath(const QString& path)
{
    m_pathName = path.isEmpty() ? QString() : QFileInfo(path).absoluteFilePath();
    setWindowTitle(DocumentTitle() + QStringLiteral(" - ") + QString::fromUtf8(kAppTitle));
    // Print jobs (and the name offered for a PDF file) carry the document's title.
    m_printer->setDocName(DocumentTitle());
}

QString CMainFrame::CheckDocumentFile(const QString& path)
{
    const QFileInfo info(path);
    const QString shown = QDir::toNativeSeparators(path);
    if (!info.exists())
        return tr("ﾌｧｲﾙ %1 が見つかりません。").arg(shown);
    if (info.isDir())
        return tr("%1 はﾌｫﾙﾀﾞです。ﾌｧｲﾙを指定してください。").arg(shown);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (file.error() == QFileDevice::PermissionsError)
            return tr("ﾌｧｲﾙ %1 を開けません。読み取りが許可されていません。").arg(shown);
        return tr("ﾌｧｲﾙ %1 を開けません。").arg(shown);
    }
    return {};
}

bool CMainFrame::OpenDocumentFile(const QString& path)
{
    const QString error = CheckDocumentFile(path);
    if (!error.isEmpty()) {
        QMessageBox::critical(isVisible() ? this : nullptr, QString::fromUtf8(kAppTitle), error);
        return false;
    }
    // The document has no file form: opening it changes the title and the list only.
    SetDocumentPath(path);
    m_recentFiles.Add(path);
    UpdateRecentFileMenu();
    return true;
}

void CMainFrame::OnFileNew()
{
    SetDocumentPath(QString());
}

void CMainFrame::OnFileOpen()
{
    QFileDialog dialog(this, tr("開く"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilter(tr("すべてのﾌｧｲﾙ (*)"));
    if (!m_pathName.isEmpty())
        dialog.setDirectory(QFileInfo(m_pathName).absolutePath());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    OpenDocumentFile(dialog.selectedFiles().constFirst());
}

void CMainFrame::OnOpenRecentFile(int index)
{
    if (index < 0 || index >= m_recentFiles.Size())
        return;
    const QString path = m_recentFiles.File(index);
    if (!OpenDocumentFile(path)) {
        // A file that has gone away leaves the list.
        m_recentFiles.Remove(index);
        UpdateRecentFileMenu();
    }
}

void CMainFrame::OnFilePrintSetup()
{
    QPageSetupDialog dialog(m_printer.get(), this);
    dialog.exec();
}

void CMainFrame::OnSettings()
{
    // A confirmed dialog resets the document, which repaints and refreshes the items.
    CSettingsDlg::DoDataExchange(m_doc, this);
}

void CMainFrame::OnAppAbout()
{
    CAboutDlg dialog(this);
    dialog.exec();
}

void CMainFrame::OnRunFile()
{
    emit fileRunStarted();
    // RunFileFilter holds the file-run mode for the whole command, its dialogs included;
    // the prompts show it in the menus and the toolbar from the first dialog on.
    FramePrompts prompts(*this);
    FileRunReport report;
    // The views of the run are made while it streams, from the same single reading.
    auto summaries = std::make_shared<RunSummaries>();
    RunObserverList observers;
    observers.Add(*summaries);
    RunSpectra spectra;
    observers.Add(spectra);
    const RunResult result = RunFileFilter(m_doc, prompts, &report, &observers);
    UpdateCommandUI();
    // The frequency axis follows the last WAV file opened, whatever became of the run.
    if (!report.inputPath.empty()) {
        if (const int rate = ReadWavSampleRate(report.inputPath); rate > 0)
            m_filterDock->SetSampleRate(rate);
    }
    if (result == RunResult::Done) {
        m_filterDock->Plot()->SetSpectra(spectra.InputDb(), spectra.OutputDb(),
                                         summaries->SampleRate());
        m_lastRun = std::move(summaries);
        emit fileRunFinished(QString::fromStdString(report.inputPath),
                             QString::fromStdString(report.outputPath));
    }
}

void CMainFrame::OnFileSave()
{
    QtUserPrompts prompts(this);
    RunTextExport(m_doc, prompts);
}

void CMainFrame::closeEvent(QCloseEvent* event)
{
    m_filterDock->StopPlayback();
    QMainWindow::closeEvent(event);
}

} // namespace ravelin
