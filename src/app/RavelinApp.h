#pragma once

#include <QStringList>
#include <memory>

class QTranslator;

namespace ravelin {

class CMainFrame;

// The application: start-up and ownership of the main window. Construct it after
// the QApplication and call InitInstance once.
class CRavelinApp {
  public:
    CRavelinApp();
    ~CRavelinApp();
    CRavelinApp(const CRavelinApp&) = delete;
    CRavelinApp& operator=(const CRavelinApp&) = delete;

    // Start-up: names and icon of the application, the language (Japanese unless
    // --lang, RAVELIN_LANG or the remembered choice says English) with its translator,
    // the main window, the command line (at most one file, opened as the
    // document), then the window is shown. Returns false when the program must end
    // at once, with ExitCode() to end with: an argument error or a file that cannot
    // be opened (the user has been told), or --help / --version (code 0).
    bool InitInstance(const QStringList& arguments);
    int ExitCode() const { return m_exitCode; }

    CMainFrame* MainFrame() const { return m_mainFrame.get(); }

  private:
    std::unique_ptr<QTranslator> m_translator;
    std::unique_ptr<CMainFrame> m_mainFrame;
    int m_exitCode = 0;
};

} // namespace ravelin
