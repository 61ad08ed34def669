#include "control/QtUserPrompts.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <exception>
#include <thread>

namespace ravelin {

namespace {

// Resolution of the progress bar; the sample counts may exceed an int.
constexpr int kProgressSteps = 1000;
// How often the progress dialog takes the work's count.
constexpr int kProgressPollMs = 25;

QString FromUtf8(const std::string& text)
{
    return QString::fromStdString(text);
}

QString ProgramCaption()
{
    return QGuiApplication::applicationDisplayName();
}

// The folder the last file dialog ended in, so the next one opens there.
QString& LastDirectory()
{
    static QString dir;
    return dir;
}

void PrepareFileDialog(QFileDialog& dialog, const std::string& filter, bool native, bool save)
{
    dialog.setNameFilters(QtUserPrompts::NameFilters(filter));
    dialog.setOption(QFileDialog::DontUseNativeDialog, !native);
    if (!LastDirectory().isEmpty())
        dialog.setDirectory(LastDirectory());
    QtUserPrompts::WordFileDialog(dialog, save);
}

// The displayed text: line ends as the box wants them, no empty line at the end.
QString MessageText(const std::string& text)
{
    QString shown = FromUtf8(text);
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    while (shown.endsWith(QLatin1Char('\n')))
        shown.chop(1);
    return shown;
}

// The completion box names the output file only in its caption: make the box wide
// enough for the caption to show in full, within reason.
void WidenForCaption(QMessageBox& box)
{
    auto* grid = qobject_cast<QGridLayout*>(box.layout());
    if (!grid)
        return;
    const QFontMetrics fm(QApplication::font("QMdiSubWindowTitleBar"));
    // Room for the window's buttons and the program name the desktop appends.
    const int wanted =
        fm.horizontalAdvance(box.windowTitle() + QStringLiteral(" — ") + ProgramCaption()) +
        8 * fm.averageCharWidth() + 60;
    const QScreen* screen = box.screen();
    const int limit = screen ? screen->availableGeometry().width() * 3 / 4 : 900;
    grid->addItem(
        new QSpacerItem(std::min(wanted, limit), 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
        grid->rowCount(), 0, 1, grid->columnCount());
}

} // namespace

QtUserPrompts::QtUserPrompts(QWidget* parent) : m_parent(parent) {}

QtUserPrompts::~QtUserPrompts()
{
    EndProgress();
}

QWidget* QtUserPrompts::Parent() const
{
    return m_parent.data();
}

void QtUserPrompts::WordFileDialog(QFileDialog& dialog, bool save)
{
    // Qt's own dialog in the program's language, whatever translations are installed.
    dialog.setLabelText(QFileDialog::LookIn,
                        QCoreApplication::translate("QtUserPrompts", "ファイルの場所:"));
    dialog.setLabelText(QFileDialog::FileName,
                        QCoreApplication::translate("QtUserPrompts", "ファイル名(&N):"));
    dialog.setLabelText(QFileDialog::FileType,
                        QCoreApplication::translate("QtUserPrompts", "ファイルの種類:"));
    dialog.setLabelText(QFileDialog::Accept,
                        save ? QCoreApplication::translate("QtUserPrompts", "保存(&S)")
                             : QCoreApplication::translate("QtUserPrompts", "開く(&O)"));
    dialog.setLabelText(QFileDialog::Reject,
                        QCoreApplication::translate("QtUserPrompts", "キャンセル"));
}

QStringList QtUserPrompts::NameFilters(const std::string& filter)
{
    // Pairs of display name and patterns, ended by an empty name.
    const QStringList parts = FromUtf8(filter).split(QLatin1Char('|'));
    QStringList result;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString name = parts[i].trimmed();
        if (name.isEmpty())
            break;
        QStringList patterns;
        for (const QString& raw : parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            const QString pattern = raw.trimmed();
            if (pattern == QLatin1String("*.*")) {
                patterns << QStringLiteral("*"); // every file, with or without a dot
                continue;
            }
            patterns << pattern;
            // Windows names are case-blind: RECORD.WAV is a wav file too.
            if (pattern.toUpper() != pattern)
                patterns << pattern.toUpper();
        }
        if (patterns.isEmpty())
            continue;
        // Qt shows the patterns after the name itself; drop the copy in the name.
        const qsizetype open = name.lastIndexOf(QLatin1Char('('));
        if (open > 0 && name.endsWith(QLatin1Char(')')))
            name = name.left(open).trimmed();
        result << QStringLiteral("%1 (%2)").arg(name, patterns.join(QLatin1Char(' ')));
    }
    return result;
}

std::optional<std::string> QtUserPrompts::AskOpenPath(const std::string& title,
                                                      const std::string& filter)
{
    EndProgress();
    QFileDialog dialog(Parent(), FromUtf8(title));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    PrepareFileDialog(dialog, filter, m_nativeDialogs, false);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    const QString path = dialog.selectedFiles().constFirst();
    LastDirectory() = QFileInfo(path).absolutePath();
    return path.toStdString();
}

std::optional<std::string> QtUserPrompts::AskSavePath(const std::string& title,
                                                      const std::string& filter)
{
    EndProgress();
    QString proposal;
    for (;;) {
        QFileDialog dialog(Parent(), FromUtf8(title));
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        // We ask ourselves below, in the program's language, and add no extension: the name is
        // used exactly as typed.
        dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
        dialog.setDefaultSuffix(QString());
        PrepareFileDialog(dialog, filter, m_nativeDialogs, true);
        if (!proposal.isEmpty())
            dialog.selectFile(proposal);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return std::nullopt;
        const QString path = dialog.selectedFiles().constFirst();
        LastDirectory() = QFileInfo(path).absolutePath();
        if (!QFileInfo::exists(path))
            return path.toStdString();

        QMessageBox ask(
            QMessageBox::Warning, FromUtf8(title),
            QCoreApplication::translate("QtUserPrompts", "%1 は既に存在します。\n上書きしますか?")
                .arg(QDir::toNativeSeparators(path)),
            QMessageBox::Yes | QMessageBox::No, Parent());
        ask.setTextFormat(Qt::PlainText);
        ask.button(QMessageBox::Yes)
            ->setText(QCoreApplication::translate("QtUserPrompts", "はい(&Y)"));
        ask.button(QMessageBox::No)
            ->setText(QCoreApplication::translate("QtUserPrompts", "いいえ(&N)"));
        ask.setDefaultButton(QMessageBox::No);
        if (ask.exec() == QMessageBox::Yes)
            return path.toStdString();
        proposal = path; // back to the dialog, the name still there to change
    }
}

void QtUserPrompts::ShowMessage(const std::string& text, const std::string& caption,
                                MessageIcon icon)
{
    EndProgress();
    QMessageBox::Icon boxIcon = QMessageBox::NoIcon;
    QString title = FromUtf8(caption);
    switch (icon) {
    case MessageIcon::Error:
        boxIcon = QMessageBox::Critical;
        if (title.isEmpty())
            title = QCoreApplication::translate("QtUserPrompts", "エラー");
        break;
    case MessageIcon::Information:
        boxIcon = QMessageBox::Information;
        break;
    case MessageIcon::None:
        break;
    }
    if (title.isEmpty())
        title = ProgramCaption();
    QMessageBox box(boxIcon, title, MessageText(text), QMessageBox::Ok, Parent());
    box.setTextFormat(Qt::PlainText); // a path may hold anything, '<' included
    WidenForCaption(box);
    box.exec();
}

void QtUserPrompts::RunWithProgress(const ProgressWork& work)
{
    EndProgress();
    auto* dialog = new QProgressDialog(
        m_progressLabel.isEmpty()
            ? QCoreApplication::translate("QtUserPrompts", "ファイルをフィルタリングしています...")
            : m_progressLabel,
        QString(), 0, kProgressSteps, Parent());
    auto* cancel =
        new QPushButton(QCoreApplication::translate("QtUserPrompts", "キャンセル"), dialog);
    dialog->setCancelButton(cancel);
    dialog->setWindowTitle(m_progressTitle.isEmpty() ? QCoreApplication::translate(
                                                           "QtUserPrompts", "ファイル-ファイル実行")
                                                     : m_progressTitle);
    // While it shows, nothing but the dialog may be clicked.
    dialog->setWindowModality(Qt::ApplicationModal);
    // It closes when the work has returned, not when the bar is full: the output is
    // still being synced then.
    dialog->setAutoClose(false);
    dialog->setAutoReset(false);
    dialog->setMinimumDuration(m_progressDelay);
    dialog->setValue(0); // starts the clock of the delay
    m_progress = dialog;

    // All the work thread shares with this one.
    struct Shared {
        std::atomic<std::uint64_t> done{0}, total{0};
        std::atomic<bool> cancelled{false}, finished{false};
    } shared;
    // The button, Escape or the window's close: the work hears of it at its next block.
    QObject::connect(dialog, &QProgressDialog::canceled, dialog,
                     [&shared] { shared.cancelled.store(true); });
    std::exception_ptr failure;
    std::thread worker([&shared, &failure, &work] {
        try {
            work([&shared](std::uint64_t done, std::uint64_t total) {
                shared.total.store(total, std::memory_order_relaxed);
                shared.done.store(done, std::memory_order_relaxed);
                return !shared.cancelled.load();
            });
        } catch (...) {
            failure = std::current_exception();
        }
        shared.finished.store(true);
        // Wakes the loop below at once rather than at its next poll.
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [] {}, Qt::QueuedConnection);
    });

    QTimer poll;
    poll.setInterval(kProgressPollMs);
    QObject::connect(&poll, &QTimer::timeout, dialog, [&shared, dialog, cancel] {
        const std::uint64_t total = shared.total.load(std::memory_order_relaxed);
        const std::uint64_t done = std::min(shared.done.load(std::memory_order_relaxed), total);
        if (dialog->wasCanceled())
            return;
        // Past the last sample a cancel would come too late to keep anything from
        // being written.
        if (total > 0 && done == total)
            cancel->setEnabled(false);
        const int value = total == 0 ? 0 : static_cast<int>(done * kProgressSteps / total);
        if (value != dialog->value())
            dialog->setValue(value);
    });
    poll.start();
    while (!shared.finished.load()) {
        // Keep every window painting; clicks and keys only while the modal dialog shows.
        const bool shown = m_progress && m_progress->isVisible();
        QCoreApplication::processEvents(
            QEventLoop::WaitForMoreEvents |
            (shown ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents));
    }
    worker.join();
    poll.stop();
    EndProgress();
    if (failure)
        std::rethrow_exception(failure);
}

QProgressDialog* QtUserPrompts::ProgressDialog() const
{
    return m_progress.data();
}

void QtUserPrompts::EndProgress()
{
    if (m_progress) {
        m_progress->hide();
        delete m_progress.data();
    }
    m_progress = nullptr;
}

} // namespace ravelin
