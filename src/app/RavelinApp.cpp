#include "app/RavelinApp.h"

#include "Version.h"
#include "app/LanguageChoice.h"
#include "app/MainFrame.h"
#include "control/CommandStrings.h"
#include "view/Resources.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QIcon>
#include <QMessageBox>
#include <QTranslator>
#include <cstdio>

namespace ravelin {

namespace {

void PrintError(const QString& text)
{
    std::fprintf(stderr, "ravelin: %s\n", text.toLocal8Bit().constData());
}

} // namespace

CRavelinApp::CRavelinApp() = default;

CRavelinApp::~CRavelinApp()
{
    if (m_translator)
        QCoreApplication::removeTranslator(m_translator.get());
}

bool CRavelinApp::InitInstance(const QStringList& arguments)
{
    QCoreApplication::setApplicationName(QString::fromUtf8(kAppTitle));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(kVersion));
    // No display name: on xcb Qt would append it to every window title that does not
    // already end with it ("動作の設定 — Ravelin"). applicationDisplayName() still
    // answers the application name for the boxes that use it as their caption.
    QGuiApplication::setDesktopFileName(QStringLiteral("ravelin"));
    QApplication::setWindowIcon(AppIcon());

    // Japanese unless English is asked for: --lang, RAVELIN_LANG or the remembered choice.
    bool languageOk = true;
    const auto option = LanguageOption(arguments, &languageOk);
    if (!languageOk) {
        PrintError(QStringLiteral("--lang takes ja or en"));
        m_exitCode = 2;
        return false;
    }
    m_translator = InstallLanguage(ChooseLanguage(option, RememberedLanguage()));

    QCommandLineParser parser;
    parser.setApplicationDescription(QCoreApplication::translate(
        "CRavelinApp", "FIRディジタルフィルタの動作をアニメーションで見せます。"));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    parser.addOption(QCommandLineOption(
        QStringLiteral("lang"),
        QCoreApplication::translate("CRavelinApp", "表示の言語: ja（日本語）または en（英語）"),
        QStringLiteral("ja|en")));
    parser.addPositionalArgument(
        QStringLiteral("file"),
        QCoreApplication::translate("CRavelinApp", "ドキュメントとして開くファイル"),
        QStringLiteral("[file]"));
    if (!parser.parse(arguments)) {
        PrintError(parser.errorText());
        m_exitCode = 2;
        return false;
    }
    if (parser.isSet(help) || parser.isSet(version)) {
        std::fputs((parser.isSet(help)
                        ? parser.helpText()
                        : QCoreApplication::applicationName() + QLatin1Char(' ') +
                              QCoreApplication::applicationVersion() + QLatin1Char('\n'))
                       .toLocal8Bit()
                       .constData(),
                   stdout);
        m_exitCode = 0;
        return false;
    }
    const QStringList files = parser.positionalArguments();
    if (files.size() > 1) {
        PrintError(QCoreApplication::translate("CRavelinApp", "開けるファイルは１つだけです。"));
        m_exitCode = 2;
        return false;
    }

    m_mainFrame = std::make_unique<CMainFrame>();
    if (!files.isEmpty()) {
        const QString error = CMainFrame::CheckDocumentFile(files.constFirst());
        if (!error.isEmpty()) {
            PrintError(error);
            QMessageBox::critical(nullptr, QString::fromUtf8(kAppTitle), error);
            m_mainFrame.reset();
            m_exitCode = 1;
            return false;
        }
        m_mainFrame->OpenDocumentFile(files.constFirst());
    }
    m_mainFrame->show();
    return true;
}

} // namespace ravelin
