#include "control/CommandStrings.h"

#include "engine/Commands.h"

#include <QCoreApplication>
#include <array>

namespace ravelin {

namespace {

struct Entry {
    int id;
    const char* text;
};

// The texts are translated when asked for, in the context "CommandStrings".
// The program's own commands first, then the standard ones in the half-width
// wording of the rest of the shell.
constexpr std::array kStrings{
    Entry{ID_RUN_STEP,
          QT_TRANSLATE_NOOP("CommandStrings", "１ステップずつこま送りで動作を見せます")},
    Entry{ID_RUN_ANIMATE, QT_TRANSLATE_NOOP("CommandStrings", "アニメーションで動作を見せます")},
    Entry{ID_RUN_FILE,
          QT_TRANSLATE_NOOP("CommandStrings",
                            "WAVファイルを入力として，WAVファイルにフィルタ出力を書き出します\n"
                            "WAVファイルを入力として，WAVファイルにフィルタ出力を書き出します")},
    Entry{ID_TB_STEP,
          QT_TRANSLATE_NOOP(
              "CommandStrings",
              "１ステップずつこま送りで動作を見せます\n１ステップずつこま送りで動作を見せます")},
    Entry{ID_TB_ANIMATE,
          QT_TRANSLATE_NOOP("CommandStrings",
                            "アニメーションで動作を見せます\nアニメーションで動作を見せます")},
    Entry{ID_TB_FAST, QT_TRANSLATE_NOOP("CommandStrings", "速送りします\n速送りします")},
    Entry{ID_TB_REWIND,
          QT_TRANSLATE_NOOP("CommandStrings", "はじめに巻き戻します\nはじめに巻き戻します")},
    Entry{ID_SETTINGS, QT_TRANSLATE_NOOP("CommandStrings", "動作の設定\n動作の設定")},
    Entry{ID_FILE_SAVE,
          QT_TRANSLATE_NOOP("CommandStrings", "アニメーションの結果をテキストファイルに保存\n"
                                              "アニメーションの結果をテキストファイルに保存")},

    Entry{ID_FILE_NEW, QT_TRANSLATE_NOOP("CommandStrings", "新規にﾌｧｲﾙを作成します\n新規作成")},
    Entry{ID_FILE_OPEN, QT_TRANSLATE_NOOP("CommandStrings", "既存のﾌｧｲﾙを開きます\n開く")},
    Entry{ID_FILE_PRINT, QT_TRANSLATE_NOOP("CommandStrings", "作業中のﾌｧｲﾙを印刷します\n印刷")},
    Entry{ID_FILE_PRINT_PREVIEW,
          QT_TRANSLATE_NOOP("CommandStrings", "ﾌﾙ ﾍﾟｰｼﾞで表示します\n印刷ﾌﾟﾚﾋﾞｭｰ")},
    Entry{ID_FILE_PRINT_SETUP,
          QT_TRANSLATE_NOOP("CommandStrings", "ﾌﾟﾘﾝﾀおよびﾌﾟﾘﾝﾀ接続ｵﾌﾟｼｮﾝを変更します\n印刷設定")},
    Entry{ID_APP_EXIT, QT_TRANSLATE_NOOP("CommandStrings", "ｱﾌﾟﾘｹｰｼｮﾝを終了します\n終了")},
    Entry{ID_APP_ABOUT,
          QT_TRANSLATE_NOOP("CommandStrings",
                            "ﾌﾟﾛｸﾞﾗﾑの情報、ﾊﾞｰｼﾞｮﾝ、著作権を表示します\nRavelinについて")},
    Entry{ID_VIEW_TOOLBAR,
          QT_TRANSLATE_NOOP("CommandStrings",
                            "ﾂｰﾙ ﾊﾞｰの表示/非表示を切り替えます\nﾂｰﾙ ﾊﾞｰの表示/非表示")},
    Entry{ID_VIEW_STATUS_BAR,
          QT_TRANSLATE_NOOP("CommandStrings",
                            "ｽﾃｰﾀｽ ﾊﾞｰの表示/非表示を切り替えます\nｽﾃｰﾀｽ ﾊﾞｰの表示/非表示")},
};

// Every entry of the recent-file list.
constexpr const char* kRecentFilePrompt = QT_TRANSLATE_NOOP("CommandStrings", "このﾌｧｲﾙを開きます");

} // namespace

QString CommandString(int id)
{
    if (id >= ID_FILE_MRU_FILE1 && id < ID_FILE_MRU_FILE1 + kMaxRecentFiles)
        return QCoreApplication::translate("CommandStrings", kRecentFilePrompt);
    for (const Entry& e : kStrings)
        if (e.id == id)
            return QCoreApplication::translate("CommandStrings", e.text);
    return {};
}

QString CommandWord(const char* text)
{
    return QCoreApplication::translate("CommandStrings", text);
}

QString CommandPrompt(int id)
{
    const QString s = CommandString(id);
    return s.section(QLatin1Char('\n'), 0, 0);
}

QString CommandTooltip(int id)
{
    const QString s = CommandString(id);
    const qsizetype lf = s.indexOf(QLatin1Char('\n'));
    return lf < 0 ? QString() : s.mid(lf + 1);
}

} // namespace ravelin
