#include "app/AboutDlg.h"

#include "control/DialogUnits.h"

#include <QApplication>
#include <QIcon>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>

namespace ravelin {

namespace {

// Template geometry in dialog units: x, y, width, height.
constexpr int kDialogW = 195, kDialogH = 173;
constexpr QRect kIcon{11, 17, 20, 21};
constexpr QRect kVersion{40, 10, 78, 8};
constexpr QRect kOk{156, 7, 32, 14};
constexpr QRect kExplanation{7, 56, 181, 110};
constexpr QRect kExplanationLabel{56, 37, 29, 9};

// The help text, CR LF line ends. The 19th line reaches into the 20th: one line.
const char* const kExplanationText = QT_TRANSLATE_NOOP(
    "ravelin::CAboutDlg",
    "FIR ディジタルフィルタのアニメーションとフィルタリング\r\n"
    "\r\n"
    "【１】目的\r\n"
    "（１）FIR ディジタルフィルタのアニメーション\r\n"
    "（２）WAVファイルのデータのフィルタリング\r\n"
    "\r\n"
    "【２】使用方法\r\n"
    "（１）FIR ディジタルフィルタのアニメーション\r\n"
    "設定ダイアログにてディジタルフィルタの係数を選びます．\r\n"
    "入力信号設定中から入力信号を選んでください．\r\n"
    "実行メニューから「こま送り」を選ぶと１ステップ進みます．\r\n"
    "実行メニューから「アニメーション」を選ぶと２０ステップ進みます．\r\n"
    "アニメーションが終了すると入出力信号の値をファイルに保存することが出来ます．\r\n"
    "ツールバー上には「こま送り」「アニメーション」「速送り」「巻き戻し」のボタンがあります\r\n"
    "\r\n"
    "（２）WAVファイルのデータのフィルタリング\r\n"
    "設定ダイアログにてディジタルフィルタの係数を選びます．\r\n"
    "入力信号設定中から「ファイルデータ」を選んでください．\r\n"
    "実行メニューから「ファイル-ファイル実行」を選ぶと入力WAVファイル選択"
    "→出力力WAVファイルの順に動作します\r\n"
    "両方のファイルを適当なplayerで聞き比べてください\r\n"
    "（エコーフィルタがわかりやすいです．）\r\n");

} // namespace

QString CAboutDlg::BuildExplanation()
{
    return tr(kExplanationText);
}

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent), m_strExplanation(BuildExplanation())
{
    setWindowTitle(tr("ﾊﾞｰｼﾞｮﾝ情報(Ravelin)"));
    setObjectName(QStringLiteral("aboutDialog"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFont(DialogFont(font())); // before the controls, which take it over

    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("icon"));
    icon->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QIcon appIcon = QApplication::windowIcon();
    if (appIcon.isNull())
        appIcon = style()->standardIcon(QStyle::SP_MessageBoxInformation);
    const int iconSide = 32;
    icon->setPixmap(appIcon.pixmap(QSize(iconSide, iconSide), devicePixelRatio()));

    auto* version = new QLabel(QStringLiteral("Ravelin Version 1.0"), this);
    version->setObjectName(QStringLiteral("version"));

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("ok"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* explanation = new QPlainTextEdit(this);
    explanation->setObjectName(QStringLiteral("explanation"));
    explanation->setReadOnly(true);
    // Read-only, yet the keys still move through the text to scroll and select it.
    explanation->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    explanation->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    explanation->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    explanation->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    explanation->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    explanation->setTabChangesFocus(true);
    DoDataExchange(explanation);

    auto* label = new QLabel(tr("説明"), this);
    label->setObjectName(QStringLiteral("explanationLabel"));
    label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);

    DialogUnits du(font());
    du.FitWidth(version->sizeHint().width(), kOk.x() - kVersion.x() - 4);
    // The icon is shown whole: the scale grows until its box holds it both ways.
    du.FitWidth(iconSide, kIcon.width());
    du.FitHeight(iconSide, kIcon.height());
    du.FitHeight(ok->minimumSizeHint().height(), kOk.height());
    du.FitHeight(version->sizeHint().height(), kVersion.height());
    const auto place = [&du](QWidget* w, const QRect& r, bool grow) {
        QRect g = du.Rect(r.x(), r.y(), r.width(), r.height());
        if (grow) // a caption keeps its full width and height
            g.setSize(g.size().expandedTo(w->sizeHint()));
        w->setGeometry(g);
    };
    place(icon, kIcon, false);
    place(version, kVersion, true);
    place(ok, kOk, false);
    // Styles give push buttons a minimum width; a wider OK keeps its right edge.
    if (ok->width() < ok->minimumSizeHint().width()) {
        const int right = ok->geometry().right();
        ok->setFixedWidth(ok->minimumSizeHint().width());
        ok->move(right + 1 - ok->width(), ok->y());
    }
    place(explanation, kExplanation, false);
    place(label, kExplanationLabel, true);
    // Centred on the place the template gives it.
    label->move(du.X(kExplanationLabel.x()) +
                    (du.X(kExplanationLabel.width()) - label->width()) / 2,
                label->y());
    setFixedSize(du.Size(kDialogW, kDialogH));

    setTabOrder(ok, explanation);
    ok->setFocus();
}

void CAboutDlg::DoDataExchange(QPlainTextEdit* explanation)
{
    // The text keeps its CR LF line ends; the field wants a bare line feed, since a
    // carriage return would end a paragraph of its own.
    QString shown = m_strExplanation.left(kMaxExplanationChars);
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    if (shown.endsWith(QLatin1Char('\n')))
        shown.chop(1); // the last line's end, not an empty line after it
    explanation->setPlainText(shown);
}

} // namespace ravelin
