#include "control/SettingsDlg.h"

#include "control/DialogUnits.h"
#include "engine/Presets.h"
#include "engine/RavelinDoc.h"
#include "words/Words.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <iterator>
#include <optional>
#include <string>
#include <system_error>

namespace ravelin {

namespace {

// Template geometry in dialog units (x, y, width, height), absolute in the dialog.
struct Box {
    int x, y, w, h;
    QPoint Origin() const { return {x, y}; }
};

constexpr Box kDialog{0, 0, 291, 273};
constexpr Box kOk{234, 7, 50, 14};
constexpr Box kCancel{234, 24, 50, 14};
constexpr Box kFilterBox{7, 7, 144, 259};
constexpr Box kFileFilterBox{13, 104, 130, 155};
constexpr Box kInputBox{156, 103, 128, 110};
constexpr Box kFileInputBox{163, 177, 115, 30};
constexpr Box kTapHeading{47, 195, 31, 8};
constexpr Box kCoefHeading{102, 195, 15, 8};
constexpr Box kTapEdits[3] = {{41, 207, 41, 12}, {41, 225, 41, 12}, {41, 241, 41, 12}};
constexpr Box kCoefEdits[3] = {{91, 207, 41, 12}, {91, 225, 41, 12}, {91, 241, 41, 12}};

// Room a caption may take beyond its template width: up to the frame that holds it.
constexpr int kFrameInset = 4;

// Template boxes of the radio buttons, by preset number; the captions come from the
// engine's preset table, which the command-line tool lists too.
constexpr Box kFilters[kFilterCount] = {
    {19, 19, 43, 10},  {19, 33, 59, 10},  {19, 47, 89, 10},  {19, 61, 48, 10},
    {19, 75, 57, 10},  {19, 89, 57, 10},  {19, 115, 75, 10}, {19, 128, 105, 10},
    {19, 141, 76, 10}, {19, 154, 76, 10}, {19, 167, 79, 10}, {19, 180, 107, 10},
};
static_assert(std::size(kFilters) == kFilterPresets.size());

constexpr Box kInputs[kInputCount] = {
    {171, 123, 75, 10},
    {171, 137, 86, 10},
    {171, 151, 61, 10},
    {171, 189, 64, 10},
};
static_assert(std::size(kInputs) == kInputPresets.size());

QString Caption(std::string_view utf8)
{
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

const Box& FilterFrame(int index)
{
    return IsDemoFilter(index) ? kFilterBox : kFileFilterBox;
}

const Box& InputFrame(int index)
{
    return IsDemoInput(index) ? kInputBox : kFileInputBox;
}

int RoomTo(const Box& frame, const Box& control)
{
    return frame.x + frame.w - kFrameInset - control.x;
}

// How a field's text reads as a number.
enum class Parse { Ok, NotANumber, OutOfRange };

// The text as typed, in the form the number parsers take: surrounding blanks dropped
// and full-width digits, signs and points (as a Japanese input method types them)
// folded to ASCII.
std::string NumberText(const QString& text)
{
    QString folded = text.normalized(QString::NormalizationForm_KC).trimmed();
    folded.replace(QChar(0x2212), QLatin1Char('-')); // MINUS SIGN
    if (folded.startsWith(QLatin1Char('+')))
        folded.remove(0, 1); // accepted like the C library does; from_chars does not
    return folded.toStdString();
}

Parse ParseInt(const QString& text, int lo, int hi, int& value)
{
    const std::string s = NumberText(text);
    if (s.empty() || s.front() == '+' || s.front() == ' ')
        return Parse::NotANumber;
    int parsed = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), parsed);
    if (end != s.data() + s.size())
        return Parse::NotANumber; // a fraction, an exponent or stray characters
    if (ec == std::errc::result_out_of_range)
        return Parse::OutOfRange; // all digits, just far too large
    if (ec != std::errc())
        return Parse::NotANumber;
    if (parsed < lo || parsed > hi)
        return Parse::OutOfRange;
    value = parsed;
    return Parse::Ok;
}

Parse ParseDouble(const QString& text, double lo, double hi, double& value)
{
    const std::string s = NumberText(text);
    if (s.empty() || s.front() == '+' || s.front() == ' ')
        return Parse::NotANumber;
    double parsed = 0.0;
    const auto [end, ec] =
        std::from_chars(s.data(), s.data() + s.size(), parsed, std::chars_format::general);
    if (end != s.data() + s.size())
        return Parse::NotANumber;
    if (ec == std::errc::result_out_of_range) {
        // Too large is out of range; too small to represent (1e-400) is as good as 0.
        const auto e = s.find_first_of("eE");
        if (e == std::string::npos || e + 1 >= s.size() || s[e + 1] != '-')
            return Parse::OutOfRange;
        value = s.front() == '-' ? -0.0 : 0.0;
        return Parse::Ok;
    }
    if (ec != std::errc() || std::isnan(parsed))
        return Parse::NotANumber;
    if (!(parsed >= lo && parsed <= hi))
        return Parse::OutOfRange;
    value = parsed;
    return Parse::Ok;
}

QString FormatCoef(double value)
{
    // 15 significant digits: what is typed in comes back the same next time.
    return QString::number(value, 'g', 15);
}

// Unchecks every button of an exclusive group, which Qt only allows with the
// exclusivity lifted for the moment.
void UncheckAll(QButtonGroup* group)
{
    group->setExclusive(false);
    for (QAbstractButton* button : group->buttons())
        button->setChecked(false);
    group->setExclusive(true);
}

void CheckIndex(QButtonGroup* group, int index)
{
    if (QAbstractButton* button = group->button(index))
        button->setChecked(true);
    else
        UncheckAll(group);
}

} // namespace

CSettingsDlg::CSettingsDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(tr("動作の設定"));
    // A fixed-size dialog: a caption with a close box, nothing to minimise or maximise.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setObjectName(QStringLiteral("settingsDialog"));
    setFont(DialogFont(font())); // before the controls, which take it over
    CreateControls();
    PlaceControls();
}

void CSettingsDlg::CreateControls()
{
    m_ok = new QPushButton(QStringLiteral("OK"), this);
    m_ok->setObjectName(QStringLiteral("ok"));
    m_ok->setDefault(true);
    m_cancel = new QPushButton(tr("ｷｬﾝｾﾙ"), this);
    m_cancel->setObjectName(QStringLiteral("cancel"));
    connect(m_ok, &QPushButton::clicked, this, &CSettingsDlg::accept);
    connect(m_cancel, &QPushButton::clicked, this, &CSettingsDlg::reject);

    m_filterBox = new QGroupBox(tr("ディジタルフィルタ係数設定"), this);
    m_filterBox->setObjectName(QStringLiteral("filterBox"));
    m_fileFilterBox = new QGroupBox(tr("ファイル入力ファイル出力動作専用"), m_filterBox);
    m_fileFilterBox->setObjectName(QStringLiteral("fileFilterBox"));
    m_inputBox = new QGroupBox(tr("入力信号設定"), this);
    m_inputBox->setObjectName(QStringLiteral("inputBox"));
    m_fileInputBox = new QGroupBox(tr("ファイル入力ファイル出力動作専用"), m_inputBox);
    m_fileInputBox->setObjectName(QStringLiteral("fileInputBox"));

    // One exclusive group each across the nested frames; the id is the preset index.
    m_filterGroup = new QButtonGroup(this);
    for (int i = 0; i < kFilterCount; ++i) {
        QWidget* frame = IsDemoFilter(i) ? m_filterBox : m_fileFilterBox;
        auto* button = new QRadioButton(Caption(kFilterCaptions[i].Text()), frame);
        button->setObjectName(QStringLiteral("filter%1").arg(i));
        // Only OK, Cancel and the six fields are reached by Tab; a clicked radio
        // button still moves within its group by the arrow keys.
        button->setFocusPolicy(Qt::ClickFocus);
        m_filterGroup->addButton(button, i);
        m_filterButtons[i] = button;
    }
    m_inputGroup = new QButtonGroup(this);
    for (int i = 0; i < kInputCount; ++i) {
        QWidget* frame = IsDemoInput(i) ? m_inputBox : m_fileInputBox;
        auto* button = new QRadioButton(Caption(kInputCaptions[i].Text()), frame);
        button->setObjectName(QStringLiteral("input%1").arg(i));
        button->setFocusPolicy(Qt::ClickFocus);
        m_inputGroup->addButton(button, i);
        m_inputButtons[i] = button;
    }
    connect(m_filterGroup, &QButtonGroup::idClicked, this, &CSettingsDlg::OnFilterClicked);

    m_tapHeading = new QLabel(tr("タップ番号"), m_fileFilterBox);
    m_coefHeading = new QLabel(tr("係数"), m_fileFilterBox);
    for (QLabel* heading : {m_tapHeading, m_coefHeading})
        heading->setAlignment(Qt::AlignHCenter | Qt::AlignBottom);
    for (int k = 0; k < 3; ++k) {
        m_tapEdits[k] = new QLineEdit(m_fileFilterBox);
        m_tapEdits[k]->setObjectName(QStringLiteral("tap%1").arg(k));
        m_coefEdits[k] = new QLineEdit(m_fileFilterBox);
        m_coefEdits[k]->setObjectName(QStringLiteral("coef%1").arg(k));
        for (QLineEdit* edit : {m_tapEdits[k], m_coefEdits[k]})
            edit->setAlignment(Qt::AlignCenter);
    }

    // Tab order: OK, Cancel, the tap column, then the coefficient column.
    QWidget* chain[] = {m_ok,          m_cancel,       m_tapEdits[0],  m_tapEdits[1],
                        m_tapEdits[2], m_coefEdits[0], m_coefEdits[1], m_coefEdits[2]};
    for (std::size_t i = 1; i < std::size(chain); ++i)
        QWidget::setTabOrder(chain[i - 1], chain[i]);
}

void CSettingsDlg::PlaceControls()
{
    DialogUnits du(font());

    // Widen the scale until every caption fits in the room its frame leaves it.
    const auto fitCaption = [&du](QWidget* w, const Box& box, const Box& frame) {
        du.FitWidth(w->sizeHint().width(), RoomTo(frame, box));
    };
    for (int i = 0; i < kFilterCount; ++i)
        fitCaption(m_filterButtons[i], kFilters[i], FilterFrame(i));
    for (int i = 0; i < kInputCount; ++i)
        fitCaption(m_inputButtons[i], kInputs[i], InputFrame(i));
    for (QGroupBox* box : {m_filterBox, m_fileFilterBox, m_inputBox, m_fileInputBox}) {
        const QFontMetrics fm(box->font());
        const Box& b = box == m_filterBox       ? kFilterBox
                       : box == m_fileFilterBox ? kFileFilterBox
                       : box == m_inputBox      ? kInputBox
                                                : kFileInputBox;
        du.FitWidth(fm.horizontalAdvance(box->title()) + 2 * fm.averageCharWidth() + 8, b.w);
    }
    du.FitWidth(m_tapHeading->sizeHint().width(), kTapEdits[0].w);
    du.FitWidth(m_ok->minimumSizeHint().width(), kOk.w);
    du.FitWidth(m_cancel->minimumSizeHint().width(), kCancel.w);
    // Rows: a radio button may grow into the gap to the next one (13 units), a field
    // into the 16 units between its row and the next.
    du.FitHeight(m_filterButtons[0]->sizeHint().height(), 13);
    du.FitHeight(m_tapEdits[0]->minimumSizeHint().height(), 16);
    du.FitHeight(m_ok->minimumSizeHint().height(), 17);

    // Qt draws a group box's frame below its title where the template's frames run
    // through it: everything inside a frame moves down by the difference, and each
    // frame grows by what its contents moved.
    const QFontMetrics fm(m_fileFilterBox->font());
    const int shift =
        std::max(0, m_fileFilterBox->contentsMargins().top() - 4 - (fm.height() + 1) / 2);
    const auto inset = [&](const Box& frame) {
        return frame.x == kDialog.x && frame.y == kDialog.y ? 0 : shift;
    };

    const auto place = [&](QWidget* w, const Box& box, const Box& frame, int grow = 0) {
        QRect r = du.Rect(box.x, box.y, box.w, box.h, frame.Origin());
        r.translate(0, inset(frame));
        r.setHeight(r.height() + grow);
        w->setGeometry(r);
    };
    // A control at least as large as it wants to be, but never past its frame.
    const auto placeGrown = [&](QWidget* w, const Box& box, const Box& frame) {
        QRect r = du.Rect(box.x, box.y, box.w, box.h, frame.Origin());
        r.translate(0, inset(frame));
        const QSize hint = w->sizeHint();
        const int maxWidth = du.X(RoomTo(frame, box));
        r.setWidth(std::min(std::max(r.width(), hint.width()), maxWidth));
        if (hint.height() > r.height())
            r.adjust(0, -(hint.height() - r.height()) / 2, 0, (hint.height() - r.height() + 1) / 2);
        w->setGeometry(r);
    };

    place(m_ok, kOk, kDialog);
    place(m_cancel, kCancel, kDialog);
    place(m_filterBox, kFilterBox, kDialog, 2 * shift);
    place(m_fileFilterBox, kFileFilterBox, kFilterBox, shift);
    place(m_inputBox, kInputBox, kDialog, 2 * shift);
    place(m_fileInputBox, kFileInputBox, kInputBox, shift);
    for (int i = 0; i < kFilterCount; ++i)
        placeGrown(m_filterButtons[i], kFilters[i], FilterFrame(i));
    for (int i = 0; i < kInputCount; ++i)
        placeGrown(m_inputButtons[i], kInputs[i], InputFrame(i));

    // The headings sit on their columns of fields, centred over them.
    const auto placeHeading = [&](QLabel* label, const Box& heading, const Box& column) {
        QRect r = du.Rect(column.x, heading.y, column.w, heading.h, kFileFilterBox.Origin());
        r.translate(0, shift);
        const int height = std::max(r.height(), label->sizeHint().height());
        r.setTop(r.bottom() + 1 - height);
        label->setGeometry(r);
    };
    placeHeading(m_tapHeading, kTapHeading, kTapEdits[0]);
    placeHeading(m_coefHeading, kCoefHeading, kCoefEdits[0]);
    for (int k = 0; k < 3; ++k) {
        place(m_tapEdits[k], kTapEdits[k], kFileFilterBox);
        place(m_coefEdits[k], kCoefEdits[k], kFileFilterBox);
    }

    setFixedSize(du.X(kDialog.w), du.Y(kDialog.h) + 2 * shift);
}

void CSettingsDlg::showEvent(QShowEvent* event)
{
    // Each opening starts from the members, as the caller set them.
    if (!event->spontaneous())
        LoadControls();
    QDialog::showEvent(event);
}

void CSettingsDlg::LoadControls()
{
    CheckIndex(m_filterGroup, m_nFilter);
    CheckIndex(m_inputGroup, m_nInput);
    for (int k = 0; k < 3; ++k) {
        m_coefEdits[k]->setText(FormatCoef(m_dCoef[k]));
        m_tapEdits[k]->setText(QString::number(m_nTap[k]));
        // A long number shows its first digits, not its last.
        m_coefEdits[k]->setCursorPosition(0);
        m_tapEdits[k]->setCursorPosition(0);
    }
    // Opening leaves every input choice available, whatever the filter; only a click
    // on a filter applies the file-only rule.
    for (QRadioButton* button : m_inputButtons)
        button->setEnabled(true);
}

void CSettingsDlg::paintEvent(QPaintEvent* event)
{
    QDialog::paintEvent(event);
    // Every paint brings the user filter's fields in line with the checked filter.
    // Setting the same state again is a no-op, so this cannot loop.
    EnableUserFilterFields(m_filterGroup->checkedId() == kUserFilter);
}

void CSettingsDlg::OnFilterClicked(int id)
{
    if (IsDemoFilter(id))
        OnDemoFilter();
    else if (id == kUserFilter)
        OnUserFilter();
    else
        OnFileFilter();
}

void CSettingsDlg::OnDemoFilter()
{
    EnableDemoInputs();
    EnableUserFilterFields(false);
}

void CSettingsDlg::OnFileFilter()
{
    ForceFileDataInput();
    EnableUserFilterFields(false);
}

void CSettingsDlg::OnUserFilter()
{
    ForceFileDataInput();
    EnableUserFilterFields(true);
}

void CSettingsDlg::EnableDemoInputs()
{
    for (int i = 0; i < kInputCount; ++i)
        if (IsDemoInput(i))
            m_inputButtons[i]->setEnabled(true);
}

void CSettingsDlg::ForceFileDataInput()
{
    m_inputButtons[kFileDataInput]->setChecked(true);
    for (int i = 0; i < kInputCount; ++i)
        if (IsDemoInput(i))
            m_inputButtons[i]->setEnabled(false);
}

void CSettingsDlg::EnableUserFilterFields(bool enable)
{
    for (QLineEdit* edit : m_tapEdits)
        edit->setEnabled(enable);
    for (QLineEdit* edit : m_coefEdits)
        edit->setEnabled(enable);
}

void CSettingsDlg::accept()
{
    // Read in the exchange order; the first bad field stops the OK. The members
    // change only when every field has passed.
    double coef[3] = {};
    int tap[3] = {};

    for (int k = 0; k < 3; ++k) {
        switch (ParseDouble(m_coefEdits[k]->text(), kCoefMin, kCoefMax, coef[k])) {
        case Parse::Ok:
            break;
        case Parse::NotANumber:
            return Fail(m_coefEdits[k], tr("数値を入力してください。"));
        case Parse::OutOfRange:
            return Fail(m_coefEdits[k], tr("%1 から %2 までの数値を入力してください。")
                                            .arg(FormatCoef(kCoefMin), FormatCoef(kCoefMax)));
        }
    }
    for (int k = 0; k < 3; ++k) {
        switch (ParseInt(m_tapEdits[k]->text(), kTapMin, kTapMax, tap[k])) {
        case Parse::Ok:
            break;
        case Parse::NotANumber:
            return Fail(m_tapEdits[k], tr("整数を入力してください。"));
        case Parse::OutOfRange:
            return Fail(m_tapEdits[k],
                        tr("%1 から %2 までの整数を入力してください。").arg(kTapMin).arg(kTapMax));
        }
    }

    m_nFilter = m_filterGroup->checkedId();
    m_nInput = m_inputGroup->checkedId();
    for (int k = 0; k < 3; ++k) {
        m_dCoef[k] = coef[k];
        m_nTap[k] = tap[k];
    }
    QDialog::accept();
}

void CSettingsDlg::Fail(QLineEdit* field, const QString& message)
{
    QMessageBox box(QMessageBox::Warning, QGuiApplication::applicationDisplayName(), message,
                    QMessageBox::Ok, this);
    box.setTextFormat(Qt::PlainText);
    box.exec();
    field->setFocus(Qt::OtherFocusReason);
    field->selectAll();
}

bool CSettingsDlg::DoDataExchange(CRavelinDoc& doc, QWidget* parent)
{
    const SettingsValues current = doc.Settings();
    CSettingsDlg dlg(parent);
    dlg.m_nFilter = current.filter;
    dlg.m_nInput = current.input;
    for (int k = 0; k < 3; ++k) {
        dlg.m_dCoef[k] = current.coef[k];
        dlg.m_nTap[k] = current.tap[k];
    }
    if (dlg.exec() != QDialog::Accepted)
        return false;

    SettingsValues chosen;
    chosen.filter = dlg.m_nFilter;
    chosen.input = dlg.m_nInput;
    for (int k = 0; k < 3; ++k) {
        chosen.coef[k] = dlg.m_dCoef[k];
        chosen.tap[k] = dlg.m_nTap[k];
    }
    doc.ApplySettings(chosen);
    return true;
}

} // namespace ravelin
