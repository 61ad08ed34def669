#include "app/DesignPanel.h"

#include "app/SettingsLocation.h"
#include "control/QtUserPrompts.h"
#include "engine/StreamFilter.h"
#include "files/AtomicFile.h"
#include "files/CoefFile.h"
#include "files/FileRun.h"
#include "view/FilterPlot.h"
#include "words/Words.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDoubleSpinBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QResizeEvent>
#include <QSettings>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QVBoxLayout>
#include <cmath>
#include <filesystem>
#include <fstream>

namespace ravelin {

namespace {

constexpr const char* kGroup = "Designer";

// The open and save dialogs' filters, in the prompts' "caption|patterns|" form.
std::string CoefFilter()
{
    return QCoreApplication::translate(
               "ravelin::DesignPanel",
               "係数ファイル(*.txt;*.csv;*.dat;*.fir)|*.txt;*.csv;*.dat;*.fir|"
               "All Files(*.*)|*.*||")
        .toStdString();
}

const char* const kTypeCaptions[] = {
    QT_TRANSLATE_NOOP("ravelin::DesignPanel", "低域通過"),
    QT_TRANSLATE_NOOP("ravelin::DesignPanel", "高域通過"),
    QT_TRANSLATE_NOOP("ravelin::DesignPanel", "帯域通過"),
    QT_TRANSLATE_NOOP("ravelin::DesignPanel", "帯域阻止"),
};
const char* const kWindowCaptions[] = {
    QT_TRANSLATE_NOOP("ravelin::DesignPanel", "矩形"),
    QT_TRANSLATE_NOOP("ravelin::DesignPanel", "ハン"),
    QT_TRANSLATE_NOOP("ravelin::DesignPanel", "ハミング"),
    QT_TRANSLATE_NOOP("ravelin::DesignPanel", "ブラックマン"),
    QT_TRANSLATE_NOOP("ravelin::DesignPanel", "カイザー"),
};

// A caption of the tables above in the language chosen at start-up.
QString Tr(const char* text)
{
    return QCoreApplication::translate("ravelin::DesignPanel", text);
}

// Numbers as the program writes them everywhere: the C locale's, whatever the user's.
QString Fixed(double v, int decimals)
{
    return QString::number(v, 'f', decimals);
}

QString ProblemText(DesignError e)
{
    switch (e) {
    case DesignError::None:
        break;
    case DesignError::TapsOutOfRange:
        return QCoreApplication::translate("ravelin::DesignPanel",
                                           "タップ数は 1 から 65535 までです。");
    case DesignError::CutoffOutOfRange:
        return QCoreApplication::translate(
            "ravelin::DesignPanel",
            "遮断周波数は 0 より大きく、サンプリング周波数の半分より小さくしてください。");
    case DesignError::BandEdgesReversed:
        return QCoreApplication::translate("ravelin::DesignPanel",
                                           "下側の遮断周波数を上側より小さくしてください。");
    case DesignError::EvenLengthNyquist:
        return QCoreApplication::translate(
            "ravelin::DesignPanel", "偶数のタップ数ではナイキスト周波数で利得が 0 になるため、"
                                    "高域通過・帯域阻止フィルタは作れません。奇数にしてください。");
    case DesignError::BetaOutOfRange:
        return QCoreApplication::translate("ravelin::DesignPanel", "β は 0 から 100 までです。");
    case DesignError::ScaleAtZeroGain:
        return QCoreApplication::translate(
            "ravelin::DesignPanel", "通過域の中央で利得が 0 のため、0 dB に正規化できません。");
    }
    return {};
}

bool Symmetric(const std::vector<double>& h)
{
    for (std::size_t k = 0; k < h.size() / 2; ++k)
        if (h[k] != h[h.size() - 1 - k] && h[k] != -h[h.size() - 1 - k])
            return false;
    return true;
}

QDoubleSpinBox* NumberBox(QWidget* parent, const char* name, double lo, double hi, int decimals)
{
    auto* box = new QDoubleSpinBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setRange(lo, hi);
    box->setDecimals(decimals);
    box->setKeyboardTracking(false);
    box->setLocale(QLocale::c());
    return box;
}

} // namespace

DesignPanel::DesignPanel(QWidget* parent) : QWidget(parent)
{
    auto* form = new QFormLayout;
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    m_type = new QComboBox(this);
    m_type->setObjectName(QStringLiteral("designType"));
    for (const char* caption : kTypeCaptions)
        m_type->addItem(Tr(caption));
    // On this platform a combo box reads out its current item: the name says what it
    // chooses on the others, the label's relation here.
    m_type->setAccessibleName(tr("種類"));
    form->addRow(tr("種類"), m_type);

    m_unit = new QComboBox(this);
    m_unit->setObjectName(QStringLiteral("designUnit"));
    m_unit->addItems({QStringLiteral("Hz"), tr("サイクル/サンプル")});
    m_unit->setAccessibleName(tr("周波数の単位"));
    m_rate = new QSpinBox(this);
    m_rate->setObjectName(QStringLiteral("designRate"));
    m_rate->setRange(1, 1000000);
    m_rate->setValue(44100);
    m_rate->setSuffix(QStringLiteral(" Hz"));
    m_rate->setKeyboardTracking(false);
    auto* unitRow = new QHBoxLayout;
    auto* rateLabel = new QLabel(tr("fs"), this);
    rateLabel->setBuddy(m_rate);
    unitRow->addWidget(m_unit);
    unitRow->addWidget(rateLabel);
    unitRow->addWidget(m_rate, 1);
    auto* unitLabel = new QLabel(tr("周波数の単位"), this);
    unitLabel->setBuddy(m_unit);
    form->addRow(unitLabel, unitRow);

    m_low = NumberBox(this, "designLow", 0, 500000, 3);
    m_high = NumberBox(this, "designHigh", 0, 500000, 3);
    m_high->setAccessibleName(tr("上側の遮断周波数"));
    auto* cutoffRow = new QHBoxLayout;
    cutoffRow->addWidget(m_low, 1);
    cutoffRow->addWidget(new QLabel(QStringLiteral("–"), this));
    cutoffRow->addWidget(m_high, 1);
    auto* cutoffLabel = new QLabel(tr("遮断周波数"), this);
    cutoffLabel->setBuddy(m_low);
    form->addRow(cutoffLabel, cutoffRow);

    m_tapsBox = new QSpinBox(this);
    m_tapsBox->setObjectName(QStringLiteral("designTaps"));
    m_tapsBox->setRange(kDesignMinTaps, kDesignMaxTaps);
    m_tapsBox->setKeyboardTracking(false);
    form->addRow(tr("タップ数"), m_tapsBox);

    m_window = new QComboBox(this);
    m_window->setObjectName(QStringLiteral("designWindow"));
    for (const char* caption : kWindowCaptions)
        m_window->addItem(Tr(caption));
    m_window->setAccessibleName(tr("窓関数"));
    form->addRow(tr("窓関数"), m_window);

    m_beta = NumberBox(this, "designBeta", 0, kKaiserMaxBeta, 3);
    form->addRow(tr("カイザー窓の β"), m_beta);
    m_fromAtten = new QCheckBox(tr("阻止域減衰量から β を決める"), this);
    m_fromAtten->setObjectName(QStringLiteral("designFromAtten"));
    m_atten = NumberBox(this, "designAtten", kKaiserMinAttenuation, kKaiserMaxAttenuation, 1);
    m_atten->setSuffix(QStringLiteral(" dB"));
    m_atten->setAccessibleName(tr("阻止域減衰量"));
    auto* attenRow = new QHBoxLayout;
    attenRow->addWidget(m_fromAtten);
    attenRow->addWidget(m_atten, 1);
    form->addRow(attenRow);
    m_fromWidth = new QCheckBox(tr("遷移幅からタップ数を決める"), this);
    m_fromWidth->setObjectName(QStringLiteral("designFromWidth"));
    m_width = NumberBox(this, "designWidth", 0, 500000, 3);
    m_width->setAccessibleName(tr("遷移幅"));
    auto* widthRow = new QHBoxLayout;
    widthRow->addWidget(m_fromWidth);
    widthRow->addWidget(m_width, 1);
    form->addRow(widthRow);
    m_scale = new QCheckBox(tr("通過域の中央を 0 dB に正規化する"), this);
    m_scale->setObjectName(QStringLiteral("designScale"));
    form->addRow(m_scale);

    m_problem = new QLabel(this);
    m_problem->setObjectName(QStringLiteral("designProblem"));
    m_problem->setWordWrap(true);
    m_problem->setStyleSheet(QStringLiteral("color: #c00000"));
    form->addRow(m_problem);
    m_form = form;

    auto* buttons = new QGridLayout;
    m_load = new QPushButton(tr("読み込み..."), this);
    m_save = new QPushButton(tr("保存..."), this);
    m_use = new QPushButton(tr("ファイル処理に使う"), this);
    m_listen = new QPushButton(tr("試聴"), this);
    m_saveListen = new QPushButton(tr("試聴結果を保存..."), this);
    m_load->setObjectName(QStringLiteral("designLoad"));
    m_save->setObjectName(QStringLiteral("designSave"));
    m_use->setObjectName(QStringLiteral("designUse"));
    m_listen->setObjectName(QStringLiteral("designListen"));
    m_saveListen->setObjectName(QStringLiteral("designSaveListen"));
    m_use->setToolTip(tr("このフィルタでファイル処理を行います（設定ダイアログで選び直すまで）"));
    m_listen->setToolTip(
        tr("最後にファイル処理した入力をこのフィルタで処理し、入力と聴き比べます"));
    // The two longest texts share a row, half each.
    buttons->addWidget(m_load, 0, 0, 1, 2);
    buttons->addWidget(m_save, 0, 2, 1, 2);
    buttons->addWidget(m_listen, 0, 4, 1, 2);
    buttons->addWidget(m_use, 1, 0, 1, 3);
    buttons->addWidget(m_saveListen, 1, 3, 1, 3);
    for (int column = 0; column < 6; ++column)
        buttons->setColumnStretch(column, 1);

    auto* left = new QVBoxLayout;
    left->addLayout(form);
    left->addStretch(1);
    left->addLayout(buttons);

    m_source = new QLabel(this);
    m_source->setObjectName(QStringLiteral("designSource"));
    m_plot = new FilterPlot(this);
    m_plot->setObjectName(QStringLiteral("designPlot"));
    m_measuresLabel = new QLabel(this);
    m_measuresLabel->setObjectName(QStringLiteral("designMeasures"));
    m_measuresLabel->setTextFormat(Qt::RichText);
    m_measuresLabel->setWordWrap(true);
    auto* right = new QVBoxLayout;
    right->addWidget(m_source);
    right->addWidget(m_plot, 1);
    right->addWidget(m_measuresLabel);

    m_problem->installEventFilter(this);
    m_layout = new QBoxLayout(QBoxLayout::LeftToRight, this);
    m_layout->setContentsMargins(4, 4, 4, 4);
    m_layout->addLayout(left);
    m_layout->addLayout(right, 1);
    m_left = left;

    LoadSettings();

    const auto changed = [this] { Redesign(); };
    connect(m_type, &QComboBox::currentIndexChanged, this, changed);
    connect(m_unit, &QComboBox::currentIndexChanged, this,
            [this](int index) { SetUnitHz(index == 0); });
    connect(m_rate, &QSpinBox::valueChanged, this, changed);
    for (QDoubleSpinBox* box : {m_low, m_high, m_beta, m_atten, m_width})
        connect(box, &QDoubleSpinBox::valueChanged, this, changed);
    connect(m_tapsBox, &QSpinBox::valueChanged, this, changed);
    connect(m_window, &QComboBox::currentIndexChanged, this, changed);
    for (QCheckBox* box : {m_fromAtten, m_fromWidth, m_scale})
        connect(box, &QCheckBox::toggled, this, changed);
    connect(m_load, &QPushButton::clicked, this, &DesignPanel::OnLoad);
    connect(m_save, &QPushButton::clicked, this, &DesignPanel::OnSave);
    connect(m_use, &QPushButton::clicked, this,
            [this] { emit useForFileRun(m_taps, FilterName()); });
    connect(m_listen, &QPushButton::clicked, this, &DesignPanel::OnListen);
    connect(m_saveListen, &QPushButton::clicked, this, &DesignPanel::OnSaveListen);
    Redesign();
}

DesignPanel::~DesignPanel() = default;

// A wrapped text's lines at its width are its least height, so that a short panel
// squeezes the plot rather than the words.
void DesignPanel::KeepLinesWhole(QLabel* label)
{
    label->setMinimumHeight(label->text().isEmpty() ? 0 : label->heightForWidth(label->width()));
}

bool DesignPanel::event(QEvent* event)
{
    // The width that counts is the one the panel offers: the tab's scroll area's view,
    // which the page's own width stops following once it is at its least.
    if (event->type() == QEvent::ParentChange && parentWidget())
        parentWidget()->installEventFilter(this);
    return QWidget::event(event);
}

bool DesignPanel::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Resize) {
        if (watched == parentWidget())
            FollowWidth(parentWidget()->width());
        if (watched == m_problem)
            KeepLinesWhole(m_problem);
    }
    return QWidget::eventFilter(watched, event);
}

void DesignPanel::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (!parentWidget())
        FollowWidth(width());
}

// The form beside the plots where both fit across, otherwise above them.
void DesignPanel::FollowWidth(int width)
{
    const QMargins margins = m_layout->contentsMargins();
    const int across = m_left->minimumSize().width() + m_layout->spacing() +
                       m_plot->minimumSizeHint().width() + margins.left() + margins.right();
    const auto direction = width >= across ? QBoxLayout::LeftToRight : QBoxLayout::TopToBottom;
    if (direction != m_layout->direction())
        m_layout->setDirection(direction);
}

bool DesignPanel::FormAbove() const
{
    return m_layout->direction() == QBoxLayout::TopToBottom;
}

int DesignPanel::heightForWidth(int width) const
{
    // The tab's scroll area asks this for the page's height: the least that shows every
    // field and button, so that a short panel squeezes the plot before it scrolls.
    return layout()->totalMinimumHeightForWidth(width);
}

void DesignPanel::ShowProblem(const QString& problem)
{
    m_problem->setText(problem);
    KeepLinesWhole(m_problem);
    // No empty row: the form's height is what a short panel has to spare.
    m_form->setRowVisible(m_problem, !problem.isEmpty());
}

bool DesignPanel::WidthGiven() const
{
    return m_window->currentIndex() == static_cast<int>(WindowKind::Kaiser) &&
           m_fromAtten->isChecked() && m_fromWidth->isChecked();
}

double DesignPanel::Scale() const
{
    return m_unit->currentIndex() == 0 ? m_rate->value() : 1.0;
}

DesignSpec DesignPanel::Spec() const
{
    DesignSpec s;
    s.type = static_cast<FilterType>(m_type->currentIndex());
    s.window = static_cast<WindowKind>(m_window->currentIndex());
    s.low = m_low->value() / Scale();
    s.high = m_high->value() / Scale();
    s.taps = m_tapsBox->value();
    const bool kaiser = s.window == WindowKind::Kaiser;
    s.beta = kaiser && m_fromAtten->isChecked() ? KaiserBeta(m_atten->value()) : m_beta->value();
    if (WidthGiven()) {
        const int n = KaiserLength(m_atten->value(), m_width->value() / Scale());
        s.taps = NeedsOddLength(s.type) && n % 2 == 0 && n > 0 ? n + 1 : n;
    }
    s.scale = m_scale->isChecked();
    return s;
}

QString DesignPanel::Problem() const
{
    return m_problem->text();
}

QString DesignPanel::FilterName() const
{
    if (!m_loadedName.isEmpty())
        return tr("係数ファイル %1").arg(m_loadedName);
    const DesignSpec s = Spec();
    const bool hz = m_unit->currentIndex() == 0;
    const auto frequency = [&](double f) {
        return hz ? Fixed(f * m_rate->value(), 1) + QStringLiteral(" Hz") : Fixed(f, 4);
    };
    QString band = frequency(s.low);
    if (s.type == FilterType::BandPass || s.type == FilterType::BandStop)
        band += QStringLiteral("–") + frequency(s.high);
    QString window = tr("%1窓").arg(Tr(kWindowCaptions[static_cast<int>(s.window)]));
    if (s.window == WindowKind::Kaiser)
        window += QStringLiteral(" β=") + Fixed(s.beta, 2);
    return tr("設計 %1 %2・%3 タップ・%4")
        .arg(Tr(kTypeCaptions[static_cast<int>(s.type)]), band)
        .arg(s.taps)
        .arg(window);
}

void DesignPanel::SetUnitHz(bool hz)
{
    // The cut-offs keep their frequency: their numbers change with the unit.
    const double factor = hz ? m_rate->value() : 1.0 / m_rate->value();
    m_restoring = true;
    for (QDoubleSpinBox* box : {m_low, m_high, m_width}) {
        const double v = box->value() * factor;
        box->setDecimals(hz ? 3 : 6);
        box->setRange(0, hz ? 500000 : 0.5);
        box->setValue(v);
    }
    m_restoring = false;
    Redesign();
}

void DesignPanel::UpdateEnabled()
{
    const bool kaiser = m_window->currentIndex() == static_cast<int>(WindowKind::Kaiser);
    const auto type = static_cast<FilterType>(m_type->currentIndex());
    m_high->setEnabled(type == FilterType::BandPass || type == FilterType::BandStop);
    m_rate->setEnabled(m_unit->currentIndex() == 0);
    m_fromAtten->setEnabled(kaiser);
    m_atten->setEnabled(kaiser && m_fromAtten->isChecked());
    m_beta->setEnabled(kaiser && !m_fromAtten->isChecked());
    m_fromWidth->setEnabled(kaiser && m_fromAtten->isChecked());
    m_width->setEnabled(WidthGiven());
    m_tapsBox->setEnabled(!m_width->isEnabled());
    const bool any = !m_taps.empty();
    m_save->setEnabled(any);
    m_use->setEnabled(any);
    m_listen->setEnabled(any && !m_lastRunInput.isEmpty());
    m_saveListen->setEnabled(!m_listenPath.isEmpty());
}

void DesignPanel::Redesign()
{
    if (m_restoring)
        return;
    m_loadedName.clear();
    const DesignSpec spec = Spec();
    QString problem;
    if (spec.taps == 0) {
        problem = tr("遷移幅が狭すぎるか広すぎて、タップ数が範囲（1〜65535）に収まりません。");
        m_taps.clear();
    } else {
        DesignResult r = DesignFilter(spec);
        problem = ProblemText(r.error);
        m_taps = std::move(r.taps);
        if (m_tapsBox->value() != spec.taps) {
            const QSignalBlocker block(m_tapsBox);
            m_tapsBox->setValue(spec.taps);
        }
    }
    ShowProblem(problem);
    m_source->setText(m_taps.empty() ? QString() : FilterName());
    m_plot->SetSampleRate(m_unit->currentIndex() == 0 ? m_rate->value() : 0);
    m_plot->SetTaps(m_taps);
    if (!m_taps.empty())
        m_measures =
            MeasureDesign(spec, m_taps, 8193, WidthGiven() ? m_width->value() / Scale() : 0.0);
    ShowMeasures();
    UpdateEnabled();
    SaveSettings();
}

void DesignPanel::ShowMeasures()
{
    if (m_taps.empty()) {
        m_measuresLabel->clear();
        return;
    }
    const DesignMeasures& m = m_measures;
    const auto db = [](double v) {
        return std::isnan(v) ? QStringLiteral("—") : Fixed(v, 2) + QStringLiteral(" dB");
    };
    QString delay = QStringLiteral("—");
    if (m_loadedName.isEmpty() || Symmetric(m_taps)) {
        delay = tr("%1 サンプル").arg(Fixed(m.delay, 1));
        if (m_unit->currentIndex() == 0)
            delay += QStringLiteral(" (") + Fixed(1000.0 * m.delay / m_rate->value(), 2) +
                     QStringLiteral(" ms)");
    }
    QString text = tr("タップ数 %1　遅延 %2<br>通過域リップル %3　阻止域減衰量 %4<br>Σ|h| = %5")
                       .arg(m.taps)
                       .arg(delay, db(m.passRippleDb), db(m.stopAttenuationDb), Fixed(m.absSum, 4));
    if (m.clipDb > 0.0)
        text += tr("　%1", "after the measures, the warning")
                    .arg(QStringLiteral("<span style=\"color:#c00000\">") +
                         tr("最大 %1 dB クリップするおそれがあります").arg(Fixed(m.clipDb, 1)) +
                         QStringLiteral("</span>"));
    m_measuresLabel->setText(text);
}

std::vector<std::string> DesignPanel::Header() const
{
    if (!m_loadedName.isEmpty())
        return {"coefficients read from " + m_loadedName.toStdString()};
    const DesignSpec spec = Spec();
    std::string made;
    if (m_unit->currentIndex() == 0)
        made = "cut-off in Hz at " + std::to_string(m_rate->value()) + " Hz; ";
    if (spec.window == WindowKind::Kaiser && m_fromAtten->isChecked())
        made += "beta for " + Fixed(m_atten->value(), 1).toStdString() + " dB; ";
    made += std::to_string(m_measures.taps) + " taps, delay " +
            Fixed(m_measures.delay, 1).toStdString() + " samples, sum of |h| " +
            Fixed(m_measures.absSum, 6).toStdString();
    return {"ravelin-cli design " + DesignArguments(spec), made};
}

bool DesignPanel::LoadFile(const QString& path)
{
    CoefFileResult r = ReadCoefficientFile(path.toStdString());
    if (r.error != CoefFileError::None) {
        QtUserPrompts(this).ShowMessage(CoefFileText(path.toStdString(), r), "",
                                        MessageIcon::Error);
        return false;
    }
    m_taps = std::move(r.taps);
    m_loadedName = QFileInfo(path).fileName();
    ShowProblem(QString());
    m_source->setText(FilterName());
    m_plot->SetTaps(m_taps);
    // Only what the numbers themselves say: a file has no pass or stop band.
    m_measures = MeasureDesign(DesignSpec{}, m_taps, 2);
    m_measures.passRippleDb = m_measures.stopAttenuationDb = std::nan("");
    ShowMeasures();
    UpdateEnabled();
    return true;
}

bool DesignPanel::SaveFile(const QString& path)
{
    if (WriteCoefficientFile(path.toStdString(), m_taps, Header()) == CoefFileError::None)
        return true;
    CoefFileResult failed;
    failed.error = CoefFileError::CantWrite;
    QtUserPrompts(this).ShowMessage(CoefFileText(path.toStdString(), failed), "",
                                    MessageIcon::Error);
    return false;
}

void DesignPanel::OnLoad()
{
    QtUserPrompts prompts(this);
    if (const auto path =
            prompts.AskOpenPath(tr("係数ファイルの読み込み").toStdString(), CoefFilter()))
        LoadFile(QString::fromStdString(*path));
}

void DesignPanel::OnSave()
{
    QtUserPrompts prompts(this);
    if (const auto path =
            prompts.AskSavePath(tr("係数ファイルへの保存").toStdString(), CoefFilter()))
        SaveFile(QString::fromStdString(*path));
}

void DesignPanel::SetLastRunInput(const QString& path)
{
    m_lastRunInput = path;
    UpdateEnabled();
}

void DesignPanel::OnListen()
{
    if (m_taps.empty() || m_lastRunInput.isEmpty())
        return;
    QtUserPrompts prompts(this);
    if (!m_listenDir) {
        m_listenDir = std::make_unique<QTemporaryDir>();
        if (!m_listenDir->isValid()) {
            m_listenDir.reset();
            prompts.ShowMessage(tr("試聴用の一時フォルダを作れません。").toStdString(), "",
                                MessageIcon::Error);
            return;
        }
    }
    CStreamFilter filter;
    if (!filter.SetLength(static_cast<int>(m_taps.size()))) {
        prompts.ShowMessage(filerun::kFilterMemory, "", MessageIcon::Error);
        return;
    }
    for (std::size_t k = 0; k < m_taps.size(); ++k)
        filter.SetCoef(static_cast<int>(k), m_taps[k]);
    const QString output = m_listenDir->filePath(QStringLiteral("listen.wav"));
    const std::string inputPath = m_lastRunInput.toStdString();
    const std::string outputPath = output.toStdString();
    FileRunOutcome outcome;
    prompts.RunWithProgress([&](const IUserPrompts::WorkProgress& progress) {
        outcome = FilterWavFile(filter, inputPath, outputPath, progress);
    });
    if (outcome.result == RunResult::Cancelled)
        return;
    if (outcome.result != RunResult::Done) {
        prompts.ShowMessage(FaultText(outcome.fault, outcome.faultPath, outcome.input), "",
                            MessageIcon::Error);
        return;
    }
    m_listenPath = output;
    if (!m_listenRemoved) {
        m_listenRemoved = std::make_unique<RemovedOnSignal>(outputPath);
        m_listenDirRemoved = std::make_unique<RemovedOnSignal>(m_listenDir->path().toStdString());
    }
    UpdateEnabled();
    emit listenReady(m_lastRunInput, m_listenPath);
}

void DesignPanel::OnSaveListen()
{
    if (m_listenPath.isEmpty())
        return;
    QtUserPrompts prompts(this);
    const auto target = prompts.AskSavePath(filerun::kSaveTitle.Text(), filerun::kFilter);
    if (!target)
        return;
    // An hour's result takes seconds to copy and sync: away from the window's thread.
    const std::string source = m_listenPath.toStdString();
    bool ok = false, cancelled = false;
    prompts.SetProgressText(tr("試聴結果を保存"), tr("試聴結果を保存しています..."));
    prompts.RunWithProgress([&](const IUserPrompts::WorkProgress& progress) {
        std::error_code error;
        const std::uintmax_t total = std::filesystem::file_size(source, error);
        std::ifstream from(source, std::ios::binary);
        AtomicFile to;
        ok = !error && from && to.Open(*target);
        std::vector<char> chunk(std::size_t{1} << 20);
        for (std::uintmax_t done = 0; ok && done < total;) {
            if (!progress(done, total)) {
                cancelled = true;
                return; // the copy is discarded with `to`
            }
            from.read(chunk.data(), std::streamsize(chunk.size()));
            const auto got = static_cast<std::size_t>(from.gcount());
            ok = got > 0 && to.Write(chunk.data(), got);
            done += got;
        }
        cancelled = ok && !progress(total, total);
        ok = ok && !cancelled && to.Commit();
    });
    if (!ok && !cancelled)
        prompts.ShowMessage("error .... can't write the file [" + *target + "]\n", "",
                            MessageIcon::Error);
}

void DesignPanel::LoadSettings()
{
    QSettings store(QString::fromUtf8(kSettingsOrganisation),
                    QString::fromUtf8(kSettingsApplication));
    store.beginGroup(QString::fromLatin1(kGroup));
    const auto value = [&](const char* key, const QVariant& fallback) {
        return store.value(QString::fromLatin1(key), fallback);
    };
    m_restoring = true;
    m_type->setCurrentIndex(std::clamp(value("type", 0).toInt(), 0, 3));
    const bool hz = value("unit", 0).toInt() == 0;
    m_unit->setCurrentIndex(hz ? 0 : 1);
    m_rate->setValue(value("rate", 44100).toInt());
    for (QDoubleSpinBox* box : {m_low, m_high, m_width}) {
        box->setDecimals(hz ? 3 : 6);
        box->setRange(0, hz ? 500000 : 0.5);
    }
    m_low->setValue(value("low", hz ? 1000.0 : 0.125).toDouble());
    m_high->setValue(value("high", hz ? 4000.0 : 0.25).toDouble());
    m_tapsBox->setValue(value("taps", 255).toInt());
    m_window->setCurrentIndex(std::clamp(value("window", 4).toInt(), 0, 4));
    m_beta->setValue(value("beta", 5.0).toDouble());
    m_fromAtten->setChecked(value("fromAtten", true).toBool());
    m_atten->setValue(value("atten", 60.0).toDouble());
    m_fromWidth->setChecked(value("fromWidth", false).toBool());
    m_width->setValue(value("width", hz ? 500.0 : 0.01).toDouble());
    m_scale->setChecked(value("scale", false).toBool());
    m_restoring = false;
}

void DesignPanel::SaveSettings() const
{
    QSettings store(QString::fromUtf8(kSettingsOrganisation),
                    QString::fromUtf8(kSettingsApplication));
    store.beginGroup(QString::fromLatin1(kGroup));
    const auto set = [&](const char* key, const QVariant& v) {
        store.setValue(QString::fromLatin1(key), v);
    };
    set("type", m_type->currentIndex());
    set("unit", m_unit->currentIndex());
    set("rate", m_rate->value());
    set("low", m_low->value());
    set("high", m_high->value());
    set("taps", m_tapsBox->value());
    set("window", m_window->currentIndex());
    set("beta", m_beta->value());
    set("fromAtten", m_fromAtten->isChecked());
    set("atten", m_atten->value());
    set("fromWidth", m_fromWidth->isChecked());
    set("width", m_width->value());
    set("scale", m_scale->isChecked());
}

} // namespace ravelin
